// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The format-choice dialog: opens on the format passed in, returns the chosen
// format with its extra bytes, tells a choice, a cancel and an error apart.
#include "panel/CFormatChooseDlg.h"
#include "platform/codecs/IConversionStream.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

std::vector<uint8_t> Buffer(const FormatBlock& format, size_t size = 260)
{
    std::vector<uint8_t> b(size, 0);
    std::copy(format.begin(), format.end(), b.begin());
    return b;
}

// Runs ChooseAudioFormat with `act` applied to the dialog once it is up.
struct Session {
    uint32_t code = 0;
    bool sawDialog = false;
    QString title;
    QString tagShown, attributeShown;
};

Session RunChooser(std::vector<uint8_t>& buffer, const std::function<void(CFormatChooseDlg&)>& act)
{
    Session s;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CFormatChooseDlg*>(QApplication::activeModalWidget());
        if (!dlg)
            return; // the test fails on sawDialog; nothing to close
        s.sawDialog = true;
        s.title = dlg->windowTitle();
        s.tagShown = dlg->TagText(dlg->CurrentTag());
        s.attributeShown = dlg->AttributeText(dlg->CurrentAttribute());
        act(*dlg);
    });
    s.code = ChooseAudioFormat(nullptr, buffer, QStringLiteral("Select audio format"));
    return s;
}

int IndexOf(const CFormatChooseDlg& dlg, bool tags, const QString& text)
{
    const int n = tags ? dlg.TagCount() : dlg.AttributeCount();
    for (int i = 0; i < n; ++i)
        if ((tags ? dlg.TagText(i) : dlg.AttributeText(i)) == text)
            return i;
    return -1;
}

void Choose(CFormatChooseDlg& dlg, const QString& tag, const QString& attributes)
{
    const int t = IndexOf(dlg, true, tag);
    if (t >= 0)
        dlg.SelectTag(t);
    const int a = t >= 0 ? IndexOf(dlg, false, attributes) : -1;
    if (a < 0) {
        ADD_FAILURE() << "not offered: " << tag.toStdString() << " / " << attributes.toStdString();
        dlg.reject();
        return;
    }
    dlg.SelectAttribute(a);
    dlg.Buttons()->button(QDialogButtonBox::Ok)->click();
}

TEST(FormatChooseDlg, OpensOnTheCurrentFormatAndCancelChangesNothing)
{
    const std::vector<uint8_t> before = Buffer(CFormatCatalogue::MakePcm(1, 22050, 16));
    std::vector<uint8_t> buffer = before;
    const Session s = RunChooser(buffer, [](CFormatChooseDlg& dlg) {
        dlg.SelectTag(3); // wander off, then cancel
        dlg.Buttons()->button(QDialogButtonBox::Cancel)->click();
    });
    ASSERT_TRUE(s.sawDialog);
    EXPECT_EQ(s.title, "Select audio format");
    EXPECT_EQ(s.tagShown, "PCM");
    EXPECT_EQ(s.attributeShown, "22,050 Hz, 16 Bit, Mono  43 KB/s");
    EXPECT_EQ(s.code, ACMERR_CANCELED);
    EXPECT_EQ(buffer, before);
}

TEST(FormatChooseDlg, ChoiceReturnsTheCompleteFormatAndReopensOnIt)
{
    std::vector<uint8_t> buffer = Buffer(CFormatCatalogue::MakePcm(1, 22050, 16));
    Session s = RunChooser(buffer, [](CFormatChooseDlg& dlg) {
        Choose(dlg, "Microsoft ADPCM", "22,050 Hz, 4 Bit, Stereo  22 KB/s");
    });
    ASSERT_TRUE(s.sawDialog);
    ASSERT_EQ(s.code, 0u);
    const FormatBlock want = CFormatCatalogue::MakeMsAdpcm(2, 22050);
    ASSERT_EQ(want.size(), 50u);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 50, buffer.end(), [](uint8_t b) { return b == 0; }));

    // Reopening shows the choice; OK at once keeps it byte for byte.
    const std::vector<uint8_t> chosen = buffer;
    s = RunChooser(buffer, [](CFormatChooseDlg& dlg) { dlg.Buttons()->button(QDialogButtonBox::Ok)->click(); });
    ASSERT_TRUE(s.sawDialog);
    EXPECT_EQ(s.tagShown, "Microsoft ADPCM");
    EXPECT_EQ(s.attributeShown, "22,050 Hz, 4 Bit, Stereo  22 KB/s");
    EXPECT_EQ(s.code, 0u);
    EXPECT_EQ(buffer, chosen);
}

TEST(FormatChooseDlg, MoreRecordingFormatsAndTheirDescriptions)
{
    std::vector<uint8_t> buffer = Buffer(CFormatCatalogue::MakePcm(1, 22050, 16));
    Session s = RunChooser(buffer, [](CFormatChooseDlg& dlg) {
        Choose(dlg, "MPEG Layer-3", "128 kBit/s, 44,100 Hz, Stereo  16 KB/s");
    });
    ASSERT_EQ(s.code, 0u);
    const FormatBlock mp3 = CFormatCatalogue::MakeMp3(2, 44100, 128);
    EXPECT_TRUE(std::equal(mp3.begin(), mp3.end(), buffer.begin()));

    s = RunChooser(buffer, [](CFormatChooseDlg& dlg) { Choose(dlg, "GSM 6.10", "8,000 Hz, Mono  2 KB/s"); });
    EXPECT_EQ(s.tagShown, "MPEG Layer-3");
    ASSERT_EQ(s.code, 0u);
    const FormatBlock gsm = CFormatCatalogue::MakeGsm(8000);
    EXPECT_TRUE(std::equal(gsm.begin(), gsm.end(), buffer.begin()));
    EXPECT_EQ(buffer[20], 0); // the longer MP3 extra bytes are gone
}

TEST(FormatChooseDlg, ChoiceTooLargeForTheBufferIsAnError)
{
    const std::vector<uint8_t> before = Buffer(CFormatCatalogue::MakePcm(1, 22050, 16), 40);
    std::vector<uint8_t> buffer = before;
    const Session s = RunChooser(buffer, [](CFormatChooseDlg& dlg) {
        Choose(dlg, "Microsoft ADPCM", "8,000 Hz, 4 Bit, Mono  4 KB/s"); // 50 bytes
    });
    ASSERT_TRUE(s.sawDialog);
    EXPECT_EQ(s.code, ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(buffer, before);
    std::vector<uint8_t> tiny(10, 0);
    EXPECT_EQ(ChooseAudioFormat(nullptr, tiny, "x"), MMSYSERR_INVALPARAM);
}

TEST(FormatChooseDlg, UnknownCurrentFormatOpensOnTheFirstEntry)
{
    FormatBlock odd = CFormatCatalogue::MakePcm(1, 8000, 16);
    odd[0] = 0x42; // a tag nobody offers
    std::vector<uint8_t> buffer = Buffer(odd);
    const Session s = RunChooser(buffer, [](CFormatChooseDlg& dlg) { dlg.reject(); });
    ASSERT_TRUE(s.sawDialog);
    EXPECT_EQ(s.tagShown, "PCM");
    EXPECT_FALSE(s.attributeShown.isEmpty());
    EXPECT_EQ(s.code, ACMERR_CANCELED);
}

TEST(FormatChooseDlg, KeyboardAndScreenReader)
{
    CFormatChooseDlg dlg;
    const FormatBlock def = CFormatCatalogue::MakePcm(1, 22050, 16);
    dlg.SetInitialFormat(def.data(), def.size());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_EQ(dlg.FormatBox()->accessibleName(), "Format");
    EXPECT_EQ(dlg.AttributesBox()->accessibleName(), "Attributes");
    int buddies = 0;
    for (QLabel* label : dlg.findChildren<QLabel*>()) {
        if (label->buddy() == dlg.FormatBox()) {
            EXPECT_EQ(label->text(), "&Format:");
            ++buddies;
        }
        if (label->buddy() == dlg.AttributesBox()) {
            EXPECT_EQ(label->text(), "&Attributes:");
            ++buddies;
        }
    }
    EXPECT_EQ(buddies, 2);

    // Arrow keys on the Format box move to the next tag and refill Attributes.
    dlg.FormatBox()->setFocus();
    QTest::keyClick(dlg.FormatBox(), Qt::Key_Down);
    EXPECT_EQ(dlg.TagText(dlg.CurrentTag()), "CCITT A-Law");
    EXPECT_EQ(dlg.AttributeText(0), "8,000 Hz, 8 Bit, Mono  8 KB/s");
    QTest::keyClick(dlg.AttributesBox(), Qt::Key_Down);
    EXPECT_EQ(dlg.CurrentAttribute(), 1);
    EXPECT_EQ(dlg.SelectedFormat(), CFormatCatalogue::MakeG711(WAVE_FORMAT_ALAW, 2, 8000));
}

TEST(FormatChooseDlg, ErrorTexts)
{
    EXPECT_EQ(FormatChooseErrorText(7), "MM ERROR 7");
    EXPECT_EQ(FormatChooseErrorText(5), "The specified handle is invalid.");
    EXPECT_EQ(FormatChooseErrorText(6), "A suitable driver is not available to provide valid format selections.");
    EXPECT_EQ(FormatChooseErrorText(10), "At least one flag is invalid");
    EXPECT_EQ(FormatChooseErrorText(11), "At least one parameter is invalid.");
    EXPECT_EQ(FormatChooseErrorText(512), "The buffer identified by the pwfx member of the ACMFORMATCHOOSE structure "
                                          "is too small to contain the selected format.");
    EXPECT_EQ(FormatChooseErrorText(514), "MM ERROR 514");
}

} // namespace
