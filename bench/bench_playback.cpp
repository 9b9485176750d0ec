// Playback costs against peers measured in the same run:
//  1. Decoding: a file played through the playback device into a virtual
//     output that takes samples at once (decode, convert, hand over), against
//     ffmpeg decoding the same file to 16-bit samples, for PCM, IMA ADPCM and
//     MP3. Wall time per minute of audio.
//  2. Real-time playback into a private PulseAudio server: CPU per minute of
//     audio, against paplay playing the same file.
//   bench_playback [seconds of audio, default 20]
#include "platform/AudioBackends.h"
#include "BenchSupport.h"
#include "platform/playback/CVirtualOutput.h"
#include "platform/playback/MciWaveAudio.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;


// Plays the file to its end through the device; wall seconds, or -1.
double PlayToEnd(const std::string& path)
{
    uint32_t id = 0;
    if (MciOpenWaveAudio(path, id) != 0)
        return -1;
    std::mutex m;
    std::condition_variable cv;
    uint32_t code = 0;
    const auto start = Clock::now();
    if (MciPlay(id, 0, [&](uint32_t c, uint32_t) {
            std::lock_guard lock(m);
            code = c;
            cv.notify_all();
        }) != 0)
        return -1;
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return code != 0; });
    }
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    MciClose(id);
    return code == MCI_NOTIFY_SUCCESSFUL ? took : -1;
}

// Runs a command as a child; its wall seconds and CPU seconds.
void Child(const std::string& command, double& wall, double& cpu)
{
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    wall = std::chrono::duration<double>(Clock::now() - start).count();
    cpu = Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
}

double Best(int runs, const std::function<double()>& f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, f());
    return best;
}
} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    char tmpl[] = "/tmp/vellory-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string secs = std::to_string(int(seconds));
    const std::string pcm = dir + "/pcm.wav";
    std::system(("sox -q -n -r 22050 -c 1 -b 16 " + pcm + " synth " + secs + " sine 440 vol 0.5").c_str());
    std::system(("ffmpeg -v error -y -i " + pcm + " -c:a adpcm_ima_wav " + dir + "/ima.wav").c_str());
    std::system(("ffmpeg -v error -y -i " + pcm + " -c:a libmp3lame -b:a 32k " + dir + "/mp3.wav").c_str());

    OverrideBackend(&AudioBackends::audioOutput, [] { return std::make_shared<CVirtualOutput>(0.0, 50, false); });
    std::printf("decoding %s s of audio, best of 3, wall ms per minute of audio\n", secs.c_str());
    for (const char* name : {"pcm", "ima", "mp3"}) {
        const std::string path = dir + "/" + name + ".wav";
        const double ours = Best(3, [&] { return PlayToEnd(path); });
        const double theirs = Best(3, [&] {
            double wall = 0, cpu = 0;
            Child("ffmpeg -v error -i " + path + " -f s16le -y /dev/null", wall, cpu);
            return wall;
        });
        std::printf("  %-4s device %.1f ms, ffmpeg %.1f ms, ratio %.2f\n", name, ours / seconds * 60000,
                    theirs / seconds * 60000, theirs > 0 ? ours / theirs : 0.0);
    }
    OverrideBackend(&AudioBackends::audioOutput, nullptr);

    const std::string tools = std::string(VELLORY_SOURCE_DIR) + "/tools/private-pulse.sh";
    const std::string out = Run(tools + " start " + dir + "/pulse");
    const size_t at = out.find("PULSE_SERVER=");
    if (at == std::string::npos) {
        std::fprintf(stderr, "private PulseAudio server did not start\n");
        return 1;
    }
    std::string server = out.substr(at + 13);
    server.erase(server.find_last_not_of("\n ") + 1);
    setenv("PULSE_SERVER", server.c_str(), 1);
    unsetenv("VELLORY_AUDIO");
    // Low latency on the null sink before measuring (it sleeps in long blocks while idle).
    std::system(("(pacat --record -d vsink.monitor --latency-msec=50 >/dev/null 2>&1 & echo $! > " + dir +
                 "/rec.pid)")
                    .c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));

    const double before = SelfCpu();
    const double wallOurs = PlayToEnd(pcm);
    const double cpuOurs = SelfCpu() - before;
    double wallPaplay = 0, cpuPaplay = 0;
    Child("paplay --latency-msec=50 " + pcm, wallPaplay, cpuPaplay);
    std::printf("real-time playback into PulseAudio, PCM 22050 Hz mono: wall %.2f s (paplay %.2f s)\n", wallOurs,
                wallPaplay);
    std::printf("  CPU per minute played: device %.1f ms, paplay %.1f ms, ratio %.2f\n", cpuOurs / seconds * 60000,
                cpuPaplay / seconds * 60000, cpuPaplay > 0 ? cpuOurs / cpuPaplay : 0.0);

    std::system(("kill $(cat " + dir + "/rec.pid) 2>/dev/null").c_str());
    Run(tools + " stop " + dir + "/pulse");
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
