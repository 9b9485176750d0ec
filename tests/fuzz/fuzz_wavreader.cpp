// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Fuzzes the WAV reader (the format header the manager lists) and the repair
// of unfinished recordings with arbitrary file contents.
#include "engine/CRecordingRepair.h"
#include "engine/CWavFile.h"
#include "engine/IEngineHost.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
class SilentHost final : public IEngineHost {
public:
    int GetBufferSize() override { return 10000; }
    int MessageBox(const std::string&, unsigned) override { return 1; }
};

std::string ScratchPath()
{
    static const std::string path = "/tmp/vellory-fuzz-" + std::to_string(::getpid()) + ".wav";
    return path;
}

void WriteScratch(const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f)
        return;
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SilentHost host;
    SetEngineHost(&host);
    WriteScratch(data, size);
    {
        CWavFile reader;
        if (reader.Open(ScratchPath())) {
            const WAVEFORMATEX* f = reader.Format();
            // What the manager derives from the header.
            volatile uint32_t duration = f->nAvgBytesPerSec ? uint32_t(size) / f->nAvgBytesPerSec : 0;
            volatile uint32_t sum = f->nChannels + f->nSamplesPerSec + f->wBitsPerSample + duration;
            (void)sum;
        }
    }
    if (CRecordingRepair::Repair(ScratchPath()) == RepairResult::Repaired) {
        // A repaired file must read back and need no second repair.
        CWavFile reader;
        reader.Open(ScratchPath());
        if (CRecordingRepair::Repair(ScratchPath()) != RepairResult::NotNeeded)
            __builtin_trap();
    }
    std::remove(ScratchPath().c_str());
    return 0;
}
