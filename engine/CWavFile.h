// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// One RIFF/WAVE file: written from staged audio (PCM directly, other formats
// through a conversion stream on worker threads), or opened to read its format.
// A format whose tag names a container of its own (Opus, FLAC) makes an Ogg
// Opus or FLAC file instead, its audio encoded and muxed on the same workers.
#include "engine/CByteQueue.h"
#include "engine/CEvent.h"
#include "platform/riff/CRiffFile.h"
#include "platform/codecs/CFfmpegContainerWriter.h"
#include "platform/codecs/IConversionStream.h"
#include "platform/WaveFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

// Why the last Write was refused.
enum class WavWriteError {
    None = 0,
    ConversionBehind, // the previous block is still converting: conversion cannot keep up
    OutOfMemory,      // the bytes could not be staged
    DiskWrite,        // writing to the file failed; LastErrno() says why
    SizeLimit,        // the data chunk would pass the format's 32-bit size limit
};

constexpr uint32_t WAVFILE_FLUSH_BLOCK = 1000000;
// Longest time a flush waits for the previous block's conversion before it
// counts the conversion as unable to keep up. The capture layer keeps more
// than this much audio for a writer that is waiting.
constexpr uint32_t WAVFILE_CONVERSION_GRACE_MS = 3000;

class CWavFile {
public:
    CWavFile() = default;
    virtual ~CWavFile();
    CWavFile(const CWavFile&) = delete;
    CWavFile& operator=(const CWavFile&) = delete;

    virtual bool Write(const void* data, uint32_t length);
    virtual bool Create(const std::string& path, const WAVEFORMATEX* format);

    bool Flush();
    // Hands every staged byte on (to the file, or to the converter), so that
    // a recording that pauses keeps nothing in memory only.
    bool FlushStaged();
    // true when the file was finished, synced to the disk and closed; a
    // failure of the sync or of the close is a DiskWrite error.
    bool Close();
    // Reads the format of a RIFF/WAVE file: the "fmt " chunk is looked for
    // among the chunks; a file that is not RIFF/WAVE, has no such chunk or
    // whose figures make no sense is refused with a message.
    bool Open(const std::string& path);

    // The format copy: 18 + cbSize bytes after Create, exactly 18 after Open.
    const WAVEFORMATEX* Format() const { return reinterpret_cast<const WAVEFORMATEX*>(m_pFormat.get()); }
    bool IsOpen() const { return m_file.IsOpen(); }
    WavWriteError LastWriteError() const { return m_lastError.load(); }
    int LastErrno() const { return m_lastErrno.load(); }
    // Audio bytes that reached the data chunk (or, in an Opus or FLAC file,
    // the file after its header) so far.
    uint64_t DataBytesWritten() const { return m_cbWritten.load(); }
    // Largest data chunk this file accepts; lowered only by tests.
    void SetDataLimit(uint64_t bytes) { m_cbDataLimit = bytes; }

    static bool CheckAcmResult(uint32_t code);
    // False for format figures no real file has (no channels, a rate of
    // nothing or of billions, more than 64 bits a sample).
    static bool IsPlausibleFormat(const WAVEFORMATEX& format);
    // True when the file is an Ogg Opus or FLAC file, not RIFF.
    bool IsContainer() const { return m_bContainer; }
    // True when Close could not write an Opus or FLAC file's end (its last
    // page, its final STREAMINFO): the file is closed but wants the repair a
    // crash would get.
    bool LeftUnfinished() const { return m_bUnfinished; }
    // Samples (frames) handed to the converter so far: the fact chunk's count.
    uint64_t SamplesConverted() const { return m_cbConverted.load() / SourceBlockAlign(); }
    // True while a CWavFile of this process writes the file at `path` (its
    // sizes are still 0 by design: it is not an unfinished recording).
    static bool IsBeingWritten(const std::string& path);

protected:
    bool OpenConversionStream();
    bool CreateContainer();
    bool CloseContainer();
    // Syncs and closes the finished file and its folder.
    bool SyncAndClose();
    // True when staged blocks go to a worker (a conversion stream or a muxer).
    bool Encodes() const { return m_hStream || m_pContainer; }
    void ConversionThreadProc();
    bool ConvertBlock(const uint8_t* source, uint32_t length);
    // Appends to the data chunk, recording the reason of a failure.
    bool WriteData(const uint8_t* data, size_t length);
    void Fail(WavWriteError error, int err = 0);
    void JoinLastWorker();
    // Staged PCM bytes that make Write flush: one second of audio (capped at
    // one block of the staging queue), for PCM and compressed formats alike,
    // so that a crash loses about a second at most.
    uint32_t FlushThreshold() const;
    // Bytes of one frame of the PCM that is staged (16-bit when converting).
    uint32_t SourceBlockAlign() const;

    std::unique_ptr<uint8_t[]> m_pFormat;
    std::thread m_hLastWorker;
    CRiffFile m_file; // stands for the mmio handle
    MMCKINFO m_ckRiff{}, m_ckFmt{}, m_ckFact{}, m_ckData{};
    std::unique_ptr<IConversionStream> m_hStream;
    std::unique_ptr<CFfmpegContainerWriter> m_pContainer; // writes into m_file; Opus and FLAC only
    bool m_bContainer = false;
    bool m_bUnfinished = false;
    std::atomic<uint8_t*> m_pPending{nullptr};
    uint32_t m_cbPending = 0;
    CEvent m_workerIdle; // set whenever no block is pending
    CByteQueue m_queue;

    std::atomic<uint64_t> m_cbWritten{0};
    std::atomic<uint64_t> m_cbConverted{0}; // PCM bytes converted into the file
    std::atomic<uint64_t> m_cbDataLimit{0};
    uint64_t m_cbHeader = 0; // bytes before the audio
    bool m_bReading = false;
    std::string m_writingPath; // registered as being written until Close
    std::atomic<WavWriteError> m_lastError{WavWriteError::None};
    std::atomic<int> m_lastErrno{0};
};
