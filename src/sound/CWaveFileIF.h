#pragma once

#include <QFile>
#include <QString>

#include <cstdint>

#include "WaveFormat.h"

// The one gateway to RIFF WAVE files: finds the format and data chunks and reads raw
// sample bytes from the data chunk; it does not interpret the samples. Read mode for
// playback and checks; create mode writes the chunk skeleton (format, empty data). Each object is
// used by one thread at a time.
class CWaveFileIF {
public:
    CWaveFileIF();
    virtual ~CWaveFileIF();
    CWaveFileIF(const CWaveFileIF&) = delete;
    CWaveFileIF& operator=(const CWaveFileIF&) = delete;

    // mode 0 reads (format copied back into the caller's buffer), mode 1 creates (format
    // required). A format chunk shorter than the buffer leaves the rest of it as it was.
    bool Open(const QString& path, int mode, WAVEFORMATEX* format);
    bool OpenEx(const QString& path, int mode, WAVEFORMATEXTENSIBLE* format);
    void Close();
    bool GetFormat(WAVEFORMATEX* out) const;
    // 0xFFFFFFFF when not open or in create mode.
    uint32_t GetDataSize() const;
    // Reads from byte `position` of the data chunk; -1 when not open, in create mode, at or
    // past the end of the data, or on a read error.
    int32_t ReadAt(void* buffer, uint32_t position, uint32_t length);
    // Reads on from the current position, never past the data chunk.
    int32_t Read(void* buffer, uint32_t length);

    bool IsOpen() const { return m_file.isOpen(); }
    const QString& GetPath() const { return m_path; }

private:
    static constexpr int ReadFlags = 0x40;
    static constexpr int CreateFlags = 1;

    bool OpenForRead(void* format, uint32_t formatBytes);
    bool OpenForCreate();

    QFile m_file;
    int m_mode = 0;
    QString m_path;
    WAVEFORMATEX m_format{};
    WAVEFORMATEXTENSIBLE m_formatEx{};
    uint32_t m_dataOffset = 0;
    uint32_t m_dataSize = 0;
    // Create mode: where the RIFF and data size fields are, patched on Close.
    qint64 m_riffSizeAt = 0;
    qint64 m_dataSizeAt = 0;
};

// True when the path opens as a WAV file (read mode).
bool IsWaveFile(const QString& path);
