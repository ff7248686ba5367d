#include "AtomicFile.h"

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamvik {

namespace {

mode_t CurrentUmask() {
    // umask can only be read by setting it; reset at once.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int createMode, QString* error) {
    const auto fail = [error](int code) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(code));
        return false;
    };
    if (path.isEmpty())
        return fail(ENOENT);
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(errno);

    mode_t mode = 0;
    struct stat existing {};
    if (::stat(target.constData(), &existing) == 0)
        mode = existing.st_mode & 07777;
    else
        mode = static_cast<mode_t>(createMode < 0 ? 0666 : createMode) & ~CurrentUmask();

    errno = 0;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes.constData(), static_cast<size_t>(bytes.size())) &&
              ::fsync(fd) == 0;
    // WriteAll stops short without an errno only when the disk takes no more.
    int code = ok ? 0 : (errno != 0 ? errno : ENOSPC);
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temp.constData(), target.constData()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.constData());
        return fail(code);
    }
    return true;
}

bool WriteFileInPlace(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty())
        return false;
    // Not truncated to zero first: file systems that guard the truncate-and-rewrite pattern
    // (ext4's auto_da_alloc) would then start writing the file out at its close, one wait
    // for the disk per entry. Written over from the start and cut to its new length instead.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes.constData(), static_cast<size_t>(bytes.size())) &&
                         ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
    return (::close(fd) == 0) && written;
}

} // namespace tamvik
