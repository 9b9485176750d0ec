#pragma once
// Wave input from the PulseAudio server's default source (works unchanged on
// PipeWire desktops). The stream runs on libpulse's threaded main loop, which
// only copies bytes into the caller's buffers; the buffers are handed back on
// the delivery thread of CWaveInDevice, so the callback may write files.
#include "platform/capture/CWaveInDevice.h"

#include <functional>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_operation;

class CPulseWaveIn final : public CWaveInDevice {
public:
    static uint32_t Open(std::unique_ptr<IWaveIn>& device, const WAVEFORMATEX& format, WaveInProcFn proc,
                         void* instance);
    ~CPulseWaveIn() override;

    // Maps a libpulse error number to a wave-input code.
    static uint32_t MapError(int paError);

private:
    CPulseWaveIn(const WAVEFORMATEX& format, WaveInProcFn proc, void* instance);
    uint32_t Connect();
    uint32_t FragmentFor(uint32_t bufferLength) const;
    uint32_t OnStart() override;
    void OnStop() override;
    void OnClose() override;

    // Main loop lock held: waits until `done` holds or the time runs out.
    bool WaitFor(const std::function<bool()>& done, int milliseconds);
    // Main loop lock held: runs an operation to its end; false on failure or time-out.
    bool Complete(pa_operation* op, bool& success);
    void ReadAvailable(); // main loop lock held
    void Release();

    static void ContextState(pa_context* context, void* self);
    static void StreamState(pa_stream* stream, void* self);
    static void StreamRead(pa_stream* stream, size_t bytes, void* self);
    static void OperationDone(pa_stream* stream, int success, void* self);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    bool m_bClosing = false;        // main loop lock
    uint32_t m_cbFragment = 0;      // fragment size asked of the server
    int m_lastOpSuccess = 0;        // main loop lock
    bool m_bOpDone = false;         // main loop lock
};
