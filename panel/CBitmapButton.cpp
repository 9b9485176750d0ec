#include "CBitmapButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

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
    if (m_up.isNull())
        return false;
    setFixedSize(m_up.size());
    update();
    return true;
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
