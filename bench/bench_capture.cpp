// CPU time per minute of audio recorded by CWaveRecorder from a private
// PulseAudio server (PCM 22050 Hz mono 16-bit), against parecord recording the
// same source in the same run, and the time from Stop to the finished file.
//   bench_capture [seconds per recording, default 20]
#include "BenchSupport.h"
#include "engine/CWaveRecorder.h"
#include "platform/AudioBackends.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;


// Records `seconds` with CWaveRecorder; returns CPU seconds used meanwhile.
double RecordOurs(const std::string& path, double seconds, double* stopMs = nullptr)
{
    CWaveRecorder rec(path);
    const WAVEFORMATEX f = MakePcmFormat(1, 22050, 16);
    const double before = SelfCpu();
    if (rec.Start(&f) != WAVEREC_OK) {
        std::fprintf(stderr, "recorder did not start\n");
        std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const auto t = Clock::now();
    rec.Stop();
    if (stopMs)
        *stopMs = std::chrono::duration<double, std::milli>(Clock::now() - t).count();
    return SelfCpu() - before;
}

// Records `seconds` with parecord; returns the CPU seconds it used.
double RecordParecord(const std::string& path, double seconds)
{
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("parecord", "parecord", "--rate=22050", "--channels=1", "--format=s16le", "--file-format=wav",
               path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    kill(pid, SIGINT);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    return Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    char tmpl[] = "/tmp/vellory-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
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

    // A tone keeps the test microphone (the null sink's monitor) delivering.
    const int total = int(seconds * 2 + 30);
    std::system(("(sox -q -n -r 44100 -c 2 -t wav - synth " + std::to_string(total) +
                 " sine 1000 vol 0.5 | paplay --latency-msec=20) >/dev/null 2>&1 & echo $! > " + dir + "/tone.pid")
                    .c_str());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    RecordOurs(dir + "/warm.wav", 1.5);

    const double ours = RecordOurs(dir + "/ours.wav", seconds);
    const double theirs = RecordParecord(dir + "/parecord.wav", seconds);
    std::vector<double> stops;
    for (int i = 0; i < 10; ++i) {
        double ms = 0;
        RecordOurs(dir + "/short.wav", 0.5, &ms);
        stops.push_back(ms);
    }
    std::sort(stops.begin(), stops.end());

    const std::string lengths = Run("soxi -D " + dir + "/ours.wav " + dir + "/parecord.wav 2>/dev/null | tr '\\n' ' '");
    std::printf("recording %.0f s each, PCM 22050 Hz mono 16-bit (lengths: %s)\n", seconds, lengths.c_str());
    std::printf("CPU per minute recorded: CWaveRecorder %.1f ms, parecord %.1f ms, ratio %.2f (goal <= 1.5)\n",
                ours / seconds * 60000, theirs / seconds * 60000, theirs > 0 ? ours / theirs : 0.0);
    std::printf("Stop to finished file: median %.2f ms, max %.2f ms over %zu stops (goal < 50 ms)\n",
                stops[stops.size() / 2], stops.back(), stops.size());

    std::system(("pkill -P $(cat " + dir + "/tone.pid) 2>/dev/null; kill $(cat " + dir + "/tone.pid) 2>/dev/null").c_str());
    Run(tools + " stop " + dir + "/pulse");
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
