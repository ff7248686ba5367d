// The wave-out player against aplay on the same ALSA file PCM: are the bytes identical, and
// how long does each take from the request to the first bytes at the device (median of
// several runs; the ratio is ours / aplay's).
#include "Csound.h"

#include "Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <alsa/asoundlib.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Runs = 15;

struct Finished {
    std::mutex lock;
    std::condition_variable cv;
    int status = 0;
    static void receive(void* ctx, uint32_t msg, intptr_t wParam, intptr_t) {
        auto* self = static_cast<Finished*>(ctx);
        if (msg != WM_SOUND_STATUS || (wParam != 3 && wParam != 4 && wParam != 5))
            return;
        std::lock_guard g(self->lock);
        self->status = int(wParam);
        self->cv.notify_all();
    }
};

// Polls the output file until it has bytes; returns the time that took.
double untilBytes(const QString& path, Clock::time_point from) {
    for (;;) {
        if (QFileInfo(path).size() > 0)
            return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        if (Clock::now() - from > std::chrono::seconds(10))
            return -1;
    }
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    QTemporaryDir dir;
    const QString out = dir.filePath("out.raw");
    QFile rc(dir.filePath(".asoundrc"));
    rc.open(QIODevice::WriteOnly);
    rc.write(QStringLiteral("pcm.!default { type file slave.pcm \"null\" file \"%1\" format \"raw\" }\n")
                 .arg(out)
                 .toUtf8());
    rc.close();
    qputenv("HOME", dir.path().toUtf8());
    snd_config_update_free_global();

    // Two seconds of 16-bit stereo at 44.1 kHz.
    const uint32_t dataBytes = 44100 * 2 * 4;
    QByteArray data(int(dataBytes), 0);
    uint32_t x = 5;
    for (char& c : data) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    QByteArray wav("RIFF");
    auto put32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
    put32(36 + dataBytes);
    wav.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(2);
    put32(44100);
    put32(44100 * 4);
    put16(4);
    put16(16);
    wav.append("data");
    put32(dataBytes);
    wav.append(data);
    const QString path = dir.filePath("in.wav");
    QFile w(path);
    w.open(QIODevice::WriteOnly);
    w.write(wav);
    w.close();

    std::vector<double> ours, theirs;
    bool oursIdentical = true;
    bool aplayPrefixIdentical = true;
    qint64 aplayExtra = 0;
    Finished finished;
    const WindowHandle window = RegisterMessageReceiver(&Finished::receive, &finished);
    for (int run = 0; run < Runs; ++run) {
        QFile::remove(out);
        {
            CSound sound;
            sound.SetNotifyWindow(window);
            finished.status = 0;
            const auto t0 = Clock::now();
            sound.Play(path);
            ours.push_back(untilBytes(out, t0));
            std::unique_lock g(finished.lock);
            finished.cv.wait(g, [&] { return finished.status != 0; });
        }
        oursIdentical = oursIdentical && readAll(out) == data;

        QFile::remove(out);
        const QByteArray p = path.toUtf8();
        const char* argv[] = {"aplay", "-q", p.constData(), nullptr};
        pid_t pid;
        const auto t0 = Clock::now();
        if (posix_spawnp(&pid, "aplay", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            std::fprintf(stderr, "cannot run aplay\n");
            return 1;
        }
        theirs.push_back(untilBytes(out, t0));
        int st;
        waitpid(pid, &st, 0);
        const QByteArray got = readAll(out);
        aplayPrefixIdentical = aplayPrefixIdentical && got.left(data.size()) == data;
        aplayExtra = got.size() - data.size();
    }
    UnregisterMessageReceiver(window);
    std::printf("bytes: ours %s the data chunk; aplay's first %u bytes %s it (+%lld bytes of padding)\n",
                oursIdentical ? "equal" : "DIFFER FROM", dataBytes,
                aplayPrefixIdentical ? "equal" : "DIFFER FROM", static_cast<long long>(aplayExtra));
    std::printf("time to first bytes at the device, median of %d: ours %.2f ms, aplay %.2f ms, ratio %.3f\n",
                Runs, median(ours), median(theirs), median(ours) / median(theirs));
    return 0;
}
