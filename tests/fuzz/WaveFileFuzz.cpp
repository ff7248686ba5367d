// Feeds arbitrary bytes as a WAV file to the chunk parser: opening and reading the whole
// data chunk must never crash, and reads must stay within the data size it reported.
#include "CWaveFileIF.h"

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = QStringLiteral("/dev/shm/tamvik-wavefuzz-%1.wav").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    CWaveFileIF wav;
    WAVEFORMATEXTENSIBLE format{};
    if (wav.OpenEx(path, 0, &format)) {
        const uint32_t dataSize = wav.GetDataSize();
        char buffer[4096];
        uint64_t total = 0;
        for (;;) {
            const int32_t n = wav.Read(buffer, sizeof buffer);
            if (n <= 0)
                break;
            total += static_cast<uint64_t>(n);
            if (total > dataSize)
                std::abort();
        }
        wav.Close();
    }
    (void)IsWaveFile(path);
    return 0;
}
