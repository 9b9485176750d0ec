#include "CRecorderDlg.h"

#include "app/MessageBoxes.h"
#include "engine/MessageStyle.h"
#include "panel/CAboutDlg.h"
#include "panel/CBitmapButton.h"
#include "panel/DialogUnits.h"
#include "panel/PanelImages.h"
#include "res/Resources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {
// The skin's bevel: three pixels on every side, around the client area.
constexpr int kBorder = 3;
const QColor kFaceColour(75, 75, 75);
} // namespace

QString CRecorderDlg::AboutMenuText()
{
    return QStringLiteral("&About Vellory...");
}

CRecorderDlg::CRecorderDlg(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint)
{
    InitVelloryResources();
    m_hIcon = PanelIcon();
    m_mciDeviceId = 0;
    m_timerRecording.setInterval(100);
    m_timerPlayback.setInterval(100);
    connect(&m_timerRecording, &QTimer::timeout, this, [this] { OnTimer(IDT_RECORDING); });
    connect(&m_timerPlayback, &QTimer::timeout, this, [this] { OnTimer(IDT_PLAYBACK); });
    OnInitDialog();
}

CRecorderDlg::~CRecorderDlg()
{
    // A panel destroyed without ending (tests) still releases its recorder safely.
    if (!m_bEnded) {
        m_bEnded = true;
        DestroyWindow();
    }
}

CBitmapButton* CRecorderDlg::MakeButton(const QString& caption, int id, int duX, int duY, int duW, int duH)
{
    auto* button = new CBitmapButton(caption, this);
    button->setObjectName(caption);
    button->setProperty("commandId", id);
    // Template position inside the border; the template's size until the
    // images give the button its own.
    button->setGeometry(kBorder + DuX(duX), kBorder + DuY(duY), DuX(duW), DuY(duH));
    return button;
}

void CRecorderDlg::OnInitDialog()
{
    setFixedSize(DuX(229) + 2 * kBorder, DuY(92) + 2 * kBorder);

    // Controls in the template's tab order.
    m_btnRec = MakeButton(QStringLiteral("REC"), IDC_REC, 5, 55, 50, 19);
    m_btnStop = MakeButton(QStringLiteral("STOP"), IDC_STOP, 58, 55, 50, 19);
    m_btnPlay = MakeButton(QStringLiteral("PLAY"), IDC_PLAY, 111, 55, 50, 19);
    m_btnManager = MakeButton(QStringLiteral("MANAGER"), IDC_MANAGER, 5, 4, 62, 18);
    m_btnPower = MakeButton(QStringLiteral("POWER"), IDC_POWER, 172, 4, 50, 18);
    m_btnOption = MakeButton(QStringLiteral("OPTION"), IDC_OPTION, 116, 4, 50, 18);
    m_btnMin = MakeButton(QStringLiteral("MIN"), IDC_MIN, 205, 73, 22, 17);
    m_btnStop->setEnabled(false);
    m_btnPlay->setEnabled(false);

    // The window's icons; the about entry lives in the window's own menu.
    setWindowIcon(m_hIcon);

    m_mode = Idle;

    for (CBitmapButton* button : {m_btnPlay, m_btnStop, m_btnRec, m_btnPower, m_btnOption, m_btnManager, m_btnMin})
        button->AutoLoad();

    connect(m_btnPower, &QAbstractButton::clicked, this, &CRecorderDlg::OnPower);
    connect(m_btnMin, &QAbstractButton::clicked, this, &CRecorderDlg::OnMin);

    m_hSkin = SkinPixmap();
    setWindowTitle(QStringLiteral("Vellory"));
    m_btnRec->setFocus();
}

CBitmapButton* CRecorderDlg::Button(int id) const
{
    switch (id) {
    case IDC_REC: return m_btnRec;
    case IDC_STOP: return m_btnStop;
    case IDC_PLAY: return m_btnPlay;
    case IDC_MANAGER: return m_btnManager;
    case IDC_POWER: return m_btnPower;
    case IDC_OPTION: return m_btnOption;
    case IDC_MIN: return m_btnMin;
    default: return nullptr;
    }
}

void CRecorderDlg::ShowFromOtherCopy()
{
    // Only a hidden panel comes back; a minimised one stays minimised.
    if (!isVisible())
        show();
}

void CRecorderDlg::SetTimer(int id)
{
    if (id == IDT_RECORDING)
        m_timerRecording.start();
    else if (id == IDT_PLAYBACK)
        m_timerPlayback.start();
}

void CRecorderDlg::KillTimer(int id)
{
    if (id == IDT_RECORDING)
        m_timerRecording.stop();
    else if (id == IDT_PLAYBACK)
        m_timerPlayback.stop();
}

bool CRecorderDlg::IsTimerActive(int id) const
{
    if (id == IDT_RECORDING)
        return m_timerRecording.isActive();
    if (id == IDT_PLAYBACK)
        return m_timerPlayback.isActive();
    return false;
}

void CRecorderDlg::OnTimer(int id)
{
    switch (id) {
    case IDT_RECORDING:
        break;
    case IDT_PLAYBACK:
        break;
    default:
        ShowMessageBox(QStringLiteral("Unknown timer reached!"), MB_OK, this);
        break;
    }
}

void CRecorderDlg::OnPower()
{
    done(1);
}

void CRecorderDlg::done(int result)
{
    if (!m_bEnded) {
        m_bEnded = true;
        DestroyWindow();
    }
    QDialog::done(result);
}

void CRecorderDlg::DestroyWindow()
{
    m_timerRecording.stop();
    m_timerPlayback.stop();
}

void CRecorderDlg::setVisible(bool visible)
{
    // Hiding must not end the modal run: the panel keeps running unseen.
    if (!visible && m_bHiding) {
        QWidget::setVisible(false);
        return;
    }
    QDialog::setVisible(visible);
}

void CRecorderDlg::OnHideWindow()
{
    m_bHiding = true;
    hide();
    m_bHiding = false;
}

void CRecorderDlg::OnMin()
{
    showMinimized();
}

void CRecorderDlg::OnSysCommand(uint32_t id)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX)
        OnAboutProgram();
}

void CRecorderDlg::OnAboutProgram()
{
    CAboutDlg about(this);
    about.exec();
}

void CRecorderDlg::OnPopupMenu(const QPoint& globalPos)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PopupMenu"));
    QAction* hide = menu.addAction(QStringLiteral("&Hide Window"));
    menu.addSeparator();
    QAction* settings = menu.addAction(QStringLiteral("&Settings"));
    menu.addSeparator();
    QAction* about = menu.addAction(QStringLiteral("&About Program"));
    hide->setData(ID_HIDE_WINDOW);
    settings->setData(ID_SETTINGS);
    about->setData(ID_APP_ABOUT);
    QAction* chosen = menu.exec(globalPos);
    if (!chosen)
        return;
    switch (chosen->data().toInt()) {
    case ID_HIDE_WINDOW: OnHideWindow(); break;
    case ID_APP_ABOUT: OnAboutProgram(); break;
    default: break;
    }
}

void CRecorderDlg::OnSystemMenu(const QPoint& globalPos)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("SystemMenu"));
    QAction* about = menu.addAction(AboutMenuText());
    about->setData(IDM_ABOUTBOX);
    QAction* chosen = menu.exec(globalPos);
    if (chosen)
        OnSysCommand(static_cast<uint32_t>(chosen->data().toInt()));
}

void CRecorderDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), kFaceColour);
    if (m_hSkin.isNull())
        return;
    // The outer three rows and columns of the skin make the bevelled border.
    const int sw = m_hSkin.width();
    const int sh = m_hSkin.height();
    painter.drawPixmap(QRect(0, 0, w, kBorder), m_hSkin, QRect(0, 0, w, kBorder));
    painter.drawPixmap(QRect(0, h - kBorder, w, kBorder), m_hSkin, QRect(0, sh - kBorder, w, kBorder));
    painter.drawPixmap(QRect(0, 0, kBorder, h), m_hSkin, QRect(0, 0, kBorder, h));
    painter.drawPixmap(QRect(w - kBorder, 0, kBorder, h), m_hSkin, QRect(sw - kBorder, 0, kBorder, h));
}

void CRecorderDlg::mousePressEvent(QMouseEvent* event)
{
    // The whole face acts as a caption: left drags the window, right opens the menu.
    if (event->button() == Qt::LeftButton) {
        QWindow* window = windowHandle();
        if (window && window->startSystemMove()) {
            event->accept();
            return;
        }
        m_bDragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton) {
        event->accept();
        OnPopupMenu(event->globalPosition().toPoint());
        return;
    }
    QDialog::mousePressEvent(event);
}

void CRecorderDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bDragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CRecorderDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_bDragging) {
        m_bDragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CRecorderDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        OnSysCommand(IDM_ABOUTBOX);
        event->accept();
        return;
    }
    // Alt+Space opens the window's own menu, as on a captioned window.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::AltModifier) {
        OnSystemMenu(mapToGlobal(QPoint(kBorder, kBorder)));
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
