#include "WorkFolder.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace workfolder {

namespace {

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// Closes a descriptor on every way out.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

std::vector<QByteArray> ListNames(int dirFd) {
    std::vector<QByteArray> names;
    const int copy = ::dup(dirFd);
    if (copy < 0)
        return names;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return names;
    }
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool IsFolderAt(int dirFd, const QByteArray& name) {
    struct stat st {};
    return ::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

bool MatchesExtension(const QString& name, const QString& extension) {
    if (extension == QLatin1String("*"))
        return true;
    return name.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive);
}

QString WithoutSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) && folder.size() > 1 ? folder.chopped(1) : folder;
}

} // namespace

QString TempBasePath() {
    QString temp = QDir::tempPath();
    if (temp.isEmpty())
        return QString();
    if (!temp.endsWith(QLatin1Char('/')))
        temp += QLatin1Char('/');
    return temp + QStringLiteral("tamvik-%1/").arg(::getuid());
}

bool EnsureTempBase(const QString& base) {
    const QByteArray path = Native(WithoutSlash(base));
    if (::mkdir(path.constData(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    // Another user could have made the folder first, or put a link there.
    Fd fd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 07777) == 0700 || ::fchmod(fd.get(), 0700) == 0;
}

int MakeFolder(const QString& path) {
    return ::mkdir(Native(WithoutSlash(path)).constData(), 0700) == 0 ? 0 : errno;
}

int LockFolder(const QString& folder) {
    const QByteArray path = Native(folder + LockFileName);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void UnlockFolder(int& fd, const QString& folder, bool removeFile) {
    if (fd < 0)
        return;
    if (removeFile)
        ::unlink(Native(folder + LockFileName).constData());
    ::close(fd);
    fd = -1;
}

void DeleteFiles(const QString& folder, const QString& extension) {
    DeleteFiles(folder, extension, {});
}

void DeleteFiles(const QString& folder, const QString& extension, const QSet<QString>& keep) {
    Fd dir(::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir.valid())
        return;
    for (const QByteArray& name : ListNames(dir.get())) {
        const QString text = QFile::decodeName(name);
        if (text == LockFileName || !MatchesExtension(text, extension) || keep.contains(text) ||
            IsFolderAt(dir.get(), name))
            continue;
        ::unlinkat(dir.get(), name.constData(), 0);
    }
}

bool RemoveFolder(const QString& folder) {
    return ::rmdir(Native(WithoutSlash(folder)).constData()) == 0;
}

void RemoveStaleFolders(const QString& base, const QString& ownName) {
    Fd baseFd(::open(Native(base).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!baseFd.valid())
        return;
    const QByteArray lockName = Native(LockFileName);
    for (const QByteArray& name : ListNames(baseFd.get())) {
        if (!name.startsWith("$TMV") || QFile::decodeName(name) == ownName)
            continue;
        Fd folder(::openat(baseFd.get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.valid())
            continue; // a plain file or a link
        Fd lock(::openat(folder.get(), lockName.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        if (lock.valid() && ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
            continue; // a living project holds it
        for (const QByteArray& entry : ListNames(folder.get()))
            if (!IsFolderAt(folder.get(), entry))
                ::unlinkat(folder.get(), entry.constData(), 0);
        ::unlinkat(baseFd.get(), name.constData(), AT_REMOVEDIR);
    }
}

} // namespace workfolder
