// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "panel/CDisplayPanel.h"

#include "panel/CDisplayAccessible.h"
#include "res/Resources.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace {

const QColor kBackground(0, 0, 0);
const QColor kBarDone(0, 200, 0);
const QColor kBarToGo(128, 138, 22);

QImage LoadBitmap(const char* path)
{
    return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_RGB32);
}

// Top-left corner of a character's 5 x 6 cell in the font sheet. Characters
// without a glyph use the zero, so the text keeps its 5-pixel grid.
QPoint FontCell(unsigned char c)
{
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
    default: return {0, 6};
    }
}

const char* const kCategoryNames[4] = {QT_TRANSLATE_NOOP("Category", "New"), QT_TRANSLATE_NOOP("Category", "Home"),
                                       QT_TRANSLATE_NOOP("Category", "Work"),
                                       QT_TRANSLATE_NOOP("Category", "Personal")};

// The category label line: the four names in the font sheet's capitals, the
// current one lit. Each word starts 2 pixels after the previous word's last
// cell, which gives the English names exactly the places of the original
// label pictures.
const QColor kLabelLit(0, 207, 0);
const QColor kLabelDim(128, 138, 22);
constexpr int kLabelGap = 2;

// The font sheet's glyph rows in cell order (tools/artgen draws the sheet
// from the same strings).
const char32_t* const kSheetRows[3] = {
    U"ABCDEFGHIJKLMNOPQRSTUVWXYZ[]&@$",
    U"0123456789!\":;,-()_+\\/?=*#'.<>%",
    U"ÄÁÀÂÖÓÔÜÚÙÛÉÈÊËÍÎÏÑÇŒẞ¿¡~",
};

// The sheet cell of a capital, or an empty point when the sheet has none.
std::optional<QPoint> SheetCell(char32_t c)
{
    for (int row = 0; row < 3; ++row) {
        const std::u32string_view chars = kSheetRows[row];
        const size_t at = chars.find(c);
        if (at != std::u32string_view::npos)
            return QPoint(5 * int(at), 6 * row);
    }
    return std::nullopt;
}

// The cells that spell a category name: in capitals (German ß becomes SS),
// a letter the sheet lacks as its base letter without the accent (Å as A,
// Ł has none and shows the zero like the text line), a space as a blank
// cell (an empty point).
std::vector<std::optional<QPoint>> LabelCells(const QString& name)
{
    std::vector<std::optional<QPoint>> cells;
    for (char32_t c : name.toUpper().toUcs4()) {
        if (c == U' ') {
            cells.emplace_back();
            continue;
        }
        if (const auto cell = SheetCell(c)) {
            cells.push_back(cell);
            continue;
        }
        bool found = false;
        for (char32_t base : QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD).toUpper().toUcs4()) {
            if (QChar::category(base) == QChar::Mark_NonSpacing || QChar::category(base) == QChar::Mark_SpacingCombining
                || QChar::category(base) == QChar::Mark_Enclosing)
                continue;
            if (const auto cell = SheetCell(base)) {
                cells.push_back(cell);
                found = true;
            }
        }
        if (!found)
            cells.emplace_back(QPoint(0, 6));
    }
    return cells;
}

struct LabelWord {
    int x = 0;
    std::vector<std::optional<QPoint>> cells;
};

// The four words in the user's language, x relative to the label's left.
std::array<LabelWord, 4> LabelWords()
{
    std::array<LabelWord, 4> words;
    int x = 0;
    for (int i = 0; i < 4; ++i) {
        words[size_t(i)].x = x;
        words[size_t(i)].cells = LabelCells(QCoreApplication::translate("Category", kCategoryNames[i]));
        x += 5 * int(words[size_t(i)].cells.size()) + kLabelGap;
    }
    return words;
}

// Width of the label line: the last cell's blank column is not part of it.
int LabelWidth(const std::array<LabelWord, 4>& words)
{
    return words[3].x + 5 * int(words[3].cells.size()) - 1;
}

// The ink of the sheet's first variant in a label colour on black.
QImage LabelInk(const QImage& sheet, QColor ink)
{
    QImage img(155, 18, QImage::Format_RGB32);
    img.fill(kBackground);
    if (sheet.isNull())
        return img;
    const QRgb back = sheet.pixel(4, 0); // a blank cell column
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 155; ++x)
            if (sheet.pixel(x, y) != back)
                img.setPixel(x, y, ink.rgb());
    return img;
}

// "MM:SS", more minute digits when needed.
std::string TimeString(uint32_t seconds)
{
    char time[16];
    std::snprintf(time, sizeof time, "%02u:%02u", unsigned(seconds / 60), unsigned(seconds % 60));
    return time;
}

// The strip has no minus: it is the eight's middle bar (the pixels where
// the eight and the zero differ) on the ground of the colon's blank column,
// without the ghost of the other segments.
QImage MinusGlyph(const QImage& digits)
{
    QImage minus(9, 13, QImage::Format_RGB32);
    minus.fill(kBackground);
    if (digits.width() < 99 || digits.height() < 13)
        return minus;
    minus.fill(digits.pixel(90, 0));
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 9; ++x)
            if (digits.pixel(72 + x, y) != digits.pixel(x, y))
                minus.setPixel(x, y, digits.pixel(72 + x, y));
    return minus;
}

int64_t SteadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

CDisplayPanel::CDisplayPanel(QWidget* parent)
    : QWidget(parent)
    , m_clock(SteadyMilliseconds)
{
    InitVelloryResources();
    m_hDigits = LoadBitmap(":/images/bmp132.png");
    m_hFont = LoadBitmap(":/images/bmp143.png");
    m_minus = MinusGlyph(m_hDigits);
    // The category names are drawn from the font sheet's ink, in the two
    // colours of the label line.
    m_labelLit = LabelInk(m_hFont, kLabelLit);
    m_labelDim = LabelInk(m_hFont, kLabelDim);
    setFixedSize(kWidth, kHeight);
    // Presses go to the panel underneath, which drags the window from here.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_blink.setInterval(kBlinkMs);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_timeHidden = !m_timeHidden;
        update(TimeRect());
    });
    m_noInputBlink.setInterval(kBlinkMs);
    connect(&m_noInputBlink, &QTimer::timeout, this, [this] {
        m_noInputHidden = !m_noInputHidden;
        update(CategoryLineRect());
    });
    // Screen readers reach the strip with Tab and read it as a status bar.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&CDisplayAccessible::Factory);
        return true;
    }();
    (void)factoryInstalled;
    setFocusPolicy(Qt::TabFocus);
    m_announce.setSingleShot(true);
    connect(&m_announce, &QTimer::timeout, this, &CDisplayPanel::Announce);
    m_announcedText = AccessibleText();
}

std::string CDisplayPanel::TimeText() const
{
    if (!m_countdown)
        return TimeString(m_seconds);
    // "-0:42": as wide as "00:42", so the text line stays where it is.
    char time[16];
    std::snprintf(time, sizeof time, "-%u:%02u", unsigned(m_seconds / 60), unsigned(m_seconds % 60));
    return time;
}

int CDisplayPanel::TimeLength() const { return int(TimeText().size()); }

QRect CDisplayPanel::TimeRect() const
{
    // The glyphs' rows 2 to 14; the last glyph ends 7 pixels before the text.
    return {0, 2, 11 * TimeLength(), 13};
}

QRect CDisplayPanel::TextRect() const
{
    const int x = 11 * TimeLength();
    return {x, 5, std::max(0, kWidth - x), 6};
}

QRect CDisplayPanel::BarRect() { return {5, kHeight - 8, kWidth - 10, 4}; }

QRect CDisplayPanel::CategoryLineRect() { return {2, 20, kWidth - 4, 7}; }

QString CDisplayPanel::NoInputText() { return tr("No input").toUpper(); }

QRect CDisplayPanel::LabelRect()
{
    // The English names span 100 pixels; longer translations take more of
    // the line, up to the strip's right margin.
    return {2, 20, std::clamp(LabelWidth(LabelWords()), 100, kWidth - 4), 7};
}

int CDisplayPanel::BarColumns() const
{
    if (m_barMode == BarMode::Level)
        return m_levelColumns;
    if (m_barMode == BarMode::Space)
        return int(m_spaceUsed * float(kWidth - 10));
    // Wide arithmetic: milliseconds of a long file times the bar's width
    // pass 32 bits. A position outside the range stays within the bar.
    const int64_t barWidth = kWidth - 10;
    const int64_t span = int64_t(m_high) - int64_t(m_low);
    return int(std::clamp<int64_t>(barWidth * m_position / span, 0, barWidth));
}

int CDisplayPanel::LevelColumns(float dBFS) const
{
    if (!(dBFS > kLevelFloor)) // NaN too
        return 0;
    const int barWidth = kWidth - 10;
    const float lit = (dBFS - kLevelFloor) / -kLevelFloor * float(barWidth);
    return std::clamp(int(lit), 0, barWidth);
}

void CDisplayPanel::RepaintPending()
{
    if (m_pending.isEmpty())
        return;
    const QRegion region = m_pending;
    m_pending = QRegion();
    repaint(region);
}

QString CDisplayPanel::AccessibleText() const
{
    // Screen readers hear what the strip shows; the time does not blink for
    // them. The level bar is left out on purpose: a peak redrawn ten times a
    // second would either flood them with changes or, slowed down, tell
    // nothing true, and the running time already says that recording goes on.
    QString state;
    switch (m_activity) {
    case Activity::Recording: state = tr("Recording"); break;
    case Activity::Paused: state = tr("Paused"); break;
    case Activity::Playing: state = tr("Playing"); break;
    case Activity::Stopped: state = tr("Stopped"); break;
    }
    QString time = QString::fromStdString(TimeString(m_seconds));
    if (m_countdown)
        time = tr("%1 left").arg(time);
    const QString category = QCoreApplication::translate("Category", kCategoryNames[m_category]);
    QString line;
    if (m_text.empty()) {
        line = tr("%1, %2, category %3").arg(state, time, category);
    } else {
        // The file's own name: its folder only repeats the category.
        const QString path = QString::fromLocal8Bit(m_text.c_str());
        const QString file = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        line = tr("%1, %2, category %3, file %4").arg(state, time, category, file);
    }
    // The warning follows the usual line, which keeps its shape for whoever
    // reads it; it does not blink for them.
    if (IsNoInput())
        line = tr("%1. No sound from the input").arg(line);
    return line;
}

void CDisplayPanel::SetNoInput(bool noInput)
{
    if (noInput == IsNoInput())
        return;
    m_noInputHidden = false;
    if (noInput)
        m_noInputBlink.start();
    else
        m_noInputBlink.stop();
    update(CategoryLineRect());
    UpdateAccessibleText();
}

void CDisplayPanel::SetCountdown(bool countdown)
{
    if (countdown == m_countdown)
        return;
    m_countdown = countdown;
    m_pending += QRect(0, 0, kWidth, 16); // the time, and the text line should its width change
    UpdateAccessibleText();
}

void CDisplayPanel::SetSpaceUsed(float fraction)
{
    const int before = BarColumns();
    m_spaceUsed = std::isnan(fraction) ? 0.0f : std::clamp(fraction, 0.0f, 1.0f);
    if (m_barMode == BarMode::Space && BarColumns() != before)
        update(BarRect());
}

void CDisplayPanel::SetActivity(Activity activity)
{
    if (activity == m_activity)
        return;
    m_activity = activity;
    UpdateAccessibleText();
}

void CDisplayPanel::UpdateAccessibleText(bool timeOnly)
{
    // A zero delay lets the panel's setters for one state finish first, so
    // that one state change is one event.
    if (!timeOnly) {
        m_announce.start(0);
        return;
    }
    if (m_announce.isActive())
        return; // the pending event will carry the new time
    const int64_t since = m_clock() - m_announcedAt;
    m_announce.start(int(std::clamp<int64_t>(kAnnounceMs - since, 0, kAnnounceMs)));
}

void CDisplayPanel::Announce()
{
    QString text = AccessibleText();
    if (text == m_announcedText)
        return;
    std::swap(text, m_announcedText);
    m_announcedAt = m_clock();
    QAccessibleEvent name(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&name);
    QAccessibleTextUpdateEvent update(this, 0, text, m_announcedText);
    QAccessible::updateAccessibility(&update);
    emit AccessibleTextAnnounced(m_announcedText);
}

void CDisplayPanel::SetSeconds(uint32_t seconds)
{
    if (seconds != m_seconds) {
        const int oldLength = TimeLength();
        m_seconds = seconds;
        if (TimeLength() != oldLength)
            m_pending += QRect(0, 0, kWidth, 16); // the text line moves with the time
        else
            m_pending += TimeRect();
        UpdateAccessibleText(true);
    }
    RepaintPending();
}

void CDisplayPanel::SetRange(int32_t low, int32_t high, bool redraw)
{
    // An empty range would divide by zero; it becomes one unit wide (below
    // low when high + 1 would overflow).
    if (high == low) {
        if (high < INT32_MAX)
            ++high;
        else
            --low;
    }
    const int before = BarColumns();
    m_low = low;
    m_high = high;
    if (BarColumns() != before)
        m_pending += BarRect();
    if (redraw)
        RepaintPending();
}

void CDisplayPanel::SetPosition(int32_t position)
{
    const int before = BarColumns();
    m_position = position;
    if (BarColumns() != before)
        m_pending += BarRect();
}

void CDisplayPanel::SetText(const std::string& text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_pending += TextRect();
    UpdateAccessibleText();
}

std::string CDisplayPanel::GetText() const { return m_text; }

void CDisplayPanel::SetCategory(int32_t category)
{
    if (category < 0 || category > 3)
        return;
    if (category != m_category) {
        m_category = category;
        m_pending += LabelRect();
        UpdateAccessibleText();
    }
    RepaintPending();
}

int32_t CDisplayPanel::GetCategory() const { return m_category; }

void CDisplayPanel::SetBarMode(BarMode mode)
{
    m_levelPeak = kLevelFloor;
    m_levelPeakAt = m_clock();
    m_levelColumns = 0;
    if (mode == m_barMode)
        return;
    m_barMode = mode;
    update(BarRect());
}

void CDisplayPanel::SetClock(std::function<int64_t()> clock)
{
    m_clock = std::move(clock);
    m_levelPeakAt = m_clock();
}

float CDisplayPanel::ShownLevel() const
{
    const int64_t since = m_clock() - m_levelPeakAt;
    if (since <= kLevelHoldMs)
        return m_levelPeak;
    return std::max(kLevelFloor, m_levelPeak - kLevelFall * float(since - kLevelHoldMs) / 1000.0f);
}

void CDisplayPanel::SetLevel(float dBFS)
{
    if (std::isnan(dBFS))
        dBFS = -INFINITY;
    const float shown = ShownLevel();
    if (dBFS >= shown) {
        // A new peak: shown at once and held from now.
        m_levelPeak = std::min(dBFS, 0.0f);
        m_levelPeakAt = m_clock();
    }
    if (m_barMode != BarMode::Level)
        return;
    const int columns = LevelColumns(ShownLevel());
    if (columns == m_levelColumns)
        return;
    m_levelColumns = columns;
    update(BarRect());
}

void CDisplayPanel::SetBlinking(bool blinking)
{
    if (blinking == m_blink.isActive())
        return;
    if (blinking) {
        m_blink.start();
        return;
    }
    m_blink.stop();
    if (m_timeHidden) {
        m_timeHidden = false;
        update(TimeRect());
    }
}

QImage CDisplayPanel::Render() const
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);

    // Time: MM:SS, more minute digits when needed. Digits sit 11 pixels
    // apart; the colon's narrow cell pulls the seconds 7 pixels closer.
    const std::string time = TimeText();
    if (!m_timeHidden) {
        bool colonDrawn = false;
        for (int i = 0; i < int(time.size()); ++i) {
            const char c = time[size_t(i)];
            const int x = colonDrawn ? 11 * i - 5 : 11 * i + 2;
            if (c == ':') {
                p.drawImage(QPoint(x, 2), m_hDigits, QRect(93, 0, 4, 13));
                colonDrawn = true;
            } else if (c == '-') {
                p.drawImage(QPoint(x, 2), m_minus);
            } else {
                p.drawImage(QPoint(x, 2), m_hDigits, QRect(9 * (c - '0'), 0, 9, 13));
            }
        }
    }
    const int timeLength = int(time.size());

    // Progress bar, columns 5 to W - 6 and rows H - 8 to H - 5.
    const QRect bar = BarRect();
    const int filled = BarColumns();
    p.fillRect(QRect(bar.x(), bar.y(), filled, bar.height()), kBarDone);
    p.fillRect(QRect(bar.x() + filled, bar.y(), bar.width() - filled, bar.height()), kBarToGo);

    // Text line in capitals, right after the time; the image clips the rest.
    int x = 11 * timeLength;
    for (char ch : m_text) {
        if (x >= kWidth)
            break;
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 'a' + 'A');
        p.drawImage(QPoint(x, 5), m_hFont, QRect(FontCell(c), QSize(5, 6)));
        x += 5;
    }

    // Category label; rows 27 and 28 under it stay black.
    const QRect label = LabelRect();
    if (IsNoInput()) {
        // The warning in the lit capitals, from the label's left; its dark
        // half leaves the line black.
        p.setClipRect(CategoryLineRect());
        if (!m_noInputHidden) {
            int cx = label.x();
            for (const std::optional<QPoint>& cell : LabelCells(NoInputText())) {
                if (cell)
                    p.drawImage(QPoint(cx, label.y()), m_labelLit, QRect(*cell, QSize(5, 6)));
                cx += 5;
            }
        }
        p.setClipping(false);
        return image;
    }
    p.setClipRect(label);
    const std::array<LabelWord, 4> words = LabelWords();
    for (int i = 0; i < 4; ++i) {
        const QImage& ink = i == m_category ? m_labelLit : m_labelDim;
        int cx = label.x() + words[size_t(i)].x;
        for (const std::optional<QPoint>& cell : words[size_t(i)].cells) {
            if (cell)
                p.drawImage(QPoint(cx, label.y()), ink, QRect(*cell, QSize(5, 6)));
            cx += 5;
        }
    }
    p.setClipping(false);
    return image;
}

void CDisplayPanel::PaintScaled(QPainter& painter) const
{
    // Nearest neighbour at every ratio: a whole ratio turns each pixel into
    // a block, a fractional one into blocks one device pixel wider or
    // narrower in turn. Sharp either way, and the strip fills its place in
    // the scaled skin exactly.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(0, 0, kWidth, kHeight), Render());
}

void CDisplayPanel::paintEvent(QPaintEvent* event)
{
    // Whatever a paint covers is up to date now, so a later setter need not
    // paint it again.
    m_pending -= event->region();
    QPainter painter(this);
    painter.setClipRegion(event->region());
    PaintScaled(painter);
    // The keyboard focus (Tab reaches the strip for screen readers) shows on
    // the panel as a frame in the bar's colour; QWidget repaints on focus in
    // and out. A strip that is a window of its own has nothing to tell apart.
    if (hasFocus() && !isWindow()) {
        painter.setPen(kBarDone);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
