#pragma once
// A push button drawn from pictures: one image per state (normal, pressed,
// keyboard focus, disabled), found by the button's caption.
#include <QAbstractButton>
#include <QPixmap>
#include <QString>

class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    CBitmapButton(const QString& caption, QWidget* parent = nullptr);

    // Loads caption + "U", "D", "F" and "X" from the button images and sizes the
    // button to the normal image, keeping its top-left corner. A missing optional
    // image leaves the normal one in use for that state. False when even the
    // normal image is missing; the button then keeps its current size.
    bool AutoLoad();

    const QString& Caption() const { return m_caption; }
    // The image the button paints in its current state (null before AutoLoad).
    const QPixmap& CurrentImage() const;
    // Which image that is: 'U', 'D', 'F' or 'X', by state, before any fallback.
    char CurrentState() const;

    QSize sizeHint() const override;

    // Folder (resource or file) the images come from, ending in a separator.
    static QString ImageFolder();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_caption;
    QPixmap m_up, m_down, m_focus, m_disabled;
};
