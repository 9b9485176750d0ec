// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {
QString ApplicationName()
{
    // The executable's file name without its extension.
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (name.isEmpty())
        name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("vellory") : name;
}

QSettings OpenSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"), ApplicationName());
}
} // namespace

std::string DefaultRoot() { return (QDir::homePath() + QStringLiteral("/fmanager/")).toStdString(); }

int GetBufferSize()
{
    bool ok = false;
    const int value = OpenSettings().value(QStringLiteral("Parameters/BufferSize"), 10000).toInt(&ok);
    return ok ? value : 10000;
}

std::string GetStoredRoot()
{
    const QVariant value = OpenSettings().value(QStringLiteral("Parameters/FileManager"));
    if (!value.isValid())
        return DefaultRoot();
    return value.toString().toStdString();
}

std::string GetInputDevice()
{
    return OpenSettings().value(QStringLiteral("Parameters/InputDevice")).toString().toStdString();
}

int GetStopAfterMinutes()
{
    bool ok = false;
    const int value = OpenSettings().value(QStringLiteral("Parameters/StopAfter"), 0).toInt(&ok);
    return ok && value > 0 ? value : 0;
}

std::string ExpandHome(const std::string& path)
{
    if (path == "~" || path.rfind("~/", 0) == 0)
        return QDir::homePath().toStdString() + path.substr(1);
    return path;
}

bool MakeFolderWithParents(const std::string& folder, std::string& reason)
{
    // Each step from the top down, so that the failing one names the reason.
    size_t at = 0;
    while (at != std::string::npos) {
        at = folder.find('/', at + 1);
        const std::string step = folder.substr(0, at);
        if (step.empty() || step.back() == '/')
            continue;
        if (::mkdir(step.c_str(), 0700) == 0 || errno == EEXIST)
            continue;
        reason = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        reason = std::strerror(ENOTDIR);
        return false;
    }
    return true;
}

void WriteInputDevice(const std::string& name)
{
    OpenSettings().setValue(QStringLiteral("Parameters/InputDevice"), QString::fromStdString(name));
}

void WriteStopAfterMinutes(int minutes)
{
    OpenSettings().setValue(QStringLiteral("Parameters/StopAfter"), std::max(minutes, 0));
}

void WriteBufferSize(int size) { OpenSettings().setValue(QStringLiteral("Parameters/BufferSize"), size); }

void WriteRoot(const std::string& root)
{
    OpenSettings().setValue(QStringLiteral("Parameters/FileManager"), QString::fromStdString(root));
}
