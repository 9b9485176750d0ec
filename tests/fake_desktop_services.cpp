// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The fake portal and logind as a process, for the end-to-end test of the
// real program:   fake_desktop_services [--no-portal] FOLDER
// It serves on the buses that DBUS_SESSION_BUS_ADDRESS and
// DBUS_SYSTEM_BUS_ADDRESS name (both must be set: it never falls back to a
// desktop's own buses) and prints one line per change on its output:
//   ready | bound ID DESCRIPTION | portal-inhibit FLAGS REASON | portal-held N
//   | logind-inhibit WHAT WHO WHY MODE | logind-held N
// Each time FOLDER/activate appears it is removed and the shortcut "record-stop"
// is pressed (the Activated signal).
#include "FakeDesktopServices.h"

#include <QCoreApplication>
#include <QDBusMetaType>
#include <QFile>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {
void Say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool withPortal = !args.removeAll(QStringLiteral("--no-portal"));
    if (args.size() != 1 || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS")) {
        std::fprintf(stderr,
                     "usage: DBUS_SESSION_BUS_ADDRESS=... DBUS_SYSTEM_BUS_ADDRESS=... %s [--no-portal] FOLDER\n",
                     argv[0]);
        return 2;
    }
    const QString activate = args[0] + QStringLiteral("/activate");
    QDBusConnection sessionBus =
        QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("session"));
    QDBusConnection systemBus =
        QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("system"));
    if (!sessionBus.isConnected() || !systemBus.isConnected()) {
        std::fprintf(stderr, "fake_desktop_services: cannot reach the buses\n");
        return 1;
    }
    std::unique_ptr<FakePortal> portal;
    if (withPortal)
        portal = std::make_unique<FakePortal>(sessionBus, FakePortal::Options{});
    FakeLogind logind(systemBus);

    size_t portalCalls = 0, logindCalls = 0, bound = 0;
    int portalHeld = 0, logindHeld = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (portal) {
            const auto inhibits = portal->CallsTo(FakePortal::kInhibit, "Inhibit");
            for (; portalCalls < inhibits.size(); ++portalCalls) {
                const QVariantList& call = inhibits[portalCalls];
                Say(QStringLiteral("portal-inhibit %1 %2")
                        .arg(call.value(1).toUInt())
                        .arg(qdbus_cast<QVariantMap>(call.value(2)).value("reason").toString()));
            }
            if (int(portal->held.size()) != portalHeld)
                Say(QStringLiteral("portal-held %1").arg(portalHeld = int(portal->held.size())));
            if (portal->bound.size() != bound) {
                bound = portal->bound.size();
                for (const auto& [id, properties] : portal->bound)
                    Say(QStringLiteral("bound %1 %2").arg(id, properties.value("description").toString()));
            }
            if (QFile::exists(activate)) {
                QFile::remove(activate);
                portal->Activate(portal->boundSession, QStringLiteral("record-stop"));
                Say(QStringLiteral("activated"));
            }
        }
        for (; logindCalls < logind.calls.size(); ++logindCalls) {
            QStringList words;
            for (const QVariant& value : logind.calls[logindCalls])
                words << value.toString();
            Say(QStringLiteral("logind-inhibit ") + words.join(QLatin1Char(' ')));
        }
        if (logind.Held() != logindHeld)
            Say(QStringLiteral("logind-held %1").arg(logindHeld = logind.Held()));
    });
    poll.start(50);
    Say(QStringLiteral("ready"));
    return app.exec();
}
