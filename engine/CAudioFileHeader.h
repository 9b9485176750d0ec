// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The format and exact length of a recording file, read from its header
// alone and without any message box: RIFF/WAVE ("fmt " wherever it stands,
// the "fact" count, the data size), Ogg Opus (OpusHead and the granule
// position of the last whole page) and FLAC (STREAMINFO). What it cannot read
// it explains in one English sentence. No codec library is loaded.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

enum class AudioContainer : uint8_t { Unknown, Wav, Ogg, Flac };

struct AudioFileHeader {
    AudioContainer container = AudioContainer::Unknown;
    uint16_t formatTag = 0;      // the WAV tag; WAVE_FORMAT_OPUS or WAVE_FORMAT_FLAC for the others
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;  // Opus: 48000, the rate it always decodes at
    uint32_t avgBytesPerSec = 0; // WAV: the header's; Opus, FLAC: file size / length (0 while unknown)
    uint16_t bitsPerSample = 0;  // WAV, FLAC; 0 for Opus
    uint16_t blockAlign = 0;     // WAV only
    bool lengthKnown = false;
    uint64_t lengthMs = 0;
    uint64_t fileSize = 0;
    // Not finished by its writer: a WAV whose RIFF size reads 0, a FLAC
    // without a sample count, an Ogg stream whose last page lacks the
    // end-of-stream flag or is followed by a torn one.
    bool unfinished = false;
    bool riffSizeZero = false; // WAV: exactly the writer's "still recording" mark
};

class CAudioFileHeader {
public:
    // Reads the header of the file at path; false with the reason in `reason`.
    // The content decides the kind, whatever the name's extension.
    static bool Read(const std::string& path, AudioFileHeader& header, std::string& reason);

    // Reads through readAt (offset, buffer, count: all bytes or false) from a
    // source of the given size; the fuzzers feed bytes from memory this way.
    using ReadAtFn = std::function<bool(uint64_t, void*, size_t)>;
    static bool ReadFrom(const ReadAtFn& readAt, uint64_t size, AudioFileHeader& header, std::string& reason);

    // The kind that a file name's extension promises (".wav", ".opus",
    // ".flac", in any case), Unknown for any other name.
    static AudioContainer ContainerOfName(const std::string& name);

    // The reader's texts for a file that cannot be opened at all, by the
    // open-error code of the RIFF layer (267 to 272).
    static std::string OpenErrorText(uint16_t code);
};
