// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Fuzzes the header reader of WAV, Ogg Opus and FLAC files (what the
// manager lists) and the repair of unfinished Ogg and FLAC recordings with
// arbitrary bytes: no crash, and a repaired file reads as finished and needs
// no second repair.
#include "engine/CAudioFileHeader.h"
#include "engine/CRecordingRepair.h"
#include "engine/IEngineHost.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class SilentHost final : public IEngineHost {
public:
    int GetBufferSize() override { return 10000; }
    int MessageBox(const std::string&, unsigned) override { return 1; }
};

// Named as the program names its recordings: the repair of Ogg and FLAC
// files looks at nothing else.
std::string ScratchPath()
{
    static const std::string path = [] {
        const std::string dir = "/tmp/vellory-fuzz-containers-" + std::to_string(::getpid());
        ::mkdir(dir.c_str(), 0700);
        return dir + "/09-Dec-2026_15659.opus";
    }();
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
    AudioFileHeader header;
    std::string reason;
    const auto fromMemory = [&](uint64_t offset, void* buf, size_t n) {
        if (offset > size || n > size - offset)
            return false;
        if (n > 0) // an empty read may come with no buffer at all
            std::memcpy(buf, data + offset, n);
        return true;
    };
    if (CAudioFileHeader::ReadFrom(fromMemory, size, header, reason)) {
        volatile uint64_t sum = header.lengthMs + header.avgBytesPerSec + header.channels + header.samplesPerSec;
        (void)sum;
    } else if (reason.empty()) {
        __builtin_trap(); // a refusal always says why
    }

    WriteScratch(data, size);
    if (CRecordingRepair::Repair(ScratchPath()) == RepairResult::Repaired) {
        AudioFileHeader after;
        if (!CAudioFileHeader::Read(ScratchPath(), after, reason))
            __builtin_trap();
        if (after.container != AudioContainer::Wav && (after.unfinished || !after.lengthKnown))
            __builtin_trap();
        if (CRecordingRepair::Repair(ScratchPath()) != RepairResult::NotNeeded)
            __builtin_trap();
    }
    std::remove(ScratchPath().c_str());
    return 0;
}
