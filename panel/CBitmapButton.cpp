// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CBitmapButton.h"

#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <array>
#include <vector>

namespace {

// The English words each made picture shows. Translations must fit the
// face: 50 pixels of the button font beside a symbol (about 8 letters),
// 89 pixels for the manager's button.
struct MadeWordsOf {
    const char* caption;
    const char* words;
};
const MadeWordsOf kMadeWords[] = {
    //: Lettered on the panel's record button in a pixel font: at most about 8 letters (50 pixels).
    {"REC", QT_TRANSLATE_NOOP("CBitmapButton", "Rec")},
    //: Lettered on the panel's stop button in a pixel font: at most about 8 letters (50 pixels).
    {"STOP", QT_TRANSLATE_NOOP("CBitmapButton", "Stop")},
    //: Lettered on the panel's play button in a pixel font: at most about 8 letters (50 pixels).
    {"PLAY", QT_TRANSLATE_NOOP("CBitmapButton", "Play")},
    //: Lettered on the panel's button that opens the recordings manager: at most about 14 letters (89 pixels).
    {"MANAGER", QT_TRANSLATE_NOOP("CBitmapButton", "File Manager")},
    //: Lettered on the panel's button that ends the program: at most about 8 letters (50 pixels).
    {"POWER", QT_TRANSLATE_NOOP("CBitmapButton", "Power")},
    //: Lettered on the panel's button that chooses the recording format: at most about 8 letters (50 pixels).
    {"OPTION", QT_TRANSLATE_NOOP("CBitmapButton", "Options")},
};

// The layout tools/artgen gives the made pictures: words from row 12 (a
// glyph's row 0), a 13-pixel symbol and a 6-pixel gap before them, the two
// centred together; a pressed face carries its picture 1 pixel down and
// right. The face inside the rim and bevel starts at column 3; the ink keeps
// 1 more pixel from it for the focus outline and the press.
constexpr int kWordsTop = 12;
constexpr int kSymbolSpan = 13 + 6;
constexpr int kFaceInset = 3;
constexpr int kInkInset = kFaceInset + 1;

// The button font sheet (see tools/artgen): 8 x 13 cells, a glyph's row 0
// in the cell's row 3; the cell's last row is `width` pixels in the colour
// whose RGB value is the character.
constexpr int kCellW = 8;
constexpr int kCellH = 13;
constexpr int kCellHeadroom = 3;

class ButtonFont {
public:
    static const ButtonFont& Get()
    {
        // Loaded once the resources hold it; tried again until then.
        static ButtonFont font;
        if (font.m_glyphs.isEmpty())
            font.Load(CBitmapButton::ImageFolder() + QStringLiteral("font.png"));
        return font;
    }
    bool IsNull() const { return m_glyphs.isEmpty(); }

    // The sheet cells that letter `words`, glyph row 0 at cell row 3. A
    // character the font lacks is its base letter without the accent, or
    // '?' when it has none.
    std::vector<QRect> Cells(const QString& words) const
    {
        std::vector<QRect> cells;
        for (char32_t c : words.toUcs4()) {
            if (auto it = m_glyphs.find(c); it != m_glyphs.end()) {
                cells.push_back(*it);
                continue;
            }
            bool found = false;
            const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
            for (char32_t base : decomposed.toUcs4())
                if (auto it = m_glyphs.find(base); it != m_glyphs.end()) {
                    cells.push_back(*it);
                    found = true;
                }
            if (!found && m_glyphs.contains(U'?'))
                cells.push_back(m_glyphs.value(U'?'));
        }
        return cells;
    }
    static int Width(const std::vector<QRect>& cells)
    {
        int w = 0;
        for (const QRect& cell : cells)
            w += cell.width() + 1;
        return w > 0 ? w - 1 : 0;
    }
    // Marks in `mask` (w x h, row by row) the ink of `cells` lettered with
    // the glyphs' row 0 at `top` from column `left`.
    void Draw(const std::vector<QRect>& cells, int left, int top, int w, int h, std::vector<char>& mask) const
    {
        int x = left;
        for (const QRect& cell : cells) {
            for (int gy = 0; gy < cell.height(); ++gy)
                for (int gx = 0; gx < cell.width(); ++gx) {
                    const int px = x + gx, py = top - kCellHeadroom + gy;
                    if (px >= 0 && py >= 0 && px < w && py < h
                        && qAlpha(m_sheet.pixel(cell.x() + gx, cell.y() + gy)) != 0)
                        mask[size_t(py * w + px)] = 1;
                }
            x += cell.width() + 1;
        }
    }

private:
    void Load(const QString& path)
    {
        m_sheet = QImage(path).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y + kCellH <= m_sheet.height(); y += kCellH)
            for (int x = 0; x + kCellW <= m_sheet.width(); x += kCellW) {
                int width = 0;
                while (width < kCellW && qAlpha(m_sheet.pixel(x + width, y + kCellH - 1)) != 0)
                    ++width;
                if (width > 0)
                    m_glyphs.insert(char32_t(m_sheet.pixel(x, y + kCellH - 1) & 0xFFFFFFu),
                                    QRect(x, y, width, kCellH - 1));
            }
    }

    QImage m_sheet;
    QHash<char32_t, QRect> m_glyphs;
};

} // namespace

CBitmapButton::CBitmapButton(const QString& caption, QWidget* parent)
    : QAbstractButton(parent)
    , m_caption(caption)
{
    setText(caption);
    setAccessibleName(caption);
    // Tab stop: every picture button is reachable from the keyboard.
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_NoSystemBackground);
}

QString CBitmapButton::ImageFolder()
{
    return QStringLiteral(":/images/buttons/");
}

bool CBitmapButton::AutoLoad()
{
    const QString base = ImageFolder() + m_caption;
    m_up = QPixmap(base + QLatin1Char('U') + QStringLiteral(".png"));
    m_down = QPixmap(base + QLatin1Char('D') + QStringLiteral(".png"));
    m_focus = QPixmap(base + QLatin1Char('F') + QStringLiteral(".png"));
    m_disabled = QPixmap(base + QLatin1Char('X') + QStringLiteral(".png"));
    m_relettered = false;
    if (m_up.isNull())
        return false;
    setFixedSize(m_up.size());
    const QString made = MadeWords(), words = Words();
    if (!made.isEmpty() && words != made) {
        // All states or none: a button must not change language as it is pressed.
        const std::array<std::pair<QPixmap*, char>, 4> states = {
            {{&m_up, 'U'}, {&m_down, 'D'}, {&m_focus, 'F'}, {&m_disabled, 'X'}}};
        std::array<QImage, 4> lettered;
        bool all = true;
        for (size_t i = 0; i < states.size() && all; ++i) {
            const auto [image, state] = states[i];
            if (image->isNull())
                continue;
            const QImage bare(ImageFolder() + QStringLiteral("bare/") + m_caption + QLatin1Char(state)
                              + QStringLiteral(".png"));
            lettered[i] = Reletter(image->toImage(), bare, made, words, state);
            all = !lettered[i].isNull();
        }
        if (all) {
            for (size_t i = 0; i < states.size(); ++i)
                if (!lettered[i].isNull())
                    *states[i].first = QPixmap::fromImage(lettered[i]);
            m_relettered = true;
        } else {
            // Too wide (or no font): the English words stay rather than clipped ones.
            qWarning("CBitmapButton: \"%s\" does not fit the %s button; it keeps \"%s\"", qUtf8Printable(words),
                     qUtf8Printable(m_caption), qUtf8Printable(made));
        }
    }
    update();
    return true;
}

QString CBitmapButton::MadeWords() const
{
    for (const MadeWordsOf& m : kMadeWords)
        if (m_caption == QLatin1String(m.caption))
            return QString::fromLatin1(m.words);
    return {};
}

QString CBitmapButton::Words() const
{
    for (const MadeWordsOf& m : kMadeWords)
        if (m_caption == QLatin1String(m.caption))
            return tr(m.words);
    return {};
}

int CBitmapButton::WordsWidth(const QString& words)
{
    const ButtonFont& font = ButtonFont::Get();
    return font.Width(font.Cells(words));
}

bool CBitmapButton::WordsFit(int pictureWidth, bool withSymbol, int wordsWidth)
{
    const int span = (withSymbol ? kSymbolSpan : 0) + wordsWidth;
    const int left = (pictureWidth - span) / 2;
    return left >= kInkInset && left + span <= pictureWidth - kInkInset;
}

QImage CBitmapButton::Reletter(const QImage& madeImage, const QImage& bareImage, const QString& madeWords,
                               const QString& words, char state)
{
    const ButtonFont& font = ButtonFont::Get();
    const QImage made = madeImage.convertToFormat(QImage::Format_RGB32);
    const QImage bare = bareImage.convertToFormat(QImage::Format_RGB32);
    if (font.IsNull() || made.isNull() || made.size() != bare.size())
        return {};
    const int w = made.width(), h = made.height();
    if (w <= 2 * kInkInset || h <= kWordsTop + 2 * kInkInset)
        return {};
    const int shift = state == 'D' ? 1 : 0;

    // The symbol: whatever the bare face shows inside the bevel.
    const QRgb face = bare.pixel(kFaceInset, kFaceInset);
    QRect symbol;
    for (int y = kFaceInset; y < h - kFaceInset; ++y)
        for (int x = kFaceInset; x < w - kFaceInset; ++x)
            if (bare.pixel(x, y) != face)
                symbol |= QRect(x, y, 1, 1);
    const int span = symbol.isNull() ? 0 : kSymbolSpan;

    const std::vector<QRect> madeCells = font.Cells(madeWords), cells = font.Cells(words);
    const int madeLeft = (w - span - font.Width(madeCells)) / 2;
    const int left = (w - span - font.Width(cells)) / 2;
    if (!WordsFit(w, !symbol.isNull(), font.Width(cells)))
        return {};
    // The symbol (with its outline) lies before the words' place.
    if (!symbol.isNull() && (symbol.left() < madeLeft + shift - 1 || symbol.right() >= madeLeft + span + shift - 1))
        return {};

    // The made words where this layout puts them must be all that the made
    // picture adds to the bare one: their ink in one colour, and around it
    // (on a focused face) an outline in another.
    std::vector<char> madeMask(size_t(w * h), 0);
    font.Draw(madeCells, madeLeft + span + shift, kWordsTop + shift, w, h, madeMask);
    const auto nextToInk = [w, h](const std::vector<char>& mask, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < w && ny < h && mask[size_t(ny * w + nx)])
                    return true;
            }
        return false;
    };
    bool haveInk = false, haveOutline = false;
    QRgb ink = 0, outline = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb m = made.pixel(x, y);
            if (madeMask[size_t(y * w + x)]) {
                if (haveInk && m != ink)
                    return {};
                ink = m;
                haveInk = true;
            } else if (m != bare.pixel(x, y)) {
                if (!nextToInk(madeMask, x, y) || (haveOutline && m != outline))
                    return {};
                outline = m;
                haveOutline = true;
            }
        }
    if (!haveInk || made == bare)
        return {};

    // The bare picture, its symbol moved to the new centre, and the words.
    QImage out = bare;
    if (!symbol.isNull() && left != madeLeft) {
        const QImage symbolImage = bare.copy(symbol);
        QPainter painter(&out);
        painter.fillRect(symbol, QColor::fromRgb(face));
        painter.drawImage(symbol.topLeft() + QPoint(left - madeLeft, 0), symbolImage);
    }
    std::vector<char> mask(size_t(w * h), 0);
    font.Draw(cells, left + span + shift, kWordsTop + shift, w, h, mask);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (mask[size_t(y * w + x)])
                out.setPixel(x, y, ink);
            else if (haveOutline && nextToInk(mask, x, y))
                out.setPixel(x, y, outline);
        }
    return out;
}

char CBitmapButton::CurrentState() const
{
    if (!isEnabled())
        return 'X';
    if (isDown())
        return 'D';
    if (hasFocus())
        return 'F';
    return 'U';
}

const QPixmap& CBitmapButton::CurrentImage() const
{
    const QPixmap* image = &m_up;
    switch (CurrentState()) {
    case 'X': image = &m_disabled; break;
    case 'D': image = &m_down; break;
    case 'F': image = &m_focus; break;
    default: break;
    }
    return image->isNull() ? m_up : *image;
}

QSize CBitmapButton::sizeHint() const
{
    return m_up.isNull() ? size() : m_up.size();
}

void CBitmapButton::changeEvent(QEvent* event)
{
    // A translator installed or removed later letters the pictures anew.
    if (event->type() == QEvent::LanguageChange && !m_up.isNull())
        AutoLoad();
    QAbstractButton::changeEvent(event);
}

void CBitmapButton::paintEvent(QPaintEvent*)
{
    const QPixmap& image = CurrentImage();
    if (image.isNull())
        return; // no picture yet: the panel's face shows through
    QPainter painter(this);
    painter.drawPixmap(0, 0, image);
}

void CBitmapButton::keyPressEvent(QKeyEvent* event)
{
    // Enter on a focused push button presses it, as Space does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (isEnabled())
            animateClick();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CBitmapButton::mousePressEvent(QMouseEvent* event)
{
    // Other buttons end here: a right press on a picture button must not reach
    // the panel, whose right press opens the menu.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void CBitmapButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}
