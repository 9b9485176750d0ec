#include "panel/CDisplayPanel.h"

#include "res/Resources.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>

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

const char* const kCategoryNames[4] = {"New", "Home", "Work", "Personal"};

// "MM:SS", more minute digits when needed.
std::string TimeString(uint32_t seconds)
{
    char time[16];
    std::snprintf(time, sizeof time, "%02u:%02u", unsigned(seconds / 60), unsigned(seconds % 60));
    return time;
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
    // Categories 0 to 3: NEW, HOME, WORK, PERSONAL lit.
    m_hLabels[0] = LoadBitmap(":/images/bmp158.png");
    m_hLabels[1] = LoadBitmap(":/images/bmp161.png");
    m_hLabels[2] = LoadBitmap(":/images/bmp160.png");
    m_hLabels[3] = LoadBitmap(":/images/bmp159.png");
    setFixedSize(kWidth, kHeight);
    // Presses go to the panel underneath, which drags the window from here.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_blink.setInterval(kBlinkMs);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_timeHidden = !m_timeHidden;
        update(TimeRect());
    });
    UpdateAccessibleText();
}

int CDisplayPanel::TimeLength() const { return int(TimeString(m_seconds).size()); }

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

QRect CDisplayPanel::LabelRect() { return {2, 20, 100, 7}; }

int CDisplayPanel::BarColumns() const
{
    if (m_barMode == BarMode::Level)
        return m_levelColumns;
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

void CDisplayPanel::UpdateAccessibleText()
{
    // Screen readers hear what the strip shows; the time does not blink for them.
    const QString name = QStringLiteral("Time %1").arg(QString::fromStdString(TimeString(m_seconds)));
    const QString category = QString::fromLatin1(kCategoryNames[m_category]);
    const QString description = m_text.empty()
        ? QStringLiteral("Category %1, no file").arg(category)
        : QStringLiteral("Category %1, file %2").arg(category, QString::fromLocal8Bit(m_text.c_str()));
    if (accessibleName() != name)
        setAccessibleName(name);
    if (accessibleDescription() != description)
        setAccessibleDescription(description);
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
        UpdateAccessibleText();
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
    const std::string time = TimeString(m_seconds);
    if (!m_timeHidden) {
        bool colonDrawn = false;
        for (int i = 0; i < int(time.size()); ++i) {
            const char c = time[size_t(i)];
            const int x = colonDrawn ? 11 * i - 5 : 11 * i + 2;
            if (c == ':') {
                p.drawImage(QPoint(x, 2), m_hDigits, QRect(93, 0, 4, 13));
                colonDrawn = true;
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
    p.drawImage(LabelRect().topLeft(), m_hLabels[m_category], QRect(QPoint(0, 0), LabelRect().size()));
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
}
