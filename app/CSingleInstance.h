// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// One panel per user: the first copy listens on a per-user local socket,
// guarded by a lock file; later copies ask it to show its panel and exit.
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(const QString& key, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this copy now owns the panel; false when a running copy was
    // asked to show its panel (this copy should exit).
    bool Acquire();

signals:
    // activationToken: the asking copy's XDG_ACTIVATION_TOKEN (may be empty).
    void showRequested(const QString& activationToken);

private:
    bool AskRunningCopy();
    void OnNewConnection();

    QString m_socketName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
