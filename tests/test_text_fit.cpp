// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// No text is clipped in any language: the panel and its pop-up menu, the
// manager, the settings and format dialogs, the about box and message boxes
// are opened in English, in the pseudo-locale (every text about 40% longer)
// and in each shipped translation, and every label, button, header section,
// group box title, combo box item and menu item is measured against the room
// its widget gives it.
#include "app/CTranslations.h"
#include "common/MessageBoxes.h"
#include "common/Settings.h"
#include "dialogs/CFileManagerDlg.h"
#include "dialogs/CSettingsDlg.h"
#include "engine/MessageStyle.h"
#include "panel/CAboutDlg.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CFormatChooseDlg.h"
#include "panel/CRecorderDlg.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStyleOption>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// What a widget shows of a text with mnemonics: "&Save" is "Save", "&&" is "&".
QString Shown(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

QString Where(const QWidget* w)
{
    QString path;
    for (const QWidget* p = w; p; p = p->parentWidget()) {
        const QString name = p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className())
                                                       : p->objectName();
        path = path.isEmpty() ? name : name + QLatin1Char('/') + path;
        if (p->isWindow())
            break;
    }
    return path;
}

class Clips {
public:
    void Add(const QWidget* w, const QString& text, QSize need, QSize have)
    {
        m_lines << QStringLiteral("%1: \"%2\" needs %3 x %4, has %5 x %6")
                       .arg(Where(w), text)
                       .arg(need.width())
                       .arg(need.height())
                       .arg(have.width())
                       .arg(have.height());
    }
    // One pixel of height is let off: the dialogs' rows, in dialog units,
    // give their 14-pixel font 13 pixels in English too (a line's height
    // counts the blank pixel row under the descenders).
    void Check(const QWidget* w, const QString& text, QSize need, QSize have)
    {
        ++m_checked;
        if (need.width() > have.width() || need.height() > have.height() + 1)
            Add(w, text, need, have);
    }
    bool Empty() const { return m_lines.isEmpty(); }
    std::string Text() const { return m_lines.join(QLatin1Char('\n')).toStdString(); }
    int Count() const { return int(m_lines.size()); }
    // Texts measured, clipped or not.
    int Checked() const { return m_checked; }

private:
    QStringList m_lines;
    int m_checked = 0;
};

void CheckLabel(QLabel* label, Clips& clips)
{
    const QString text = label->text();
    if (text.isEmpty() || !label->pixmap().isNull())
        return;
    const int margin = label->margin();
    const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    const bool rich = label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    QSize need;
    if (rich) {
        QTextDocument doc;
        doc.setDefaultFont(label->font());
        doc.setDocumentMargin(0);
        doc.setHtml(text);
        if (label->wordWrap())
            doc.setTextWidth(room.width());
        need = QSize(int(std::ceil(doc.idealWidth())), int(std::ceil(doc.size().height())));
    } else {
        // A wrapping label breaks at spaces; a word longer than the line is clipped all the same.
        const int flags = Qt::TextExpandTabs | (label->wordWrap() ? Qt::TextWordWrap : 0)
            | (label->buddy() ? Qt::TextShowMnemonic : 0);
        const QRect bounds(0, 0, label->wordWrap() ? room.width() : 1 << 20, 1 << 20);
        need = label->fontMetrics().boundingRect(bounds, flags, text).size();
    }
    clips.Check(label, label->buddy() ? Shown(text) : text, need, room.size());
}

void CheckButton(QAbstractButton* button, Clips& clips)
{
    if (qobject_cast<CBitmapButton*>(button))
        return; // its words are part of its pictures
    const QString text = button->text();
    if (text.isEmpty())
        return;
    QSize need = button->fontMetrics().size(Qt::TextShowMnemonic, text);
    if (!button->icon().isNull())
        need.rwidth() += button->iconSize().width() + 4;
    QRect room = button->contentsRect();
    QStyle* style = button->style();
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        QStyleOptionButton opt;
        opt.initFrom(push);
        opt.text = text;
        opt.features = push->isDefault() ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
        room = style->subElementRect(QStyle::SE_PushButtonContents, &opt, push);
    } else if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = text;
        room = style->subElementRect(qobject_cast<QCheckBox*>(button) ? QStyle::SE_CheckBoxContents
                                                                       : QStyle::SE_RadioButtonContents,
                                     &opt, button);
    }
    clips.Check(button, Shown(text), need, room.size());
}

void CheckHeader(QHeaderView* header, Clips& clips)
{
    QAbstractItemModel* model = header->model();
    if (!model)
        return;
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int i = 0; i < header->count(); ++i) {
        if (header->isSectionHidden(i))
            continue;
        const QString text = model->headerData(i, header->orientation(), Qt::DisplayRole).toString();
        if (text.isEmpty())
            continue;
        const QVariant font = model->headerData(i, header->orientation(), Qt::FontRole);
        const QFontMetrics fm(font.isValid() ? font.value<QFont>() : header->font());
        QSize need(fm.horizontalAdvance(text) + 2 * margin, fm.height());
        if (header->isSortIndicatorShown() && header->sortIndicatorSection() == i)
            need.rwidth() += header->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) + margin;
        const QSize have = header->orientation() == Qt::Horizontal ? QSize(header->sectionSize(i), header->height())
                                                                   : QSize(header->width(), header->sectionSize(i));
        clips.Check(header, text, need, have);
    }
}

void CheckGroupBox(QGroupBox* box, Clips& clips)
{
    if (box->title().isEmpty())
        return;
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.lineWidth = 1;
    opt.textAlignment = box->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (box->isCheckable())
        opt.subControls |= QStyle::SC_GroupBoxCheckBox;
    if (box->isFlat())
        opt.features |= QStyleOptionFrame::Flat;
    const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
    const QSize need = box->fontMetrics().size(Qt::TextShowMnemonic, box->title());
    // The title's place is laid out from its width: clipped when it runs past the box.
    const QRect shown = label.intersected(box->rect());
    clips.Check(box, Shown(box->title()), need, shown.size());
}

void CheckComboBox(QComboBox* combo, Clips& clips)
{
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = combo->isEditable();
    opt.frame = combo->hasFrame();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
    // Any item may come to be the one shown.
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        QSize need(combo->fontMetrics().horizontalAdvance(text), combo->fontMetrics().height());
        if (!combo->itemIcon(i).isNull())
            need.rwidth() += combo->iconSize().width() + 4;
        clips.Check(combo, text, need, field.size());
    }
}

void CheckMenu(QMenu* menu, Clips& clips)
{
    const int icon = menu->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, menu);
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QRect item = menu->actionGeometry(action);
        const QString text = action->text().section(QLatin1Char('\t'), 0, 0);
        QSize need = menu->fontMetrics().size(Qt::TextShowMnemonic, text);
        need.rwidth() += icon; // the check and icon column before the text
        if (!action->shortcut().isEmpty())
            need.rwidth() += menu->fontMetrics().horizontalAdvance(action->shortcut().toString(QKeySequence::NativeText));
        clips.Check(menu, Shown(text), need, item.size());
    }
}

// Every visible text of a window and its children.
Clips ClippedTexts(QWidget* window)
{
    Clips clips;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(window) && w != window)
            continue;
        if (auto* label = qobject_cast<QLabel*>(w))
            CheckLabel(label, clips);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            CheckButton(button, clips);
        else if (auto* header = qobject_cast<QHeaderView*>(w))
            CheckHeader(header, clips);
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            CheckGroupBox(box, clips);
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            CheckComboBox(combo, clips);
        else if (auto* menu = qobject_cast<QMenu*>(w))
            CheckMenu(menu, clips);
    }
    return clips;
}

// Runs `check` on the next pop-up menu or modal window that opens while the
// watcher lives, then closes it.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> check)
        : m_check(std::move(check))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activePopupWidget();
            if (!w)
                w = QApplication::activeModalWidget();
            if (!w || !w->isVisible())
                return;
            m_timer.stop();
            ++m_seen;
            QApplication::processEvents(); // let the layout settle
            m_check(w);
            w->close();
        });
        m_timer.start();
    }
    int Seen() const { return m_seen; }

private:
    std::function<void(QWidget*)> m_check;
    QTimer m_timer;
    int m_seen = 0;
};

const std::string& ProcessHome()
{
    static TempDir home;
    return home.Path();
}

// The longest source texts of the program, with their contexts, from the
// texts the build extracted for the pseudo-locale: the hardest for a box.
std::vector<std::pair<QString, QString>> LongestTexts(int count)
{
    std::vector<std::pair<QString, QString>> texts;
    QFile file(QStringLiteral(VELLORY_BINARY_DIR "/res/pseudo/extracted.ts"));
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            texts.emplace_back(context, xml.readElementText());
    }
    std::stable_sort(texts.begin(), texts.end(),
                     [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
    if (int(texts.size()) > count)
        texts.resize(size_t(count));
    return texts;
}

// "en" is the sources' own text; every other language must have its .qm:
// a shipped translation that is missing fails the test rather than skipping.
class TextFit : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ::setenv("HOME", ProcessHome().c_str(), 1);
        QStandardPaths::setTestModeEnabled(true);
        WriteRoot(m_root.Path() + "/");
        const QString language = QString::fromLatin1(GetParam());
        if (language == QLatin1String("en"))
            return;
        ASSERT_TRUE(m_program.load(QStringLiteral(":/i18n/vellory_") + language))
            << "no translation :/i18n/vellory_" << GetParam() << ".qm";
        QCoreApplication::installTranslator(&m_program);
        // Qt's own texts (Yes, No) where the system has them.
        if (m_qt.load(QStringLiteral("qtbase_") + language.section(QLatin1Char('_'), 0, 0),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&m_qt);
    }
    void TearDown() override
    {
        QCoreApplication::removeTranslator(&m_qt);
        QCoreApplication::removeTranslator(&m_program);
        WriteRoot("");
    }
    // Shows a window as the user would see it, then measures it.
    static Clips ShowAndMeasure(QWidget& window)
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
        return ClippedTexts(&window);
    }

    TempDir m_root;
    QTranslator m_program;
    QTranslator m_qt;
};

TEST_P(TextFit, PanelAndItsPopupMenu)
{
    CRecorderDlg dlg;
    const Clips panel = ShowAndMeasure(dlg);
    EXPECT_TRUE(panel.Empty()) << panel.Text();
    Clips menu;
    ModalWatcher watcher([&](QWidget* w) {
        EXPECT_TRUE(qobject_cast<QMenu*>(w) != nullptr) << w->metaObject()->className();
        menu = ClippedTexts(w);
    });
    QTest::keyClick(&dlg, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.Seen() == 1; }, 5000));
    EXPECT_TRUE(menu.Empty()) << menu.Text();
    EXPECT_GE(menu.Checked(), 3) << "Hide Window, Settings, About Program";
    // The display's category names in its 5-pixel cells (ß as SS), with
    // 2 pixels between the words, fit the strip beside its 2-pixel margins.
    int width = -1;
    QStringList names;
    for (const char* name : {"New", "Home", "Work", "Personal"}) {
        const QString shown = QCoreApplication::translate("Category", name).toUpper();
        names << shown;
        width += 5 * int(shown.toUcs4().size()) + 2;
    }
    width -= 2;
    EXPECT_LE(width, CDisplayPanel::kWidth - 4) << names.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(CDisplayPanel::LabelRect().width(), std::max(100, width));
}

TEST_P(TextFit, Manager)
{
    CFileManagerDlg dlg;
    const Clips clips = ShowAndMeasure(dlg);
    EXPECT_TRUE(clips.Empty()) << clips.Text();
    EXPECT_GE(clips.Checked(), 8 + 3) << "the eight headers and the buttons";
}

TEST_P(TextFit, SettingsDialog)
{
    CSettingsDlg dlg;
    const Clips clips = ShowAndMeasure(dlg);
    EXPECT_TRUE(clips.Empty()) << clips.Text();
    EXPECT_GE(clips.Checked(), 5);
}

TEST_P(TextFit, FormatDialog)
{
    CFormatChooseDlg dlg;
    const Clips clips = ShowAndMeasure(dlg);
    EXPECT_TRUE(clips.Empty()) << clips.Text();
    EXPECT_GE(clips.Checked(), 5);
}

TEST_P(TextFit, AboutBox)
{
    CAboutDlg dlg;
    const Clips clips = ShowAndMeasure(dlg);
    EXPECT_TRUE(clips.Empty()) << clips.Text();
    EXPECT_GE(clips.Checked(), 3);
}

TEST_P(TextFit, MessageBoxes)
{
    // The longest texts of the program, and a question with its Yes and No.
    std::vector<std::pair<QString, unsigned>> boxes;
    const auto longest = LongestTexts(3);
    ASSERT_EQ(longest.size(), 3u) << "the build's extracted texts are missing";
    for (const auto& [context, source] : longest) {
        QString text = QCoreApplication::translate(context.toUtf8().constData(), source.toUtf8().constData());
        if (text.contains(QStringLiteral("%1")))
            text = text.arg(QStringLiteral("/home/user/fmanager/0/09-Dec-2026_15659.wav"));
        boxes.emplace_back(text, MB_ICONEXCLAMATION);
    }
    boxes.emplace_back(QCoreApplication::translate("CFileManagerDlg", "Do you really want to delete %1?")
                           .arg(QStringLiteral("09-Dec-2026_15659.wav")),
                       MB_YESNO_QUESTION);
    for (const auto& [text, style] : boxes) {
        Clips clips;
        ModalWatcher watcher([&](QWidget* w) {
            EXPECT_TRUE(qobject_cast<QMessageBox*>(w) != nullptr) << w->metaObject()->className();
            clips = ClippedTexts(w);
        });
        ShowMessageBox(text, style);
        ASSERT_EQ(watcher.Seen(), 1) << text.toStdString();
        EXPECT_TRUE(clips.Empty()) << clips.Text();
        EXPECT_GE(clips.Checked(), 2) << "the text and a button";
    }
}

// The panel's picture buttons show their words in the user's language: the
// made picture with other words lettered in the caption's place only (the
// rim, the bevel and the face above and below stay), words that fit; in
// English the made pictures themselves. Words too long for a button keep the
// made picture rather than being clipped, which only the pseudo-locale may do.
TEST_P(TextFit, PanelButtonWords)
{
    const QString language = QString::fromLatin1(GetParam());
    CRecorderDlg dlg;
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    int relettered = 0;
    for (int id : {IDC_REC, IDC_STOP, IDC_PLAY, IDC_MANAGER, IDC_POWER, IDC_OPTION, IDC_MIN}) {
        CBitmapButton* b = dlg.Button(id);
        ASSERT_NE(b, nullptr);
        const QString caption = b->Caption();
        const QString words = b->Words();
        SCOPED_TRACE(caption.toStdString() + " \"" + words.toStdString() + "\"");
        const bool changed = words != b->MadeWords();
        const bool fits = CBitmapButton::WordsFit(b->width(), caption != QLatin1String("MANAGER"),
                                                  CBitmapButton::WordsWidth(words));
        if (language == QLatin1String("en") || caption == QLatin1String("MIN"))
            EXPECT_FALSE(changed);
        if (language == QLatin1String("de") && caption != QLatin1String("MIN"))
            EXPECT_TRUE(changed);
        if (language != QLatin1String("en_XA") && changed)
            EXPECT_TRUE(fits) << CBitmapButton::WordsWidth(words) << " pixels";
        EXPECT_EQ(b->Relettered(), changed && fits);
        relettered += b->Relettered();
        // Every state the button has, as it paints it, against the made picture.
        b->setEnabled(true);
        b->setDown(false);
        for (char state : {'U', 'F', 'D', 'X'}) {
            const QImage made(CBitmapButton::ImageFolder() + caption + QLatin1Char(state) + QStringLiteral(".png"));
            if (made.isNull())
                continue;
            b->clearFocus();
            if (state == 'F')
                b->setFocus();
            b->setDown(state == 'D');
            b->setEnabled(state != 'X');
            ASSERT_EQ(b->CurrentState(), state);
            const QImage shown = b->CurrentImage().toImage().convertToFormat(QImage::Format_RGB32);
            const QImage expected = made.convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(shown.size(), expected.size()) << state;
            if (!b->Relettered()) {
                EXPECT_EQ(shown, expected) << state;
                continue;
            }
            // Symbol and words keep rows 8 to 23 and the face inside the bevel.
            const QRect wordsArea(3, 8, shown.width() - 6, 16);
            int differing = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                    if (shown.pixel(x, y) != expected.pixel(x, y)) {
                        ++differing;
                        EXPECT_TRUE(wordsArea.contains(x, y)) << state << " differs at " << x << "," << y;
                    }
            EXPECT_GT(differing, 0) << state;
        }
        b->setDown(false);
        b->setEnabled(true);
    }
    if (language == QLatin1String("de"))
        EXPECT_EQ(relettered, 6);
}

// Lettering the English words from the font onto the pictures without words
// gives back the made pictures pixel for pixel, in every state: the font,
// the places, the centring and the colours are those of the made ones.
TEST(ButtonWords, EnglishLetteredFromTheFontIsTheMadePicture)
{
    CRecorderDlg dlg; // links and initialises the images
    const char* const captions[] = {"REC", "STOP", "PLAY", "MANAGER", "POWER", "OPTION"};
    int compared = 0;
    for (const char* caption : captions) {
        const CBitmapButton button(QString::fromLatin1(caption));
        const QString made = button.MadeWords();
        ASSERT_FALSE(made.isEmpty()) << caption;
        for (char state : {'U', 'D', 'F', 'X'}) {
            const QString name = QString::fromLatin1(caption) + QLatin1Char(state) + QStringLiteral(".png");
            const QImage madeImage(CBitmapButton::ImageFolder() + name);
            const QImage bare(CBitmapButton::ImageFolder() + QStringLiteral("bare/") + name);
            if (madeImage.isNull())
                continue;
            ASSERT_FALSE(bare.isNull()) << name.toStdString();
            EXPECT_NE(bare.convertToFormat(QImage::Format_RGB32), madeImage.convertToFormat(QImage::Format_RGB32));
            const QImage lettered = CBitmapButton::Reletter(madeImage, bare, made, made, state);
            EXPECT_EQ(lettered, madeImage.convertToFormat(QImage::Format_RGB32)) << name.toStdString();
            // The other buttons' words are not what this picture shows.
            EXPECT_TRUE(CBitmapButton::Reletter(madeImage, bare, made + QLatin1Char('s'), made, state).isNull())
                << name.toStdString();
            ++compared;
        }
    }
    EXPECT_EQ(compared, 4 * 4 + 2 * 3);
    // Too wide for the 77-pixel record button beside its symbol: none.
    const QImage recU(CBitmapButton::ImageFolder() + QStringLiteral("RECU.png"));
    const QImage recBare(CBitmapButton::ImageFolder() + QStringLiteral("bare/RECU.png"));
    const QString rec = QStringLiteral("Rec");
    EXPECT_EQ(CBitmapButton::WordsWidth(QStringLiteral("Abspielen")), 49);
    EXPECT_EQ(CBitmapButton::WordsWidth(QStringLiteral("Wiedergabe")), 57);
    EXPECT_TRUE(CBitmapButton::WordsFit(77, true, 50));
    EXPECT_FALSE(CBitmapButton::WordsFit(77, true, 51));
    EXPECT_TRUE(CBitmapButton::Reletter(recU, recBare, rec, QStringLiteral("Wiedergabe"), 'U').isNull());
    EXPECT_FALSE(CBitmapButton::Reletter(recU, recBare, rec, QStringLiteral("Abspielen"), 'U').isNull());
    // A letter the font lacks is its base letter; one without a base, '?'.
    EXPECT_EQ(CBitmapButton::WordsWidth(QStringLiteral("Å")), CBitmapButton::WordsWidth(QStringLiteral("A")));
    EXPECT_EQ(CBitmapButton::WordsWidth(QStringLiteral("ſ")), CBitmapButton::WordsWidth(QStringLiteral("s")));
    EXPECT_EQ(CBitmapButton::WordsWidth(QStringLiteral("Ł")), CBitmapButton::WordsWidth(QStringLiteral("?")));
    // The accented letters of German, French and Spanish have glyphs of their
    // own: lettered, they differ from what a missing one would show.
    const QString accented = QStringLiteral("äöüßÄÖÜéèêëàâîïôùûçÉÈÊÀÇñÑáíóúÁÍÓÚœ");
    for (QChar c : accented) {
        const QString decomposed = QString(c).normalized(QString::NormalizationForm_KD);
        const QString fallback = decomposed.size() > 1 ? decomposed.left(1) : QStringLiteral("?");
        const QImage own = CBitmapButton::Reletter(recU, recBare, QStringLiteral("Rec"), QString(c), 'U');
        ASSERT_FALSE(own.isNull()) << QString(c).toStdString();
        EXPECT_NE(own, CBitmapButton::Reletter(recU, recBare, QStringLiteral("Rec"), fallback, 'U'))
            << QString(c).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFit, ::testing::Values("en", "en_XA", "de", "fr", "es"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// The checker finds what it is there for: a label, a button, a header
// section and a combo box item that do not fit.
TEST(TextFitChecker, FindsClippedTexts)
{
    QWidget window;
    window.resize(400, 300);
    auto* label = new QLabel(QStringLiteral("A label far too long for its forty pixels"), &window);
    label->setGeometry(0, 0, 40, 20);
    auto* wrapped = new QLabel(QStringLiteral("Wrapping words that need more lines than the label is high"), &window);
    wrapped->setWordWrap(true);
    wrapped->setGeometry(0, 30, 120, 20);
    auto* fits = new QLabel(QStringLiteral("Fits"), &window);
    fits->setGeometry(0, 60, 200, 30);
    auto* button = new QPushButton(QStringLiteral("&A button with a long text"), &window);
    button->setGeometry(0, 100, 50, 30);
    auto* combo = new QComboBox(&window);
    combo->addItems({QStringLiteral("short"), QStringLiteral("an item much wider than its box")});
    combo->setGeometry(0, 140, 80, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const Clips clips = ClippedTexts(&window);
    EXPECT_EQ(clips.Count(), 4) << clips.Text();
    EXPECT_NE(clips.Text().find("A label far too long"), std::string::npos);
    EXPECT_NE(clips.Text().find("Wrapping words"), std::string::npos);
    EXPECT_NE(clips.Text().find("A button with"), std::string::npos);
    EXPECT_NE(clips.Text().find("an item much wider"), std::string::npos);
    // Given room, nothing is reported.
    label->setGeometry(0, 0, 390, 20);
    wrapped->setGeometry(0, 30, 120, 200);
    button->setGeometry(0, 100, 390, 30);
    combo->setGeometry(0, 140, 390, 30);
    EXPECT_TRUE(ClippedTexts(&window).Empty()) << ClippedTexts(&window).Text();
}

// LANGUAGE=en_XA finds the pseudo-locale through the program's own loader.
TEST(PseudoLocale, LoadedFromTheEnvironmentAndLongerAndAccented)
{
    const QByteArray saved = qgetenv("LANGUAGE");
    qputenv("LANGUAGE", "en_XA");
    CTranslations translations;
    EXPECT_EQ(translations.Load(CTranslations::LanguagesFromEnvironment()), QStringLiteral("en_XA"));
    if (saved.isNull())
        qunsetenv("LANGUAGE");
    else
        qputenv("LANGUAGE", saved);
    const QTranslator& t = translations.Program();
    // Longer by about 40%, accented, placeholders and accelerators kept.
    const QString about = t.translate("CRecorderDlg", "&About Program");
    EXPECT_TRUE(about.startsWith(QStringLiteral("[&A"))) << about.toStdString();
    EXPECT_GE(about.size(), int(std::ceil(QStringLiteral("&About Program").size() * 1.4)));
    EXPECT_TRUE(about.contains(QChar(u'ö'))) << about.toStdString();
    const QString version = t.translate("CAboutDlg", "Vellory Version %1");
    EXPECT_TRUE(version.contains(QStringLiteral("%1"))) << version.toStdString();
    EXPECT_EQ(version.arg(QStringLiteral("1.0")).count(QStringLiteral("1.0")), 1);
    EXPECT_EQ(t.translate("Category", "Home"), QStringLiteral("[Ĥöṁé]"));
}

} // namespace
