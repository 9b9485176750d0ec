// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The program's texts in the user's language: the translation built from
// res/translations/ (embedded under :/i18n/) and Qt's own for its standard
// buttons and dialogs. English, the language of the sources, needs neither.
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>

class CTranslations {
public:
    // The user's languages, most wanted first, as gettext programs read them:
    // every entry of LANGUAGE (a colon list), then the one locale of LC_ALL,
    // else LC_MESSAGES, else LANG. Codesets and modifiers are dropped
    // ("de_DE.UTF-8@euro" is "de_DE"); "C" and "POSIX" read as "en". Qt's
    // QLocale::system().uiLanguages() says the same but keeps its first
    // answer for the life of the process.
    static QStringList LanguagesFromEnvironment();

    // Loads the first of `languages` that has a translation; an English
    // entry before any of them keeps the program English. Returns the
    // language loaded ("de", "fr_CA"), or an empty string for English.
    QString Load(const QStringList& languages);
    // Installs what Load found into the running application.
    void Install();

    const QTranslator& Program() const { return m_program; }

private:
    QTranslator m_program;
    QTranslator m_qt;
    bool m_loaded = false;
    bool m_qtLoaded = false;
};
