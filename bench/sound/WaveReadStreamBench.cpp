// CPU cost of the reader thread streaming 16 channels of 96 kHz 24-bit audio: the
// process's CPU time minus the consuming thread's, per second of audio streamed.
#include "Cwaveread.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t Rate = 96000;
constexpr uint16_t Channels = 8; // per file; two files = 16 channels
constexpr uint32_t Seconds = 20;

void put16(QByteArray& b, uint16_t v) {
    b.append(char(v & 0xFF)).append(char(v >> 8));
}
void put32(QByteArray& b, uint32_t v) {
    put16(b, uint16_t(v));
    put16(b, uint16_t(v >> 16));
}

bool writeWav(const QString& path, uint32_t seed) {
    const uint32_t frameBytes = Channels * 3;
    const uint32_t dataBytes = Rate * Seconds * frameBytes;
    QByteArray head("RIFF");
    put32(head, 36 + dataBytes);
    head.append("WAVEfmt ");
    put32(head, 16);
    put16(head, 1);
    put16(head, Channels);
    put32(head, Rate);
    put32(head, Rate * frameBytes);
    put16(head, uint16_t(frameBytes));
    put16(head, 24);
    head.append("data");
    put32(head, dataBytes);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(head);
    std::vector<char> chunk(frameBytes * 4096);
    uint32_t x = seed;
    for (uint32_t written = 0; written < dataBytes; written += uint32_t(chunk.size())) {
        for (char& c : chunk) {
            x = x * 1664525u + 1013904223u;
            c = char(x >> 24);
        }
        f.write(chunk.data(), std::min<qint64>(qint64(chunk.size()), dataBytes - written));
    }
    return true;
}

double seconds(const timespec& t) {
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double processCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double threadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return seconds(t);
}

void warmCache(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        while (!f.read(1 << 20).isEmpty()) {
        }
}

} // namespace

int main() {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.wav");
    const QString b = dir.filePath("b.wav");
    if (!writeWav(a, 1) || !writeWav(b, 2)) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    warmCache(a);
    warmCache(b);

    CWaveRead reader;
    if (!reader.Open({a, b}, 2 * Rate)) {
        std::fprintf(stderr, "open failed\n");
        return 1;
    }
    const double cpu0 = processCpu();
    const double mine0 = threadCpu();
    const auto wall0 = std::chrono::steady_clock::now();
    reader.Start();
    while (!reader.IsReading())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    // The consumer takes 10 ms blocks as fast as they come: the thread's cost per second
    // of audio is the same as when paced, only sooner.
    std::vector<uint8_t> block(Rate / 100 * 16 * 4);
    uint64_t frames = 0;
    for (;;) {
        const uint32_t n = reader.Read(block.data(), uint32_t(block.size()));
        if (n == 0 || n == 0xFFFFFFFFu)
            break;
        frames += n / (16 * 4);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double consumer = threadCpu() - mine0;
    const double total = processCpu() - cpu0;
    reader.Stop();
    const double audio = double(frames) / Rate;
    std::printf("streamed %.1f s of 16 x 96 kHz 24-bit audio in %.2f s wall\n", audio, wall);
    std::printf("reader thread CPU: %.4f s per second of audio (consumer %.4f s)\n",
                (total - consumer) / audio, consumer / audio);
    return 0;
}
