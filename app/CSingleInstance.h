// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// One panel per user: the first copy listens on a per-user local socket,
// guarded by a lock file; later copies ask it to show its panel, or send it a
// remote command, and exit. Socket and lock live in the user's private
// runtime folder (CRuntimeFolder), and a request whose sender is not this
// user (SO_PEERCRED) is refused unread.
#include "app/CRemoteClient.h"
#include "app/CRemoteCommand.h"

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

// The program's key: one panel per user and session.
inline constexpr char kPanelInstanceKey[] = "vellory-panel";

class QLocalServer;

class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(const QString& key, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this copy now owns the panel; false when a running copy was
    // asked to show its panel (this copy should exit).
    bool Acquire();
    // The same with any request: false when the running copy took it (its
    // answer is in Answer()) or took it without answering in time.
    bool Acquire(const CRemoteCommand& request);
    const CRemoteClient& Answer() const { return m_answer; }

    // The socket of a key, or an empty string when there is no private folder
    // for it. Needs no Qt application.
    static std::string SocketPath(const std::string& key);

    // Commands other than show, on the owner's side. Reply at most once,
    // now or later; without a handler they are refused.
    using Reply = std::function<void(bool ok, const QString& text)>;
    using CommandHandler = std::function<void(const CRemoteCommand& command, const Reply& reply)>;
    void SetCommandHandler(CommandHandler handler) { m_handler = std::move(handler); }

signals:
    // activationToken: the asking copy's XDG_ACTIVATION_TOKEN (may be empty).
    void showRequested(const QString& activationToken);

private:
    bool AskRunningCopy(const CRemoteCommand& request);
    void OnNewConnection();
    void OnRequest(const CRemoteCommand& command, const Reply& reply);

    CRemoteClient m_answer;
    CommandHandler m_handler;
    QString m_socketName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
