#include "Cwavefilebuffer.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace {

// Copies the samples of interleaved frames into per-channel slots: sample k of frame j goes
// to first + k * channelStride + j * slotBytes. A fixed SampleBytes (0 = use sampleBytes)
// lets the compiler inline the copy.
template <uint32_t SampleBytes>
void deinterleave(const uint8_t* src, uint32_t frames, uint32_t channels, uint8_t* first, uint32_t slotBytes,
                  size_t channelStride, uint32_t sampleBytes) {
    const uint32_t n = SampleBytes ? SampleBytes : sampleBytes;
    for (uint32_t j = 0; j < frames; ++j) {
        uint8_t* slot = first + size_t(j) * slotBytes;
        for (uint32_t k = 0; k < channels; ++k, src += n)
            std::memcpy(slot + k * channelStride, src, n);
    }
}

} // namespace

CWaveFileBuffer::CWaveFileBuffer() = default;

CWaveFileBuffer::~CWaveFileBuffer() {
    Clear();
}

bool CWaveFileBuffer::Open(const QString& path, uint32_t ringFrames) {
    if (ringFrames == 0 || !QFileInfo(path).isFile())
        return false;
    // The rings and work blocks stay for this file, which often has the layout of the one
    // before: their memory is then reused rather than allocated and faulted in anew.
    Reset();
    if (!m_file.OpenEx(path, 0, &m_format))
        return false;
    const WAVEFORMATEX& f = m_format.Format;
    if (f.nChannels == 0 || f.wBitsPerSample < 8)
        return false;
    m_path = path;
    m_isExtensible = f.wFormatTag == WAVE_FORMAT_EXTENSIBLE;
    m_channels = f.nChannels;
    m_fileBytesPerSample = f.wBitsPerSample / 8;
    m_memBytesPerSample = f.wBitsPerSample == 24 ? 4 : m_fileBytesPerSample;
    m_totalFrames = m_file.GetDataSize() / (m_fileBytesPerSample * m_channels);
    if (m_isExtensible) {
        if (m_format.SubFormat == KSDATAFORMAT_SUBTYPE_PCM)
            m_isFloat = false;
        else if (m_format.SubFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT)
            m_isFloat = true;
        else
            return false;
    } else if (f.wFormatTag == WAVE_FORMAT_PCM) {
        m_isFloat = false;
    } else if (f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
        m_isFloat = true;
    } else {
        return false;
    }
    switch (m_memBytesPerSample) {
    case 2:
        m_sampleFormat = m_isFloat ? SampleFormatUnusable : SampleFormatInt16;
        break;
    case 4:
        m_sampleFormat = m_isFloat ? SampleFormatFloat32 : SampleFormatInt32;
        break;
    case 8:
        m_sampleFormat = m_isFloat ? SampleFormatFloat64 : SampleFormatUnusable;
        break;
    default:
        m_sampleFormat = SampleFormatUnusable;
    }
    // The channel count comes from the file: bound what it makes us allocate before
    // allocating it, so that a corrupt header is refused instead of exhausting memory.
    const uint64_t ringBytes = uint64_t(ringFrames) * m_memBytesPerSample;
    if (ringBytes > uint64_t(INT32_MAX) || (ringBytes + StagingBytesPerChannel) * m_channels > MaxBufferBytes)
        return false;
    m_tempBlock.assign(size_t(m_channels) * StagingBytesPerChannel, 0);
    m_ringFrames = ringFrames;
    if (!AllocateRings(m_channels, ringBytes))
        return false;
    m_opened = true;
    return true;
}

bool CWaveFileBuffer::AllocateRings(uint32_t channels, uint64_t ringBytes) {
    if (m_rings.size() < channels)
        m_rings.resize(channels);
    bool allocated = true;
    for (uint32_t k = 0; allocated && k < channels; ++k) {
        if (!m_rings[k])
            m_rings[k] = std::make_unique<CRingBuffer>();
        allocated = m_rings[k]->Allocate(uint32_t(ringBytes)) > 0;
    }
    if (!allocated)
        for (uint32_t k = 0; k < channels; ++k)
            m_rings[k]->Free();
    return allocated;
}

bool CWaveFileBuffer::Reserve(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample) {
    const uint64_t ringBytes = uint64_t(ringFrames) * bytesPerSample;
    if (channels == 0 || ringBytes == 0 || ringBytes > uint64_t(INT32_MAX) ||
        (ringBytes + StagingBytesPerChannel) * channels > MaxBufferBytes)
        return false;
    Reset();
    if (HasReserved(channels, ringFrames, bytesPerSample))
        return true;
    // Allocating zeroes, and so touches, every ring; the work block is touched likewise.
    if (!AllocateRings(channels, ringBytes))
        return false;
    m_work.assign(WorkBytes(channels, ringFrames, bytesPerSample), 0);
    m_tempBlock.assign(size_t(channels) * StagingBytesPerChannel, 0);
    return true;
}

bool CWaveFileBuffer::HasReserved(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample) const {
    const uint64_t ringBytes = uint64_t(ringFrames) * bytesPerSample;
    if (m_rings.size() < channels || m_work.capacity() < WorkBytes(channels, ringFrames, bytesPerSample))
        return false;
    for (uint32_t k = 0; k < channels; ++k)
        if (!m_rings[k] || m_rings[k]->GetCapacity() != ringBytes)
            return false;
    return true;
}

void CWaveFileBuffer::Clear() {
    Reset();
    m_rings.clear();
    m_tempBlock.clear();
    m_tempBlock.shrink_to_fit();
    m_work.clear();
    m_work.shrink_to_fit();
}

void CWaveFileBuffer::Reset() {
    m_file.Close();
    m_path.clear();
    m_ringFrames = m_totalFrames = m_memBytesPerSample = m_fileBytesPerSample = 0;
    m_isFloat = m_isExtensible = false;
    m_channels = 0;
    m_opened = false;
    m_format = {};
    m_sampleFormat = SampleFormatUnusable;
}

int32_t CWaveFileBuffer::Fill(uint32_t maxFrames) {
    if (!m_opened || m_channels == 0)
        return -1;
    const uint32_t used = GetWrittenFrames() - GetReadFrames();
    uint32_t n = m_ringFrames - std::min(used, m_ringFrames);
    if (maxFrames != 0)
        n = std::min(n, maxFrames);
    const uint32_t frameBytes = m_fileBytesPerSample * m_channels;
    const uint64_t bytesWanted = uint64_t(n) * frameBytes;
    const uint32_t stagingBytes = uint32_t(m_tempBlock.size());
    const size_t channelBlock = size_t(n) * m_memBytesPerSample;
    m_work.assign(channelBlock * m_channels, 0);
    const uint32_t offset = m_memBytesPerSample - m_fileBytesPerSample;

    uint32_t framesSoFar = 0;
    uint64_t bytesSoFar = 0;
    while (bytesSoFar < bytesWanted) {
        std::memset(m_tempBlock.data(), 0, stagingBytes);
        const uint32_t want = uint32_t(std::min<uint64_t>(stagingBytes, bytesWanted - bytesSoFar));
        const int32_t got = m_file.Read(m_tempBlock.data(), want);
        if (got <= 0)
            break;
        bytesSoFar += uint32_t(got);
        // A trailing partial frame is dropped.
        const uint32_t frames = uint32_t(got) / frameBytes;
        uint8_t* first = m_work.data() + size_t(framesSoFar) * m_memBytesPerSample + offset;
        const uint8_t* src = m_tempBlock.data();
        const uint32_t b = m_fileBytesPerSample;
        const uint32_t slot = m_memBytesPerSample;
        switch (b) {
        case 2:
            deinterleave<2>(src, frames, m_channels, first, slot, channelBlock, b);
            break;
        case 3:
            deinterleave<3>(src, frames, m_channels, first, slot, channelBlock, b);
            break;
        case 4:
            deinterleave<4>(src, frames, m_channels, first, slot, channelBlock, b);
            break;
        default:
            deinterleave<0>(src, frames, m_channels, first, slot, channelBlock, b);
        }
        framesSoFar += frames;
        if (uint32_t(got) < want)
            break;
    }
    for (uint32_t k = 0; k < m_channels; ++k)
        m_rings[k]->Write(m_work.data() + k * channelBlock, framesSoFar * m_memBytesPerSample);
    return int32_t(framesSoFar);
}

int32_t CWaveFileBuffer::Read(void* destination, uint32_t bytes) {
    if (!m_opened || m_channels == 0 || bytes == 0 || destination == nullptr)
        return -1;
    const uint32_t available = GetWrittenFrames() - GetReadFrames();
    const uint32_t d = std::min(bytes / (m_memBytesPerSample * m_channels), available);
    std::memset(destination, 0, bytes);
    auto* out = static_cast<uint8_t*>(destination);
    const uint32_t channelBytes = d * m_memBytesPerSample;
    for (uint32_t i = 0; i < m_channels; ++i)
        m_rings[i]->Read(out + size_t(i) * channelBytes, channelBytes);
    return int32_t(channelBytes * m_channels);
}

uint32_t CWaveFileBuffer::GetReadFrames() const {
    if (m_channels == 0)
        return 0xFFFFFFFFu;
    return uint32_t(m_rings[0]->GetReadCount() / m_memBytesPerSample);
}

uint32_t CWaveFileBuffer::GetWrittenFrames() const {
    if (m_channels == 0)
        return 0xFFFFFFFFu;
    return uint32_t(m_rings[0]->GetWriteCount() / m_memBytesPerSample);
}

void CWaveFileBuffer::CloseFile() {
    m_file.Close();
}
