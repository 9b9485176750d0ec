#pragma once
// The recorder panel, the program's one main window: a frameless skinned
// dialog whose picture buttons record, stop and play, and whose timers poll the
// running recording or playback.
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CBitmapButton;
class CDisplayPanel;
class CWaveRecorder;
class QMenu;
struct WAVEFORMATEX;

enum PanelMode : uint32_t {
    Recording = 1,
    Idle = 2,
    Playing = 3,
};

// The rows of the panel's button table: which of REC, STOP and PLAY are
// enabled in each state the panel can be in.
enum class PanelButtons {
    Created,    // a fresh panel: only REC
    Idle,       // nothing runs: REC and PLAY
    Recording,  // a recording runs: only STOP
    Playing,    // the device plays: only STOP
    NotReady,   // the device is not ready: none
    FileOpened, // the manager opened a file: PLAY, the others unchanged
};

constexpr int IDT_RECORDING = 100;
constexpr int IDT_PLAYBACK = 101;

// Command identifiers of the panel's controls and menus.
constexpr int IDC_REC = 1000;
constexpr int IDC_STOP = 1001;
constexpr int IDC_PLAY = 1002;
constexpr int IDC_POWER = 1005;
constexpr int IDC_DISPLAY = 1012;
constexpr int IDC_MIN = 1013;
constexpr int IDC_MANAGER = 57601;
constexpr int IDC_OPTION = 57604;
constexpr int ID_HIDE_WINDOW = 32771;
constexpr int ID_SETTINGS = 32772;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_PAUSE_RECORDING = 32773;
constexpr int ID_RESUME_RECORDING = 32774;
constexpr int IDM_ABOUTBOX = 0x0010;

class CRecorderDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRecorderDlg(QWidget* parent = nullptr);
    ~CRecorderDlg() override;

    // A second start of the program asks for the panel: a hidden panel is
    // shown again and the panel is raised and activated; a minimised one
    // stays minimised. On Wayland the second copy's activation token, when
    // it has one, lets the compositor give the panel the focus.
    void ShowFromOtherCopy(const QString& activationToken = {});

    // Handlers, named after the commands they serve.
    void OnRec();
    void OnStop();
    void OnPlay();
    void OnOption();
    void OnManager();
    void OnSettings();
    void OnPower();
    void OnTimer(int id);
    void OnRecordingTick();
    void RefreshPlaybackState();
    // Ctrl+Space and the pop-up menu: pauses a running recording, or resumes
    // a paused one. Nothing happens when no recording runs.
    void OnPauseResume();
    bool IsPaused() const { return m_bPaused; }
    // While playing: moves the playback by deltaMs (clamped to the file), or
    // back to its start. False when nothing plays.
    bool OnSeekBy(int64_t deltaMs);
    bool OnSeekToStart();
    // A playback notification, delivered on the interface thread.
    uint32_t OnMciNotify(uint32_t code, uint32_t deviceId);
    // Shows the failure of a playback command and ends the panel with 2.
    void ReportMciError(uint32_t error, const char* name);
    void OnSysCommand(uint32_t id);
    void OnAboutProgram();
    void OnHideWindow();
    void OnMin();
    // Runs the pop-up menu at a screen position.
    void OnPopupMenu(const QPoint& globalPos);
    // The window's own menu (Alt+Space): "&About Vellory...".
    void OnSystemMenu(const QPoint& globalPos);

    // Ending the panel (POWER, Enter, Escape, close, a playback failure) runs
    // the tear-down once.
    void done(int result) override;
    // The dialog manager's OK and Cancel: results 1 and 2.
    void accept() override { done(1); }
    void reject() override { done(2); }
    void setVisible(bool visible) override;

    // Read by tests and by the start-up code.
    PanelMode Mode() const { return m_mode; }
    CDisplayPanel* Display() const { return m_display; }
    CWaveRecorder* Recorder() const { return m_pRecorder.get(); }
    const WAVEFORMATEX* RecordFormat() const;
    uint32_t MciDeviceId() const { return m_mciDeviceId; }
    bool IsMciDeviceOpen() const { return m_bMciDeviceOpen; }
    // True while a recorder's device delivers audio (also when the writer
    // has refused audio and the next tick has not yet ended the recording).
    bool RecordingRuns() const;
    // Replaces the current recording format (18 + cbSize bytes).
    void SetRecordFormat(const uint8_t* block, size_t size);
    // Calendar time in seconds for the recording clock; tests pin it.
    void SetClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }
    // Monotonic milliseconds, for the time spent paused; tests pin it.
    void SetPauseClock(std::function<int64_t()> clock) { m_pauseClock = std::move(clock); }
    CBitmapButton* Button(int id) const;
    bool IsTimerActive(int id) const;
    bool IsEnded() const { return m_bEnded; }
    const QPixmap& Skin() const { return m_hSkin; }

    static QString AboutMenuText();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The panel's keys reach it also while a button has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

    void SetTimer(int id);
    void KillTimer(int id);
    // Releases what the panel owns; runs once, when the panel ends.
    virtual void DestroyWindow();

private:
    void OnInitDialog();
    // Sets REC, STOP and PLAY to one row of the button table. A button that
    // loses its enabled state hands the focus to its counterpart (REC to STOP,
    // STOP to REC, PLAY to STOP), never to a button the user did not choose.
    void ApplyButtons(PanelButtons row);
    // The panel's own keys; true when the key was used.
    bool HandlePanelKey(QKeyEvent* event);
    // Alt+letter: focuses the button and presses it, if it is enabled.
    void PressByKeyboard(CBitmapButton* button);
    bool SeekTo(int64_t targetMs, bool relative);
    // Seconds of the recording shown on the display: wall-clock time since
    // REC less the time spent paused.
    int64_t RecordingSeconds() const;
    void EndPause();
    // The tick's and STOP's answer to a recording the writer broke off.
    void EndRefusedRecording();
    QString RefusalText() const;
    void OnPlaybackNotify(uint32_t code, uint32_t deviceId);
    CBitmapButton* MakeButton(const QString& caption, int id, int duX, int duY, int duW, int duH);

    CBitmapButton* m_btnOption = nullptr;
    CBitmapButton* m_btnPower = nullptr;
    uint32_t m_mciDeviceId = 0;
    std::unique_ptr<uint8_t[]> m_pRecordFormat;
    std::unique_ptr<CWaveRecorder> m_pRecorder;
    PanelMode m_mode = Idle;
    CDisplayPanel* m_display = nullptr;
    CBitmapButton* m_btnRec = nullptr;
    CBitmapButton* m_btnStop = nullptr;
    CBitmapButton* m_btnPlay = nullptr;
    CBitmapButton* m_btnManager = nullptr;
    CBitmapButton* m_btnMin = nullptr;
    QIcon m_hIcon;
    QPixmap m_hSkin;
    int32_t m_recordStart = 0;

    bool m_bRecorderStarted = false; // the last recorder's Start returned 0
    bool m_bMciDeviceOpen = false;   // m_mciDeviceId names an open device
    bool m_bReportingError = false;  // a playback error box is open
    bool m_bLossReported = false;    // the last recording's lost input was reported
    std::function<int64_t()> m_clock;
    std::function<int64_t()> m_pauseClock;
    bool m_bPaused = false;      // the running recording is paused
    int64_t m_pausedMs = 0;      // time spent paused in this recording, pauses ended
    int64_t m_pauseStartMs = 0;  // when the current pause began
    // A button waiting for the focus that the panel holds meanwhile (no
    // button of the row was enabled).
    CBitmapButton* m_focusWaiting = nullptr;

    QTimer m_timerRecording;
    QTimer m_timerPlayback;
    bool m_bEnded = false;
    bool m_bHiding = false;
    // Manual window move where the platform cannot move it for us.
    bool m_bDragging = false;
    QPoint m_dragOffset;
};
