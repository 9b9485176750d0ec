// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The recorder panel, the program's one main window: a frameless skinned
// dialog whose picture buttons drive a recording session and whose display
// shows that session's state.
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QPoint>

#include "session/CRecorderSession.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CBitmapButton;
class CDisplayPanel;

// How the panel ends: POWER, Enter and close give PanelOk; Escape and a
// failed playback command give PanelCancel.
enum PanelResult : int {
    PanelOk = 1,
    PanelCancel = 2,
};

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

    // Ending the panel (POWER, Enter, Escape, close, a playback failure) ends
    // the session once.
    void done(int result) override;
    void accept() override { done(PanelOk); }
    void reject() override { done(PanelCancel); }
    void setVisible(bool visible) override;

    CRecorderSession* Session() const { return m_session; }
    CDisplayPanel* Display() const { return m_display; }
    CBitmapButton* Button(int id) const;
    bool IsEnded() const { return m_bEnded; }
    const QPixmap& Skin() const { return m_hSkin; }

    static QString AboutMenuText();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Keeps Qt's shortcut map off the keys the panel handles itself.
    bool event(QEvent* event) override;
    // The panel's keys reach it also while a button has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    // Applies the session's state: the button table and the display.
    void Render(const SessionState& state);
    // Enables REC, STOP and PLAY as given. A button that loses its enabled
    // state hands the focus to its counterpart (REC to STOP, STOP to REC,
    // PLAY to STOP), never to a button the user did not choose.
    void ApplyButtons(bool rec, bool stop, bool play);
    // The panel's own keys; true when the key was used.
    bool HandlePanelKey(QKeyEvent* event);
    // Alt+letter: focuses the button and presses it, if it is enabled.
    void PressByKeyboard(CBitmapButton* button);
    CBitmapButton* MakeButton(const QString& caption, int id, int duX, int duY, int duW, int duH);

    void OnStop();
    void OnOption();
    void OnManager();
    void OnSettings();
    void OnSysCommand(uint32_t id);
    void OnAboutProgram();
    void OnHideWindow();
    // Runs the pop-up menu at a screen position; opened by key, its first
    // item is active.
    void OnPopupMenu(const QPoint& globalPos, bool byKeyboard = false);
    // The window's own menu (Alt+Space): "&About Vellory...".
    void OnSystemMenu(const QPoint& globalPos);

    CRecorderSession* m_session = nullptr;
    CDisplayPanel* m_display = nullptr;
    CBitmapButton* m_btnRec = nullptr;
    CBitmapButton* m_btnStop = nullptr;
    CBitmapButton* m_btnPlay = nullptr;
    CBitmapButton* m_btnManager = nullptr;
    CBitmapButton* m_btnOption = nullptr;
    CBitmapButton* m_btnPower = nullptr;
    CBitmapButton* m_btnMin = nullptr;
    QIcon m_hIcon;
    QPixmap m_hSkin;
    // What the display shows now, so that Render changes only what changed.
    SessionState m_shown;
    bool m_bRendered = false;
    // A button waiting for the focus that the panel holds meanwhile (no
    // button of the row was enabled).
    CBitmapButton* m_focusWaiting = nullptr;

    bool m_bEnded = false;
    bool m_bHiding = false;
    // Manual window move where the platform cannot move it for us.
    bool m_bDragging = false;
    QPoint m_dragOffset;
};
