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

#include <climits>
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

void CRecorderDlg::ShowFromOtherCopy()
{
    // Only a hidden panel comes back; a minimised one stays minimised.
    if (!isVisible())
        show();
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
    auto apply = [](CBitmapButton* button, Set set) {
        if (set != Keep)
            button->setEnabled(set == On);
    };
    apply(m_btnRec, r.rec);
    apply(m_btnStop, r.stop);
    apply(m_btnPlay, r.play);
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
    m_pRecorder.reset();
    m_bRecorderStarted = false;
    m_bLossReported = false;

    const std::string path = MakeRecordingName(m_display->GetCategory());
    m_display->SetText(path);
    m_pRecorder = std::make_unique<CWaveRecorder>(m_display->GetText());
    const uint32_t status = m_pRecorder->Start(RecordFormat());
    if (status == 0) {
        m_bRecorderStarted = true;
        SetTimer(IDT_RECORDING);
        m_mode = Recording;
        m_recordStart = static_cast<int32_t>(m_clock());
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
        }
    } else if (m_mode != Recording) {
        // Stopping the playback; with no device open there is nothing to stop.
        if (m_bMciDeviceOpen) {
            const uint32_t err = MciStop(m_mciDeviceId, [this](uint32_t code, uint32_t id) { OnPlaybackNotify(code, id); });
            ReportMciError(err, "MCI_STOP");
        }
    }
    // In Recording mode with the recording already over, nothing is left to stop.
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
        const int64_t seconds = m_clock() - m_recordStart;
        m_display->SetSeconds(static_cast<uint32_t>(seconds));
        return;
    }
    if (m_pRecorder->m_bRecording.load() != 0)
        EndRefusedRecording(); // the writer refused audio: ended without STOP
    KillTimer(IDT_RECORDING);
    ApplyButtons(PanelButtons::Idle);
    // A recording whose input went away ended on its own; the user is told once.
    if (m_pRecorder && m_pRecorder->DeviceLost() && !m_bLossReported) {
        m_bLossReported = true;
        ShowMessageBox(QStringLiteral("The recording was stopped because the sound input went away.\n"
                                      "What was recorded until then is saved."),
                       MB_ICONSTOP, this);
    }
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
