#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Builds RIFF WAVE files for tests, including malformed ones: any fmt chunk size (16, 18,
// 40 or other), extra chunks around fmt and data (odd sizes get their pad byte), another
// form type, a missing data chunk, sizes that lie.
struct WavChunk {
    std::string id; // four characters
    std::vector<uint8_t> payload;
};

struct WavLayout {
    enum class SubFormat { Pcm, Float, Other };

    uint16_t formatTag = 1; // 1 PCM, 3 float, 0xFFFE extensible
    uint16_t channels = 2;
    uint32_t sampleRate = 44100;
    uint16_t bitsPerSample = 16;
    std::optional<uint16_t> blockAlign;   // default channels * bits / 8
    uint32_t fmtChunkSize = 16;           // bytes of the fmt chunk written; 40 = extensible
    uint16_t validBits = 0;               // extensible: 0 = bitsPerSample
    uint32_t channelMask = 0;             // extensible
    SubFormat subFormat = SubFormat::Pcm; // extensible
    std::string formType = "WAVE";
    std::vector<WavChunk> beforeFmt;
    std::vector<WavChunk> beforeData;
    std::vector<WavChunk> afterData;
    bool withData = true;
    std::optional<uint32_t> dataSizeField; // a data size that differs from the bytes given
    std::optional<uint32_t> riffSizeField;

    // Shorthands for common formats.
    static WavLayout pcm(uint16_t channels, uint32_t rate, uint16_t bits);
    static WavLayout floating(uint16_t channels, uint32_t rate, uint16_t bits);
    static WavLayout extensible(uint16_t channels, uint32_t rate, uint16_t bits, SubFormat sub);

    uint32_t frameBytes() const { return uint32_t(channels) * (bitsPerSample / 8); }
};

std::vector<uint8_t> MakeWav(const WavLayout& layout, const std::vector<uint8_t>& data);
bool WriteWav(const QString& path, const WavLayout& layout, const std::vector<uint8_t>& data);
// Deterministic, non-repeating-looking bytes (so that misplaced bytes show).
std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed = 1);
