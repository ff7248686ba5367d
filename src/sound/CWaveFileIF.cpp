#include "CWaveFileIF.h"

#include <algorithm>
#include <cstring>

namespace {

struct ChunkHeader {
    char id[4];
    uint32_t size;
};

bool readChunkHeader(QFile& file, qint64 at, ChunkHeader& header) {
    if (!file.seek(at))
        return false;
    unsigned char raw[8];
    if (file.read(reinterpret_cast<char*>(raw), 8) != 8)
        return false;
    std::memcpy(header.id, raw, 4);
    header.size = uint32_t(raw[4]) | uint32_t(raw[5]) << 8 | uint32_t(raw[6]) << 16 | uint32_t(raw[7]) << 24;
    return true;
}

bool isId(const char* id, const char* expected) {
    return std::memcmp(id, expected, 4) == 0;
}

// Chunks start on even offsets: an odd-sized chunk is followed by a pad byte.
qint64 nextChunk(qint64 at, uint32_t size) {
    return at + 8 + qint64(size) + (size & 1);
}

// Finds the chunk `id` among the chunks from `at` up to `end`; returns its header offset.
qint64 findChunk(QFile& file, qint64 at, qint64 end, const char* id, ChunkHeader& header) {
    while (at + 8 <= end) {
        if (!readChunkHeader(file, at, header))
            return -1;
        if (isId(header.id, id))
            return at;
        at = nextChunk(at, header.size);
    }
    return -1;
}

bool writeLe32(QFile& file, qint64 at, uint32_t value) {
    unsigned char raw[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    return file.seek(at) && file.write(reinterpret_cast<const char*>(raw), 4) == 4;
}

} // namespace

CWaveFileIF::CWaveFileIF() = default;

CWaveFileIF::~CWaveFileIF() {
    Close();
}

bool CWaveFileIF::Open(const QString& path, int mode, WAVEFORMATEX* format) {
    if (IsOpen() || (mode != 0 && mode != 1) || (mode == 1 && format == nullptr))
        return false;
    if (format)
        m_format = *format;
    m_path = path;
    if (mode == 1)
        return OpenForCreate();
    m_mode = ReadFlags;
    if (!OpenForRead(&m_format, sizeof m_format))
        return false;
    if (format)
        *format = m_format;
    return true;
}

bool CWaveFileIF::OpenEx(const QString& path, int mode, WAVEFORMATEXTENSIBLE* format) {
    if (IsOpen() || (mode != 0 && mode != 1) || (mode == 1 && format == nullptr))
        return false;
    if (format)
        m_formatEx = *format;
    m_path = path;
    if (mode == 1) {
        // Create mode writes the basic 18-byte record whichever call opened it.
        m_format = m_formatEx.Format;
        return OpenForCreate();
    }
    m_mode = ReadFlags;
    if (!OpenForRead(&m_formatEx, sizeof m_formatEx))
        return false;
    if (format)
        *format = m_formatEx;
    return true;
}

bool CWaveFileIF::OpenForRead(void* format, uint32_t formatBytes) {
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const qint64 fileSize = m_file.size();
    ChunkHeader header{};
    qint64 at = 0;
    bool found = false;
    while (!found && at + 12 <= fileSize) {
        if (!readChunkHeader(m_file, at, header))
            break;
        char form[4];
        if (isId(header.id, "RIFF") && m_file.read(form, 4) == 4 && isId(form, "WAVE"))
            found = true;
        else
            at = nextChunk(at, header.size);
    }
    // A RIFF size past the end of the file (a truncated or still-growing file) is bounded
    // by the file, so no search or read runs beyond what is there.
    const qint64 riffEnd = found ? std::min(at + 8 + qint64(header.size), fileSize) : 0;
    qint64 fmtAt = found ? findChunk(m_file, at + 12, riffEnd, "fmt ", header) : -1;
    if (fmtAt < 0) {
        Close();
        return false;
    }
    const uint32_t want = std::min(header.size, formatBytes);
    if (!m_file.seek(fmtAt + 8) || m_file.read(static_cast<char*>(format), want) != qint64(want)) {
        Close();
        return false;
    }
    qint64 dataAt = findChunk(m_file, nextChunk(fmtAt, header.size), riffEnd, "data", header);
    if (dataAt < 0 || !m_file.seek(dataAt + 8)) {
        Close();
        return false;
    }
    m_dataOffset = uint32_t(dataAt + 8);
    m_dataSize = uint32_t(std::min<qint64>(header.size, fileSize - (dataAt + 8)));
    return true;
}

bool CWaveFileIF::OpenForCreate() {
    m_mode = CreateFlags;
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_format = {};
        return false;
    }
    static const char skeleton[] = "RIFF\0\0\0\0WAVEfmt \x12\0\0\0";
    bool ok =
        m_file.write(skeleton, 20) == 20 &&
        m_file.write(reinterpret_cast<const char*>(&m_format), sizeof m_format) == qint64(sizeof m_format) &&
        m_file.write("data\0\0\0\0", 8) == 8;
    if (!ok) {
        m_file.close();
        m_format = {};
        return false;
    }
    m_riffSizeAt = 4;
    m_dataSizeAt = 20 + qint64(sizeof m_format) + 4;
    m_dataOffset = 0;
    m_dataSize = 0;
    return true;
}

void CWaveFileIF::Close() {
    if (m_file.isOpen() && m_mode == CreateFlags) {
        // The data chunk is empty: the sizes are those of the skeleton.
        const qint64 end = m_file.size();
        writeLe32(m_file, m_dataSizeAt, uint32_t(end - (m_dataSizeAt + 4)));
        writeLe32(m_file, m_riffSizeAt, uint32_t(end - 8));
    }
    if (m_file.isOpen())
        m_file.close();
    m_format = {};
    m_dataOffset = 0;
    m_dataSize = 0;
}

bool CWaveFileIF::GetFormat(WAVEFORMATEX* out) const {
    if (!IsOpen() || out == nullptr)
        return false;
    *out = m_format;
    return true;
}

uint32_t CWaveFileIF::GetDataSize() const {
    if (!IsOpen() || m_mode == CreateFlags)
        return 0xFFFFFFFFu;
    return m_dataSize;
}

int32_t CWaveFileIF::ReadAt(void* buffer, uint32_t position, uint32_t length) {
    if (!IsOpen() || m_mode == CreateFlags || position >= m_dataSize)
        return -1;
    if (!m_file.seek(qint64(m_dataOffset) + position))
        return -1;
    const uint32_t n = std::min(length, m_dataSize - position);
    return int32_t(m_file.read(static_cast<char*>(buffer), n));
}

int32_t CWaveFileIF::Read(void* buffer, uint32_t length) {
    if (!IsOpen() || m_mode == CreateFlags)
        return -1;
    const qint64 end = qint64(m_dataOffset) + m_dataSize;
    const qint64 left = std::max<qint64>(0, end - m_file.pos());
    const uint32_t n = uint32_t(std::min<qint64>(length, left));
    return int32_t(m_file.read(static_cast<char*>(buffer), n));
}

bool IsWaveFile(const QString& path) {
    CWaveFileIF file;
    return file.Open(path, 0, nullptr);
}
