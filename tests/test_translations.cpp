// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The shipped translations: every message of each .ts translated with its
// placeholders and accelerators intact, the embedded .qm built from it, the
// language chosen from the environment, and the panel, a session message and
// the engine's texts in German once it is installed.
#include "app/CTranslations.h"
#include "common/CategoryNames.h"
#include "common/EngineTexts.h"
#include "panel/CBitmapButton.h"
#include "panel/CRecorderDlg.h"
#include "platform/codecs/CFormatCatalogue.h"
#include "session/CRecorderSession.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kShipped[] = {"de", "fr", "es"};

struct TsMessage {
    QString context;
    QString source;
    QString comment;
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty
    bool numerus = false;
};

std::vector<TsMessage> ReadTs(const QString& path, QString& error)
{
    std::vector<TsMessage> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot open ") + path;
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    std::optional<TsMessage> message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("context")) {
                context.clear();
            } else if (name == QLatin1String("name") && !message) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                message = TsMessage{};
                message->context = context;
                message->numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            } else if (message && name == QLatin1String("source")) {
                message->source = xml.readElementText();
            } else if (message && name == QLatin1String("comment")) {
                message->comment = xml.readElementText();
            } else if (message && name == QLatin1String("translation")) {
                message->type = xml.attributes().value(QLatin1String("type")).toString();
                message->translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message") && message) {
            messages.push_back(*message);
            message.reset();
        }
    }
    if (xml.hasError())
        error = path + QStringLiteral(": ") + xml.errorString();
    return messages;
}

QString TsPath(const char* language)
{
    return QStringLiteral(VELLORY_SOURCE_DIR "/res/translations/vellory_%1.ts").arg(QLatin1String(language));
}

// The %1..%99 of a text, in order of their numbers.
QList<int> Placeholders(const QString& text)
{
    static const QRegularExpression placeholder(QStringLiteral("%L?(\\d{1,2})"));
    QList<int> numbers;
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        numbers << it.next().captured(1).toInt();
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// The accelerator letter of a text ("&Datei" -> 'd'), a literal "&&" skipped;
// empty when it has none.
QString Accelerator(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text.mid(i + 1, 1).toLower();
    }
    return {};
}

class ShippedLanguage : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedLanguage, EveryMessageIsTranslatedWithItsPlaceholdersAndAccelerators)
{
    QString error;
    const std::vector<TsMessage> messages = ReadTs(TsPath(GetParam()), error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    // Every tr() text of the program and the engine's: a file that lost its
    // contexts would pass the checks below with nothing in it.
    ASSERT_GT(messages.size(), 150u);

    std::map<QString, std::vector<const TsMessage*>> byContext;
    for (const TsMessage& m : messages) {
        const std::string where = (m.context + QStringLiteral(" / ") + m.source).toStdString();
        EXPECT_NE(m.type, QLatin1String("unfinished")) << where;
        EXPECT_NE(m.type, QLatin1String("vanished")) << where << " (run the vellory_lupdate target)";
        EXPECT_NE(m.type, QLatin1String("obsolete")) << where << " (run the vellory_lupdate target)";
        EXPECT_FALSE(m.translation.isEmpty()) << where;
        // Only a separator (the French thousands one is a space) may be blank.
        if (m.source.trimmed().size() > 1)
            EXPECT_FALSE(m.translation.trimmed().isEmpty()) << where;
        EXPECT_EQ(Placeholders(m.source), Placeholders(m.translation)) << where << " -> " << m.translation.toStdString();
        EXPECT_EQ(Accelerator(m.source).isEmpty(), Accelerator(m.translation).isEmpty())
            << where << " -> " << m.translation.toStdString();
        EXPECT_EQ(m.source.count(QLatin1Char('\n')) > 0, m.translation.count(QLatin1Char('\n')) > 0)
            << where << ": the lines of a message box";
        byContext[m.context].push_back(&m);
    }
    // Within a context, texts whose English accelerators differ (the entries
    // of one menu, the labels of one dialog) keep different ones.
    for (const auto& [context, list] : byContext) {
        for (size_t i = 0; i < list.size(); ++i) {
            for (size_t j = i + 1; j < list.size(); ++j) {
                const QString a = Accelerator(list[i]->translation);
                const QString b = Accelerator(list[j]->translation);
                if (a.isEmpty() || b.isEmpty() || Accelerator(list[i]->source) == Accelerator(list[j]->source))
                    continue;
                EXPECT_NE(a, b) << context.toStdString() << ": " << list[i]->translation.toStdString() << " and "
                                << list[j]->translation.toStdString();
            }
        }
    }
}

TEST_P(ShippedLanguage, TheEmbeddedTranslationHoldsEveryMessageOfTheTsFile)
{
    QString error;
    const std::vector<TsMessage> messages = ReadTs(TsPath(GetParam()), error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    CTranslations translations;
    ASSERT_EQ(translations.Load({QString::fromLatin1(GetParam())}), QLatin1String(GetParam()));
    for (const TsMessage& m : messages) {
        const QString found = translations.Program().translate(m.context.toUtf8().constData(), m.source.toUtf8().constData(),
                                                               m.comment.isEmpty() ? nullptr : m.comment.toUtf8().constData());
        EXPECT_EQ(found, m.translation) << (m.context + QStringLiteral(" / ") + m.source).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Translations, ShippedLanguage, ::testing::ValuesIn(kShipped));

// Sets the locale variables for one test and restores them after it.
class Environment {
public:
    Environment(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* old = std::getenv(name);
            m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::unsetenv(name);
        }
        for (const auto& [name, value] : values)
            ::setenv(name, value, 1);
    }
    ~Environment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

TEST(TranslationChoice, FollowsLanguageThenTheMessagesLocaleAsGettextReadsThem)
{
    {
        Environment env{{"LANGUAGE", "fr_CA:de"}, {"LANG", "es_ES.UTF-8"}};
        EXPECT_EQ(CTranslations::LanguagesFromEnvironment(),
                  (QStringList{QStringLiteral("fr_CA"), QStringLiteral("de"), QStringLiteral("es_ES")}));
        CTranslations t;
        EXPECT_EQ(t.Load(CTranslations::LanguagesFromEnvironment()), QStringLiteral("fr"));
    }
    {
        // LC_ALL outranks LC_MESSAGES, which outranks LANG; the codeset and
        // the modifier are no part of the language.
        Environment env{{"LC_ALL", "de_AT.UTF-8@euro"}, {"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "es_ES.UTF-8"}};
        EXPECT_EQ(CTranslations::LanguagesFromEnvironment(), QStringList{QStringLiteral("de_AT")});
        CTranslations t;
        EXPECT_EQ(t.Load(CTranslations::LanguagesFromEnvironment()), QStringLiteral("de"));
    }
    {
        Environment env{{"LC_MESSAGES", "es_MX.UTF-8"}, {"LANG", "de_DE.UTF-8"}};
        CTranslations t;
        EXPECT_EQ(t.Load(CTranslations::LanguagesFromEnvironment()), QStringLiteral("es"));
    }
    {
        // A language without a translation is passed over for the next one.
        Environment env{{"LANGUAGE", "pt_BR:xx:es"}};
        CTranslations t;
        EXPECT_EQ(t.Load(CTranslations::LanguagesFromEnvironment()), QStringLiteral("es"));
    }
}

TEST(TranslationChoice, EnglishOrNothingKnownLeavesTheProgramEnglish)
{
    for (auto values : {std::initializer_list<std::pair<const char*, const char*>>{{"LANGUAGE", "en_GB:de"}},
                        {{"LANG", "C.UTF-8"}},
                        {{"LC_ALL", "POSIX"}, {"LANG", "de_DE.UTF-8"}},
                        {{"LANGUAGE", "pt_BR:ja"}},
                        {}}) {
        Environment env(values);
        CTranslations t;
        EXPECT_EQ(t.Load(CTranslations::LanguagesFromEnvironment()), QString())
            << CTranslations::LanguagesFromEnvironment().join(QLatin1Char(':')).toStdString();
    }
}

TEST(EnglishTexts, EngineAndFormatTextsPassUnchangedWithoutATranslation)
{
    EXPECT_EQ(TranslateEngineText("Out of memory."), QStringLiteral("Out of memory."));
    EXPECT_EQ(TranslateEngineText("Unable to create file\n\n/x/y.wav\nNo space left on device"),
              QStringLiteral("Unable to create file\n\n/x/y.wav\nNo space left on device"));
    EXPECT_EQ(TranslateEngineText("something the engine has never said"),
              QStringLiteral("something the engine has never said"));
    const CFormatCatalogue catalogue = CFormatCatalogue::Build(false);
    ASSERT_FALSE(catalogue.Tags().empty());
    for (const auto& tag : catalogue.Tags()) {
        EXPECT_EQ(TranslateFormatName(tag.name), QString::fromStdString(tag.name));
        for (const auto& format : tag.formats)
            EXPECT_EQ(TranslateFormatDescription(format.description), QString::fromStdString(format.description));
    }
    EXPECT_EQ(CategoryName(3), QStringLiteral("Personal"));
    EXPECT_EQ(CategoryName(4), QString());
}

class GermanTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_env.emplace(std::initializer_list<std::pair<const char*, const char*>>{{"LANGUAGE", "de"}, {"LANG", "C"}});
        ASSERT_EQ(m_translations.Load(CTranslations::LanguagesFromEnvironment()), QStringLiteral("de"));
        m_translations.Install();
    }
    // Destroying the translators takes them out of the application again.
    CTranslations m_translations;
    std::optional<Environment> m_env;
};

TEST_F(GermanTranslation, ThePanelsTooltipsAndMenuAreGerman)
{
    CRecorderDlg panel;
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    EXPECT_EQ(panel.Button(IDC_REC)->toolTip(), QStringLiteral("Aufnehmen (Alt+R)"));
    EXPECT_EQ(panel.Button(IDC_POWER)->toolTip(), QStringLiteral("Ausschalten (Esc)"));
    EXPECT_EQ(panel.Button(IDC_MANAGER)->accessibleDescription().left(41),
              QStringLiteral("Listet, löscht und öffnet die Aufnahmen e"));

    QStringList entries;
    QTimer reader;
    reader.setInterval(10);
    QObject::connect(&reader, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        reader.stop();
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                entries << action->text();
        menu->close();
    });
    reader.start();
    QTest::keyClick(&panel, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Fenster &verbergen"), QStringLiteral("&Einstellungen"),
                                    QStringLiteral("&Über das Programm")}));
    EXPECT_EQ(CRecorderDlg::AboutMenuText(), QStringLiteral("&Über Vellory..."));
}

TEST_F(GermanTranslation, SessionEngineAndFormatTextsAreGerman)
{
    CRecorderSession session;
    QSignalSpy messages(&session, &CRecorderSession::Message);
    session.OnTimer(12345);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(), QStringLiteral("Unbekannter Zeitgeber abgelaufen!"));

    // The fixed part is translated; the path, the library and the system's
    // reason stay as they came.
    EXPECT_EQ(TranslateEngineText("Unable to create file\n\n/tmp/a b.wav\nPermission denied"),
              QStringLiteral("Die Datei kann nicht angelegt werden\n\n/tmp/a b.wav\nPermission denied"));
    EXPECT_EQ(TranslateEngineText("The sound server library libpulse.so.0 could not be loaded: libpulse.so.0: cannot "
                                  "open shared object file: No such file or directory.\nInstall the package libpulse0 "
                                  "and try again."),
              QStringLiteral("Die Soundserver-Bibliothek libpulse.so.0 konnte nicht geladen werden: libpulse.so.0: "
                             "cannot open shared object file: No such file or directory.\nInstallieren Sie das Paket "
                             "libpulse0 und versuchen Sie es erneut."));
    EXPECT_EQ(TranslateEngineText("Unknown playback error 77."), QStringLiteral("Unbekannter Wiedergabefehler 77."));
    EXPECT_EQ(TranslateFormatDescription("22,050 Hz, 16 Bit, Stereo  86 KB/s"),
              QStringLiteral("22.050 Hz, 16 Bit, Stereo  86 KB/s"));
    EXPECT_EQ(TranslateFormatDescription("128 kBit/s, 44,100 Hz, 6 Channels  16 KB/s"),
              QStringLiteral("128 kBit/s, 44.100 Hz, 6 Kanäle  16 KB/s"));
    EXPECT_EQ(TranslateFormatName("Format 0x0055"), QStringLiteral("Format 0x0055"));
    EXPECT_EQ(CategoryName(3), QStringLiteral("Persönlich"));
}

} // namespace
