// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CWavFile.h"

#include "engine/CAudioFileHeader.h"
#include "platform/AudioBackends.h"
#include "platform/LoadOnDemand.h"
#include "engine/IEngineHost.h"
#include "engine/MessageStyle.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace {
const uint32_t kWave = CRiffFile::FourCC("WAVE");
const uint32_t kFmt = CRiffFile::FourCC("fmt ");
const uint32_t kFact = CRiffFile::FourCC("fact");
const uint32_t kData = CRiffFile::FourCC("data");
const uint32_t kJunk = CRiffFile::FourCC("JUNK");

// A block is about a second of audio, so a worker still busy after this is
// truly behind.
constexpr uint32_t kConversionGraceMs = WAVFILE_CONVERSION_GRACE_MS;
// Chunks looked at before "fmt " is given up on.
constexpr int kMaxChunksBeforeFormat = 256;

std::mutex g_writingMutex;
std::set<std::string> g_writing;

void RegisterWriting(const std::string& path)
{
    std::lock_guard lock(g_writingMutex);
    g_writing.insert(path);
}

void UnregisterWriting(const std::string& path)
{
    std::lock_guard lock(g_writingMutex);
    g_writing.erase(path);
}
} // namespace

CWavFile::~CWavFile()
{
    if (m_file.IsOpen())
        Close();
    JoinLastWorker();
    std::free(m_pPending.exchange(nullptr));
    if (!m_writingPath.empty())
        UnregisterWriting(m_writingPath);
}

bool CWavFile::IsBeingWritten(const std::string& path)
{
    std::lock_guard lock(g_writingMutex);
    return g_writing.count(path) != 0;
}

bool CWavFile::CheckAcmResult(uint32_t code)
{
    const char* text = nullptr;
    switch (code) {
    case 0: return true;
    case 5: text = "The specified handle is invalid."; break;
    case 7: text = "The system is unable to allocate resources."; break;
    case 10: text = "At least one flag is invalid."; break;
    case 11: text = "At least one parameter is invalid."; break;
    case 512: text = "The requested operation cannot be performed."; break;
    case ACMERR_NOLIBRARY: {
        const std::string missing = LastMissingLibraryText();
        EngineMessageBox(missing.empty() ? "The audio codec library could not be loaded." : missing, MB_ICONEXCLAMATION);
        return false;
    }
    default: return false;
    }
    EngineMessageBox(text, MB_OK);
    return false;
}

void CWavFile::Fail(WavWriteError error, int err)
{
    m_lastErrno.store(err);
    m_lastError.store(error);
}

void CWavFile::JoinLastWorker()
{
    if (m_hLastWorker.joinable())
        m_hLastWorker.join();
}

bool CWavFile::Create(const std::string& path, const WAVEFORMATEX* format)
{
    const size_t cbFormat = FormatBlockSize(format);
    m_pFormat = std::make_unique<uint8_t[]>(cbFormat);
    std::memcpy(m_pFormat.get(), format, cbFormat);
    m_workerIdle.Set();

    m_writingPath = path;
    RegisterWriting(path);
    if (!m_file.Create(path)) {
        // The reason matters here: a root folder that cannot be made, a full or
        // read-only disk all end up at this point.
        EngineMessageBox("Unable to create file\n\n" + path + "\n" + std::strerror(m_file.LastError()), MB_OK);
        return false;
    }
    if (IsContainerFormatTag(Format()->wFormatTag))
        return CreateContainer();
    m_ckRiff = MMCKINFO{};
    m_ckRiff.fccType = kWave;
    m_ckFmt = MMCKINFO{};
    m_ckFmt.ckid = kFmt;
    if (!m_file.CreateChunk(m_ckRiff, true) || !m_file.CreateChunk(m_ckFmt, false) ||
        m_file.Write(m_pFormat.get(), cbFormat) < 0) {
        EngineMessageBox("CWavFile::Create\nError while writing .wav file", MB_ICONSTOP);
        return false;
    }
    m_file.Ascend(m_ckFmt);
    if (Format()->wFormatTag != WAVE_FORMAT_PCM) {
        // The standard fact chunk: the number of samples, written at Close.
        // Players take the length of a compressed file from it.
        m_ckFact = MMCKINFO{};
        m_ckFact.ckid = kFact;
        const uint8_t noSamplesYet[4] = {};
        m_file.CreateChunk(m_ckFact, false);
        m_file.Write(noSamplesYet, sizeof noSamplesYet);
        m_file.Ascend(m_ckFact);
    }
    m_ckData = MMCKINFO{};
    m_ckData.ckid = kData;
    m_file.CreateChunk(m_ckData, false);
    m_file.Ascend(m_ckData);
    m_cbHeader = m_file.Position();
    // The RIFF size (file length - 8) must fit 32 bits, with room for a pad
    // byte and the small chunk that follows an odd data chunk.
    m_cbDataLimit = 0xFFFFFFFFull + 8 - m_cbHeader - 1 - 12;

    if (Format()->wFormatTag != WAVE_FORMAT_PCM)
        return OpenConversionStream();
    m_hStream.reset();
    return true;
}

bool CWavFile::CreateContainer()
{
    m_bContainer = true;
    const FormatBlock format(m_pFormat.get(), m_pFormat.get() + FormatBlockSize(Format()));
    const uint32_t code = CFfmpegContainerWriter::Open(format, m_file, m_pContainer);
    if (code == CONTAINER_WRITE_FAILED) {
        EngineMessageBox("CWavFile::Create\nError while writing .wav file", MB_ICONSTOP);
        return false;
    }
    if (code != 0)
        return CheckAcmResult(code);
    m_cbHeader = m_pContainer->FileBytes();
    // Neither Ogg nor FLAC has RIFF's 32-bit sizes.
    m_cbDataLimit = UINT64_MAX / 2;
    return true;
}

bool CWavFile::OpenConversionStream()
{
    WAVEFORMATEX source{};
    source.wFormatTag = WAVE_FORMAT_PCM;
    source.nChannels = Format()->nChannels;
    source.nSamplesPerSec = Format()->nSamplesPerSec;
    source.nAvgBytesPerSec = uint32_t(Format()->nChannels) * Format()->nSamplesPerSec * 2;
    source.nBlockAlign = uint16_t(Format()->nChannels * 2);
    source.wBitsPerSample = 16;
    source.cbSize = 0;
    FormatBlock destination(m_pFormat.get(), m_pFormat.get() + FormatBlockSize(Format()));
    const uint32_t code = ::OpenConversionStream(source, destination, m_hStream);
    if (code != 0)
        m_hStream.reset();
    return CheckAcmResult(code);
}

bool CWavFile::WriteData(const uint8_t* data, size_t length)
{
    if (length == 0)
        return true;
    const uint64_t before = m_file.Position();
    const bool ok = m_file.Write(data, length) >= 0;
    m_cbWritten.fetch_add(m_file.Position() - before);
    if (!ok)
        Fail(WavWriteError::DiskWrite, m_file.LastError());
    return ok;
}

bool CWavFile::Write(const void* data, uint32_t length)
{
    if (length == 0)
        return true;
    const WavWriteError sticky = m_lastError.load();
    if (sticky == WavWriteError::DiskWrite || sticky == WavWriteError::SizeLimit)
        return false;
    if (!m_file.IsOpen()) {
        Fail(WavWriteError::DiskWrite, EBADF);
        return false;
    }

    // Refuse audio before the data chunk could pass the 32-bit size limit.
    uint64_t incoming = uint64_t(m_queue.GetSize()) + length;
    if (Encodes())
        incoming += m_pPending.load() ? m_cbPending : 0;
    if (m_hStream) {
        const uint32_t srcRate = uint32_t(Format()->nChannels) * Format()->nSamplesPerSec * 2;
        const double ratio = srcRate ? double(Format()->nAvgBytesPerSec) / srcRate : 1.0;
        incoming = uint64_t(double(incoming) * ratio * 1.25) + 65536;
    }
    if (m_cbWritten.load() + incoming > m_cbDataLimit) {
        Fail(WavWriteError::SizeLimit);
        return false;
    }

    if (m_queue.Append(data, length) != 0) {
        Fail(WavWriteError::OutOfMemory, ENOMEM);
        return false;
    }
    // Audio goes to disk (or to the converter) about once a second, so a
    // crash or a power cut loses about a second of a recording at most.
    while (m_queue.GetSize() >= FlushThreshold()) {
        if (!Flush())
            return false;
    }
    return true;
}

uint32_t CWavFile::SourceBlockAlign() const
{
    if (!m_pFormat)
        return 1;
    const WAVEFORMATEX* f = Format();
    if (m_bContainer) {
        const uint32_t align = CFfmpegContainerWriter::SourceFormat(*f).nBlockAlign;
        return align ? align : 1;
    }
    const uint32_t align = m_hStream || f->wFormatTag != WAVE_FORMAT_PCM ? uint32_t(f->nChannels) * 2 : f->nBlockAlign;
    return align ? align : 1;
}

uint32_t CWavFile::FlushThreshold() const
{
    const WAVEFORMATEX* f = Format();
    const uint64_t second = Encodes() ? uint64_t(SourceBlockAlign()) * f->nSamplesPerSec : f->nAvgBytesPerSec;
    if (second == 0 || second > WAVFILE_FLUSH_BLOCK)
        return WAVFILE_FLUSH_BLOCK;
    return uint32_t(second);
}

bool CWavFile::FlushStaged()
{
    while (m_queue.GetSize() > 0) {
        if (!Flush())
            return false;
    }
    return true;
}

bool CWavFile::Flush()
{
    if (m_queue.GetSize() == 0)
        return true;

    if (Encodes()) {
        // One block converts at a time. Wait for the previous one rather than
        // drop the new block; if it is still busy, conversion cannot keep up and
        // the block stays staged for Close.
        if (m_pPending.load() && m_workerIdle.Wait(kConversionGraceMs) != WAIT_OBJECT_0) {
            Fail(WavWriteError::ConversionBehind);
            return false;
        }
        JoinLastWorker();
        uint32_t n = m_queue.GetSize() < WAVFILE_FLUSH_BLOCK ? m_queue.GetSize() : WAVFILE_FLUSH_BLOCK;
        // A block that leaves bytes staged ends on a whole frame.
        if (n < m_queue.GetSize() && n > SourceBlockAlign())
            n -= n % SourceBlockAlign();
        auto* block = static_cast<uint8_t*>(std::calloc(n, 1));
        if (!block) {
            Fail(WavWriteError::OutOfMemory, ENOMEM);
            return false;
        }
        m_queue.Take(block, n);
        m_cbPending = n;
        m_workerIdle.Reset();
        m_pPending.store(block);
        try {
            m_hLastWorker = std::thread(&CWavFile::ConversionThreadProc, this);
        } catch (const std::system_error&) {
            // No thread: convert here so the block is not lost.
            ConversionThreadProc();
        }
        return true;
    }

    std::vector<uint8_t> block(m_queue.GetSize() < WAVFILE_FLUSH_BLOCK ? m_queue.GetSize() : WAVFILE_FLUSH_BLOCK);
    const uint32_t n = m_queue.Take(block.data(), uint32_t(block.size()));
    return WriteData(block.data(), n);
}

void CWavFile::ConversionThreadProc()
{
    uint8_t* block = m_pPending.load();
    if (ConvertBlock(block, m_cbPending))
        m_cbConverted.fetch_add(m_cbPending);
    std::free(block);
    m_pPending.store(nullptr);
    m_workerIdle.Set();
}

bool CWavFile::ConvertBlock(const uint8_t* source, uint32_t length)
{
    if (m_pContainer) {
        // Encoded, muxed and pushed to the file: about a second of audio per
        // block, so pages and frames reach the disk about once a second.
        const bool ok = m_pContainer->Write(source, length);
        m_cbWritten.store(m_pContainer->FileBytes() - m_cbHeader);
        if (!ok)
            Fail(WavWriteError::DiskWrite, m_pContainer->LastErrno() ? m_pContainer->LastErrno() : EIO);
        return ok;
    }
    std::vector<uint8_t> output;
    if (!m_hStream || !m_hStream->Convert(source, length, output))
        return false;
    WriteData(output.data(), output.size());
    return true;
}

bool CWavFile::Close()
{
    if (!m_file.IsOpen())
        return true;
    if (m_bReading) {
        m_file.Close();
        return true;
    }
    if (m_bContainer)
        return CloseContainer();
    if (m_ckData.ckid != kData) {
        // Create stopped before the data chunk: only the RIFF size is written.
        if (!m_file.Ascend(m_ckRiff))
            return false;
        m_file.Close();
        return true;
    }

    // Everything staged reaches the file, however many blocks it takes.
    while (m_queue.GetSize() > 0) {
        if (Encodes())
            m_workerIdle.Wait(INFINITE);
        if (!Flush())
            break;
    }
    m_workerIdle.Wait(INFINITE);
    JoinLastWorker();
    if (m_hStream) {
        std::vector<uint8_t> tail;
        if (m_hStream->Finish(tail))
            WriteData(tail.data(), tail.size());
        m_hStream.reset();
    }
    if (m_lastError.load() == WavWriteError::DiskWrite) {
        // A write that failed part-way leaves a partial block: keep whole blocks only.
        const uint64_t align = Format()->nBlockAlign ? Format()->nBlockAlign : 1;
        const uint64_t n = m_file.Position() - m_cbHeader;
        if (n % align)
            m_file.Truncate(m_cbHeader + n - n % align);
    }
    if (m_ckFact.ckid == kFact) {
        const uint64_t samples = SamplesConverted();
        m_file.PatchLe32(m_ckFact.dwDataOffset, samples > UINT32_MAX ? UINT32_MAX : uint32_t(samples));
    }
    if (!m_file.Ascend(m_ckData))
        return false;
    // An odd data chunk ends with its pad byte; GStreamer's WAV reader does not
    // skip a pad byte that ends the file and then finds no audio. A small
    // chunk after it, which every reader skips, keeps such files playable.
    if (m_ckData.cksize & 1) {
        MMCKINFO junk{};
        junk.ckid = kJunk;
        junk.cksize = 4;
        const uint8_t zeros[4] = {};
        if (!m_file.CreateChunk(junk, false) || m_file.Write(zeros, sizeof zeros) < 0 || !m_file.Ascend(junk))
            return false;
    }
    if (!m_file.Ascend(m_ckRiff))
        return false;
    return SyncAndClose();
}

bool CWavFile::CloseContainer()
{
    if (m_pContainer) {
        while (m_queue.GetSize() > 0) {
            m_workerIdle.Wait(INFINITE);
            if (!Flush())
                break;
        }
        m_workerIdle.Wait(INFINITE);
        JoinLastWorker();
        // The stream's end: the encoder's last frames, Ogg's final page, FLAC's
        // STREAMINFO with the sample count. After a failed write the file keeps
        // what reached it, readable as it is.
        const bool finished = m_pContainer->Finish();
        m_cbWritten.store(m_pContainer->FileBytes() - m_cbHeader);
        if (!finished && m_lastError.load() != WavWriteError::DiskWrite)
            Fail(WavWriteError::DiskWrite, m_pContainer->LastErrno() ? m_pContainer->LastErrno() : EIO);
        m_bUnfinished = !finished;
        m_pContainer.reset();
    }
    return SyncAndClose();
}

bool CWavFile::SyncAndClose()
{
    // The recording is finished only once it is on the disk: a late write
    // error (a full network share, a removed stick) shows up here.
    bool ok = true;
    if (!m_file.Sync()) {
        Fail(WavWriteError::DiskWrite, m_file.LastError());
        ok = false;
    }
    if (!m_file.Close()) {
        Fail(WavWriteError::DiskWrite, m_file.LastError());
        ok = false;
    }
    int err = 0;
    if (ok && !CRiffFile::SyncFolderOf(m_writingPath, err)) {
        Fail(WavWriteError::DiskWrite, err);
        ok = false;
    }
    UnregisterWriting(m_writingPath);
    m_writingPath.clear();
    return ok;
}

bool CWavFile::IsPlausibleFormat(const WAVEFORMATEX& f)
{
    if (f.nChannels == 0 || f.nChannels > 256)
        return false;
    if (f.nSamplesPerSec == 0 || f.nSamplesPerSec > 1536000)
        return false;
    if (f.wBitsPerSample > 64)
        return false;
    if (f.wFormatTag == WAVE_FORMAT_PCM) {
        // PCM's figures follow from each other.
        if (f.wBitsPerSample == 0 || f.nBlockAlign == 0)
            return false;
        if (f.nBlockAlign < uint32_t(f.nChannels) * ((f.wBitsPerSample + 7) / 8))
            return false;
    }
    return true;
}

bool CWavFile::Open(const std::string& path)
{
    uint16_t err = 0;
    if (!m_file.OpenRead(path, err)) {
        EngineMessageBox(CAudioFileHeader::OpenErrorText(err), MB_ICONSTOP);
        return false;
    }
    m_bReading = true;
    m_pFormat = std::make_unique<uint8_t[]>(sizeof(WAVEFORMATEX));
    std::memset(m_pFormat.get(), 0, sizeof(WAVEFORMATEX));

    // Other recorders put JUNK, bext, LIST and more before "fmt ": walk the
    // chunks until it turns up, within the file.
    const uint64_t fileSize = m_file.Size();
    bool found = false;
    m_ckRiff = MMCKINFO{};
    if (m_file.Descend(m_ckRiff) && m_ckRiff.ckid == CRiffFile::FourCC("RIFF") && m_ckRiff.fccType == kWave) {
        for (int i = 0; i < kMaxChunksBeforeFormat; ++i) {
            MMCKINFO ck{};
            if (!m_file.Descend(ck))
                break;
            if (ck.ckid == kFmt) {
                if (ck.cksize < 16)
                    break;
                const size_t want = ck.cksize < sizeof(WAVEFORMATEX) ? ck.cksize : sizeof(WAVEFORMATEX);
                found = m_file.Read(m_pFormat.get(), want) == (long long)want;
                m_ckFmt = ck;
                break;
            }
            if (ck.ckid == kData)
                break; // the format comes before the audio
            const uint64_t next = uint64_t(ck.dwDataOffset) + ck.cksize + (ck.cksize & 1);
            if (next + 8 > fileSize)
                break;
            m_file.Seek(next);
        }
    }
    if (!found || !IsPlausibleFormat(*Format())) {
        m_file.Close();
        m_bReading = false;
        std::memset(m_pFormat.get(), 0, sizeof(WAVEFORMATEX));
        EngineMessageBox(CAudioFileHeader::OpenErrorText(MMIOERR_OTHER), MB_ICONSTOP);
        return false;
    }
    return true;
}
