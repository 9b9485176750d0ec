// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Draws every picture of the program from the grids and colours in this
// folder and writes them as PNG files: vellory_artgen <output folder>.
#include "Palette.h"
#include "PixelFonts.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

QImage NewImage(int w, int h, QRgb fill, QImage::Format format = QImage::Format_RGB32)
{
    QImage img(w, h, format);
    img.fill(fill);
    return img;
}

void Put(QImage& img, int x, int y, QRgb c)
{
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height())
        img.setPixel(x, y, c);
}

void FillRect(QImage& img, int x, int y, int w, int h, QRgb c)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            Put(img, i, j, c);
}

// Draws the '#' cells of a glyph grid; returns the glyph's width.
int DrawGrid(QImage& img, const GlyphRows& rows, int x, int y, QRgb ink)
{
    for (size_t j = 0; j < rows.size(); ++j)
        for (size_t i = 0; i < rows[j].size(); ++i)
            if (rows[j][i] == '#')
                Put(img, x + int(i), y + int(j), ink);
    return int(rows[0].size());
}

const GlyphRows& NeedLcd(char32_t c)
{
    const GlyphRows* g = LcdGlyph(c);
    if (!g)
        throw std::runtime_error("no display glyph for '" + QString::fromUcs4(&c, 1).toStdString() + "'");
    return *g;
}

const GlyphRows& NeedButton(char32_t c)
{
    const GlyphRows* g = ButtonGlyph(c);
    if (!g)
        throw std::runtime_error("no button glyph for '" + QString::fromUcs4(&c, 1).toStdString() + "'");
    return *g;
}

// Rows a button glyph carries above its row 0 (the marks of accented letters).
int ButtonGlyphHeadroom(const GlyphRows& rows) { return int(rows.size()) - 9; }

// ---- Display bitmaps ----------------------------------------------------

// Seven segments in a 9 x 13 cell: the verticals lie in the first and last
// columns, the bars in rows 0, 6 and 12.
struct Segment {
    char name;
    int x, y, w, h;
};
constexpr Segment kSegments[] = {
    {'a', 1, 0, 7, 1},  {'b', 8, 1, 1, 5}, {'c', 8, 7, 1, 5}, {'d', 1, 12, 7, 1},
    {'e', 0, 7, 1, 5},  {'f', 0, 1, 1, 5}, {'g', 1, 6, 7, 1},
};
constexpr const char* kDigitSegments[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                            "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};

QImage DigitStrip()
{
    QImage img = NewImage(99, 13, pal::LcdBack);
    for (int d = 0; d < 10; ++d) {
        const std::string lit = kDigitSegments[d];
        for (const Segment& s : kSegments) {
            const bool on = lit.find(s.name) != std::string::npos;
            for (int j = s.y; j < s.y + s.h; ++j)
                for (int i = s.x; i < s.x + s.w; ++i) {
                    const int x = 9 * d + i;
                    // Unlit segments show as a faint dot pattern, like an LCD's ghost.
                    Put(img, x, j, on ? pal::LcdLit : ((x + j) % 2 == 0 ? pal::LcdGhost : pal::LcdBack));
                }
        }
    }
    FillRect(img, 93, 2, 2, 2, pal::LcdLit);
    FillRect(img, 93, 8, 2, 2, pal::LcdLit);
    return img;
}

// Font sheet layout: 31 cells per glyph row, three glyph rows per variant.
// The third row holds the accented capitals of the translated category
// names; panel/CDisplayPanel.cpp knows the same order.
const char32_t* const kSheetRows[3] = {
    U"ABCDEFGHIJKLMNOPQRSTUVWXYZ[]&@$",
    U"0123456789!\":;,-()_+\\/?=*#'.<>%",
    U"ÄÁÀÂÖÓÔÜÚÙÛÉÈÊËÍÎÏÑÇŒẞ¿¡~",
};

QImage FontSheet()
{
    QImage img = NewImage(155, 74, pal::LcdBack);
    const QRgb inks[4] = {pal::LcdLit, pal::LabelDim, pal::LcdAmber, pal::LcdRed};
    for (int v = 0; v < 4; ++v)
        for (int row = 0; row < 3; ++row) {
            const std::u32string chars = kSheetRows[row];
            for (size_t cell = 0; cell < chars.size(); ++cell)
                DrawGrid(img, NeedLcd(chars[cell]), 5 * int(cell), 18 * v + 6 * row, inks[v]);
        }
    return img;
}

// The four category words; x positions spread them over the full 100 pixels.
struct LabelWord {
    const char* text;
    int x;
};
constexpr LabelWord kLabelWords[4] = {{"NEW", 0}, {"HOME", 17}, {"WORK", 39}, {"PERSONAL", 61}};

QImage CategoryLabel(int lit)
{
    QImage img = NewImage(100, 7, pal::Black);
    for (int w = 0; w < 4; ++w) {
        int x = kLabelWords[w].x;
        for (const char* p = kLabelWords[w].text; *p; ++p) {
            DrawGrid(img, NeedLcd(*p), x, 0, w == lit ? pal::LabelLit : pal::LabelDim);
            x += 5;
        }
    }
    return img;
}

// ---- Skin -----------------------------------------------------------------

QImage Skin()
{
    const int w = 350, h = 159;
    QImage img = NewImage(w, h, pal::Face);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int top = y, left = x, bottom = h - 1 - y, right = w - 1 - x;
            const int d = std::min(std::min(top, left), std::min(bottom, right));
            if (d >= 3)
                continue;
            // Corners are split on the diagonal; the shadow wins a tie
            // except in the top-left corner, as on a raised frame.
            QRgb c;
            if (bottom == d)
                c = pal::BevelBottom[d];
            else if (right == d)
                c = pal::BevelRight[d];
            else if (top == d)
                c = pal::BevelTop[d];
            else
                c = pal::BevelLeft[d];
            img.setPixel(x, y, c);
        }
    return img;
}

// ---- Icons ------------------------------------------------------------------

void Paint(QImage& img, const std::function<void(QPainter&)>& draw)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    draw(p);
}

QImage MicrophoneIcon32()
{
    QImage img = NewImage(32, 32, pal::Transparent, QImage::Format_ARGB32);
    Paint(img, [](QPainter& p) {
        using namespace pal::vga;
        // Holder: a U around the lower half of the head.
        p.setPen(QPen(QColor(Gray), 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRect(4, 4, 16, 16), 180 * 16, 180 * 16);
        p.setPen(QPen(QColor(Black), 1));
        p.drawArc(QRect(3, 3, 18, 18), 180 * 16, 180 * 16);
        // Stem and foot.
        p.fillRect(QRect(11, 21, 2, 6), QColor(Gray));
        p.fillRect(QRect(6, 27, 12, 2), QColor(Black));
        p.fillRect(QRect(7, 26, 10, 1), QColor(Gray));
        // Head with its grille.
        p.setPen(QColor(Black));
        p.setBrush(QColor(Silver));
        p.drawRoundedRect(QRect(7, 2, 10, 16), 5, 5);
        p.setPen(QColor(Gray));
        for (int y = 6; y <= 14; y += 3)
            p.drawLine(9, y, 15, y);
        p.setPen(QColor(White));
        p.drawLine(9, 4, 9, 15);
    });
    // Two notes joined by a beam.
    using namespace pal::vga;
    const GlyphRows head = {".###.", "#####", "#####", ".###."};
    DrawGrid(img, head, 19, 17, Blue);
    DrawGrid(img, head, 25, 14, Blue);
    FillRect(img, 23, 6, 1, 13, Navy);
    FillRect(img, 29, 3, 1, 13, Navy);
    for (int i = 0; i < 7; ++i)
        FillRect(img, 23 + i, 6 - (i + 1) / 2, 1, 2, Navy);
    return img;
}

QImage MicrophoneIcon16()
{
    QImage img = NewImage(16, 16, pal::Transparent, QImage::Format_ARGB32);
    using namespace pal::vga;
    // Holder, stem, foot.
    for (int y = 6; y <= 9; ++y) {
        Put(img, 2, y, Gray);
        Put(img, 10, y, Gray);
    }
    FillRect(img, 3, 10, 7, 1, Gray);
    FillRect(img, 6, 11, 1, 3, Gray);
    FillRect(img, 3, 14, 7, 1, Black);
    // Head.
    FillRect(img, 4, 1, 5, 8, Black);
    Put(img, 4, 1, pal::Transparent);
    Put(img, 8, 1, pal::Transparent);
    Put(img, 4, 8, pal::Transparent);
    Put(img, 8, 8, pal::Transparent);
    FillRect(img, 5, 2, 3, 6, Silver);
    FillRect(img, 5, 2, 1, 6, White);
    Put(img, 6, 4, Gray);
    Put(img, 7, 4, Gray);
    Put(img, 6, 6, Gray);
    Put(img, 7, 6, Gray);
    // A note.
    FillRect(img, 11, 10, 3, 2, Blue);
    FillRect(img, 13, 3, 1, 8, Navy);
    Put(img, 14, 4, Navy);
    Put(img, 15, 5, Navy);
    return img;
}

QImage FolderIcon(bool open)
{
    QImage img = NewImage(32, 32, pal::Transparent, QImage::Format_ARGB32);
    Paint(img, [open](QPainter& p) {
        using namespace pal::vga;
        p.setPen(QColor(Black));
        // Tab and back.
        p.setBrush(QColor(Olive));
        p.drawRect(QRect(2, 5, 10, 4));
        p.setBrush(QColor(open ? Olive : Yellow));
        p.drawRect(QRect(2, 8, 27, 19));
        if (!open) {
            p.setPen(QColor(White));
            p.drawLine(3, 9, 28, 9);
            p.drawLine(3, 9, 3, 26);
            p.setPen(QColor(Olive));
            p.drawLine(4, 26, 28, 26);
            p.drawLine(28, 10, 28, 26);
            return;
        }
        // A sheet of paper and the front flap tipped forward.
        p.setPen(QColor(Gray));
        p.setBrush(QColor(White));
        p.drawRect(QRect(6, 10, 19, 12));
        p.setPen(QColor(Silver));
        for (int y = 13; y <= 17; y += 2)
            p.drawLine(8, y, 22, y);
        p.setPen(QColor(Black));
        p.setBrush(QColor(Yellow));
        const QPoint flap[4] = {QPoint(2, 27), QPoint(8, 15), QPoint(31, 15), QPoint(25, 27)};
        p.drawPolygon(flap, 4);
    });
    return img;
}

// ---- Buttons ----------------------------------------------------------------

enum class Symbol { None, RecArrow, StopSquare, PlayArrow, Power, Tick, DownTriangle };

struct ButtonSpec {
    const char* caption;
    int width;
    Symbol symbol;
    const char* text;
    bool hasDisabled;
};

constexpr ButtonSpec kButtons[] = {
    {"REC", 77, Symbol::RecArrow, "Rec", true},
    {"STOP", 77, Symbol::StopSquare, "Stop", true},
    {"PLAY", 77, Symbol::PlayArrow, "Play", true},
    {"MANAGER", 97, Symbol::None, "File Manager", true},
    {"POWER", 77, Symbol::Power, "Power", false},
    {"OPTION", 77, Symbol::Tick, "Options", false},
    {"MIN", 35, Symbol::DownTriangle, "", false},
};

constexpr int kButtonHeight = 31;
constexpr int kSymbolSize = 13;
constexpr int kSymbolGap = 6;
constexpr int kTextTop = 12; // capitals span rows 12 to 18, centred like the symbols

int TextWidth(const std::string& text)
{
    int w = 0;
    for (unsigned char c : text)
        w += int(NeedButton(c)[0].size()) + 1;
    return w > 0 ? w - 1 : 0;
}

void Thick(QImage& img, double x0, double y0, double x1, double y1, QRgb c)
{
    const int steps = int(std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)) * 2)) + 1;
    for (int s = 0; s <= steps; ++s) {
        const double t = double(s) / steps;
        const int x = int(std::lround(x0 + (x1 - x0) * t)), y = int(std::lround(y0 + (y1 - y0) * t));
        FillRect(img, x, y, 2, 2, c);
    }
}

// Draws a symbol in the 13 x 13 box at (x, y) (the MIN triangle: 13 x 7).
void DrawSymbol(QImage& ink, Symbol s, int x, int y)
{
    switch (s) {
    case Symbol::None:
        break;
    case Symbol::RecArrow:
        FillRect(ink, x, y + 4, 6, 5, pal::RecRed);
        for (int r = 0; r < 13; ++r)
            FillRect(ink, x + 6, y + r, 1 + (6 - std::abs(r - 6)), 1, pal::RecRed);
        break;
    case Symbol::StopSquare:
        FillRect(ink, x + 1, y + 1, 11, 11, pal::StopWhite);
        break;
    case Symbol::PlayArrow:
        for (int r = 0; r < 13; ++r)
            FillRect(ink, x + 1, y + r, 1 + 2 * (6 - std::abs(r - 6)), 1, pal::PlayGreen);
        break;
    case Symbol::Power: {
        const double cx = x + 5.5, cy = y + 7.0;
        for (int j = y; j < y + 13; ++j)
            for (int i = x; i < x + 12; ++i) {
                const double d = std::hypot(i - cx, j - cy);
                const bool gap = j < cy - 1 && std::fabs(i - cx) < 2.6;
                if (d <= 5.6 && d >= 3.6 && !gap)
                    Put(ink, i, j, pal::PowerRed);
            }
        FillRect(ink, x + 5, y, 2, 7, pal::PowerRed);
        break;
    }
    case Symbol::Tick:
        Thick(ink, x + 0, y + 6, x + 4, y + 10, pal::TickYellow);
        Thick(ink, x + 4, y + 10, x + 11, y + 1, pal::TickYellow);
        break;
    case Symbol::DownTriangle:
        for (int r = 0; r < 7; ++r)
            FillRect(ink, x + r, y + r, 13 - 2 * r, 1, pal::MinBlue);
        break;
    }
}

// The symbol and lettering of a button on a transparent layer; without the
// lettering, the symbol stays where it is beside it.
QImage ButtonInk(const ButtonSpec& b, bool withText = true)
{
    QImage ink = NewImage(b.width, kButtonHeight, pal::Transparent, QImage::Format_ARGB32);
    const std::string text = b.text;
    if (b.symbol == Symbol::DownTriangle) {
        DrawSymbol(ink, b.symbol, (b.width - kSymbolSize) / 2, (kButtonHeight - 7) / 2);
        return ink;
    }
    const int symbolW = b.symbol == Symbol::None ? 0 : kSymbolSize + kSymbolGap;
    int x = (b.width - symbolW - TextWidth(text)) / 2;
    if (b.symbol != Symbol::None) {
        DrawSymbol(ink, b.symbol, x, (kButtonHeight - kSymbolSize) / 2);
        x += symbolW;
    }
    if (!withText)
        return ink;
    for (unsigned char c : text) {
        const GlyphRows& glyph = NeedButton(c);
        x += DrawGrid(ink, glyph, x, kTextTop - ButtonGlyphHeadroom(glyph), pal::Lettering) + 1;
    }
    return ink;
}

// The button font sheet, from which the program letters a caption in the
// user's language onto a caption-less picture: 16 cells a row, each 8 pixels
// wide and 13 high. A glyph's row 0 lies in the cell's row 3 (rows 0 to 2
// hold the marks of accented capitals); the cell's last row names the glyph:
// its first `width` pixels are set, in the colour whose RGB value is the
// character's code point.
constexpr int kSheetColumns = 16;
constexpr int kSheetCellW = 8;
constexpr int kSheetCellH = 13;
constexpr int kSheetHeadroom = 3;

QImage ButtonFontSheet()
{
    const std::u32string chars = ButtonGlyphChars();
    const int rows = (int(chars.size()) + kSheetColumns - 1) / kSheetColumns;
    QImage img = NewImage(kSheetColumns * kSheetCellW, rows * kSheetCellH, pal::Transparent, QImage::Format_ARGB32);
    for (size_t i = 0; i < chars.size(); ++i) {
        const GlyphRows& glyph = NeedButton(chars[i]);
        const int x = kSheetCellW * int(i % kSheetColumns), y = kSheetCellH * int(i / kSheetColumns);
        if (int(glyph[0].size()) > kSheetCellW || ButtonGlyphHeadroom(glyph) > kSheetHeadroom)
            throw std::runtime_error("button glyph too big for its sheet cell: "
                                     + QString::fromUcs4(&chars[i], 1).toStdString());
        DrawGrid(img, glyph, x, y + kSheetHeadroom - ButtonGlyphHeadroom(glyph), pal::Lettering);
        FillRect(img, x, y + kSheetCellH - 1, int(glyph[0].size()), 1, 0xFF000000u | chars[i]);
    }
    return img;
}

enum class State { Up, Down, Focus, Disabled };

QImage Button(const ButtonSpec& b, State state, bool withText = true)
{
    const int w = b.width, h = kButtonHeight;
    const bool down = state == State::Down;
    QImage img = NewImage(w, h, down ? pal::ButtonFaceDown : pal::ButtonFace);
    // Dark rim with clipped corners showing the panel's grey.
    for (int x = 0; x < w; ++x) {
        img.setPixel(x, 0, pal::ButtonRim);
        img.setPixel(x, h - 1, pal::ButtonRim);
    }
    for (int y = 0; y < h; ++y) {
        img.setPixel(0, y, pal::ButtonRim);
        img.setPixel(w - 1, y, pal::ButtonRim);
    }
    for (int y : {0, h - 1})
        for (int x : {0, w - 1})
            img.setPixel(x, y, pal::Face);
    // Two-pixel bevel: raised lights the top and left, sunken the bottom and right.
    for (int i = 0; i < 2; ++i) {
        const QRgb lt = down ? pal::ButtonShade[i] : pal::ButtonLight[i];
        const QRgb dk = down ? pal::ButtonLight[1] : pal::ButtonShade[i];
        const int lo = 1 + i, hiX = w - 2 - i, hiY = h - 2 - i;
        for (int x = lo; x <= hiX; ++x) {
            img.setPixel(x, lo, lt);
            if (!down || i == 0)
                img.setPixel(x, hiY, dk);
        }
        for (int y = lo; y <= hiY; ++y) {
            img.setPixel(lo, y, lt);
            if (!down || i == 0)
                img.setPixel(hiX, y, dk);
        }
    }
    QImage ink = ButtonInk(b, withText);
    const int shift = down ? 1 : 0; // a pressed face carries its picture down and right
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = ink.pixel(x, y);
            const int tx = x + shift, ty = y + shift;
            if (qAlpha(c) != 0) {
                Put(img, tx, ty, state == State::Disabled ? pal::DisabledInk : (c | 0xFF000000u));
                continue;
            }
            if (state != State::Focus)
                continue;
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy)
                for (int dx = -1; dx <= 1 && !edge; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    edge = nx >= 0 && ny >= 0 && nx < w && ny < h && qAlpha(ink.pixel(nx, ny)) != 0;
                }
            if (edge)
                Put(img, tx, ty, pal::FocusOutline);
        }
    return img;
}

void Save(const QImage& img, const QString& path)
{
    if (!img.save(path, "PNG"))
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    try {
        const QString out = QString::fromLocal8Bit(argv[1]);
        if (!QDir().mkpath(out + "/buttons/bare"))
            throw std::runtime_error("cannot create " + out.toStdString());
        Save(DigitStrip(), out + "/bmp132.png");
        Save(FontSheet(), out + "/bmp143.png");
        Save(Skin(), out + "/bmp144.png");
        // Resources 158, 161, 160, 159 light categories 0, 1, 2, 3.
        Save(CategoryLabel(0), out + "/bmp158.png");
        Save(CategoryLabel(1), out + "/bmp161.png");
        Save(CategoryLabel(2), out + "/bmp160.png");
        Save(CategoryLabel(3), out + "/bmp159.png");
        Save(MicrophoneIcon32(), out + "/icon128.png");
        Save(MicrophoneIcon16(), out + "/icon128_16.png");
        Save(FolderIcon(false), out + "/icon129.png");
        Save(FolderIcon(true), out + "/icon130.png");
        for (const ButtonSpec& b : kButtons) {
            const QString base = out + "/buttons/" + b.caption;
            Save(Button(b, State::Up), base + "U.png");
            Save(Button(b, State::Down), base + "D.png");
            Save(Button(b, State::Focus), base + "F.png");
            if (b.hasDisabled)
                Save(Button(b, State::Disabled), base + "X.png");
            // The same without the words, for captions in other languages.
            if (*b.text) {
                const QString bare = out + "/buttons/bare/" + b.caption;
                Save(Button(b, State::Up, false), bare + "U.png");
                Save(Button(b, State::Down, false), bare + "D.png");
                Save(Button(b, State::Focus, false), bare + "F.png");
                if (b.hasDisabled)
                    Save(Button(b, State::Disabled, false), bare + "X.png");
            }
        }
        Save(ButtonFontSheet(), out + "/buttons/font.png");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vellory_artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
