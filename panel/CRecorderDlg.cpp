// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRecorderDlg.h"

#include "common/DialogUnits.h"
#include "common/MessageBoxes.h"
#include "dialogs/CFileManagerDlg.h"
#include "dialogs/CSettingsDlg.h"
#include "engine/MessageStyle.h"
#include "panel/CAboutDlg.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CFormatChooseDlg.h"
#include "panel/PanelImages.h"
#include "res/Resources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstring>

namespace {
// The skin's bevel: three pixels on every side, around the client area.
constexpr int kBorder = 3;
const QColor kFaceColour(75, 75, 75);
// The format choice works in a buffer of this size; longer formats cannot be chosen.
constexpr size_t kFormatBuffer = 260;
// ChooseAudioFormat's answer when the user cancels: nothing to say.
constexpr uint32_t kFormatChoiceCancelled = 515;
} // namespace

QString CRecorderDlg::AboutMenuText()
{
    return tr("&About Vellory...");
}

CRecorderDlg::CRecorderDlg(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint)
{
    InitVelloryResources();
    m_hIcon = PanelIcon();
    m_session = new CRecorderSession(this);
    OnInitDialog();
}

CRecorderDlg::~CRecorderDlg()
{
    // A panel destroyed without ending still finishes its recording safely.
    m_bEnded = true;
    m_session->Shutdown();
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

    // Controls in the template's order; the tab order is set below.
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

    // The window's big and small icon.
    setWindowIcon(m_hIcon);

    for (CBitmapButton* button : {m_btnPlay, m_btnStop, m_btnRec, m_btnPower, m_btnOption, m_btnManager, m_btnMin})
        button->AutoLoad();

    // Not connected to Record directly: clicked's flag would become its time limit.
    connect(m_btnRec, &QAbstractButton::clicked, m_session, [this] { m_session->Record(); });
    connect(m_btnStop, &QAbstractButton::clicked, this, &CRecorderDlg::OnStop);
    connect(m_btnPlay, &QAbstractButton::clicked, m_session, &CRecorderSession::Play);
    connect(m_btnManager, &QAbstractButton::clicked, this, &CRecorderDlg::OnManager);
    connect(m_btnOption, &QAbstractButton::clicked, this, &CRecorderDlg::OnOption);
    connect(m_btnPower, &QAbstractButton::clicked, this, [this] { done(PanelOk); });
    connect(m_btnMin, &QAbstractButton::clicked, this, &QWidget::showMinimized);

    // The session's state, messages and end reach the panel on its thread.
    connect(m_session, &CRecorderSession::StateChanged, this, &CRecorderDlg::Render);
    connect(m_session, &CRecorderSession::Message, this,
            [this](const QString& text, unsigned style) { ShowMessageBox(text, style, this); });
    connect(m_session, &CRecorderSession::EndRequested, this, [this] { done(PanelCancel); });
    // REC's questions (little room on the disk) are asked here, whoever
    // pressed REC: the button, a key or the command line.
    m_session->SetAsker(
        [this](const QString& question) { return ShowMessageBox(question, MB_YESNO_QUESTION, this) == IDYES; });

    // What each button does and its key, for the pointer's tooltip and for
    // screen readers (the name stays the caption).
    struct Help {
        CBitmapButton* button;
        const char* tip;
        const char* description;
    };
    const Help help[] = {
        {m_btnRec, QT_TR_NOOP("Record (Alt+R)"), QT_TR_NOOP("Starts a new recording in the category the display shows.")},
        {m_btnStop, QT_TR_NOOP("Stop (Alt+S)"),
         QT_TR_NOOP("Stops the recording or the playback. Ctrl+Space pauses and resumes a recording.")},
        {m_btnPlay, QT_TR_NOOP("Play (Alt+P)"),
         QT_TR_NOOP("Plays the file the display shows. While playing, Left and Right step 5 seconds and Home "
                    "goes back to the start.")},
        {m_btnManager, QT_TR_NOOP("Recordings manager (Alt+M)"),
         QT_TR_NOOP("Lists, deletes and opens the recordings of a category.")},
        {m_btnOption, QT_TR_NOOP("Recording format (Alt+O)"),
         QT_TR_NOOP("Chooses the audio format of the next recordings.")},
        {m_btnPower, QT_TR_NOOP("Power off (Esc)"),
         QT_TR_NOOP("Ends the program; a recording in progress is finished first.")},
        {m_btnMin, QT_TR_NOOP("Minimise"), QT_TR_NOOP("Minimises the panel.")},
    };
    for (const Help& h : help) {
        h.button->setToolTip(tr(h.tip));
        h.button->setAccessibleDescription(tr(h.description));
        h.button->installEventFilter(this);
    }

    // Screen readers name the buttons by the words the skin shows on them
    // (the captions name the images) and read each key from the button's
    // shortcut; the panel keeps handling the keys itself (see event()).
    struct Named {
        CBitmapButton* button;
        const char* name;
        QKeySequence key;
    };
    const Named named[] = {
        {m_btnRec, QT_TR_NOOP("Record"), QKeySequence(Qt::ALT | Qt::Key_R)},
        {m_btnStop, QT_TR_NOOP("Stop"), QKeySequence(Qt::ALT | Qt::Key_S)},
        {m_btnPlay, QT_TR_NOOP("Play"), QKeySequence(Qt::ALT | Qt::Key_P)},
        {m_btnManager, QT_TR_NOOP("File Manager"), QKeySequence(Qt::ALT | Qt::Key_M)},
        {m_btnOption, QT_TR_NOOP("Options"), QKeySequence(Qt::ALT | Qt::Key_O)},
        {m_btnPower, QT_TR_NOOP("Power"), QKeySequence(Qt::Key_Escape)},
        {m_btnMin, QT_TR_NOOP("Minimise"), QKeySequence()},
    };
    for (const Named& n : named) {
        n.button->setAccessibleName(tr(n.name));
        if (n.key.isEmpty())
            continue;
        n.button->setShortcut(n.key);
        n.button->setAccessibleDescription(n.button->accessibleDescription() + QLatin1Char(' ')
                                           + tr("Key: %1").arg(n.key.toString(QKeySequence::NativeText)));
    }

    // Tab follows the picture: the top row left to right, the display, then
    // the bottom row.
    QWidget* const tabOrder[] = {m_btnManager, m_btnOption, m_btnPower, m_display,
                                 m_btnRec,     m_btnStop,   m_btnPlay,  m_btnMin};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    Render(m_session->State());
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

void CRecorderDlg::ApplyButtons(bool rec, bool stop, bool play)
{
    enum Set : int8_t { Off, On };
    const std::pair<CBitmapButton*, Set> sets[] = {
        {m_btnRec, rec ? On : Off}, {m_btnStop, stop ? On : Off}, {m_btnPlay, play ? On : Off}};

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
                    return otherSet == On;
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

void CRecorderDlg::Render(const SessionState& s)
{
    ApplyButtons(s.rec, s.stop, s.play);
    // The display repaints only what changed; the level is applied once per reading.
    const bool first = !m_bRendered;
    m_bRendered = true;
    if (first || s.file != m_shown.file)
        m_display->SetText(s.file);
    if (first || s.category != m_shown.category)
        m_display->SetCategory(s.category);
    // While recording the bar shows the level, or, when the disk was short
    // of space at REC, how much of that space is used.
    using BarMode = CDisplayPanel::BarMode;
    const bool space = s.showLevel && s.showSpace;
    if (first || s.showLevel != m_shown.showLevel || s.showSpace != m_shown.showSpace)
        m_display->SetBarMode(!s.showLevel ? BarMode::Position : space ? BarMode::Space : BarMode::Level);
    if (space && (first || s.spaceUsed != m_shown.spaceUsed || !m_shown.showSpace))
        m_display->SetSpaceUsed(s.spaceUsed);
    if (s.showLevel && s.levelSerial != m_shown.levelSerial)
        m_display->SetLevel(s.levelDb);
    if (first || s.noInput != m_shown.noInput)
        m_display->SetNoInput(s.noInput);
    // The last minute of a timed recording counts down.
    const bool countdown = s.secondsLeft >= 0;
    if (first || countdown != (m_shown.secondsLeft >= 0))
        m_display->SetCountdown(countdown);
    if (!s.showLevel && (first || s.rangeLow != m_shown.rangeLow || s.rangeHigh != m_shown.rangeHigh))
        m_display->SetRange(s.rangeLow, s.rangeHigh, false);
    if (!s.showLevel && (first || s.position != m_shown.position))
        m_display->SetPosition(s.position);
    // The state in words, for screen readers.
    using Activity = CDisplayPanel::Activity;
    m_display->SetActivity(s.mode == SessionMode::Playing ? Activity::Playing
                           : s.mode != SessionMode::Recording ? Activity::Stopped
                           : s.paused                         ? Activity::Paused
                                                              : Activity::Recording);
    // Last: it repaints whatever changed above, and nothing when nothing did.
    m_display->SetSeconds(countdown ? static_cast<uint32_t>(s.secondsLeft) : s.seconds);
    if (first || s.paused != m_shown.paused)
        m_display->SetBlinking(s.paused);
    m_shown = s;
}

void CRecorderDlg::done(int result)
{
    // The panel ends once; later requests (a second failing command) change nothing.
    if (m_bEnded)
        return;
    m_bEnded = true;
    m_session->Shutdown();
    QDialog::done(result);
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

void CRecorderDlg::OnPopupMenu(const QPoint& globalPos, bool byKeyboard)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PopupMenu"));
    menu.setAccessibleName(tr("Panel menu"));
    // Pausing belongs to a running recording; the menu offers it only then.
    const bool paused = m_session->IsPaused();
    if (m_session->CanPause()) {
        QAction* pause = paused ? menu.addAction(tr("&Resume Recording"))
                                : menu.addAction(tr("&Pause Recording"));
        pause->setData(paused ? ID_RESUME_RECORDING : ID_PAUSE_RECORDING);
        menu.addSeparator();
    }
    QAction* hide = menu.addAction(tr("&Hide Window"));
    menu.addSeparator();
    QAction* settings = menu.addAction(tr("&Settings"));
    menu.addSeparator();
    QAction* about = menu.addAction(tr("&About Program"));
    hide->setData(ID_HIDE_WINDOW);
    settings->setData(ID_SETTINGS);
    about->setData(ID_APP_ABOUT);
    // Opened by key, the menu starts on its first item, so that the focus
    // (and a screen reader) is on an item rather than nowhere until Down.
    if (byKeyboard)
        QTimer::singleShot(0, &menu, [&menu] {
            for (QAction* action : menu.actions())
                if (!action->isSeparator() && action->isEnabled()) {
                    menu.setActiveAction(action);
                    break;
                }
        });
    QAction* chosen = menu.exec(globalPos);
    if (!chosen)
        return;
    switch (chosen->data().toInt()) {
    case ID_HIDE_WINDOW: OnHideWindow(); break;
    case ID_SETTINGS: OnSettings(); break;
    case ID_APP_ABOUT: OnAboutProgram(); break;
    case ID_PAUSE_RECORDING:
        if (!m_session->IsPaused())
            m_session->PauseResume();
        break;
    case ID_RESUME_RECORDING:
        if (m_session->IsPaused())
            m_session->PauseResume();
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

bool CRecorderDlg::event(QEvent* event)
{
    // The buttons' shortcuts are there for screen readers to read; the keys
    // stay with HandlePanelKey and the dialog's Escape (focus to the button,
    // a press only when enabled, no auto-repeat), so Qt's shortcut map must
    // never take them first. The override comes up here from any child.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
        for (CBitmapButton* button : {m_btnRec, m_btnStop, m_btnPlay, m_btnManager, m_btnOption, m_btnPower})
            if (!button->shortcut().isEmpty() && button->shortcut() == pressed) {
                event->accept();
                return true;
            }
    }
    return QDialog::event(event);
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
            m_session->PauseResume();
        return true;
    }
    if ((mods == Qt::ShiftModifier && key == Qt::Key_F10) || (mods == Qt::NoModifier && key == Qt::Key_Menu)) {
        // At the focused button, or at the panel's corner.
        QWidget* at = focusWidget();
        const QPoint pos = at && at != this ? at->mapToGlobal(at->rect().center())
                                            : mapToGlobal(QPoint(kBorder, kBorder));
        OnPopupMenu(pos, true);
        return true;
    }
    if (mods == Qt::NoModifier) {
        // Seeking while playing; otherwise the arrows keep their usual meaning.
        if (key == Qt::Key_Left)
            return m_session->SeekBy(-5000);
        if (key == Qt::Key_Right)
            return m_session->SeekBy(5000);
        if (key == Qt::Key_Home)
            return m_session->SeekToStart();
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

void CRecorderDlg::OnStop()
{
    // Finishing a long recording's file can take a moment.
    const bool recording = m_session->RecordingRuns();
    if (recording)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_session->Stop();
    if (recording)
        QApplication::restoreOverrideCursor();
}

// ---- Format, manager, settings -----------------------------------------

void CRecorderDlg::OnOption()
{
    std::vector<uint8_t> buffer(kFormatBuffer, 0);
    const WAVEFORMATEX* format = m_session->RecordFormat();
    const size_t current = FormatBlockSize(format);
    std::memcpy(buffer.data(), format, std::min(current, kFormatBuffer));
    const uint32_t result = ChooseAudioFormat(this, buffer, tr("Select audio format"));
    if (result == 0) {
        WAVEFORMATEX chosen;
        std::memcpy(&chosen, buffer.data(), sizeof chosen);
        const size_t size = sizeof(WAVEFORMATEX) + chosen.cbSize;
        if (size > buffer.size())
            return; // cannot happen with a conforming dialog: keep the current format
        m_session->SetRecordFormat(buffer.data(), size);
    } else if (result != kFormatChoiceCancelled) {
        ShowMessageBox(FormatChooseErrorText(result), MB_OK, this);
    }
}

void CRecorderDlg::OnManager()
{
    CFileManagerDlg dlg(this);
    dlg.m_category = m_session->State().category;
    if (dlg.exec() == IDOK)
        m_session->OpenFile(dlg.m_selected.path,
                            (dlg.m_selected.flags & VFI_DURATION) ? int64_t(dlg.m_selected.duration) : -1);
    m_session->SetCategory(dlg.m_category);
}

void CRecorderDlg::OnSettings()
{
    RunSettingsDialog(this);
}
