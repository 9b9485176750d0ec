// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Fake desktop services for the global shortcut and the sleep inhibitor: the
// portal (GlobalShortcuts, Inhibit and their Request objects, each interface
// present or not) and logind's Inhibit. Each serves on the connection it is
// given, in the thread of the event loop, and records what it was asked.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <map>
#include <set>
#include <vector>

struct ReceivedCall {
    QString interface;
    QString member;
    QVariantList args;
};

class FakePortal : public QDBusVirtualObject {
public:
    static const QString kService;
    static const QString kPath;
    static const QString kShortcuts;
    static const QString kInhibit;

    // How Request objects answer: granted, cancelled by the user, or never.
    enum class Answer { Grant, Cancel, Never };
    struct Options {
        bool shortcuts = true;
        bool inhibit = true;
        Answer answer = Answer::Grant;
    };
    FakePortal(QDBusConnection bus, Options options);
    ~FakePortal() override;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override;

    // Sends the Activated signal of a shortcut.
    void Activate(const QString& session, const QString& id);
    // The calls made to one interface's method.
    std::vector<QVariantList> CallsTo(const QString& interface, const char* member) const;
    void SendDeferred();

    std::vector<ReceivedCall> calls;
    bool defer = false; // Inhibit's replies wait in `deferred`
    std::vector<QDBusMessage> deferred;
    std::set<QString> held; // Inhibit requests not yet closed
    QString sessionHandle;  // the last shortcut session created
    QString boundSession;   // the session BindShortcuts named
    std::map<QString, QVariantMap> bound;

private:
    // Replies with the Request's path, then answers through its Response.
    void Respond(const QDBusMessage& message, const QVariantMap& options, const QVariantMap& results);

    QDBusConnection m_bus;
    Options m_options;
};

// logind's Inhibit: hands out one end of a pipe per inhibitor and keeps the
// other, which sees the end of the file once the client has closed its copy.
class FakeLogind : public QDBusVirtualObject {
public:
    explicit FakeLogind(QDBusConnection bus);
    ~FakeLogind() override;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override;
    void SendDeferred();
    // Inhibitors whose file descriptor a client still holds.
    int Held() const;

    std::vector<QVariantList> calls;
    bool defer = false;  // Inhibit's calls wait in `deferred` for their answer
    bool refuse = false; // Inhibit is refused, as polkit may
    std::vector<QDBusMessage> deferred;

private:
    void Reply(const QDBusMessage& message);

    QDBusConnection m_bus;
    std::vector<int> m_kept;
};
