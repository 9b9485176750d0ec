#include "CRecorderDlg.h"

#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "dialogs/CFileManagerDlg.h"
#include "dialogs/CSettingsDlg.h"
#include "engine/CWaveRecorder.h"
#include "engine/MessageStyle.h"
#include "panel/CAboutDlg.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CFormatChooseDlg.h"
#include "platform/playback/MciWaveAudio.h"
#include "platform/WaveFormat.h"
#include "dialogs/DialogUnits.h"
#include "panel/PanelImages.h"
#include "res/Resources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <limits>
#include <cstring>
#include <ctime>

namespace {
// The skin's bevel: three pixels on every side, around the client area.
constexpr int kBorder = 3;
const QColor kFaceColour(75, 75, 75);
// The format choice works in a buffer of this size; longer formats cannot be chosen.
constexpr size_t kFormatBuffer = 260;
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
    m_clock = [] { return static_cast<int64_t>(std::time(nullptr)); };
    m_pauseClock = [] {
        return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
    };
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
    m_display = new CDisplayPanel(this);
    m_display->setObjectName(QStringLiteral("Display"));
    m_display->move(kBorder + DuX(5), kBorder + DuY(27));
    ApplyButtons(PanelButtons::Created);

    // The window's big and small icon.
    setWindowIcon(m_hIcon);

    // The default format: PCM mono 22050 Hz 16-bit.
    m_pRecordFormat = std::make_unique<uint8_t[]>(sizeof(WAVEFORMATEX));
    std::memset(m_pRecordFormat.get(), 0, sizeof(WAVEFORMATEX));
    const WAVEFORMATEX pcm = MakePcmFormat(1, 22050, 16);
    std::memcpy(m_pRecordFormat.get(), &pcm, sizeof pcm);

    m_pRecorder.reset();
    m_mode = Idle;

    for (CBitmapButton* button : {m_btnPlay, m_btnStop, m_btnRec, m_btnPower, m_btnOption, m_btnManager, m_btnMin})
        button->AutoLoad();

    connect(m_btnRec, &QAbstractButton::clicked, this, &CRecorderDlg::OnRec);
    connect(m_btnStop, &QAbstractButton::clicked, this, &CRecorderDlg::OnStop);
    connect(m_btnPlay, &QAbstractButton::clicked, this, &CRecorderDlg::OnPlay);
    connect(m_btnManager, &QAbstractButton::clicked, this, &CRecorderDlg::OnManager);
    connect(m_btnOption, &QAbstractButton::clicked, this, &CRecorderDlg::OnOption);
    connect(m_btnPower, &QAbstractButton::clicked, this, &CRecorderDlg::OnPower);
    connect(m_btnMin, &QAbstractButton::clicked, this, &CRecorderDlg::OnMin);

    // What each button does and its key, for the pointer's tooltip and for
    // screen readers (the name stays the caption).
    struct Help {
        CBitmapButton* button;
        const char* tip;
        const char* description;
    };
    const Help help[] = {
        {m_btnRec, "Record (Alt+R)", "Starts a new recording in the category the display shows."},
        {m_btnStop, "Stop (Alt+S)",
         "Stops the recording or the playback. Ctrl+Space pauses and resumes a recording."},
        {m_btnPlay, "Play (Alt+P)",
         "Plays the file the display shows. While playing, Left and Right step 5 seconds and Home "
         "goes back to the start."},
        {m_btnManager, "Recordings manager (Alt+M)", "Lists, deletes and opens the recordings of a category."},
        {m_btnOption, "Recording format (Alt+O)", "Chooses the audio format of the next recordings."},
        {m_btnPower, "Power off (Esc)", "Ends the program; a recording in progress is finished first."},
        {m_btnMin, "Minimise", "Minimises the panel."},
    };
    for (const Help& h : help) {
        h.button->setToolTip(QString::fromLatin1(h.tip));
        h.button->setAccessibleDescription(QString::fromLatin1(h.description));
        h.button->installEventFilter(this);
    }

    m_display->SetCategory(0);
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

void CRecorderDlg::ShowFromOtherCopy(const QString& activationToken)
{
    if (!isVisible())
        show();
    // A minimised panel stays minimised: the user put it away.
    if (isMinimized())
        return;
    // Wayland lets a window take the focus only with a token that stands for
    // the user's action; the Wayland plugin uses the one in this variable.
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    raise();
    activateWindow();
}

void CRecorderDlg::SetTimer(int id)
{
    // A handler that goes on after the panel ended starts nothing.
    if (m_bEnded)
        return;
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

void CRecorderDlg::ApplyButtons(PanelButtons row)
{
    // REC, STOP and PLAY are the only buttons that ever change; the others
    // stay enabled. Keep means the row leaves that button as it is.
    enum Set : int8_t { Off, On, Keep };
    struct Row {
        Set rec, stop, play;
    };
    static constexpr Row kTable[] = {
        /* Created    */ {On, Off, Off},
        /* Idle       */ {On, Off, On},
        /* Recording  */ {Off, On, Off},
        /* Playing    */ {Off, On, Off},
        /* NotReady   */ {Off, Off, Off},
        /* FileOpened */ {Keep, Keep, On},
    };
    const Row& r = kTable[static_cast<int>(row)];
    const std::pair<CBitmapButton*, Set> sets[] = {{m_btnRec, r.rec}, {m_btnStop, r.stop}, {m_btnPlay, r.play}};

    // Enable first, so that the focus can move to a button of the new row
    // before its old holder is disabled (Qt would pass it on in tab order).
    for (const auto& [button, set] : sets)
        if (set == On)
            button->setEnabled(true);
    QWidget* focused = focusWidget();
    for (const auto& [button, set] : sets) {
        if (set != Off || focused != button || !button->isEnabled())
            continue;
        CBitmapButton* counterpart = button == m_btnRec ? m_btnStop : m_btnRec;
        if (button == m_btnPlay)
            counterpart = m_btnStop;
        const bool counterpartOn = [&] {
            for (const auto& [other, otherSet] : sets)
                if (other == counterpart)
                    return otherSet == On || (otherSet == Keep && other->isEnabled());
            return false;
        }();
        if (counterpartOn) {
            counterpart->setFocus(Qt::OtherFocusReason);
        } else {
            // Nothing to hand it to yet: the panel holds the focus until the
            // counterpart is enabled again.
            m_focusWaiting = counterpart;
            setFocus(Qt::OtherFocusReason);
        }
    }
    for (const auto& [button, set] : sets)
        if (set == Off)
            button->setEnabled(false);
    if (m_focusWaiting && m_focusWaiting->isEnabled()) {
        if (focusWidget() == this || focusWidget() == nullptr)
            m_focusWaiting->setFocus(Qt::OtherFocusReason);
        m_focusWaiting = nullptr;
    }
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
        OnRecordingTick();
        break;
    case IDT_PLAYBACK:
        RefreshPlaybackState();
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
    // The panel ends once; later requests (a second failing command) change nothing.
    if (m_bEnded)
        return;
    m_bEnded = true;
    DestroyWindow();
    QDialog::done(result);
}

void CRecorderDlg::DestroyWindow()
{
    m_timerRecording.stop();
    m_timerPlayback.stop();
    // A running recording is stopped first, so its file is finished and no
    // device delivers audio into a released recorder.
    if (RecordingRuns()) {
        if (m_pRecorder->m_hFinished->IsSet())
            m_pRecorder->AbortAfterRefusal();
        else
            m_pRecorder->Stop();
    }
    m_pRecorder.reset();
    m_bRecorderStarted = false;
    if (m_bMciDeviceOpen) {
        MciClose(m_mciDeviceId);
        m_bMciDeviceOpen = false;
    }
    // Notifications already on their way are delivered before the panel goes.
    MciWaitForNotifications();
    m_pRecordFormat.reset();
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
    // Pausing belongs to a running recording; the menu offers it only then.
    if (RecordingRuns() && !m_pRecorder->m_hFinished->IsSet()) {
        QAction* pause = m_bPaused ? menu.addAction(QStringLiteral("&Resume Recording"))
                                   : menu.addAction(QStringLiteral("&Pause Recording"));
        pause->setData(m_bPaused ? ID_RESUME_RECORDING : ID_PAUSE_RECORDING);
        menu.addSeparator();
    }
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
    case ID_SETTINGS: OnSettings(); break;
    case ID_APP_ABOUT: OnAboutProgram(); break;
    case ID_PAUSE_RECORDING:
        if (!m_bPaused)
            OnPauseResume();
        break;
    case ID_RESUME_RECORDING:
        if (m_bPaused)
            OnPauseResume();
        break;
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

bool CRecorderDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A focused picture button would take Ctrl+Space as a press and the
    // arrows as focus moves; the panel's keys come first.
    if (event->type() == QEvent::KeyPress && qobject_cast<CBitmapButton*>(watched)
        && HandlePanelKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void CRecorderDlg::PressByKeyboard(CBitmapButton* button)
{
    if (!button->isEnabled())
        return;
    button->setFocus(Qt::ShortcutFocusReason);
    button->click();
}

bool CRecorderDlg::HandlePanelKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (mods == Qt::AltModifier) {
        CBitmapButton* button = nullptr;
        switch (key) {
        case Qt::Key_R: button = m_btnRec; break;
        case Qt::Key_S: button = m_btnStop; break;
        case Qt::Key_P: button = m_btnPlay; break;
        case Qt::Key_M: button = m_btnManager; break;
        case Qt::Key_O: button = m_btnOption; break;
        default: break;
        }
        if (!button)
            return false;
        if (!event->isAutoRepeat())
            PressByKeyboard(button);
        return true;
    }
    if (mods == Qt::ControlModifier && key == Qt::Key_Space) {
        if (!event->isAutoRepeat())
            OnPauseResume();
        return true;
    }
    if ((mods == Qt::ShiftModifier && key == Qt::Key_F10) || (mods == Qt::NoModifier && key == Qt::Key_Menu)) {
        // At the focused button, or at the panel's corner.
        QWidget* at = focusWidget();
        const QPoint pos = at && at != this ? at->mapToGlobal(at->rect().center())
                                            : mapToGlobal(QPoint(kBorder, kBorder));
        OnPopupMenu(pos);
        return true;
    }
    if (mods == Qt::NoModifier) {
        // Seeking while playing; otherwise the arrows keep their usual meaning.
        if (key == Qt::Key_Left)
            return OnSeekBy(-5000);
        if (key == Qt::Key_Right)
            return OnSeekBy(5000);
        if (key == Qt::Key_Home)
            return OnSeekToStart();
    }
    return false;
}

void CRecorderDlg::keyPressEvent(QKeyEvent* event)
{
    if (HandlePanelKey(event)) {
        event->accept();
        return;
    }
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

// ---- Recording ---------------------------------------------------------

const WAVEFORMATEX* CRecorderDlg::RecordFormat() const
{
    return reinterpret_cast<const WAVEFORMATEX*>(m_pRecordFormat.get());
}

void CRecorderDlg::SetRecordFormat(const uint8_t* block, size_t size)
{
    auto copy = std::make_unique<uint8_t[]>(size);
    std::memcpy(copy.get(), block, size);
    m_pRecordFormat = std::move(copy);
}

bool CRecorderDlg::RecordingRuns() const
{
    if (!m_pRecorder || !m_bRecorderStarted || !m_pRecorder->m_hFinished)
        return false;
    // The flag stays set after the writer refused audio, until the device is
    // closed: that recorder still holds an open device.
    if (m_pRecorder->m_bRecording.load() != 0)
        return true;
    return !m_pRecorder->m_hFinished->IsSet();
}

void CRecorderDlg::OnRec()
{
    // A running recorder is never replaced: it would be cut off from STOP.
    if (RecordingRuns())
        return;
    // The timer of the last recording may still run (STOP leaves it to its
    // next tick): that tick is done now, and the timer must not poll the new
    // recorder, above all one whose Start fails and whose finish event is
    // never signalled.
    if (IsTimerActive(IDT_RECORDING) && m_bRecorderStarted)
        OnRecordingTick();
    KillTimer(IDT_RECORDING);
    EndPause();
    m_pausedMs = 0;
    m_display->SetBarMode(CDisplayPanel::BarMode::Position);
    m_pRecorder.reset();
    m_bRecorderStarted = false;
    m_bLossReported = false;

    const std::string path = MakeRecordingName(m_display->GetCategory());
    m_display->SetText(path);
    m_pRecorder = std::make_unique<CWaveRecorder>(m_display->GetText());
    m_pRecorder->SetInputDevice(GetInputDevice());
    const uint32_t status = m_pRecorder->Start(RecordFormat());
    if (status == 0) {
        m_bRecorderStarted = true;
        SetTimer(IDT_RECORDING);
        m_mode = Recording;
        m_recordStart = static_cast<int32_t>(m_clock());
        m_display->SetBarMode(CDisplayPanel::BarMode::Level);
        if (m_pRecorder->InputFellBack()) {
            // Said once the recording runs, so that no audio waits on the box.
            QTimer::singleShot(0, this, [this] {
                ShowMessageBox(QStringLiteral("The chosen input device is not available. "
                                              "Recording from the default input."),
                               MB_ICONEXCLAMATION, this);
            });
        }
    }
    // Otherwise the recorder has said why; the panel stays as it was.
}

void CRecorderDlg::OnStop()
{
    if (RecordingRuns()) {
        // STOP reaches a running recording whatever the mode says.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_pRecorder->m_hFinished->IsSet()) {
            QApplication::restoreOverrideCursor();
            EndRefusedRecording();
        } else {
            m_pRecorder->Stop();
            QApplication::restoreOverrideCursor();
            // The last write, the sync or the close itself can still fail
            // (a full disk, a network file system): the file is not safe.
            const CWavFile& file = m_pRecorder->GetWavFile();
            if (file.LastWriteError() == WavWriteError::DiskWrite)
                ShowMessageBox(QStringLiteral("The recording could not be finished because the file could not be written:\n%1")
                                   .arg(QString::fromLocal8Bit(std::strerror(file.LastErrno()))),
                               MB_ICONSTOP, this);
        }
    } else if (m_mode != Recording) {
        // Stopping the playback; with no device open there is nothing to stop.
        if (m_bMciDeviceOpen) {
            const uint32_t err = MciStop(m_mciDeviceId, [this](uint32_t code, uint32_t id) { OnPlaybackNotify(code, id); });
            ReportMciError(err, "MCI_STOP");
        }
    }
    // In Recording mode with the recording already over, nothing is left to stop.
    EndPause();
    m_display->SetBarMode(CDisplayPanel::BarMode::Position);
    m_mode = Idle;
    RefreshPlaybackState();
}

QString CRecorderDlg::RefusalText() const
{
    const CWavFile& file = m_pRecorder->GetWavFile();
    switch (file.LastWriteError()) {
    case WavWriteError::DiskWrite:
        return QStringLiteral("The recording was stopped because the file could not be written:\n%1")
            .arg(QString::fromLocal8Bit(std::strerror(file.LastErrno())));
    case WavWriteError::OutOfMemory:
        return QStringLiteral("The recording was stopped because there was not enough memory.");
    case WavWriteError::SizeLimit:
        return QStringLiteral("The recording was stopped because the file reached the largest size a WAV file can hold.");
    case WavWriteError::ConversionBehind:
    case WavWriteError::None:
    default:
        return QStringLiteral("Sorry, your system too slow to recording in selected format.");
    }
}

void CRecorderDlg::EndRefusedRecording()
{
    // The reason is read before the device closes the file.
    const QString text = RefusalText();
    // Clears the flag before anything else, so ticks during the box only end the timer.
    m_pRecorder->AbortAfterRefusal();
    ShowMessageBox(text, MB_ICONSTOP, this);
}

void CRecorderDlg::OnRecordingTick()
{
    if (!m_pRecorder || !m_pRecorder->m_hFinished) {
        KillTimer(IDT_RECORDING);
        return;
    }
    if (m_pRecorder->m_hFinished->Wait(1) != WAIT_OBJECT_0) {
        ApplyButtons(PanelButtons::Recording);
        // The display repaints the band of the bar, and the time only when
        // its second changes; a paused time stands still (and blinks).
        const float peak = m_pRecorder->TakePeak();
        m_display->SetLevel(peak > 0.0f ? 20.0f * std::log10(std::min(peak, 1.0f))
                                        : -std::numeric_limits<float>::infinity());
        if (!m_bPaused)
            m_display->SetSeconds(static_cast<uint32_t>(RecordingSeconds()));
        return;
    }
    if (m_pRecorder->m_bRecording.load() != 0)
        EndRefusedRecording(); // the writer refused audio: ended without STOP
    KillTimer(IDT_RECORDING);
    EndPause();
    m_display->SetBarMode(CDisplayPanel::BarMode::Position);
    ApplyButtons(PanelButtons::Idle);
    // A recording whose input went away ended on its own; the user is told once.
    if (m_pRecorder && m_pRecorder->DeviceLost() && !m_bLossReported) {
        m_bLossReported = true;
        ShowMessageBox(QStringLiteral("The recording was stopped because the sound input went away.\n"
                                      "What was recorded until then is saved."),
                       MB_ICONSTOP, this);
    }
}

int64_t CRecorderDlg::RecordingSeconds() const
{
    int64_t pausedMs = m_pausedMs;
    if (m_bPaused)
        pausedMs += m_pauseClock() - m_pauseStartMs;
    // The wall clock counts whole seconds; the pauses are summed in
    // milliseconds and taken off to the nearest second, so that many short
    // pauses neither add nor lose time.
    return m_clock() - m_recordStart - (pausedMs + 500) / 1000;
}

void CRecorderDlg::OnPauseResume()
{
    if (!RecordingRuns() || m_pRecorder->m_hFinished->IsSet())
        return;
    if (!m_bPaused) {
        if (!m_pRecorder->Pause())
            return;
        m_bPaused = true;
        m_pauseStartMs = m_pauseClock();
        m_display->SetBlinking(true);
    } else {
        if (!m_pRecorder->Resume())
            return;
        EndPause();
    }
}

void CRecorderDlg::EndPause()
{
    if (!m_bPaused)
        return;
    m_bPaused = false;
    m_pausedMs += m_pauseClock() - m_pauseStartMs;
    m_display->SetBlinking(false);
}

bool CRecorderDlg::OnSeekBy(int64_t deltaMs)
{
    return SeekTo(deltaMs, true);
}

bool CRecorderDlg::OnSeekToStart()
{
    return SeekTo(0, false);
}

bool CRecorderDlg::SeekTo(int64_t targetMs, bool relative)
{
    if (m_mode != Playing || !m_bMciDeviceOpen || m_bEnded)
        return false;
    uint32_t mode = 0;
    if (MciStatus(m_mciDeviceId, MCI_STATUS_MODE, mode) != 0 || mode != MCI_MODE_PLAY)
        return false;
    uint32_t length = 0, position = 0;
    ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_LENGTH, length), "MCI_STATUS");
    ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_POSITION, position), "MCI_STATUS");
    if (m_bEnded)
        return true;
    const int64_t wanted = relative ? int64_t(position) + targetMs : targetMs;
    const auto from = static_cast<uint32_t>(std::clamp<int64_t>(wanted, 0, length));
    // Playing again from the new place supersedes the running play; its
    // notification only refreshes.
    ReportMciError(MciPlay(m_mciDeviceId, from, [this](uint32_t code, uint32_t id) { OnPlaybackNotify(code, id); }),
                   "MCI_PLAY");
    // The display follows at once, not at the next tick.
    m_display->SetRange(0, static_cast<int32_t>(length), false);
    m_display->SetPosition(static_cast<int32_t>(from));
    m_display->SetSeconds(from / 1000);
    return true;
}

void CRecorderDlg::RefreshPlaybackState()
{
    if (m_mode == Recording)
        return;
    if (m_mode == Idle) {
        ApplyButtons(PanelButtons::Idle);
        return;
    }
    // Playing: the device's mode decides.
    uint32_t mode = 0;
    ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_MODE, mode), "MCI_STATUS");
    switch (mode) {
    case MCI_MODE_NOT_READY:
        ApplyButtons(PanelButtons::NotReady);
        break;
    case MCI_MODE_STOP:
        ApplyButtons(PanelButtons::Idle);
        break;
    case MCI_MODE_PLAY:
    case MCI_MODE_RECORD:
        ApplyButtons(PanelButtons::Playing);
        break;
    default:
        break;
    }
    if (mode == MCI_MODE_STOP) {
        uint32_t length = 0;
        ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_LENGTH, length), "MCI_STATUS");
        m_display->SetRange(0, static_cast<int32_t>(length), false);
        m_display->SetSeconds(length / 1000);
    } else if (mode == MCI_MODE_PLAY || mode == MCI_MODE_RECORD) {
        uint32_t length = 0, position = 0;
        ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_LENGTH, length), "MCI_STATUS");
        m_display->SetRange(0, static_cast<int32_t>(length), false);
        ReportMciError(MciStatus(m_mciDeviceId, MCI_STATUS_POSITION, position), "MCI_STATUS");
        m_display->SetPosition(static_cast<int32_t>(position));
        m_display->SetSeconds(position / 1000);
    }
}

// ---- Playback ----------------------------------------------------------

void CRecorderDlg::OnPlaybackNotify(uint32_t code, uint32_t deviceId)
{
    // Called on a thread of the playback layer: the handler runs on the panel's.
    QMetaObject::invokeMethod(this, [this, code, deviceId] { OnMciNotify(code, deviceId); }, Qt::QueuedConnection);
}

void CRecorderDlg::ReportMciError(uint32_t error, const char* name)
{
    if (error == 0)
        return;
    // A tick that fails while the box of an earlier failure is open adds no
    // second box; the first report ends the panel once its box is closed.
    if (m_bReportingError)
        return;
    m_bReportingError = true;
    const QString text = QStringLiteral("%1:\n%2").arg(QString::fromLatin1(name),
                                                         QString::fromStdString(MciGetErrorString(error)));
    ShowMessageBox(text, MB_OK, this);
    m_bReportingError = false;
    done(2);
}

void CRecorderDlg::OnPlay()
{
    // PLAY during a recording would cut the recording off from STOP.
    if (RecordingRuns())
        return;
    const std::string path = m_display->GetText();
    if (path.empty())
        return;
    if (path.size() >= PATH_MAX || path.find('\0') != std::string::npos) {
        ShowMessageBox(QStringLiteral("The path of this file is too long to be played:\n%1")
                           .arg(QString::fromStdString(path)),
                       MB_ICONEXCLAMATION, this);
        return;
    }
    // The device of an earlier PLAY is closed first, never leaked.
    if (m_bMciDeviceOpen) {
        MciClose(m_mciDeviceId);
        m_bMciDeviceOpen = false;
    }
    uint32_t id = 0;
    const uint32_t openError = MciOpenWaveAudio(path, id);
    ReportMciError(openError, "MCI_OPEN");
    m_mciDeviceId = id;
    m_bMciDeviceOpen = openError == 0;
    ReportMciError(MciSetTimeFormatMilliseconds(m_mciDeviceId), "MCI_SET");
    m_mode = Playing;
    ReportMciError(MciPlay(m_mciDeviceId, 0, [this](uint32_t code, uint32_t id) { OnPlaybackNotify(code, id); }),
                   "MCI_PLAY");
    SetTimer(IDT_PLAYBACK);
}

uint32_t CRecorderDlg::OnMciNotify(uint32_t code, uint32_t deviceId)
{
    if (m_bEnded)
        return 0;
    // Notifications of a device that a later PLAY already closed change nothing:
    // they must not close the device now playing.
    if (deviceId != m_mciDeviceId) {
        RefreshPlaybackState();
        return 0;
    }
    if (code == MCI_NOTIFY_SUCCESSFUL) {
        m_mode = Idle;
        if (m_bMciDeviceOpen) {
            MciClose(m_mciDeviceId);
            m_bMciDeviceOpen = false;
        }
        KillTimer(IDT_PLAYBACK);
    }
    RefreshPlaybackState();
    return 0;
}

// ---- Format, manager, settings -----------------------------------------

void CRecorderDlg::OnOption()
{
    std::vector<uint8_t> buffer(kFormatBuffer, 0);
    const size_t current = FormatBlockSize(RecordFormat());
    std::memcpy(buffer.data(), m_pRecordFormat.get(), std::min(current, kFormatBuffer));
    const uint32_t result = ChooseAudioFormat(this, buffer, QStringLiteral("Select audio format"));
    if (result == 0) {
        WAVEFORMATEX chosen;
        std::memcpy(&chosen, buffer.data(), sizeof chosen);
        const size_t size = sizeof(WAVEFORMATEX) + chosen.cbSize;
        if (size > buffer.size())
            return; // cannot happen with a conforming dialog: keep the current format
        auto block = std::make_unique<uint8_t[]>(size);
        std::memcpy(block.get(), buffer.data(), size);
        m_pRecordFormat = std::move(block);
    } else if (result != 515) {
        ShowMessageBox(FormatChooseErrorText(result), MB_OK, this);
    }
}

void CRecorderDlg::OnManager()
{
    CFileManagerDlg dlg(this);
    dlg.m_category = m_display->GetCategory();
    if (dlg.exec() == 1) {
        m_display->SetText(dlg.m_selected.path);
        if (dlg.m_selected.flags & VFI_DURATION)
            m_display->SetSeconds(dlg.m_selected.duration);
        ApplyButtons(PanelButtons::FileOpened);
    }
    m_display->SetCategory(dlg.m_category);
}

void CRecorderDlg::OnSettings()
{
    RunSettingsDialog(this);
}
