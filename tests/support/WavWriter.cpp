#include "WavWriter.h"

#include <QFile>

namespace {

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, uint16_t(v));
    put16(out, uint16_t(v >> 16));
}

void putId(std::vector<uint8_t>& out, const std::string& id) {
    for (size_t i = 0; i < 4; ++i)
        out.push_back(i < id.size() ? uint8_t(id[i]) : uint8_t(' '));
}

void putChunk(std::vector<uint8_t>& out, const std::string& id, const std::vector<uint8_t>& payload,
              std::optional<uint32_t> sizeField = std::nullopt) {
    putId(out, id);
    put32(out, sizeField.value_or(uint32_t(payload.size())));
    out.insert(out.end(), payload.begin(), payload.end());
    if (payload.size() & 1)
        out.push_back(0);
}

std::vector<uint8_t> fmtPayload(const WavLayout& s) {
    std::vector<uint8_t> f;
    const uint16_t align = s.blockAlign.value_or(uint16_t(s.frameBytes()));
    put16(f, s.formatTag);
    put16(f, s.channels);
    put32(f, s.sampleRate);
    put32(f, s.sampleRate * align);
    put16(f, align);
    put16(f, s.bitsPerSample);
    if (s.fmtChunkSize >= 18)
        put16(f, uint16_t(s.fmtChunkSize >= 40 ? 22 : s.fmtChunkSize - 18));
    if (s.fmtChunkSize >= 40) {
        put16(f, s.validBits ? s.validBits : s.bitsPerSample);
        put32(f, s.channelMask);
        const uint32_t data1 = s.subFormat == WavLayout::SubFormat::Pcm     ? 1
                               : s.subFormat == WavLayout::SubFormat::Float ? 3
                                                                            : 0x12345678;
        put32(f, data1);
        const uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
        f.insert(f.end(), tail, tail + 12);
    }
    f.resize(s.fmtChunkSize, 0);
    return f;
}

} // namespace

WavLayout WavLayout::pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    WavLayout s;
    s.channels = channels;
    s.sampleRate = rate;
    s.bitsPerSample = bits;
    return s;
}

WavLayout WavLayout::floating(uint16_t channels, uint32_t rate, uint16_t bits) {
    WavLayout s = pcm(channels, rate, bits);
    s.formatTag = 3;
    return s;
}

WavLayout WavLayout::extensible(uint16_t channels, uint32_t rate, uint16_t bits, SubFormat sub) {
    WavLayout s = pcm(channels, rate, bits);
    s.formatTag = 0xFFFE;
    s.fmtChunkSize = 40;
    s.subFormat = sub;
    return s;
}

std::vector<uint8_t> MakeWav(const WavLayout& layout, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> body;
    putId(body, layout.formType);
    for (const WavChunk& c : layout.beforeFmt)
        putChunk(body, c.id, c.payload);
    putChunk(body, "fmt ", fmtPayload(layout));
    for (const WavChunk& c : layout.beforeData)
        putChunk(body, c.id, c.payload);
    if (layout.withData)
        putChunk(body, "data", data, layout.dataSizeField);
    for (const WavChunk& c : layout.afterData)
        putChunk(body, c.id, c.payload);
    std::vector<uint8_t> file;
    putId(file, "RIFF");
    put32(file, layout.riffSizeField.value_or(uint32_t(body.size())));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

bool WriteWav(const QString& path, const WavLayout& layout, const std::vector<uint8_t>& data) {
    const std::vector<uint8_t> bytes = MakeWav(layout, data);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
               qint64(bytes.size());
}

std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed) {
    std::vector<uint8_t> out(count);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < count; ++i) {
        // xorshift: cheap and never settles into a short cycle.
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = uint8_t(x >> 24);
    }
    return out;
}
