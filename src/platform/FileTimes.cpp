#include "FileTimes.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>

namespace tamvik {

namespace {

// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr std::int64_t kFileTimeEpochOffsetS = 11644473600LL;

std::uint64_t ToFileTime(std::int64_t seconds, std::uint32_t nanoseconds) {
    const std::int64_t s = seconds + kFileTimeEpochOffsetS;
    if (s < 0)
        return 0;
    return static_cast<std::uint64_t>(s) * 10000000u + nanoseconds / 100u;
}

} // namespace

bool ReadFileTimes(const QString& path, std::uint64_t& creationTime, std::uint64_t& lastWriteTime) {
    const QByteArray native = QFile::encodeName(path);
    struct statx st {};
    if (statx(AT_FDCWD, native.constData(), 0, STATX_MTIME | STATX_BTIME, &st) != 0)
        return false;
    lastWriteTime = ToFileTime(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
    creationTime =
        (st.stx_mask & STATX_BTIME) ? ToFileTime(st.stx_btime.tv_sec, st.stx_btime.tv_nsec) : lastWriteTime;
    return true;
}

bool SetFileLastWriteTime(const QString& path, std::uint64_t lastWriteTime) {
    const QByteArray native = QFile::encodeName(path);
    struct timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec =
        static_cast<time_t>(static_cast<std::int64_t>(lastWriteTime / 10000000u) - kFileTimeEpochOffsetS);
    times[1].tv_nsec = static_cast<long>(lastWriteTime % 10000000u) * 100;
    return utimensat(AT_FDCWD, native.constData(), times, 0) == 0;
}

} // namespace tamvik
