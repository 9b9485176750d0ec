#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <sys/stat.h>

const char* const g_monthNames[13] = {"Zer", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

namespace {
std::mutex g_clockMutex;
std::function<std::chrono::system_clock::time_point()> g_clock;

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

std::chrono::system_clock::time_point Now()
{
    std::lock_guard lock(g_clockMutex);
    return g_clock ? g_clock() : std::chrono::system_clock::now();
}

// The root as used: with a trailing separator, so category 0 recordings land
// inside it. An empty root stays empty (the working folder).
std::string UsableRoot()
{
    std::string root = GetStoredRoot();
    if (!root.empty() && root.back() != '/')
        root += '/';
    return root;
}

void MakeFolder(const std::string& path)
{
    if (!path.empty())
        // Recordings are personal: a folder made here is its owner's alone. An
        // existing folder keeps its mode. Failures surface where it is used.
        ::mkdir(path.c_str(), 0700);
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

std::string GetCategoryFolder(int category)
{
    const std::string root = UsableRoot();
    MakeFolder(root);
    if (category == 0)
        return root;
    const std::string folder = root + std::to_string(category) + "/";
    MakeFolder(folder);
    return folder;
}

std::string MakeRecordingName(int category)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(Now());
    std::tm utc{};
    gmtime_r(&t, &utc);
    const std::string folder = GetCategoryFolder(category);
    char name[64];
    std::snprintf(name, sizeof name, "%02d-%s-%d_%d.wav", utc.tm_mday, g_monthNames[utc.tm_mon + 1],
                  utc.tm_year + 1900, utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec);
    return folder + name;
}

std::string GetInputDevice()
{
    return OpenSettings().value(QStringLiteral("Parameters/InputDevice")).toString().toStdString();
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

void WriteBufferSize(int size) { OpenSettings().setValue(QStringLiteral("Parameters/BufferSize"), size); }

void WriteRoot(const std::string& root)
{
    OpenSettings().setValue(QStringLiteral("Parameters/FileManager"), QString::fromStdString(root));
}

void SetSettingsClock(std::function<std::chrono::system_clock::time_point()> clock)
{
    std::lock_guard lock(g_clockMutex);
    g_clock = std::move(clock);
}
