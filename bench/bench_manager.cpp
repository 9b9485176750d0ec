// Listing 10,000 recordings in the manager, against ffprobe reading the same
// headers (ffprobe is timed on a sample of the files and scaled per file).
#include "app/Settings.h"
#include "dialogs/CFileManagerDlg.h"
#include "engine/CWavFile.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int sample = std::min(files, argc > 2 ? std::atoi(argv[2]) : 200);
    std::string home = (fs::temp_directory_path() / "vellory-bench-XXXXXX").string();
    if (!::mkdtemp(home.data()))
        return 1;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    // Recordings of a tenth of a second each in category 2.
    const std::string folder = GetCategoryFolder(2);
    const WAVEFORMATEX fmt = MakePcmFormat(1, 22050, 16);
    std::vector<uint8_t> audio(4410);
    for (int i = 0; i < files; ++i) {
        CWavFile w;
        w.Create(folder + "rec" + std::to_string(i) + ".wav", &fmt);
        w.Write(audio.data(), uint32_t(audio.size()));
        w.Close();
    }

    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        CFileManagerDlg dlg;
        dlg.m_category = 2;
        dlg.show();
        QCoreApplication::processEvents();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }

    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < sample; ++i) {
        const std::string cmd = "ffprobe -v error -show_entries stream=sample_rate,channels,bit_rate,bits_per_sample "
                                "-of csv=p=0 '" + folder + "rec" + std::to_string(i) + ".wav' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "ffprobe failed\n");
            return 1;
        }
    }
    const double ffprobeMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const double oursPerFile = best / files;
    const double theirsPerFile = ffprobeMs / sample;
    std::printf("Manager listing of %d recordings: %.1f ms (%.4f ms per file, best of 3)\n", files, best, oursPerFile);
    std::printf("ffprobe reading the same headers: %.2f ms per file (%d files sampled), %.0f ms for %d files\n",
                theirsPerFile, sample, theirsPerFile * files, files);
    std::printf("Manager listing per file vs ffprobe: ratio %.4f\n", oursPerFile / theirsPerFile);
    std::error_code ec;
    fs::remove_all(home, ec);
    return 0;
}
