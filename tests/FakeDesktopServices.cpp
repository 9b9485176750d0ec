// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "FakeDesktopServices.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

const QString FakePortal::kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString FakePortal::kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString FakePortal::kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString FakePortal::kInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");

namespace {
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindService = QStringLiteral("org.freedesktop.login1");

QString Sender(const QDBusMessage& message)
{
    return message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
}

QString RequestPath(const QDBusMessage& message, const QVariantMap& options)
{
    return FakePortal::kPath + "/request/" + Sender(message) + "/" + options.value("handle_token").toString();
}
} // namespace

FakePortal::FakePortal(QDBusConnection bus, Options options) : m_bus(bus), m_options(options)
{
    m_bus.registerVirtualObject(kPath, this, QDBusConnection::SubPath);
    m_bus.registerService(kService);
}

FakePortal::~FakePortal()
{
    m_bus.unregisterService(kService);
    m_bus.unregisterObject(kPath, QDBusConnection::UnregisterTree);
}

bool FakePortal::handleMessage(const QDBusMessage& message, const QDBusConnection& bus)
{
    calls.push_back({message.interface(), message.member(), message.arguments()});
    const QVariantList args = message.arguments();
    const bool shortcuts = message.interface() == kShortcuts && m_options.shortcuts;
    if (message.member() == QLatin1String("Close") && message.path().startsWith(kPath + "/request/")) {
        held.erase(message.path());
        bus.send(message.createReply());
    } else if (shortcuts && message.member() == QLatin1String("CreateSession")) {
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(0));
        sessionHandle = kPath + "/session/" + Sender(message) + "/" + options.value("session_handle_token").toString();
        Respond(message, options, {{"session_handle", sessionHandle}});
    } else if (shortcuts && message.member() == QLatin1String("BindShortcuts")) {
        boundSession = qdbus_cast<QDBusObjectPath>(args.value(0)).path();
        const QDBusArgument list = args.value(1).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString id;
            QVariantMap properties;
            list.beginStructure();
            list >> id >> properties;
            list.endStructure();
            bound[id] = properties;
        }
        list.endArray();
        Respond(message, qdbus_cast<QVariantMap>(args.value(3)), {});
    } else if (message.interface() == kInhibit && m_options.inhibit && message.member() == QLatin1String("Inhibit")) {
        const QString request = RequestPath(message, qdbus_cast<QVariantMap>(args.value(2)));
        held.insert(request);
        const QDBusMessage reply = message.createReply(QVariant::fromValue(QDBusObjectPath(request)));
        if (defer)
            deferred.push_back(reply);
        else
            bus.send(reply);
    } else {
        bus.send(message.createErrorReply(QDBusError::UnknownInterface, QStringLiteral("no such interface")));
    }
    return true;
}

void FakePortal::Respond(const QDBusMessage& message, const QVariantMap& options, const QVariantMap& results)
{
    const QString request = RequestPath(message, options);
    m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    if (m_options.answer == Answer::Never)
        return;
    QDBusMessage response =
        QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"), "Response");
    response << uint(m_options.answer == Answer::Grant ? 0 : 1) << results;
    m_bus.send(response);
}

void FakePortal::Activate(const QString& session, const QString& id)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kShortcuts, QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1234) << QVariantMap();
    m_bus.send(signal);
}

std::vector<QVariantList> FakePortal::CallsTo(const QString& interface, const char* member) const
{
    std::vector<QVariantList> found;
    for (const ReceivedCall& call : calls)
        if (call.interface == interface && call.member == QLatin1String(member))
            found.push_back(call.args);
    return found;
}

void FakePortal::SendDeferred()
{
    for (const QDBusMessage& reply : deferred)
        m_bus.send(reply);
    deferred.clear();
}

FakeLogind::FakeLogind(QDBusConnection bus) : m_bus(bus)
{
    m_bus.registerVirtualObject(kLogindPath, this);
    m_bus.registerService(kLogindService);
}

FakeLogind::~FakeLogind()
{
    m_bus.unregisterService(kLogindService);
    m_bus.unregisterObject(kLogindPath);
    for (int fd : m_kept)
        ::close(fd);
}

bool FakeLogind::handleMessage(const QDBusMessage& message, const QDBusConnection& bus)
{
    if (message.interface() != QLatin1String("org.freedesktop.login1.Manager") ||
        message.member() != QLatin1String("Inhibit")) {
        bus.send(message.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("no such method")));
        return true;
    }
    calls.push_back(message.arguments());
    if (refuse)
        bus.send(message.createErrorReply(QDBusError::AccessDenied, QStringLiteral("not allowed")));
    else if (defer)
        deferred.push_back(message);
    else
        Reply(message);
    return true;
}

void FakeLogind::SendDeferred()
{
    for (const QDBusMessage& call : deferred)
        Reply(call);
    deferred.clear();
}

void FakeLogind::Reply(const QDBusMessage& message)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        m_bus.send(message.createErrorReply(QDBusError::Failed, QStringLiteral("pipe")));
        return;
    }
    m_kept.push_back(ends[0]);
    m_bus.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
    ::close(ends[1]);
}

int FakeLogind::Held() const
{
    int held = 0;
    for (int fd : m_kept) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) == 0)
            ++held;
    }
    return held;
}
