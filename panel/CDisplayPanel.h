#pragma once
// The LCD strip across the middle of the recorder panel: the time, one line
// of text (the current file's path), the category label and a progress bar.
// It paints only from the program's bitmaps, never with a font, and it is
// where the panel keeps the current path and category.
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <string>

class QPainter;

class CDisplayPanel : public QWidget {
    Q_OBJECT
public:
    // 215 x 25 dialog units of the panel's template.
    static constexpr int kWidth = 322;
    static constexpr int kHeight = 40;

    explicit CDisplayPanel(QWidget* parent = nullptr);

    // The setters that show at once repaint before they return; SetText and
    // SetPosition show at the next repaint.
    void SetSeconds(uint32_t seconds);
    void SetRange(int32_t low, int32_t high, bool redraw);
    void SetPosition(int32_t position);
    void SetText(const std::string& text);
    std::string GetText() const;
    // Categories outside 0 to 3 are ignored.
    void SetCategory(int32_t category);
    int32_t GetCategory() const;

    // The picture at 1:1 pixels.
    QImage Render() const;
    // Paints the picture onto a device whose pixel ratio is devicePixelRatio:
    // scaled by the largest whole multiple that fits, pixels kept sharp.
    void PaintScaled(QPainter& painter, qreal devicePixelRatio) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t m_seconds = 0;
    QImage m_hDigits;
    QImage m_hFont;
    QImage m_hLabels[4];
    int32_t m_low = 0;
    int32_t m_high = 100;
    int32_t m_position = 0;
    std::string m_text;
    int32_t m_category = 1;
};
