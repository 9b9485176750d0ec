// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "app/CTranslations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>

namespace {
// "de_DE.UTF-8@euro" -> "de_DE"; "C", "POSIX" and "C.UTF-8" -> "en".
QString LanguageOf(QString entry)
{
    entry = entry.trimmed();
    const qsizetype cut = entry.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    if (cut >= 0)
        entry.truncate(cut);
    if (entry == QLatin1String("C") || entry == QLatin1String("POSIX"))
        return QStringLiteral("en");
    return entry;
}

// "de_DE" and "de-DE" are tried as they are, then as "de".
QStringList Candidates(const QString& language)
{
    QString name = language;
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    QStringList names{name};
    const qsizetype underscore = name.indexOf(QLatin1Char('_'));
    if (underscore > 0)
        names << name.left(underscore);
    return names;
}
} // namespace

QStringList CTranslations::LanguagesFromEnvironment()
{
    QStringList languages;
    for (const QString& entry : qEnvironmentVariable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString language = LanguageOf(entry);
        if (!language.isEmpty() && !languages.contains(language))
            languages << language;
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (value.isEmpty())
            continue;
        const QString language = LanguageOf(value);
        if (!language.isEmpty() && !languages.contains(language))
            languages << language;
        break; // the first one set is the locale in force
    }
    return languages;
}

QString CTranslations::Load(const QStringList& languages)
{
    for (const QString& language : languages) {
        for (const QString& name : Candidates(language)) {
            // Only the file of this very name: QTranslator::load would fall
            // back from "fr_CA" to "fr" itself and hide which one it took.
            const QString file = QStringLiteral(":/i18n/vellory_%1.qm").arg(name);
            if (!QFile::exists(file) || !m_program.load(file)) {
                // The sources are English: an English entry without a
                // translation of its own (a pseudo-locale may have one) ends
                // the search, so LANGUAGE=en:de is English.
                if (name == QLatin1String("en") || name.startsWith(QLatin1String("en_")))
                    return {};
                continue;
            }
            m_loaded = true;
            // Qt's own texts (Yes, No, Cancel in message boxes, the folder
            // dialog) when the system has them installed (qt6-translations-l10n).
            const QString qtDir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
            // (Here the fallback from "qtbase_fr_CA" to "qtbase_fr" is wanted.)
            m_qtLoaded = m_qt.load(QStringLiteral("qtbase_") + Candidates(language).constFirst(), qtDir);
            return name;
        }
    }
    return {};
}

void CTranslations::Install()
{
    if (m_loaded)
        QCoreApplication::installTranslator(&m_program);
    if (m_qtLoaded)
        QCoreApplication::installTranslator(&m_qt);
}
