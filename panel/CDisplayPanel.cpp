#include "panel/CDisplayPanel.h"

#include "res/Resources.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
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

} // namespace

CDisplayPanel::CDisplayPanel(QWidget* parent)
    : QWidget(parent)
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
}

void CDisplayPanel::SetSeconds(uint32_t seconds)
{
    m_seconds = seconds;
    repaint();
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
    m_low = low;
    m_high = high;
    if (redraw)
        repaint();
}

void CDisplayPanel::SetPosition(int32_t position) { m_position = position; }

void CDisplayPanel::SetText(const std::string& text) { m_text = text; }

std::string CDisplayPanel::GetText() const { return m_text; }

void CDisplayPanel::SetCategory(int32_t category)
{
    if (category < 0 || category > 3)
        return;
    m_category = category;
    repaint();
}

int32_t CDisplayPanel::GetCategory() const { return m_category; }

QImage CDisplayPanel::Render() const
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);

    // Time: MM:SS, more minute digits when needed. Digits sit 11 pixels
    // apart; the colon's narrow cell pulls the seconds 7 pixels closer.
    char time[16];
    std::snprintf(time, sizeof time, "%02u:%02u", unsigned(m_seconds / 60), unsigned(m_seconds % 60));
    bool colonDrawn = false;
    int i = 0;
    for (const char* c = time; *c; ++c, ++i) {
        const int x = colonDrawn ? 11 * i - 5 : 11 * i + 2;
        if (*c == ':') {
            p.drawImage(QPoint(x, 2), m_hDigits, QRect(93, 0, 4, 13));
            colonDrawn = true;
        } else {
            p.drawImage(QPoint(x, 2), m_hDigits, QRect(9 * (*c - '0'), 0, 9, 13));
        }
    }
    const int timeLength = i;

    // Progress bar, columns 5 to W - 6 and rows H - 8 to H - 5. Wide
    // arithmetic: milliseconds of a long file times the bar's width pass
    // 32 bits. A position outside the range stays within the bar.
    const int64_t barWidth = kWidth - 10;
    const int64_t span = int64_t(m_high) - int64_t(m_low);
    const int64_t filled = std::clamp<int64_t>(barWidth * m_position / span, 0, barWidth);
    p.fillRect(QRect(5, kHeight - 8, int(filled), 4), kBarDone);
    p.fillRect(QRect(5 + int(filled), kHeight - 8, int(barWidth - filled), 4), kBarToGo);

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
    p.drawImage(QPoint(2, 20), m_hLabels[m_category], QRect(0, 0, 100, 7));
    return image;
}

void CDisplayPanel::PaintScaled(QPainter& painter, qreal devicePixelRatio) const
{
    const QImage frame = Render();
    const int scale = std::max(1, int(std::floor(devicePixelRatio + 1e-6)));
    if (std::fabs(devicePixelRatio - scale) < 1e-6) {
        // Whole ratio: each pixel becomes a block (no smoothing is set).
        painter.drawImage(QRect(0, 0, kWidth, kHeight), frame);
        return;
    }
    // Fractional ratio: draw in device pixels at the whole multiple below
    // it, centred, rather than blur the glyphs.
    painter.fillRect(QRect(0, 0, kWidth, kHeight), kBackground);
    painter.save();
    painter.scale(1 / devicePixelRatio, 1 / devicePixelRatio);
    const int deviceW = int(std::lround(kWidth * devicePixelRatio));
    const int deviceH = int(std::lround(kHeight * devicePixelRatio));
    const QSize size(kWidth * scale, kHeight * scale);
    painter.drawImage(QRect(QPoint((deviceW - size.width()) / 2, (deviceH - size.height()) / 2), size), frame);
    painter.restore();
}

void CDisplayPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintScaled(painter, devicePixelRatioF());
}
