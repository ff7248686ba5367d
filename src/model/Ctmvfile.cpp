#include "Ctmvfile.h"

#include "FileTimes.h"
#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The reader of the format positions on offsets as signed 32-bit distances, so no archive
// we write may reach 2 GiB.
constexpr std::uint64_t MaxArchiveSize = 0x7FFFFFFFu;
// Fallback copy buffer where the kernel cannot copy between the two files itself.
constexpr std::size_t CopyBufferSize = 256 * 1024;
// One request of an in-kernel copy; the kernel bounds its own memory use.
constexpr std::uint64_t KernelCopyChunk = 1u << 30;

// Owns one file descriptor.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded (a late write error shows here).
    bool close() {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }
    void reset(int fd = -1) {
        close();
        m_fd = fd;
    }

private:
    int m_fd;
};

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

int OpenForReading(const QString& path) {
    // Non-blocking so that a FIFO named like an entry cannot hang the caller.
    return ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

bool WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, char* data, std::size_t length, off_t offset) {
    while (length > 0) {
        const ssize_t n = ::pread(fd, data, length, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool KernelCopyUnsupported(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

// Copies up to limit bytes from in (at *inOffset, or at its file position when null) to
// the file position of out, stopping early at the end of in. The kernel copies where it
// can, as cat does; otherwise one bounded buffer is used. Returns the bytes copied.
std::uint64_t CopyData(int in, off_t* inOffset, int out, std::uint64_t limit, bool& failed) {
    failed = false;
    std::uint64_t total = 0;
    bool kernelCopy = true;
    std::unique_ptr<char[]> buffer;
    while (total < limit) {
        const std::uint64_t want = std::min(limit - total, KernelCopyChunk);
        if (kernelCopy) {
            const ssize_t n = ::copy_file_range(in, inOffset, out, nullptr, want, 0);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (KernelCopyUnsupported(errno)) {
                    kernelCopy = false;
                    continue;
                }
                failed = true;
                break;
            }
            if (n == 0)
                break;
            total += static_cast<std::uint64_t>(n);
            continue;
        }
        if (!buffer)
            buffer = std::make_unique<char[]>(CopyBufferSize);
        const std::size_t ask = static_cast<std::size_t>(std::min<std::uint64_t>(want, CopyBufferSize));
        const ssize_t n =
            inOffset ? ::pread(in, buffer.get(), ask, *inOffset) : ::read(in, buffer.get(), ask);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed = true;
            break;
        }
        if (n == 0)
            break;
        if (!WriteAll(out, buffer.get(), static_cast<std::size_t>(n))) {
            failed = true;
            break;
        }
        if (inOffset)
            *inOffset += n;
        total += static_cast<std::uint64_t>(n);
    }
    return total;
}

QString WithTrailingSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// The rename is done once it returns; a folder that cannot be synced (some network and
// FUSE file systems refuse) leaves it to the file system, as every program must.
void SyncFolderOf(const QString& path) {
    Fd folder(::open(Native(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
}

// What an archive path stands for: the file a symbolic link points to, so that the file
// is replaced and not the link.
QString ArchiveTarget(const QString& archivePath) {
    const QFileInfo info(archivePath);
    return info.isSymLink() ? info.symLinkTarget() : archivePath;
}

// A temporary archive that no save has touched for this long and whose lock nobody holds
// is taken for the leftover of a save that was killed. The lock alone tells a running
// save; the age also covers a save that has created its file but not yet locked it, and
// file systems whose locks other machines do not see.
constexpr std::time_t LeftoverAge = 60;

// An archive being written: a temporary file ".<name>.<hex>.tmp" beside the target that
// replaces the target only when committed, so the previous archive survives every
// failure. The file is locked for as long as it exists under that name (it is renamed or
// removed before the lock goes), so that no other save or open takes it for a leftover.
class ArchiveWriter {
public:
    explicit ArchiveWriter(const QString& archivePath) : m_target(ArchiveTarget(archivePath)) {
        const QFileInfo target(m_target);
        struct stat old {};
        const bool replacing = ::stat(Native(m_target).constData(), &old) == 0;
        for (int attempt = 0; attempt < 100 && !m_fd.valid(); ++attempt) {
            m_temp = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".") +
                     QString::number(QRandomGenerator::global()->generate(), 16) + QStringLiteral(".tmp");
            m_fd.reset(::open(Native(m_temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            m_error = m_fd.valid() ? 0 : errno;
            if (!m_fd.valid() && errno != EEXIST)
                break;
        }
        if (!m_fd.valid())
            return;
        // A second descriptor of the same open file holds the lock past the close of the
        // first, which must come before the rename to report a late write error. Where
        // the file system has no locks the save goes on without one.
        if (::flock(m_fd.get(), LOCK_EX | LOCK_NB) == 0)
            m_lock.reset(::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0));
        if (replacing)
            ::fchmod(m_fd.get(), old.st_mode & 07777);
    }
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;
    ~ArchiveWriter() {
        if (m_fd.valid()) {
            m_fd.close();
            ::unlink(Native(m_temp).constData());
        }
    }
    int fd() const { return m_fd.get(); }
    bool valid() const { return m_fd.valid(); }
    // errno of the failed open or commit.
    int error() const { return m_error; }
    // One durable replace: the data reaches the disk before the rename, and the rename
    // itself reaches it through the folder, so a crash leaves the old archive or the new one.
    bool commit() {
        bool ok = ::fsync(m_fd.get()) == 0;
        m_error = ok ? 0 : errno;
        if (!m_fd.close() && ok) {
            ok = false;
            m_error = errno;
        }
        if (ok && ::rename(Native(m_temp).constData(), Native(m_target).constData()) != 0) {
            ok = false;
            m_error = errno;
        }
        if (ok) {
            SyncFolderOf(m_target);
            return true;
        }
        ::unlink(Native(m_temp).constData());
        return false;
    }

private:
    QString m_target;
    QString m_temp;
    Fd m_fd;
    Fd m_lock; // released as the writer goes, once the file is renamed or removed
    int m_error = 0;
};

// Removes the file at path when it is a leftover temporary archive (see LeftoverAge).
bool RemoveWhenLeftover(const QString& path, std::time_t now) {
    const QByteArray native = Native(path);
    Fd fd(::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (!fd.valid() || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
        now - opened.st_mtime < LeftoverAge)
        return false;
    // Held by a running save, or no locks here: either way it stays.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    // Still the file that was locked: the name was not reused meanwhile.
    struct stat named {};
    if (::lstat(native.constData(), &named) != 0 || named.st_dev != opened.st_dev ||
        named.st_ino != opened.st_ino)
        return false;
    return ::unlink(native.constData()) == 0;
}

// Every entry's data lies after the directory and inside the archive, and no two entries
// share a byte. Our writer always satisfies this; a crafted archive must not make a small
// download unpack into huge files.
bool DataLayoutIsSound(const std::vector<TMVARCHIVEFILEINFO>& list, std::uint64_t directoryEnd,
                       std::uint64_t archiveSize) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    ranges.reserve(list.size());
    for (const TMVARCHIVEFILEINFO& entry : list) {
        const std::uint64_t begin = entry.dataOffset;
        const std::uint64_t end = begin + entry.size;
        if (begin < directoryEnd || end > archiveSize)
            return false;
        // An empty entry shares no byte with anyone, wherever it points.
        if (end > begin)
            ranges.emplace_back(begin, end);
    }
    std::sort(ranges.begin(), ranges.end());
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i - 1].second > ranges[i].first)
            return false;
    }
    return true;
}

TMVARCHIVEFILEINFO FromLegacyEntry(const char* raw) {
    TMVARCHIVEFILEINFO entry;
    std::memset(&entry, 0, sizeof entry);
    const char* end = static_cast<const char*>(std::memchr(raw, 0, 512));
    const QByteArray name(raw, end ? static_cast<int>(end - raw) : 512);
    // Older archives were written in the code page of the writing system; DecodeText takes
    // UTF-8 (and so ASCII) where valid, else the Japanese code page.
    CTmvFile::SetEntryName(entry, tamvik::DecodeText(name));
    std::memcpy(&entry.size, raw + 512, 4);
    std::memcpy(&entry.dataOffset, raw + 516, 4);
    std::memcpy(&entry.creationTime, raw + 520, 8);
    std::memcpy(&entry.lastWriteTime, raw + 528, 8);
    return entry;
}

} // namespace

namespace {
const QString kNotAnArchive = QStringLiteral("not a project archive");
const QString kDamaged = QStringLiteral("the archive is damaged");
} // namespace

bool CTmvFile::Fail(const QString& file, const QString& cause) {
    if (errorText.isEmpty())
        errorText = QDir::toNativeSeparators(file) + QStringLiteral(": ") + cause;
    return false;
}

bool CTmvFile::FailWithErrno(const QString& file, int error) {
    return Fail(file,
                error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : QStringLiteral("unknown error"));
}

int CTmvFile::RemoveLeftovers(const QString& archivePath) {
    if (archivePath.isEmpty())
        return 0;
    const QFileInfo target(ArchiveTarget(archivePath));
    // Exactly the names ArchiveWriter gives: ".<name>.<up to 8 hex digits>.tmp".
    const QRegularExpression pattern(QStringLiteral("^\\.") + QRegularExpression::escape(target.fileName()) +
                                     QStringLiteral("\\.[0-9a-f]{1,8}\\.tmp$"));
    const QDir folder(target.absolutePath());
    const QStringList names =
        folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDir::NoSort);
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    for (const QString& name : names) {
        if (pattern.match(name).hasMatch() && RemoveWhenLeftover(folder.filePath(name), now))
            ++removed;
    }
    return removed;
}

bool CTmvFile::SetExtensions(const QStringList& list) {
    extensions = list;
    return true;
}

QString CTmvFile::EntryName(const TMVARCHIVEFILEINFO& entry) {
    int length = 0;
    while (length < MaxNameLength && entry.name[length] != 0)
        ++length;
    return QString(reinterpret_cast<const QChar*>(entry.name), length);
}

void CTmvFile::SetEntryName(TMVARCHIVEFILEINFO& entry, const QString& name) {
    std::memset(entry.name, 0, sizeof entry.name);
    qsizetype length = std::min<qsizetype>(name.size(), MaxNameLength);
    // Never keep half of a surrogate pair at the cut.
    if (length < name.size() && length > 0 && name.at(length - 1).isHighSurrogate())
        --length;
    std::memcpy(entry.name, name.constData(), static_cast<std::size_t>(length) * sizeof(char16_t));
}

bool CTmvFile::IsSafeEntryName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() == 0)
            return false;
    }
    return true;
}

bool CTmvFile::GetFileInfo(const QString& path, TMVARCHIVEFILEINFO* out) {
    std::memset(out, 0, sizeof *out);
    Fd fd(OpenForReading(path));
    if (!fd.valid())
        return FailWithErrno(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return FailWithErrno(path, errno);
    if (!S_ISREG(st.st_mode))
        return Fail(path, QStringLiteral("not a regular file"));
    // A size the record cannot hold must not be stored cut to its low 32 bits.
    if (static_cast<std::uint64_t>(st.st_size) > 0xFFFFFFFFu)
        return Fail(path, QStringLiteral("4 GiB or larger"));
    if (!tamvik::ReadFileTimes(path, out->creationTime, out->lastWriteTime))
        return FailWithErrno(path, errno);
    out->size = static_cast<std::uint32_t>(st.st_size);
    SetEntryName(*out, path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    return true;
}

std::int32_t CTmvFile::CollectFiles(const QString& folderPath, std::vector<TMVARCHIVEFILEINFO>& list) {
    if (extensions.isEmpty())
        return 0;
    const QString folder = WithTrailingSlash(folderPath);
    list.clear();
    const QStringList names = QDir(folder).entryList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& extension : std::as_const(extensions)) {
        const QString suffix = QLatin1Char('.') + extension;
        QStringList matching;
        for (const QString& name : names) {
            if (name.endsWith(suffix, Qt::CaseInsensitive))
                matching.append(name);
        }
        std::sort(matching.begin(), matching.end(), [](const QString& a, const QString& b) {
            const int byUpper = QString::compare(a.toUpper(), b.toUpper(), Qt::CaseSensitive);
            return byUpper != 0 ? byUpper < 0 : a < b;
        });
        for (const QString& name : std::as_const(matching)) {
            const QString path = folder + name;
            struct stat st {};
            // Folders, sockets, broken links and the like are no files to pack.
            if (::stat(Native(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            TMVARCHIVEFILEINFO info;
            // A file that cannot be stored must fail the pack, not vanish from the archive.
            if (!GetFileInfo(path, &info))
                return -1;
            list.push_back(info);
        }
    }
    return static_cast<std::int32_t>(list.size());
}

std::uint32_t CTmvFile::AppendFile(int archive, const QString& path) {
    Fd source(OpenForReading(path));
    if (!source.valid() || archive < 0)
        return 0;
    bool failed = false;
    return static_cast<std::uint32_t>(CopyData(source.get(), nullptr, archive, 0xFFFFFFFFu, failed));
}

bool CTmvFile::Pack(const QString& folderPath, const QString& archivePath, bool deleteSources) {
    errorText.clear();
    if (folderPath.isEmpty() || archivePath.isEmpty())
        return Fail(archivePath, QStringLiteral("no file name"));
    const QString folder = WithTrailingSlash(folderPath);
    std::vector<TMVARCHIVEFILEINFO> list;
    const std::int32_t collected = CollectFiles(folder, list);
    if (collected == 0)
        return Fail(folder, QStringLiteral("no files to pack"));
    if (collected < 0)
        return false; // GetFileInfo named the file

    std::uint64_t running = HeaderSize + std::uint64_t(EntrySize) * list.size();
    for (TMVARCHIVEFILEINFO& entry : list) {
        entry.dataOffset = static_cast<std::uint32_t>(running);
        running += entry.size;
        if (running > MaxArchiveSize)
            return Fail(archivePath,
                        QStringLiteral("the project would reach 2 GiB, more than an archive holds"));
    }

    // Before the new temporary file: what killed saves left may be what fills the disk.
    RemoveLeftovers(archivePath);
    ArchiveWriter writer(archivePath);
    if (!writer.valid())
        return FailWithErrno(archivePath, writer.error());
    const std::uint32_t header[2] = {Magic, static_cast<std::uint32_t>(list.size())};
    if (!WriteAll(writer.fd(), reinterpret_cast<const char*>(header), sizeof header) ||
        !WriteAll(writer.fd(), reinterpret_cast<const char*>(list.data()), list.size() * sizeof list[0]))
        return FailWithErrno(archivePath, errno);
    for (const TMVARCHIVEFILEINFO& entry : list) {
        // A file that changed since it was listed would shift every later entry.
        errno = 0;
        if (AppendFile(writer.fd(), folder + EntryName(entry)) != entry.size ||
            ::lseek(writer.fd(), 0, SEEK_CUR) != off_t(entry.dataOffset) + off_t(entry.size))
            return errno != 0
                       ? FailWithErrno(archivePath, errno)
                       : Fail(folder + EntryName(entry), QStringLiteral("changed while it was packed"));
    }
    if (!writer.commit())
        return FailWithErrno(archivePath, writer.error());

    if (deleteSources) {
        for (const TMVARCHIVEFILEINFO& entry : list)
            QFile::remove(folder + EntryName(entry));
        QDir().rmdir(folder);
    }
    return true;
}

bool CTmvFile::ReadDirectory(const QString& archivePath, std::vector<TMVARCHIVEFILEINFO>& list) {
    errorText.clear();
    Fd fd(OpenForReading(archivePath));
    if (!fd.valid())
        return FailWithErrno(archivePath, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return FailWithErrno(archivePath, errno);
    if (!S_ISREG(st.st_mode))
        return Fail(archivePath, QStringLiteral("not a regular file"));
    const std::uint64_t archiveSize = static_cast<std::uint64_t>(st.st_size);

    std::uint32_t header[2];
    if (!ReadAll(fd.get(), reinterpret_cast<char*>(header), sizeof header, 0))
        return Fail(archivePath, kNotAnArchive);
    if (header[0] != Magic && header[0] != LegacyMagic)
        return Fail(archivePath, kNotAnArchive);
    const bool legacy = header[0] == LegacyMagic;
    list.clear();
    const std::int32_t count = static_cast<std::int32_t>(header[1]);
    if (count <= 0)
        return true;

    const std::uint64_t entrySize = legacy ? LegacyEntrySize : EntrySize;
    const std::uint64_t directoryEnd = HeaderSize + entrySize * std::uint64_t(count);
    // Checked before any allocation: a count the file cannot hold is refused at once.
    if (directoryEnd > archiveSize)
        return Fail(archivePath, kDamaged);

    std::vector<TMVARCHIVEFILEINFO> entries;
    entries.reserve(static_cast<std::size_t>(count));
    constexpr std::int32_t EntriesPerRead = 64;
    std::vector<char> raw(static_cast<std::size_t>(entrySize) * EntriesPerRead);
    for (std::int32_t first = 0; first < count; first += EntriesPerRead) {
        const std::int32_t n = std::min(EntriesPerRead, count - first);
        if (!ReadAll(fd.get(), raw.data(), entrySize * n, off_t(HeaderSize + entrySize * first)))
            return Fail(archivePath, kDamaged);
        for (std::int32_t i = 0; i < n; ++i) {
            const char* record = raw.data() + entrySize * i;
            TMVARCHIVEFILEINFO entry;
            if (legacy) {
                entry = FromLegacyEntry(record);
            } else {
                std::memcpy(&entry, record, sizeof entry);
                // Take the name up to its terminator and zero the rest, as stored names are.
                SetEntryName(entry, EntryName(entry));
            }
            if (!IsSafeEntryName(EntryName(entry)))
                return Fail(archivePath, QStringLiteral("the archive names a file outside its folder"));
            entries.push_back(entry);
        }
    }
    if (!DataLayoutIsSound(entries, directoryEnd, archiveSize))
        return Fail(archivePath, kDamaged);
    list = std::move(entries);
    return true;
}

bool CTmvFile::ExtractEntry(int archive, const QString& outPath, const TMVARCHIVEFILEINFO& entry) {
    if (archive < 0)
        return false;
    const QByteArray native = Native(outPath);
    ::unlink(native.constData());
    errno = 0; // a file that was not there to remove is no failure
    // Exclusive and without following links: the new file is ours alone.
    Fd out(::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.valid())
        return false;
    off_t offset = entry.dataOffset;
    bool failed = false;
    const std::uint64_t copied = CopyData(archive, &offset, out.get(), entry.size, failed);
    // An entry that ends early is as bad as a failed read: a cut file is no good project.
    const bool complete = !failed && copied == entry.size;
    if (!out.close() || !complete || !tamvik::SetFileLastWriteTime(outPath, entry.lastWriteTime)) {
        ::unlink(native.constData());
        return false;
    }
    return true;
}

bool CTmvFile::Unpack(const QString& archivePath, const QString& destFolder) {
    std::vector<TMVARCHIVEFILEINFO> list;
    if (!ReadDirectory(archivePath, list))
        return false;
    RemoveLeftovers(archivePath);
    const QFileInfo dest(destFolder);
    if (dest.exists() && !dest.isDir())
        return Fail(destFolder, QStringLiteral("not a folder"));
    if (!dest.exists() && ::mkdir(Native(destFolder).constData(), 0777) != 0)
        return FailWithErrno(destFolder, errno);
    const QString folder = WithTrailingSlash(destFolder);
    Fd archive(OpenForReading(archivePath));
    if (!archive.valid())
        return FailWithErrno(archivePath, errno);
    for (const TMVARCHIVEFILEINFO& entry : list) {
        errno = 0;
        if (!ExtractEntry(archive.get(), folder + EntryName(entry), entry))
            return errno != 0 ? FailWithErrno(folder + EntryName(entry), errno) : Fail(archivePath, kDamaged);
    }
    return true;
}
