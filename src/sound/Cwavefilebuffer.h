#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "CWaveFileIF.h"
#include "Cringbuffer.h"

// How the samples of a planar block lie in memory.
enum SampleFormat : int32_t {
    SampleFormatUnusable = -1, // 8-bit integer, 16-bit float, 64-bit integer, other sizes
    SampleFormatInt16 = 0,
    SampleFormatInt32 = 1, // also 24-bit samples, widened into the high three bytes
    SampleFormatFloat32 = 2,
    SampleFormatFloat64 = 3,
};

// One WAV file of a stimulus, de-interleaved into one ring per channel. Owned by the
// reader thread's object (CWaveRead), which serialises every call; no lock inside.
class CWaveFileBuffer {
public:
    CWaveFileBuffer();
    ~CWaveFileBuffer();
    CWaveFileBuffer(const CWaveFileBuffer&) = delete;
    CWaveFileBuffer& operator=(const CWaveFileBuffer&) = delete;

    bool Open(const QString& path, uint32_t ringFrames);
    // Makes (and touches) now the memory that an Open and the first fills of a file of
    // `channels` channels and `bytesPerSample` bytes a sample in memory would make, so
    // that such a play faults in no fresh pages. Forgets an opened file. False when the
    // sizes are refused or the memory cannot be had.
    bool Reserve(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample);
    // True when an Open of such a file would reuse memory already made.
    bool HasReserved(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample) const;
    // Closes and frees everything.
    void Clear();
    // Moves the next frames of the file into the rings (0 = as many as fit); returns the
    // frames moved, -1 when not opened.
    int32_t Fill(uint32_t maxFrames);
    // Takes a planar block (channel blocks back to back, stride = frames delivered);
    // returns the bytes of that block, -1 when not opened or on a bad argument.
    int32_t Read(void* destination, uint32_t bytes);
    uint32_t GetReadFrames() const;
    uint32_t GetWrittenFrames() const;
    void CloseFile();

    uint32_t GetTotalFrames() const { return m_totalFrames; }
    uint32_t GetBytesPerSample() const { return m_memBytesPerSample; }
    uint32_t GetChannelCount() const { return m_channels; }
    int32_t GetSampleFormat() const { return m_sampleFormat; }
    uint32_t GetSampleRate() const { return m_format.Format.nSamplesPerSec; }
    bool IsOpened() const { return m_opened; }
    // The WAV file itself is still open (more frames can come).
    bool IsFileOpen() const { return m_file.IsOpen(); }

    // Bytes of one file read: the staging block holds this much per channel.
    static constexpr uint32_t StagingBytesPerChannel = 1920;
    // Most memory one file may take in rings and staging (a minute of 64 channels of
    // 96 kHz 32-bit audio fits).
    static constexpr uint64_t MaxBufferBytes = uint64_t(2) << 30;

private:
    // Closes and forgets the file; keeps the rings and work blocks for the next Open.
    void Reset();
    // Rings 0..channels-1 of ringBytes each; false (those rings freed) on failure.
    bool AllocateRings(uint32_t channels, uint64_t ringBytes);
    // The largest planar work block a Fill of this file makes.
    static size_t WorkBytes(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample) {
        return size_t(ringFrames) * bytesPerSample * channels;
    }

    QString m_path;
    uint32_t m_ringFrames = 0;
    uint32_t m_totalFrames = 0;
    uint32_t m_memBytesPerSample = 0;
    uint32_t m_fileBytesPerSample = 0;
    bool m_isFloat = false;
    bool m_isExtensible = false;
    uint32_t m_channels = 0;
    bool m_opened = false;
    std::vector<uint8_t> m_tempBlock;
    int32_t m_sampleFormat = SampleFormatUnusable;
    CWaveFileIF m_file;
    // One ring per channel, kept with their memory for the next Open; a file of fewer
    // channels leaves the rings beyond its own as they are.
    std::vector<std::unique_ptr<CRingBuffer>> m_rings;
    WAVEFORMATEXTENSIBLE m_format{};
    // Planar work blocks of Fill and Read, kept between calls so that streaming does not
    // allocate per call.
    std::vector<uint8_t> m_work;
};
