// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The display strip and the generated artwork, checked pixel by pixel on
// Qt's offscreen platform.
#include "common/MessageBoxes.h"
#include "common/Settings.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"
#include "res/Resources.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QDir>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int W = CDisplayPanel::kWidth;
constexpr int H = CDisplayPanel::kHeight;
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kDone = qRgb(0, 200, 0);
const QRgb kToGo = qRgb(128, 138, 22);

QImage Resource(const QString& name)
{
    InitVelloryResources();
    return QImage(":/images/" + name).convertToFormat(QImage::Format_RGB32);
}

QImage Digits() { return Resource("bmp132.png"); }
QImage Font() { return Resource("bmp143.png"); }

QImage Shot(CDisplayPanel& panel) { return panel.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Empty when the area of `shot` at `at` equals `rect` of `source`; otherwise
// the first differing pixel.
std::string Compare(const QImage& shot, QPoint at, const QImage& source, QRect rect)
{
    for (int y = 0; y < rect.height(); ++y)
        for (int x = 0; x < rect.width(); ++x) {
            const QRgb a = shot.pixel(at.x() + x, at.y() + y) | 0xFF000000u;
            const QRgb b = source.pixel(rect.x() + x, rect.y() + y) | 0xFF000000u;
            if (a != b)
                return "differs at (" + std::to_string(at.x() + x) + "," + std::to_string(at.y() + y) + ")";
        }
    return {};
}

bool AllPixels(const QImage& img, QRect rect, QRgb colour)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if ((img.pixel(x, y) | 0xFF000000u) != (colour | 0xFF000000u))
                return false;
    return true;
}

QRect DigitCell(int d) { return {9 * d, 0, 9, 13}; }
const QRect kColonCell(93, 0, 4, 13);
QRect FontCell(int x, int y) { return {x, y, 5, 6}; }

// Expects the time glyphs at the given x positions; ':' draws the colon cell.
void ExpectTime(const QImage& shot, const std::string& time, const std::vector<int>& xs)
{
    const QImage digits = Digits();
    ASSERT_EQ(time.size(), xs.size());
    for (size_t i = 0; i < time.size(); ++i) {
        if (time[i] == '*')
            continue; // checked by the caller (the countdown's minus)
        const QRect cell = time[i] == ':' ? kColonCell : DigitCell(time[i] - '0');
        EXPECT_EQ(Compare(shot, QPoint(xs[i], 2), digits, cell), "") << "glyph " << i << " of " << time;
    }
}

// Filled columns of the bar, checking that every bar pixel has one of the
// two colours, done before to-go, and that the rows around it stay black.
int BarFilled(const QImage& shot)
{
    int filled = 0;
    bool toGoSeen = false;
    for (int x = 5; x <= W - 6; ++x) {
        const QRgb c = shot.pixel(x, H - 8) | 0xFF000000u;
        EXPECT_TRUE(AllPixels(shot, QRect(x, H - 8, 1, 4), c)) << "column " << x;
        if (c == kDone) {
            EXPECT_FALSE(toGoSeen) << "done part after to-go part at column " << x;
            ++filled;
        } else {
            EXPECT_EQ(c, kToGo) << "column " << x;
            toGoSeen = true;
        }
    }
    EXPECT_TRUE(AllPixels(shot, QRect(0, H - 4, W, 4), kBlack));
    EXPECT_TRUE(AllPixels(shot, QRect(0, H - 9, W, 1), kBlack));
    EXPECT_TRUE(AllPixels(shot, QRect(0, H - 8, 5, 4), kBlack));
    EXPECT_TRUE(AllPixels(shot, QRect(W - 5, H - 8, 5, 4), kBlack));
    return filled;
}

} // namespace

// ---- Generated artwork ----------------------------------------------------

TEST(Artwork, EveryImageHasItsSize)
{
    const struct {
        const char* name;
        int w, h;
    } images[] = {
        {"bmp132.png", 99, 13},  {"bmp143.png", 155, 74}, {"bmp144.png", 350, 159}, {"bmp158.png", 100, 7},
        {"bmp159.png", 100, 7},  {"bmp160.png", 100, 7},  {"bmp161.png", 100, 7},   {"icon128.png", 32, 32},
        {"icon128_16.png", 16, 16}, {"icon129.png", 32, 32}, {"icon130.png", 32, 32},
    };
    for (const auto& i : images) {
        const QImage img = Resource(i.name);
        EXPECT_EQ(img.size(), QSize(i.w, i.h)) << i.name;
    }
    const struct {
        const char* caption;
        int w;
        bool disabled;
    } buttons[] = {{"REC", 77, true},    {"STOP", 77, true},    {"PLAY", 77, true}, {"MANAGER", 97, true},
                   {"POWER", 77, false}, {"OPTION", 77, false}, {"MIN", 35, false}};
    for (const auto& b : buttons)
        for (const char* state : {"U", "D", "F", "X"}) {
            const QString name = QString("buttons/%1%2.png").arg(b.caption, state);
            const QImage img = Resource(name);
            if (state[0] == 'X' && !b.disabled) {
                EXPECT_TRUE(img.isNull()) << name.toStdString();
                continue;
            }
            EXPECT_EQ(img.size(), QSize(b.w, 31)) << name.toStdString();
        }
}

TEST(Artwork, DigitStripIsSevenSegmentsInNinePixelCells)
{
    const QImage d = Digits();
    const QRgb lit = qRgb(0, 204, 0), dot = qRgb(34, 34, 34), back = qRgb(4, 4, 4);
    QSet<QString> shapes;
    for (int digit = 0; digit < 10; ++digit) {
        QString shape;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 9; ++x) {
                const QRgb c = d.pixel(9 * digit + x, y);
                ASSERT_TRUE(c == lit || c == dot || c == back) << "digit " << digit << " at " << x << "," << y;
                if (c == lit) {
                    // Segments: verticals in the first and last columns, bars in rows 0, 6, 12.
                    EXPECT_TRUE(x == 0 || x == 8 || y == 0 || y == 6 || y == 12)
                        << "digit " << digit << " lit off the segments at " << x << "," << y;
                }
                shape += c == lit ? '#' : '.';
            }
        EXPECT_TRUE(shape.contains('#')) << "digit " << digit;
        shapes.insert(shape);
    }
    EXPECT_EQ(shapes.size(), 10) << "two digits look alike";
    // The colon: two 2 x 2 dots at columns 93-94, rows 2-3 and 8-9; nothing else lit.
    for (int y = 0; y < 13; ++y)
        for (int x = 90; x < 99; ++x) {
            const bool inDot = (x == 93 || x == 94) && (y == 2 || y == 3 || y == 8 || y == 9);
            EXPECT_EQ(d.pixel(x, y) == lit, inDot) << x << "," << y;
        }
}

TEST(Artwork, FontGlyphsAreSpacedDistinctAndRepeatedInFourColours)
{
    const QImage f = Font();
    const QRgb green = qRgb(0, 204, 0), back = qRgb(4, 4, 4);
    // Every cell of the control's two glyph rows leaves its right column blank.
    for (int row = 0; row < 2; ++row)
        for (int cell = 0; cell < 31; ++cell)
            EXPECT_TRUE(AllPixels(f, QRect(5 * cell + 4, 6 * row, 1, 6), back)) << "row " << row << " cell " << cell;
    // The first variant is green on near-black only.
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 155; ++x)
            ASSERT_TRUE(f.pixel(x, y) == green || f.pixel(x, y) == back) << x << "," << y;
    // A to Z, 0 to 9 and the used punctuation are all drawn and all differ.
    std::vector<QPoint> cells;
    for (int c = 0; c < 26; ++c)
        cells.emplace_back(5 * c, 0);
    for (int c = 0; c < 10; ++c)
        cells.emplace_back(5 * c, 6);
    for (int c : {12, 15, 18, 19, 20, 21, 27})
        cells.emplace_back(5 * c, 6);
    QSet<QString> shapes;
    for (QPoint p : cells) {
        QString shape;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 5; ++x)
                shape += f.pixel(p.x() + x, p.y() + y) == green ? '#' : '.';
        EXPECT_TRUE(shape.contains('#')) << "empty cell at " << p.x() << "," << p.y();
        shapes.insert(shape);
    }
    EXPECT_EQ(shapes.size(), int(cells.size())) << "two glyphs look alike";
    // The other three variants repeat the shapes in other colours.
    for (int v = 1; v < 4; ++v) {
        QSet<QRgb> inks;
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 155; ++x) {
                const bool ink0 = f.pixel(x, y) == green;
                const QRgb c = f.pixel(x, 18 * v + y);
                EXPECT_EQ(c != back, ink0) << "variant " << v << " at " << x << "," << y;
                if (c != back)
                    inks.insert(c);
            }
        EXPECT_EQ(inks.size(), 1) << "variant " << v;
        EXPECT_FALSE(inks.contains(green)) << "variant " << v;
    }
}

TEST(Artwork, EachCategoryLabelLightsItsWord)
{
    const QRgb lit = qRgb(0, 207, 0), dim = qRgb(128, 138, 22);
    // Resource and the columns of its lit word.
    const struct {
        const char* name;
        int from, to;
    } labels[] = {{"bmp158.png", 0, 14}, {"bmp161.png", 17, 36}, {"bmp160.png", 39, 58}, {"bmp159.png", 61, 100}};
    for (const auto& l : labels) {
        const QImage img = Resource(l.name);
        int litCount = 0, dimCount = 0;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 100; ++x) {
                const QRgb c = img.pixel(x, y);
                ASSERT_TRUE(c == lit || c == dim || c == kBlack) << l.name << " " << x << "," << y;
                if (c == lit) {
                    EXPECT_TRUE(x >= l.from && x < l.to) << l.name << " lit outside its word at " << x;
                    ++litCount;
                }
                dimCount += c == dim;
            }
        EXPECT_GT(litCount, 20) << l.name;
        EXPECT_GT(dimCount, 100) << l.name;
    }
    // The four share the same letters: only the colours move.
    const QImage a = Resource("bmp158.png"), b = Resource("bmp159.png");
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 100; ++x)
            EXPECT_EQ(a.pixel(x, y) == kBlack, b.pixel(x, y) == kBlack) << x << "," << y;
}

TEST(Artwork, SkinBevelGreyLevels)
{
    const QImage s = Resource("bmp144.png");
    const int levels[4][3] = {{167, 136, 94}, {117, 105, 84}, {19, 31, 61}, {31, 48, 66}};
    for (int i = 0; i < 3; ++i) {
        for (int x = 3; x < 347; x += 7) {
            EXPECT_EQ(s.pixel(x, i), qRgb(levels[0][i], levels[0][i], levels[0][i])) << "top " << x << "," << i;
            EXPECT_EQ(s.pixel(x, 158 - i), qRgb(levels[2][i], levels[2][i], levels[2][i])) << "bottom " << x;
        }
        for (int y = 3; y < 156; y += 7) {
            EXPECT_EQ(s.pixel(i, y), qRgb(levels[1][i], levels[1][i], levels[1][i])) << "left " << i << "," << y;
            EXPECT_EQ(s.pixel(349 - i, y), qRgb(levels[3][i], levels[3][i], levels[3][i])) << "right " << y;
        }
    }
    EXPECT_TRUE(AllPixels(s, QRect(3, 3, 344, 153), qRgb(75, 75, 75)));
}

TEST(Artwork, ButtonStatesLookDifferent)
{
    const QRgb face = qRgb(70, 90, 120);
    for (const char* caption : {"REC", "STOP", "PLAY", "MANAGER", "POWER", "OPTION", "MIN"}) {
        const QImage u = Resource(QString("buttons/%1U.png").arg(caption));
        const QImage d = Resource(QString("buttons/%1D.png").arg(caption));
        const QImage f = Resource(QString("buttons/%1F.png").arg(caption));
        const int w = u.width(), h = u.height();
        // Raised: lighter top-left than bottom-right; pressed: the other way round.
        const auto grey = [](QRgb c) { return qGray(c); };
        EXPECT_GT(grey(u.pixel(w / 2, 1)), grey(u.pixel(w / 2, h - 2))) << caption;
        EXPECT_LT(grey(d.pixel(w / 2, 1)), grey(d.pixel(w / 2, h - 2))) << caption;
        EXPECT_EQ(u.pixel(w / 2, 4), face) << caption;
        // Focus outlines the picture in black: black pixels inside the bevel
        // that the normal image does not have, and the ink left as it was.
        int outline = 0, inkKept = 0;
        for (int y = 3; y < h - 3; ++y)
            for (int x = 3; x < w - 3; ++x) {
                if (u.pixel(x, y) != face && f.pixel(x, y) != u.pixel(x, y))
                    ADD_FAILURE() << caption << " focus changed ink at " << x << "," << y;
                outline += f.pixel(x, y) == kBlack;
                inkKept += u.pixel(x, y) != face;
            }
        EXPECT_GT(outline, 10) << caption;
        EXPECT_GT(inkKept, 10) << caption;
    }
    // Disabled: the same picture in grey, no green lettering left.
    const QRgb lettering = qRgb(40, 225, 40);
    for (const char* caption : {"REC", "STOP", "PLAY", "MANAGER"}) {
        const QImage u = Resource(QString("buttons/%1U.png").arg(caption));
        const QImage x = Resource(QString("buttons/%1X.png").arg(caption));
        int letters = 0;
        for (int py = 0; py < u.height(); ++py)
            for (int px = 0; px < u.width(); ++px) {
                letters += u.pixel(px, py) == lettering;
                EXPECT_NE(x.pixel(px, py), lettering) << caption;
                if (u.pixel(px, py) != face && u.pixel(px, py) != x.pixel(px, py)) {
                    const QRgb c = x.pixel(px, py);
                    EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << caption << " not grey at " << px << "," << py;
                }
            }
        EXPECT_GT(letters, 20) << caption;
    }
}

TEST(Artwork, IconsUseSixteenColoursOnTransparency)
{
    for (const char* name : {"icon128.png", "icon128_16.png", "icon129.png", "icon130.png"}) {
        InitVelloryResources();
        const QImage img = QImage(QString(":/images/") + name).convertToFormat(QImage::Format_ARGB32);
        QSet<QRgb> colours;
        int transparent = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                if (qAlpha(c) == 0)
                    ++transparent;
                else
                    colours.insert(c);
                EXPECT_TRUE(qAlpha(c) == 0 || qAlpha(c) == 255) << name;
            }
        EXPECT_LE(colours.size(), 16) << name;
        EXPECT_GE(colours.size(), 3) << name;
        EXPECT_GT(transparent, img.width() * img.height() / 5) << name;
        EXPECT_LT(transparent, img.width() * img.height() * 4 / 5) << name;
    }
}

// ---- The control ------------------------------------------------------------

TEST(DisplayPanel, FreshControl)
{
    CDisplayPanel panel;
    EXPECT_EQ(panel.size(), QSize(322, 40));
    EXPECT_EQ(panel.GetCategory(), 1);
    EXPECT_EQ(panel.GetText(), "");
    const QImage shot = Shot(panel);
    ExpectTime(shot, "00:00", {2, 13, 24, 28, 39});
    EXPECT_EQ(BarFilled(shot), 0);
    // HOME lit; rows 27 and 28 under the label black.
    EXPECT_EQ(Compare(shot, QPoint(2, 20), Resource("bmp161.png"), QRect(0, 0, 100, 7)), "");
    EXPECT_TRUE(AllPixels(shot, QRect(0, 27, W, 5), kBlack));
    // Empty text: nothing after the time.
    EXPECT_TRUE(AllPixels(shot, QRect(50, 0, W - 50, 20), kBlack));
    // The gaps between the glyphs are black.
    EXPECT_TRUE(AllPixels(shot, QRect(0, 0, 2, 20), kBlack));
    EXPECT_TRUE(AllPixels(shot, QRect(11, 0, 2, 20), kBlack));
    EXPECT_TRUE(AllPixels(shot, QRect(0, 0, W, 2), kBlack));
    // What is painted is the 1:1 picture.
    EXPECT_EQ(Compare(shot, QPoint(0, 0), panel.Render(), QRect(0, 0, W, H)), "");
}

TEST(DisplayPanel, TimeAsMinutesAndSeconds)
{
    CDisplayPanel panel;
    panel.SetSeconds(59 * 60 + 59);
    ExpectTime(Shot(panel), "59:59", {2, 13, 24, 28, 39});
    panel.SetSeconds(61);
    ExpectTime(Shot(panel), "01:01", {2, 13, 24, 28, 39});
    panel.SetSeconds(60 * 99 + 7);
    ExpectTime(Shot(panel), "99:07", {2, 13, 24, 28, 39});
}

TEST(DisplayPanel, LongMinutesPushTheTextRight)
{
    CDisplayPanel panel;
    panel.SetText("a");
    panel.SetSeconds(6000);
    QImage shot = Shot(panel);
    ExpectTime(shot, "100:00", {2, 13, 24, 35, 39, 50});
    EXPECT_EQ(Compare(shot, QPoint(66, 5), Font(), FontCell(0, 0)), "");
    EXPECT_TRUE(AllPixels(shot, QRect(59, 0, 7, 20), kBlack));
    // The largest count: 71582788 minutes, all of it drawn, no overflow.
    panel.SetSeconds(UINT32_MAX);
    shot = Shot(panel);
    ExpectTime(shot, "71582788:15", {2, 13, 24, 35, 46, 57, 68, 79, 90, 94, 105});
    EXPECT_EQ(Compare(shot, QPoint(121, 5), Font(), FontCell(0, 0)), "");
}

TEST(DisplayPanel, TextInCapitalsThroughTheCharacterMap)
{
    CDisplayPanel panel;
    const std::string path = "c:\\Rec/x_y+z-09:q.wav";
    panel.SetText(path);
    panel.SetSeconds(0);
    EXPECT_EQ(panel.GetText(), path);
    const QImage shot = Shot(panel);
    const QImage font = Font();
    // Source cells from the character map.
    const auto cell = [](char c) -> QPoint {
        if (c >= 'a' && c <= 'z')
            return {5 * (c - 'a'), 0};
        if (c >= 'A' && c <= 'Z')
            return {5 * (c - 'A'), 0};
        if (c >= '0' && c <= '9')
            return {5 * (c - '0'), 6};
        switch (c) {
        case ':': return {60, 6};
        case '-': return {75, 6};
        case '_': return {90, 6};
        case '+': return {95, 6};
        case '\\': return {100, 6};
        case '/': return {105, 6};
        case '.': return {135, 6};
        }
        return {0, 6};
    };
    for (size_t i = 0; i < path.size(); ++i)
        EXPECT_EQ(Compare(shot, QPoint(55 + 5 * int(i), 5), font, QRect(cell(path[i]), QSize(5, 6))), "")
            << "character " << i << " '" << path[i] << "'";
    // Rows above and below the text line stay black beside the time.
    EXPECT_TRUE(AllPixels(shot, QRect(55, 0, W - 55, 5), kBlack));
    EXPECT_TRUE(AllPixels(shot, QRect(55, 11, W - 55, 9), kBlack));
}

TEST(DisplayPanel, UnmappedCharactersDrawTheZeroGlyph)
{
    CDisplayPanel panel;
    panel.SetText(std::string("a b(\xE4)c"));
    panel.SetSeconds(0);
    const QImage shot = Shot(panel);
    const QImage font = Font();
    const QRect zero = FontCell(0, 6);
    EXPECT_EQ(Compare(shot, QPoint(55, 5), font, FontCell(0, 0)), "");
    for (int i : {1, 3, 4, 5})
        EXPECT_EQ(Compare(shot, QPoint(55 + 5 * i, 5), font, zero), "") << "character " << i;
    EXPECT_EQ(Compare(shot, QPoint(65, 5), font, FontCell(5, 0)), "");
    EXPECT_EQ(Compare(shot, QPoint(85, 5), font, FontCell(10, 0)), "");
}

TEST(DisplayPanel, LongTextIsClippedAtTheRightEdge)
{
    CDisplayPanel panel;
    panel.SetText(std::string(259, 'W'));
    panel.SetSeconds(0);
    const QImage shot = Shot(panel);
    // The last whole cell before the edge, then the partial one.
    const int lastWhole = 55 + 5 * ((W - 55) / 5 - 1);
    EXPECT_EQ(Compare(shot, QPoint(lastWhole, 5), Font(), FontCell(5 * 22, 0)), "");
    const int partial = W - (lastWhole + 5);
    EXPECT_EQ(Compare(shot, QPoint(lastWhole + 5, 5), Font(), QRect(5 * 22, 0, partial, 6)), "");
    EXPECT_EQ(panel.GetText().size(), 259u);
}

TEST(DisplayPanel, ProgressBarAtStartHalfAndEnd)
{
    CDisplayPanel panel;
    panel.SetRange(0, 1000, true);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetPosition(500);
    EXPECT_EQ(BarFilled(Shot(panel)), 156); // (322 - 10) * 500 / 1000
    panel.SetPosition(999);
    EXPECT_EQ(BarFilled(Shot(panel)), 311);
    panel.SetPosition(1000);
    EXPECT_EQ(BarFilled(Shot(panel)), 312);
    panel.SetRange(0, 3, false);
    panel.SetPosition(1);
    EXPECT_EQ(BarFilled(Shot(panel)), 104);
}

TEST(DisplayPanel, EmptyRangeBecomesOneUnit)
{
    CDisplayPanel panel;
    panel.SetRange(0, 0, true);
    panel.SetPosition(0);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetPosition(1);
    EXPECT_EQ(BarFilled(Shot(panel)), 312);
    // At the top of the 32-bit range the unit goes below instead of overflowing.
    panel.SetRange(INT32_MAX, INT32_MAX, true);
    panel.SetPosition(0);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetPosition(1);
    EXPECT_EQ(BarFilled(Shot(panel)), 312);
}

TEST(DisplayPanel, LongFilesDoNotOverflowTheBar)
{
    CDisplayPanel panel;
    // Ten hours in milliseconds: 312 x 18,000,000 is past 32 bits.
    panel.SetRange(0, 36000000, false);
    panel.SetPosition(18000000);
    EXPECT_EQ(BarFilled(Shot(panel)), 156);
    panel.SetRange(0, INT32_MAX, false);
    panel.SetPosition(INT32_MAX);
    EXPECT_EQ(BarFilled(Shot(panel)), 312);
    // The widest range there is.
    panel.SetRange(INT32_MIN, INT32_MAX, false);
    panel.SetPosition(INT32_MAX);
    EXPECT_EQ(BarFilled(Shot(panel)), 155);
}

TEST(DisplayPanel, PositionOutsideTheRangeStaysInTheBar)
{
    CDisplayPanel panel;
    panel.SetRange(0, 100, false);
    panel.SetPosition(250);
    EXPECT_EQ(BarFilled(Shot(panel)), 312);
    panel.SetPosition(-40);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetPosition(INT32_MIN);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    // A reversed range.
    panel.SetRange(100, 0, false);
    panel.SetPosition(50);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
}

TEST(DisplayPanel, CategoryLightsItsWord)
{
    CDisplayPanel panel;
    const char* labels[4] = {"bmp158.png", "bmp161.png", "bmp160.png", "bmp159.png"};
    for (int c : {0, 2, 3, 1}) {
        panel.SetCategory(c);
        EXPECT_EQ(panel.GetCategory(), c);
        const QImage shot = Shot(panel);
        EXPECT_EQ(Compare(shot, QPoint(2, 20), Resource(labels[c]), QRect(0, 0, 100, 7)), "") << "category " << c;
        EXPECT_TRUE(AllPixels(shot, QRect(0, 20, 2, 9), kBlack));
        EXPECT_TRUE(AllPixels(shot, QRect(102, 20, W - 102, 9), kBlack));
    }
    // Out of range: ignored, the label stays.
    panel.SetCategory(3);
    for (int bad : {4, -1, 158, INT32_MIN}) {
        panel.SetCategory(bad);
        EXPECT_EQ(panel.GetCategory(), 3);
        EXPECT_EQ(Compare(Shot(panel), QPoint(2, 20), Resource(labels[3]), QRect(0, 0, 100, 7)), "") << bad;
    }
}

namespace {

struct PaintCounter : QObject {
    int paints = 0;
    int presses = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint;
        presses += e->type() == QEvent::MouseButtonPress;
        return false;
    }
};

QImage OnScreen(QWidget& w)
{
    return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(DisplayPanel, OnlyTheShowingSettersRepaintAndAtOnce)
{
    CDisplayPanel panel;
    PaintCounter counter;
    panel.installEventFilter(&counter);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QTest::qWait(50); // let the first exposure's paints settle
    ASSERT_EQ(OnScreen(panel).size(), QSize(W, H));
    const QImage font = Font();

    int before = counter.paints;
    panel.SetText("abc");
    panel.SetPosition(50);
    EXPECT_EQ(counter.paints, before);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, before) << "SetText or SetPosition scheduled a paint";
    QImage screen = OnScreen(panel);
    EXPECT_TRUE(AllPixels(screen, QRect(55, 5, 15, 6), kBlack)) << "text shown before a repaint";
    EXPECT_EQ(BarFilled(screen), 0);

    panel.SetSeconds(65);
    EXPECT_EQ(counter.paints, before + 1);
    screen = OnScreen(panel);
    ExpectTime(screen, "01:05", {2, 13, 24, 28, 39});
    EXPECT_EQ(Compare(screen, QPoint(60, 5), font, FontCell(5, 0)), "");
    EXPECT_EQ(BarFilled(screen), 156);

    before = counter.paints;
    panel.SetRange(0, 200, false);
    EXPECT_EQ(counter.paints, before);
    EXPECT_EQ(BarFilled(OnScreen(panel)), 156);
    panel.SetRange(0, 200, true);
    EXPECT_EQ(counter.paints, before + 1);
    EXPECT_EQ(BarFilled(OnScreen(panel)), 78);

    before = counter.paints;
    panel.SetCategory(2);
    EXPECT_EQ(counter.paints, before + 1);
    EXPECT_EQ(Compare(OnScreen(panel), QPoint(2, 20), Resource("bmp160.png"), QRect(0, 0, 100, 7)), "");
    panel.SetCategory(9);
    EXPECT_EQ(counter.paints, before + 1);
}

TEST(DisplayPanel, MousePressesReachTheParent)
{
    struct Face : QWidget {
        int presses = 0;
        void mousePressEvent(QMouseEvent* e) override
        {
            ++presses;
            e->accept();
        }
    } face;
    face.resize(400, 100);
    auto* panel = new CDisplayPanel(&face);
    panel->move(20, 30);
    PaintCounter seen;
    panel->installEventFilter(&seen);
    face.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&face));
    EXPECT_EQ(face.childAt(QPoint(100, 50)), nullptr);
    QTest::mousePress(face.windowHandle(), Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mouseRelease(face.windowHandle(), Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mousePress(face.windowHandle(), Qt::RightButton, {}, QPoint(30, 40));
    QTest::mouseRelease(face.windowHandle(), Qt::RightButton, {}, QPoint(30, 40));
    EXPECT_EQ(seen.presses, 0);
    EXPECT_EQ(face.presses, 2);
}

TEST(DisplayPanel, HighDensityScalesPixelForPixel)
{
    CDisplayPanel panel;
    panel.SetText("C:\\REC\\1.WAV");
    panel.SetSeconds(125);
    panel.SetPosition(50);
    const QImage frame = panel.Render();

    for (int k : {2, 3}) {
        QImage big(W * k, H * k, QImage::Format_RGB32);
        big.setDevicePixelRatio(k);
        big.fill(Qt::red);
        {
            QPainter p(&big);
            panel.PaintScaled(p);
        }
        int wrong = 0;
        for (int y = 0; y < H * k; ++y)
            for (int x = 0; x < W * k; ++x)
                wrong += big.pixel(x, y) != frame.pixel(x / k, y / k);
        EXPECT_EQ(wrong, 0) << "scale " << k;
    }
    // Fractional ratios fill the whole device area too, each device pixel
    // taken from the 1:1 pixel under its centre (or, on a block's edge, its
    // neighbour): no margins, no smoothing.
    for (double ratio : {1.25, 1.5, 2.5}) {
        const int dw = int(std::lround(W * ratio)), dh = int(std::lround(H * ratio));
        QImage img(dw, dh, QImage::Format_RGB32);
        img.setDevicePixelRatio(ratio);
        img.fill(Qt::red);
        {
            QPainter p(&img);
            panel.PaintScaled(p);
        }
        // Source pixels a device pixel may show: the one under its centre,
        // and the neighbour when the centre lies within half a device pixel
        // of the block's edge.
        const auto sources = [&](int d, int limit) {
            const double c = (d + 0.5) / ratio;
            const int a = std::min(limit - 1, int(c));
            std::vector<int> v{a};
            const double frac = c - std::floor(c);
            if (frac < 0.5 / ratio + 1e-9 && a > 0)
                v.push_back(a - 1);
            if (1 - frac < 0.5 / ratio + 1e-9 && a < limit - 1)
                v.push_back(a + 1);
            return v;
        };
        int wrong = 0;
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x) {
                bool ok = false;
                for (int sy : sources(y, H))
                    for (int sx : sources(x, W))
                        ok = ok || img.pixel(x, y) == frame.pixel(sx, sy);
                wrong += !ok;
            }
        EXPECT_EQ(wrong, 0) << "ratio " << ratio;
        // The first digit's left segment starts 2 pixels in, scaled, not in a centred box.
        int firstLit = -1;
        for (int x = 0; x < dw && firstLit < 0; ++x)
            for (int y = 0; y < dh / 2 && firstLit < 0; ++y)
                if (img.pixel(x, y) == qRgb(0, 204, 0))
                    firstLit = x;
        EXPECT_NEAR(firstLit, 2 * ratio, 1.0) << "ratio " << ratio;
    }
}

// ---- Input level, partial repaints, blinking, accessible text ---------------

namespace {

// Records the region of every paint the display receives.
struct PaintRecorder : QObject {
    std::vector<QRegion> regions;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            regions.push_back(static_cast<QPaintEvent*>(e)->region());
        return false;
    }
    QRegion All() const
    {
        QRegion all;
        for (const QRegion& r : regions)
            all += r;
        return all;
    }
};

// A display on screen whose paints are recorded, with its clock pinned.
struct ShownDisplay {
    CDisplayPanel panel;
    PaintRecorder paints;
    int64_t now = 1000000;
    ShownDisplay()
    {
        panel.SetClock([this] { return now; });
        panel.installEventFilter(&paints);
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
        Settle();
    }
    // Lets pending paints happen, then forgets them.
    void Settle()
    {
        QTest::qWait(20);
        QApplication::processEvents();
        paints.regions.clear();
    }
};

std::string RegionText(const QRegion& region)
{
    std::string s;
    for (const QRect& r : region)
        s += "(" + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x"
            + std::to_string(r.height()) + ")";
    return s;
}

} // namespace

TEST(DisplayLevel, ScaleFromMinusSixtyToZero)
{
    CDisplayPanel panel;
    int64_t now = 0;
    panel.SetClock([&] { return now; });
    panel.SetBarMode(CDisplayPanel::BarMode::Level);
    // Silence from the start leaves the bar dark, all in the to-go colour.
    panel.SetLevel(-INFINITY);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetLevel(std::nanf(""));
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetLevel(-60.0f);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetLevel(-90.0f);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    // -6 dBFS lights nine tenths: 312 x 54 / 60 = 280.8 columns.
    panel.SetLevel(-6.0f);
    EXPECT_EQ(BarFilled(Shot(panel)), 280);
    panel.SetLevel(-30.0f - 0.001f); // lower: held, the bar stays
    EXPECT_EQ(BarFilled(Shot(panel)), 280);
    panel.SetLevel(0.0f);
    EXPECT_EQ(BarFilled(Shot(panel)), 312);
    panel.SetLevel(6.0f); // clipped input cannot pass the end
    EXPECT_EQ(BarFilled(Shot(panel)), 312);
    EXPECT_FLOAT_EQ(panel.ShownLevel(), 0.0f);
    // A fresh level bar on another display: half way at -30 dBFS.
    CDisplayPanel other;
    other.SetClock([&] { return now; });
    other.SetBarMode(CDisplayPanel::BarMode::Level);
    other.SetLevel(-30.0f);
    EXPECT_EQ(BarFilled(Shot(other)), 156);
}

TEST(DisplayLevel, HoldsThePeakThenFallsTwentyDecibelsASecond)
{
    CDisplayPanel panel;
    int64_t now = 5000;
    panel.SetClock([&] { return now; });
    panel.SetBarMode(CDisplayPanel::BarMode::Level);
    panel.SetLevel(-6.0f);
    // Silence follows: the peak holds for a second...
    for (int64_t t : {100, 500, 1000}) {
        now = 5000 + t;
        panel.SetLevel(-INFINITY);
        EXPECT_FLOAT_EQ(panel.ShownLevel(), -6.0f) << t;
        EXPECT_EQ(BarFilled(Shot(panel)), 280) << t;
    }
    // ...then falls back at 20 dB a second.
    now = 5000 + 1500;
    panel.SetLevel(-INFINITY);
    EXPECT_NEAR(panel.ShownLevel(), -16.0f, 0.01f);
    EXPECT_EQ(BarFilled(Shot(panel)), 228); // 312 x 44 / 60
    now = 5000 + 2500;
    panel.SetLevel(-INFINITY);
    EXPECT_NEAR(panel.ShownLevel(), -36.0f, 0.01f);
    EXPECT_EQ(BarFilled(Shot(panel)), 124); // 312 x 24 / 60
    // A quieter signal than the falling bar does not stop the fall.
    now = 5000 + 3000;
    panel.SetLevel(-50.0f);
    EXPECT_NEAR(panel.ShownLevel(), -46.0f, 0.01f);
    // A louder one takes over at once and is held again.
    now = 5000 + 3100;
    panel.SetLevel(-20.0f);
    EXPECT_FLOAT_EQ(panel.ShownLevel(), -20.0f);
    EXPECT_EQ(BarFilled(Shot(panel)), 208);
    now = 5000 + 4100;
    panel.SetLevel(-INFINITY);
    EXPECT_FLOAT_EQ(panel.ShownLevel(), -20.0f);
    // Fallen to the floor: dark, and it stays there.
    now = 5000 + 10000;
    panel.SetLevel(-INFINITY);
    EXPECT_FLOAT_EQ(panel.ShownLevel(), -60.0f);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
}

TEST(DisplayLevel, ModesShareTheBar)
{
    CDisplayPanel panel;
    int64_t now = 0;
    panel.SetClock([&] { return now; });
    panel.SetRange(0, 100, false);
    panel.SetPosition(25);
    EXPECT_EQ(panel.GetBarMode(), CDisplayPanel::BarMode::Position);
    // In position mode a level is not shown.
    panel.SetLevel(0.0f);
    EXPECT_EQ(BarFilled(Shot(panel)), 78);
    // Level mode starts dark and ignores positions.
    panel.SetBarMode(CDisplayPanel::BarMode::Level);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetPosition(100);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
    panel.SetLevel(-30.0f);
    EXPECT_EQ(BarFilled(Shot(panel)), 156);
    // Back to the position, which kept its last value; the level is gone.
    panel.SetBarMode(CDisplayPanel::BarMode::Position);
    EXPECT_EQ(BarFilled(Shot(panel)), 312);
    panel.SetBarMode(CDisplayPanel::BarMode::Level);
    EXPECT_EQ(BarFilled(Shot(panel)), 0);
}

TEST(DisplayRepaint, LevelRepaintsOnlyTheBarsBand)
{
    ShownDisplay d;
    d.panel.SetBarMode(CDisplayPanel::BarMode::Level);
    d.Settle();
    d.panel.SetLevel(-6.0f);
    EXPECT_TRUE(d.paints.regions.empty()) << "the level painted before returning";
    QApplication::processEvents();
    ASSERT_FALSE(d.paints.regions.empty());
    EXPECT_EQ(d.paints.All(), QRegion(CDisplayPanel::BarRect())) << RegionText(d.paints.All());
    EXPECT_EQ(BarFilled(OnScreen(d.panel)), 280);
    // The same level, or a change of less than a column: no paint at all.
    d.Settle();
    d.panel.SetLevel(-6.0f);
    d.now += 50;
    d.panel.SetLevel(-6.05f);
    QApplication::processEvents();
    EXPECT_TRUE(d.paints.regions.empty()) << RegionText(d.paints.All());
    // Five seconds of ticks with the level falling to the floor: each paint
    // is the band and nothing else.
    for (int i = 0; i < 50; ++i) {
        d.now += 100;
        d.panel.SetLevel(-INFINITY);
        QApplication::processEvents();
    }
    EXPECT_GE(d.paints.regions.size(), 5u);
    EXPECT_EQ(d.paints.All(), QRegion(CDisplayPanel::BarRect())) << RegionText(d.paints.All());
    EXPECT_EQ(BarFilled(OnScreen(d.panel)), 0);
}

TEST(DisplayRepaint, UnchangedSecondsDoNotRepaint)
{
    ShownDisplay d;
    d.panel.SetSeconds(5);
    ASSERT_EQ(d.paints.regions.size(), 1u) << "a new second shows before SetSeconds returns";
    EXPECT_EQ(d.paints.regions[0], QRegion(d.panel.TimeRect())) << RegionText(d.paints.regions[0]);
    EXPECT_TRUE(d.panel.TimeRect().contains(QRect(2, 2, 46, 13)));
    ExpectTime(OnScreen(d.panel), "00:05", {2, 13, 24, 28, 39});
    // The recording tick passes the same second ten times.
    d.Settle();
    for (int i = 0; i < 10; ++i)
        d.panel.SetSeconds(5);
    QApplication::processEvents();
    EXPECT_TRUE(d.paints.regions.empty()) << RegionText(d.paints.All());

    // Playback: a position that moves less than a column causes no paint...
    d.panel.SetRange(0, 100000, false);
    d.Settle();
    d.panel.SetPosition(300);
    d.panel.SetSeconds(5);
    QApplication::processEvents();
    EXPECT_TRUE(d.paints.regions.empty()) << RegionText(d.paints.All());
    // ...one that moves a column repaints the bar alone, at the tick's SetSeconds.
    d.panel.SetPosition(400);
    EXPECT_TRUE(d.paints.regions.empty()) << "SetPosition painted";
    d.panel.SetSeconds(5);
    ASSERT_EQ(d.paints.regions.size(), 1u);
    EXPECT_EQ(d.paints.regions[0], QRegion(CDisplayPanel::BarRect())) << RegionText(d.paints.regions[0]);
    EXPECT_EQ(BarFilled(OnScreen(d.panel)), 1);

    // A time that grows a digit moves the text line: both repaint, nothing else.
    d.panel.SetText("ab");
    d.Settle();
    d.panel.SetSeconds(6000);
    ASSERT_EQ(d.paints.regions.size(), 1u);
    EXPECT_TRUE(QRegion(0, 0, W, 16).contains(d.paints.regions[0].boundingRect()))
        << RegionText(d.paints.regions[0]);
    QImage screen = OnScreen(d.panel);
    ExpectTime(screen, "100:00", {2, 13, 24, 35, 39, 50});
    EXPECT_EQ(Compare(screen, QPoint(66, 5), Font(), FontCell(0, 0)), "");
    EXPECT_TRUE(AllPixels(screen, QRect(59, 0, 7, 20), kBlack)) << "the text's old place was not cleared";
}

TEST(DisplayRepaint, TextAndCategoryRepaintTheirOwnParts)
{
    ShownDisplay d;
    // The text shows with the next repaint, which covers the label and the text line only.
    d.panel.SetText("/tmp/a.wav");
    QApplication::processEvents();
    EXPECT_TRUE(d.paints.regions.empty());
    d.panel.SetCategory(3);
    ASSERT_EQ(d.paints.regions.size(), 1u);
    EXPECT_EQ(d.paints.regions[0], QRegion(d.panel.TextRect()) + CDisplayPanel::LabelRect())
        << RegionText(d.paints.regions[0]);
    const QImage screen = OnScreen(d.panel);
    EXPECT_EQ(Compare(screen, QPoint(2, 20), Resource("bmp159.png"), QRect(0, 0, 100, 7)), "");
    EXPECT_EQ(Compare(screen, QPoint(55, 5), Font(), FontCell(105, 6)), "") << "the text's slash";
    // The same category again, or the same text: nothing to paint.
    d.Settle();
    d.panel.SetText("/tmp/a.wav");
    d.panel.SetCategory(3);
    QApplication::processEvents();
    EXPECT_TRUE(d.paints.regions.empty()) << RegionText(d.paints.All());
    // Another category: the label alone.
    d.panel.SetCategory(0);
    ASSERT_EQ(d.paints.regions.size(), 1u);
    EXPECT_EQ(d.paints.regions[0], QRegion(CDisplayPanel::LabelRect()));
    // SetRange with redraw and nothing changed: no paint either.
    d.Settle();
    d.panel.SetRange(0, 100, true);
    QApplication::processEvents();
    EXPECT_TRUE(d.paints.regions.empty()) << RegionText(d.paints.All());
    // An exposure paints everything, whatever was pending.
    d.panel.SetText("/tmp/b.wav");
    d.panel.repaint();
    d.Settle();
    d.panel.SetSeconds(0);
    EXPECT_TRUE(d.paints.regions.empty()) << "pending text painted twice";
}

TEST(DisplayBlink, PausedTimeBlinksInItsOwnRectangle)
{
    ShownDisplay d;
    d.panel.SetText("x");
    d.panel.SetSeconds(83);
    d.Settle();
    EXPECT_FALSE(d.panel.IsBlinking());
    d.panel.SetBlinking(true);
    EXPECT_TRUE(d.panel.IsBlinking());
    EXPECT_TRUE(d.panel.IsTimeShown()) << "the time goes dark only after a while";
    // Dark, then lit again, then dark: each phase about half a second.
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d.panel.IsTimeShown(); }, 3000));
    const qint64 firstDark = clock.elapsed();
    QApplication::processEvents();
    QImage screen = OnScreen(d.panel);
    EXPECT_TRUE(AllPixels(screen, d.panel.TimeRect(), kBlack)) << "time still shown in the dark phase";
    EXPECT_EQ(Compare(screen, QPoint(55, 5), Font(), FontCell(115, 0)), "") << "the text blinked too";
    EXPECT_EQ(Compare(screen, QPoint(2, 20), Resource("bmp161.png"), QRect(0, 0, 100, 7)), "");
    // The seconds may be set while dark; they stay dark until the lit phase.
    d.panel.SetSeconds(84);
    EXPECT_TRUE(AllPixels(OnScreen(d.panel), d.panel.TimeRect(), kBlack));
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.panel.IsTimeShown(); }, 3000));
    const qint64 lit = clock.elapsed();
    QApplication::processEvents();
    ExpectTime(OnScreen(d.panel), "01:24", {2, 13, 24, 28, 39});
    EXPECT_GE(firstDark, CDisplayPanel::kBlinkMs - 50);
    EXPECT_GE(lit - firstDark, CDisplayPanel::kBlinkMs - 50);
    EXPECT_LE(CDisplayPanel::kBlinkMs, 600) << "slower than about twice a second";
    // Every paint of the blinking was the time's rectangle.
    for (const QRegion& r : d.paints.regions)
        EXPECT_TRUE(QRegion(d.panel.TimeRect()).contains(r.boundingRect())) << RegionText(r);

    // Stopping shows the time at once, and the blinking does not come back.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d.panel.IsTimeShown(); }, 3000));
    d.panel.SetBlinking(false);
    EXPECT_FALSE(d.panel.IsBlinking());
    EXPECT_TRUE(d.panel.IsTimeShown());
    QApplication::processEvents();
    ExpectTime(OnScreen(d.panel), "01:24", {2, 13, 24, 28, 39});
    QTest::qWait(2 * CDisplayPanel::kBlinkMs);
    EXPECT_TRUE(d.panel.IsTimeShown());
    ExpectTime(Shot(d.panel), "01:24", {2, 13, 24, 28, 39});
}

TEST(DisplayAccessibility, StateTimeCategoryAndFileAsAccessibleText)
{
    CDisplayPanel panel;
    QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(&panel);
    ASSERT_NE(a11y, nullptr);
    ASSERT_NE(a11y->textInterface(), nullptr);
    // The name and the Text interface read the same line.
    auto line = [&] {
        EXPECT_EQ(a11y->textInterface()->text(0, -1), a11y->text(QAccessible::Name));
        return a11y->text(QAccessible::Name);
    };
    EXPECT_EQ(line(), "Stopped, 00:00, category Home");
    panel.SetSeconds(65);
    EXPECT_EQ(line(), "Stopped, 01:05, category Home");
    panel.SetSeconds(6000);
    EXPECT_EQ(line(), "Stopped, 100:00, category Home");
    panel.SetCategory(0);
    EXPECT_EQ(line(), "Stopped, 100:00, category New");
    panel.SetCategory(3);
    EXPECT_EQ(line(), "Stopped, 100:00, category Personal");
    // The file's own name as set, not in the display's capitals nor with its folder.
    panel.SetText("/home/u/fmanager/2/08-Dec-2026_61234.wav");
    EXPECT_EQ(line(), "Stopped, 100:00, category Personal, file 08-Dec-2026_61234.wav");
    panel.SetCategory(2);
    EXPECT_EQ(line(), "Stopped, 100:00, category Work, file 08-Dec-2026_61234.wav");
    const std::pair<CDisplayPanel::Activity, const char*> states[] = {
        {CDisplayPanel::Activity::Recording, "Recording"},
        {CDisplayPanel::Activity::Paused, "Paused"},
        {CDisplayPanel::Activity::Playing, "Playing"},
        {CDisplayPanel::Activity::Stopped, "Stopped"},
    };
    for (const auto& [activity, word] : states) {
        panel.SetActivity(activity);
        EXPECT_EQ(line(), QString::fromLatin1(word) + ", 100:00, category Work, file 08-Dec-2026_61234.wav");
    }
    panel.SetText("");
    EXPECT_EQ(line(), "Stopped, 100:00, category Work");
    // A blinking time is still there for a screen reader.
    panel.SetBlinking(true);
    QTest::qWait(CDisplayPanel::kBlinkMs + 200);
    EXPECT_EQ(line(), "Stopped, 100:00, category Work");
    panel.SetBlinking(false);
}

TEST(DisplayAccessibility, ReachableFromThePanelWindow)
{
    // A screen reader walks down from the window: the display is one of the
    // panel's children and shows the panel's category.
    CRecorderDlg dlg;
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&dlg);
    ASSERT_NE(window, nullptr);
    QAccessibleInterface* display = nullptr;
    for (int i = 0; i < window->childCount(); ++i)
        if (window->child(i) && window->child(i)->object() == dlg.Display())
            display = window->child(i);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->role(), QAccessible::StatusBar);
    EXPECT_EQ(display->text(QAccessible::Name), "Stopped, 00:00, category New");
    dlg.Display()->SetSeconds(7);
    EXPECT_EQ(display->text(QAccessible::Name), "Stopped, 00:07, category New");
}

namespace {

// Category names as a translation would give them.
class CategoryTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (QByteArray(context) != "Category")
            return {};
        const QByteArray s(source);
        return s == "New" ? "Neu" : s == "Home" ? "Straße" : s == "Work" ? "Åre" : s == "Personal" ? "Persönlich" : "";
    }
    bool isEmpty() const override { return false; }
};

// Empty when the 5 x 6 cell at `at` shows the ink of the font sheet's cell
// `cell` (its first variant) in `ink`, on black.
std::string CompareGlyph(const QImage& shot, QPoint at, QPoint cell, QRgb ink)
{
    const QImage font = Font();
    const QRgb green = qRgb(0, 204, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 5; ++x) {
            const QRgb want = font.pixel(cell.x() + x, cell.y() + y) == green ? ink : kBlack;
            if ((shot.pixel(at.x() + x, at.y() + y) | 0xFF000000u) != want)
                return "differs at (" + std::to_string(at.x() + x) + "," + std::to_string(at.y() + y) + ")";
        }
    return {};
}

} // namespace

TEST(Artwork, AccentedCapitalsInTheSheetsThirdRow)
{
    const QImage f = Font();
    const QRgb green = qRgb(0, 204, 0), back = qRgb(4, 4, 4);
    // Ä Á À Â Ö Ó Ô Ü Ú Ù Û É È Ê Ë Í Î Ï Ñ Ç Œ ẞ ¿ ¡ ~: 25 cells, each
    // drawn, spaced, and unlike every other glyph of the sheet.
    QSet<QString> shapes;
    int cells = 0;
    for (int row = 0; row < 3; ++row)
        for (int cell = 0; cell < 31; ++cell) {
            QString shape;
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 5; ++x)
                    shape += f.pixel(5 * cell + x, 6 * row + y) == green ? '#' : '.';
            if (!shape.contains('#'))
                continue;
            EXPECT_TRUE(AllPixels(f, QRect(5 * cell + 4, 6 * row, 1, 6), back)) << "row " << row << " cell " << cell;
            ++cells;
            EXPECT_FALSE(shapes.contains(shape)) << "row " << row << " cell " << cell << " repeats a glyph";
            shapes.insert(shape);
            if (row == 2)
                EXPECT_LT(cell, 25) << "glyph beyond the third row's 25";
        }
    EXPECT_EQ(cells, 31 + 31 + 25);
}

TEST(DisplayLabel, TranslatedNamesInTheFontsCapitals)
{
    const QRgb lit = qRgb(0, 207, 0), dim = qRgb(128, 138, 22);
    CategoryTranslator translator;
    QCoreApplication::installTranslator(&translator);
    CDisplayPanel panel;
    panel.SetCategory(3);
    QImage shot = Shot(panel);
    // NEU at 0, STRASSE (ß as SS) at 17, ARE (Å without its ring) at 54,
    // PERSÖNLICH at 71: 120 pixels, wider than the English 100.
    EXPECT_EQ(CDisplayPanel::LabelRect(), QRect(2, 20, 120, 7));
    EXPECT_EQ(CompareGlyph(shot, QPoint(2, 20), QPoint(65, 0), dim), "") << "N";
    EXPECT_EQ(CompareGlyph(shot, QPoint(2 + 17 + 20, 20), QPoint(90, 0), dim), "") << "first S of SS";
    EXPECT_EQ(CompareGlyph(shot, QPoint(2 + 17 + 25, 20), QPoint(90, 0), dim), "") << "second S of SS";
    EXPECT_EQ(CompareGlyph(shot, QPoint(2 + 54, 20), QPoint(0, 0), dim), "") << "Å drawn as A";
    EXPECT_EQ(CompareGlyph(shot, QPoint(2 + 71, 20), QPoint(75, 0), lit), "") << "P";
    EXPECT_EQ(CompareGlyph(shot, QPoint(2 + 71 + 20, 20), QPoint(20, 12), lit), "") << "Ö";
    EXPECT_EQ(CompareGlyph(shot, QPoint(2 + 71 + 45, 20), QPoint(35, 0), lit), "") << "H";
    EXPECT_TRUE(AllPixels(shot, QRect(122, 20, W - 122, 9), kBlack));
    EXPECT_TRUE(AllPixels(shot, QRect(0, 26, W, 6), kBlack));
    // Another category moves the light, not the letters.
    panel.SetCategory(1);
    shot = Shot(panel);
    EXPECT_EQ(CompareGlyph(shot, QPoint(2 + 71 + 20, 20), QPoint(20, 12), dim), "") << "Ö";
    EXPECT_EQ(CompareGlyph(shot, QPoint(2 + 17, 20), QPoint(90, 0), lit), "") << "S";
    // Back in English: the label of the original pictures again.
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(CDisplayPanel::LabelRect(), QRect(2, 20, 100, 7));
    panel.SetCategory(3);
    EXPECT_EQ(Compare(Shot(panel), QPoint(2, 20), Resource("bmp159.png"), QRect(0, 0, 100, 7)), "");
}

// ---- Warnings and the countdown -------------------------------------------

TEST(DisplayWarning, NoInputBlinksInTheCategoryLineUntilCleared)
{
    ShownDisplay d;
    d.panel.SetSeconds(75);
    d.panel.SetNoInput(true);
    QApplication::processEvents();
    QImage screen = OnScreen(d.panel);
    // N O _ I N P U T in the label's lit capitals, nothing else on the line.
    const int cells[] = {65, 70, -1, 40, 65, 75, 100, 95};
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(cells[i] < 0 ? AllPixels(screen, QRect(2 + 5 * i, 20, 5, 6), kBlack)
                                 : CompareGlyph(screen, QPoint(2 + 5 * i, 20), QPoint(cells[i], 0), qRgb(0, 207, 0)) == "")
            << "cell " << i;
    EXPECT_TRUE(AllPixels(screen, QRect(42, 20, W - 42, 9), kBlack));
    ExpectTime(screen, "01:15", {2, 13, 24, 28, 39});
    // The dark half, painted in the line alone.
    d.Settle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d.panel.IsNoInputShown(); }, 3000));
    QApplication::processEvents();
    EXPECT_TRUE(AllPixels(OnScreen(d.panel), CDisplayPanel::CategoryLineRect(), kBlack));
    EXPECT_EQ(d.paints.All(), QRegion(CDisplayPanel::CategoryLineRect())) << RegionText(d.paints.All());
    // Sound again: the category words come back and stay.
    d.panel.SetNoInput(false);
    QTest::qWait(2 * CDisplayPanel::kBlinkMs);
    EXPECT_EQ(Compare(OnScreen(d.panel), QPoint(2, 20), Resource("bmp161.png"), QRect(0, 0, 100, 7)), "");
}

TEST(DisplayFromThePanel, RenderShowsTheCountdownTheSpaceAndTheWarningInPictureAndWords)
{
    CRecorderDlg dlg;
    CDisplayPanel* display = dlg.Display();
    SessionState s = dlg.Session()->State();
    s.mode = SessionMode::Recording;
    s.showLevel = s.showSpace = s.noInput = true;
    s.seconds = 1758;
    s.secondsLeft = 42;
    s.spaceUsed = 0.5f;
    emit dlg.Session()->StateChanged(s);
    QImage shot = Shot(*display);
    // "-0:42" in the places of "00:42": the minus is the eight's middle bar on the strip's ground.
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(shot.pixel(2 + x, 2 + y) | 0xFF000000u,
                      (y == 6 && x >= 1 && x <= 7 ? qRgb(0, 204, 0) : Digits().pixel(90, 0)) | 0xFF000000u);
    ExpectTime(shot, "*0:42", {2, 13, 24, 28, 39});
    EXPECT_EQ(BarFilled(shot), 156) << "half the free space used";
    EXPECT_TRUE(display->IsNoInput());
    EXPECT_EQ(display->AccessibleText(), "Recording, 00:42 left, category New. No sound from the input");
    // No limit, space not short, sound back: the time recorded and the level.
    s.secondsLeft = -1;
    s.showSpace = s.noInput = false;
    ++s.levelSerial;
    s.levelDb = -30.0f;
    emit dlg.Session()->StateChanged(s);
    shot = Shot(*display);
    ExpectTime(shot, "29:18", {2, 13, 24, 28, 39});
    EXPECT_EQ(BarFilled(shot), 156) << "-30 dBFS";
    EXPECT_FALSE(display->IsNoInput());
    EXPECT_EQ(display->AccessibleText(), "Recording, 29:18, category New");
}

TEST(DisplayFromThePanel, RecAsksOnThePanelWhenSpaceIsShort)
{
    QTemporaryDir home; // settings and recordings of the test's own
    ::setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    QStandardPaths::setTestModeEnabled(true);
    WriteRoot(home.path().toStdString() + "/rec/");
    std::vector<std::pair<QString, unsigned>> boxes;
    SetMessageBoxHook([&](const QString& text, unsigned style) { return boxes.emplace_back(text, style), IDNO; });
    {
        CRecorderDlg dlg;
        dlg.Session()->SetFreeSpaceFunction([](const std::string&) { return int64_t(44100) * 60 * 3 + 99; });
        dlg.Button(IDC_REC)->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].second, MB_YESNO_QUESTION);
        EXPECT_EQ(boxes[0].first, "There is room on the disk for only about 3 min of recording in this format.\n\n"
                                  "Record anyway?");
        EXPECT_FALSE(dlg.Session()->RecordingRuns());
        EXPECT_TRUE(QDir(home.path() + "/rec").entryList(QDir::Files).isEmpty());
    }
    SetMessageBoxHook({});
    WriteRoot("");
}
