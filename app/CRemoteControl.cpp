// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CRemoteControl.h"

#include "common/MessageBoxes.h"
#include "session/CRecorderSession.h"

#include <memory>

CRemoteControl::CRemoteControl(CRecorderSession* session, std::function<bool(int)> record,
                               std::function<void(const QString&)> show, QWidget* boxParent)
    : m_session(session)
    , m_record(std::move(record))
    , m_show(std::move(show))
    , m_boxParent(boxParent)
{
}

QString CRemoteControl::StatusLine(const SessionState& state, bool paused)
{
    const char* word = nullptr;
    if (state.mode == SessionMode::Recording)
        word = paused ? "Paused" : "Recording";
    else if (state.mode == SessionMode::Playing)
        word = "Playing";
    else
        return QStringLiteral("Idle");
    // Minutes keep counting past 59, as on the display.
    return QStringLiteral("%1 %2:%3 %4")
        .arg(QLatin1String(word))
        .arg(state.seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(state.seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(QString::fromStdString(state.file));
}

void CRemoteControl::Run(const std::function<bool()>& action, const QString& failure, const Reply& reply)
{
    auto answered = std::make_shared<bool>(false);
    auto answer = [reply, answered](bool ok, const QString& text) {
        if (!*answered) {
            *answered = true;
            reply(ok, text);
        }
    };
    // The sender learns of a box at once; the box itself still waits for the
    // user at the panel.
    QWidget* parent = m_boxParent;
    SetMessageBoxHook([answer, parent](const QString& text, unsigned style) {
        SetMessageBoxHook({});
        answer(false, text);
        return ShowMessageBox(text, style, parent);
    });
    const bool ok = action();
    SetMessageBoxHook({});
    answer(ok, ok ? QString() : failure);
}

void CRemoteControl::Execute(const CRemoteCommand& command, const Reply& reply)
{
    using Verb = CRemoteCommand::Verb;
    if (m_bClosing || m_session->IsEnded()) {
        reply(false, tr("The panel is closing."));
        return;
    }
    const SessionState& state = m_session->State();
    const bool recording = m_session->RecordingRuns();
    const bool playing = state.mode == SessionMode::Playing;
    Verb verb = command.verb;
    if (verb == Verb::Toggle)
        verb = (recording || playing) ? Verb::Stop : Verb::Record;
    switch (verb) {
    case Verb::Show:
        m_show(QString::fromStdString(command.token));
        reply(true, {});
        return;
    case Verb::Status:
        reply(true, StatusLine(state, m_session->IsPaused()));
        return;
    case Verb::Record:
        if (recording)
            reply(false, tr("A recording is already running."));
        else if (!state.rec)
            reply(false, tr("Recording is not possible now; stop the playback first."));
        else
            Run([this, &command] { return m_record(command.stopAfterSeconds); },
                tr("The recording could not be started."), reply);
        return;
    case Verb::Stop:
        if (!recording && !playing)
            reply(false, tr("Nothing is being recorded or played."));
        else
            Run([this] {
                m_session->Stop();
                return true;
            }, {}, reply);
        return;
    case Verb::Pause:
        if (!m_session->CanPause())
            reply(false, tr("Nothing is being recorded."));
        else if (m_session->IsPaused())
            reply(false, tr("The recording is already paused."));
        else
            Run([this] {
                m_session->PauseResume();
                return m_session->IsPaused();
            }, tr("The recording could not be paused."), reply);
        return;
    case Verb::Resume:
        if (!recording || !m_session->IsPaused())
            reply(false, tr("The recording is not paused."));
        else
            Run([this] {
                m_session->PauseResume();
                return !m_session->IsPaused();
            }, tr("The recording could not be resumed."), reply);
        return;
    case Verb::Play:
        if (recording)
            reply(false, tr("A recording is running; stop it first."));
        else if (playing)
            reply(false, tr("The file is already playing."));
        else if (!state.play)
            reply(false, tr("There is no file to play."));
        else
            Run([this] { return m_session->Play(); }, tr("The file could not be played."), reply);
        return;
    case Verb::Toggle:
        break; // turned into Record or Stop above
    }
    reply(false, QString());
}
