// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Listing many recordings, each stage beside the floor in the same round:
//  - floor:  a plain C loop of readdir + stat + open + pread(64) + close over
//            the same folder, what any listing that reads headers must do;
//  - repair: the start-up repair as the program calls it;
//  - header reads: the folder listing the manager asks for (sizes, times,
//            formats), without any widget;
//  - visible: the manager dialog constructed, filled and shown, the events
//            it posted processed; the Qt fill is this less the header reads.
// Rounds are interleaved and the order of the stages rotates; with caches
// dropped before each timed stage ("cold") when the system lets us.
//
//   bench_manager [files, default 10000] [rounds, default 5]
//   bench_manager --make FOLDER FILES    (only writes recordings, for the start-up benchmark)
#include "dialogs/CFileManagerDlg.h"
#include "engine/CWavFile.h"
#include "library/CRecordingFolder.h"
#include "library/RecordingNames.h"

#include <QApplication>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Recordings named as the program names them (day, month, year, second of
// the day), a tenth of a second of PCM each, copied from one real recording.
void MakeRecordings(const std::string& folder, int files)
{
    fs::create_directories(folder);
    const std::string model = folder + ".model.wav";
    {
        const WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
        std::vector<uint8_t> audio(4410);
        CWavFile w;
        if (!w.Create(model, &fmt) || !w.Write(audio.data(), uint32_t(audio.size())) || !w.Close()) {
            std::fprintf(stderr, "cannot write %s\n", model.c_str());
            std::exit(1);
        }
    }
    std::ifstream in(model, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(model);
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < files; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%02d-%s-2026_%d.wav", 1 + (i / 86400) % 28, months[(i / 86400 / 28) % 12],
                      i % 86400);
        std::ofstream out(folder + name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
    }
}

volatile uint64_t g_sink;

// The floor: what reading every header costs with nothing on top.
bool Floor(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    uint64_t sum = 0;
    char head[64];
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string path = folder + e->d_name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::pread(fd, head, sizeof head, 0) == ssize_t(sizeof head))
            sum += uint64_t(st.st_size) + uint8_t(head[22]);
        ::close(fd);
    }
    ::closedir(dir);
    g_sink = sum;
    return true;
}

bool Repair()
{
    PrepareRecordings();
    return true;
}

bool HeaderReads(const std::string& folder, size_t expected)
{
    return CRecordingFolder(folder).List().size() == expected;
}

bool Visible()
{
    CFileManagerDlg dlg;
    dlg.m_category = 2;
    dlg.show();
    QCoreApplication::processEvents();
    return dlg.isVisible();
}

bool g_canDropCaches = false;

void DropCaches()
{
    ::sync();
    FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w");
    g_canDropCaches = f && std::fputs("3\n", f) >= 0;
    if (f)
        g_canDropCaches = std::fclose(f) == 0 && g_canDropCaches;
}

double TimeMs(bool cold, const std::function<bool()>& f)
{
    if (cold)
        DropCaches();
    const auto t0 = std::chrono::steady_clock::now();
    if (!f()) {
        std::fprintf(stderr, "a measured stage failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct Spread {
    double median, low, high;
};

Spread Of(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.front(), v.back()};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--make") == 0) {
        MakeRecordings(std::string(argv[2]) + "/", std::atoi(argv[3]));
        return 0;
    }
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = std::max(5, argc > 2 ? std::atoi(argv[2]) : 5);
    std::string home = (fs::temp_directory_path() / "vellory-bench-XXXXXX").string();
    if (!::mkdtemp(home.data()))
        return 1;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    const std::string folder = GetCategoryFolder(2);
    MakeRecordings(folder, files);
    DropCaches();
    const bool cold = g_canDropCaches;

    std::printf("Listing %d recordings, %d interleaved rounds, ms, median (min-max)\n", files, rounds);
    if (!cold)
        std::printf("(cold runs not possible: /proc/sys/vm/drop_caches cannot be written here)\n");
    for (const bool dropped : {false, true}) {
        if (dropped && !cold)
            break;
        const std::vector<std::pair<const char*, std::function<bool()>>> stages = {
            {"floor", [&] { return Floor(folder); }},
            {"repair", [] { return Repair(); }},
            {"headers", [&] { return HeaderReads(folder, size_t(files)); }},
            {"visible", [] { return Visible(); }},
        };
        std::vector<std::vector<double>> ms(stages.size());
        // One untimed pass: warm caches for the warm rounds, code paged in for both.
        for (const auto& s : stages)
            TimeMs(false, s.second);
        for (int r = 0; r < rounds; ++r)
            for (size_t k = 0; k < stages.size(); ++k) {
                const size_t i = (k + size_t(r)) % stages.size();
                ms[i].push_back(TimeMs(dropped, stages[i].second));
            }
        std::vector<double> fill, ratio;
        for (int r = 0; r < rounds; ++r) {
            fill.push_back(ms[3][size_t(r)] - ms[2][size_t(r)]);
            ratio.push_back(ms[3][size_t(r)] / ms[0][size_t(r)]);
        }
        const char* caches = dropped ? "cold" : "warm";
        const auto show = [&](const char* what, const std::vector<double>& v) {
            const Spread s = Of(v);
            std::printf("%s %-8s %9.1f ms (%.1f-%.1f)\n", caches, what, s.median, s.low, s.high);
        };
        for (size_t i = 0; i < stages.size(); ++i)
            show(stages[i].first, ms[i]);
        show("qtfill", fill);
        const Spread q = Of(ratio);
        std::printf("%s ratio    %9.2f x floor (%.2f-%.2f), visible manager against the C loop\n", caches, q.median,
                    q.low, q.high);
    }
    std::error_code ec;
    fs::remove_all(home, ec);
    return 0;
}
