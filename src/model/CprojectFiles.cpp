// CProject: the work folder and the stimulus copies in it.
#include "Cproject.h"

#include "CWaveFileIF.h"
#include "DateTime.h"
#include "FileTimes.h"
#include "WorkFolder.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Random draws before the names are tried in turn; either way at most 10000 names.
constexpr int RandomTries = 100;
constexpr int NameCount = 10000;

bool ExistsNoFollow(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool SameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool ReadTimesOf(const QString& path, double& created, double& modified) {
    std::uint64_t creation = 0;
    std::uint64_t lastWrite = 0;
    if (!tamvik::ReadFileTimes(path, creation, lastWrite))
        return false;
    created = tamvik::DateTimeToDays(tamvik::FileTimeToDateTime(creation).toLocalTime());
    modified = tamvik::DateTimeToDays(tamvik::FileTimeToDateTime(lastWrite).toLocalTime());
    return true;
}

// Tries draw() a few times, then every number from a random start; the first number
// that free() accepts wins. -1 when none does or free() asks to stop (returns -1).
template <typename Draw, typename Free> int FindFree(Draw draw, Free free) {
    for (int i = 0; i < RandomTries; ++i) {
        const int n = draw();
        const int r = free(n);
        if (r != 0)
            return r > 0 ? n : -1;
    }
    const int start = draw();
    for (int k = 0; k < NameCount; ++k) {
        const int n = (start + k) % NameCount;
        const int r = free(n);
        if (r != 0)
            return r > 0 ? n : -1;
    }
    return -1;
}

QString FourDigits(int n) {
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    // The close's own result: a write-back error may only show here.
    bool Close() {
        const int f = fd;
        fd = -1;
        return ::close(f) == 0;
    }
};

// Copies what is left of in to out. The kernel moves the bytes (copy_file_range; a call per
// MiB costs little and lets progress move and a cancel be heard); where it cannot, between
// file systems or on one that does not support it, a read/write loop carries on from where
// it stopped. False on a read or write error, a short write, or when progress says stop.
bool CopyDescriptor(int in, int out, qint64 total, const std::function<bool(qint64, qint64)>& progress) {
    constexpr size_t Chunk = 1u << 20;
    qint64 copied = 0;
    bool kernelCopy = true;
    while (kernelCopy) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, Chunk, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
                return false;
            kernelCopy = false;
            break;
        }
        if (n == 0)
            return true;
        copied += n;
        if (!progress(copied, total))
            return false;
    }
    std::vector<char> buffer(Chunk);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += w;
        }
        copied += n;
        if (!progress(copied, total))
            return false;
    }
}

// Puts the finished temporary file in place: over dest, or only where dest does not exist.
bool PutInPlace(const QByteArray& temporary, const QByteArray& target, bool replace) {
    if (replace)
        return ::rename(temporary.constData(), target.constData()) == 0;
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link fails just as well on an existing name.
    if (::link(temporary.constData(), target.constData()) != 0)
        return false;
    ::unlink(temporary.constData());
    return true;
}

bool SyncFolderOf(const QByteArray& path) {
    const qsizetype cut = path.lastIndexOf('/');
    const QByteArray folder = cut > 0 ? path.left(cut) : QByteArray(cut == 0 ? "/" : ".");
    Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.fd >= 0 && ::fsync(dir.fd) == 0;
}

} // namespace

bool CProject::CopyFileSafely(const QString& source, const QString& dest, bool replace, bool durable,
                              const CopyProgress& progress) {
    const auto report = [&](qint64 copied, qint64 total) { return !progress || progress(copied, total); };
    Fd in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const qint64 total = st.st_size;
    const QByteArray target = QFile::encodeName(dest);
    QByteArray temporary;
    Fd out(-1);
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && out.fd < 0; ++attempt) {
        // Unique within this process; the process id keeps other instances apart.
        temporary = target + ".part" + QByteArray::number(::getpid()) + '-' + QByteArray::number(counter++);
        out.fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out.fd < 0 && errno != EEXIST)
            return false;
    }
    if (out.fd < 0)
        return false;
    struct stat written {};
    const bool ok = report(0, total) && CopyDescriptor(in.fd, out.fd, total, report) &&
                    ::fstat(out.fd, &written) == 0 && written.st_size == total &&
                    (!durable || ::fsync(out.fd) == 0) && out.Close() &&
                    PutInPlace(temporary, target, replace);
    if (!ok) {
        ::unlink(temporary.constData());
        return false;
    }
    return !durable || SyncFolderOf(target);
}

bool CProject::CreateWorkFolder() {
    if (!workfolder::EnsureTempBase(tempPath))
        return false;
    QString folder;
    int lock = -1;
    // free(): 1 made and locked, 0 taken (draw again), -1 the base cannot take folders.
    const int found = FindFree([this] { return Draw(); },
                               [&](int n) {
                                   folder =
                                       tempPath + QStringLiteral("$TMV") + FourDigits(n) + QLatin1Char('/');
                                   const int err = workfolder::MakeFolder(folder);
                                   if (err == EEXIST)
                                       return 0;
                                   if (err != 0)
                                       return -1;
                                   lock = workfolder::LockFolder(folder);
                                   if (lock >= 0)
                                       return 1;
                                   // Removed at once by a stale-folder sweep: try another.
                                   workfolder::RemoveFolder(folder);
                                   return 0;
                               });
    if (found < 0)
        return false;
    // The previous folder goes only once the new one exists.
    DeleteWorkFiles(QStringLiteral("*"), true);
    workfolder::UnlockFolder(workLockFd, workFolder, true);
    workFolder = folder;
    workLockFd = lock;
    return true;
}

void CProject::DeleteWorkFiles(const QString& extension, bool removeFolder) {
    if (workFolder.isEmpty())
        return;
    workfolder::DeleteFiles(workFolder, extension);
    if (!removeFolder)
        return;
    workfolder::UnlockFolder(workLockFd, workFolder, true);
    if (workfolder::RemoveFolder(workFolder)) {
        workFolder.clear();
        return;
    }
    // Still holds a subfolder: it stays ours.
    workLockFd = workfolder::LockFolder(workFolder);
}

void CProject::RemoveStaleWorkFolders() {
    const QString own = workFolder.isEmpty() ? QString() : QFileInfo(workFolder.chopped(1)).fileName();
    workfolder::RemoveStaleFolders(tempPath, own);
}

QString CProject::MakeStimulusFileName() {
    if (workFolder.isEmpty())
        return QString();
    const int n = FindFree([this] { return Draw(); },
                           [this](int k) {
                               return ExistsNoFollow(workFolder + QStringLiteral("STM") + FourDigits(k) +
                                                     QStringLiteral(".WAV"))
                                          ? 0
                                          : 1;
                           });
    return n < 0 ? QString() : QStringLiteral("STM") + FourDigits(n) + QStringLiteral(".WAV");
}

QString CProject::StimulusCopyPath(const CStimulus& stimulus) const {
    // Names come from STIMULI.INI of archives made elsewhere.
    if (workFolder.isEmpty() || !CTmvFile::IsSafeEntryName(stimulus.fileName) ||
        stimulus.fileName == workfolder::LockFileName)
        return QString();
    return workFolder + stimulus.fileName;
}

bool CProject::ReadStimulusTimes(int index) {
    if (index < 0 || index >= stimuli.GetCount())
        return false;
    CStimulus& s = stimuli[index];
    return ReadTimesOf(s.orgFileName, s.orgCreateDate, s.orgUpdateDate);
}

bool CProject::CopyFileAtomically(const QString& source, const QString& dest, bool withProgress) {
    // Stimulus copies live in the work folder, a scratch copy of the archive: no fsync.
    return CopyFileSafely(source, dest, true, false, withProgress ? copyProgress : CopyProgress());
}

bool CProject::CopyStimulusFile(int index, bool withProgress) {
    if (index < 0 || index >= stimuli.GetCount())
        return false;
    const CStimulus& s = stimuli[index];
    const QString dest = StimulusCopyPath(s);
    return !dest.isEmpty() && !s.orgFileName.isEmpty() &&
           CopyFileAtomically(s.orgFileName, dest, withProgress);
}

QString CProject::SetStimulusFile(int index, const QString& path, bool withProgress) {
    if (index < 0 || index >= stimuli.GetCount())
        return QString();
    CStimulus& slot = stimuli[index];
    if (path.isEmpty()) {
        if (const QString copy = StimulusCopyPath(slot); !copy.isEmpty())
            QFile::remove(copy);
        slot.Clear();
        return QString();
    }
    if (!QFileInfo(path).isFile() || !IsWaveFile(path))
        return QString();

    const QString existing = StimulusCopyPath(slot);
    const QString name =
        !existing.isEmpty() && ExistsNoFollow(existing) ? slot.fileName : MakeStimulusFileName();
    if (name.isEmpty())
        return QString(); // no work folder, or no free name
    double created = 0;
    double modified = 0;
    if (!ReadTimesOf(path, created, modified))
        return QString();
    // The slot's own copy registered again is already in place; the old copy is replaced
    // only once the new one is complete, so a failure leaves the slot as it was.
    const QString dest = workFolder + name;
    if (!SameFile(path, dest) && !CopyFileAtomically(path, dest, withProgress))
        return QString();
    slot.fileName = name;
    slot.orgFileName = path;
    slot.orgCreateDate = created;
    slot.orgUpdateDate = modified;
    return name;
}

bool CProject::SetStimulusCount(int n) {
    const int count = stimuli.GetCount();
    if (n < 0)
        return false;
    if (n == count)
        return true;
    for (int i = n; i < count; ++i) {
        const QString copy = StimulusCopyPath(stimuli[i]);
        bool kept = false; // a damaged list may name one copy twice
        for (int k = 0; k < n && !kept; ++k)
            kept = stimuli[k].fileName == stimuli[i].fileName;
        if (!copy.isEmpty() && !kept)
            QFile::remove(copy);
    }
    stimuli.SetCount(n);
    return true;
}

bool CProject::CopyStimuliFrom(CProject* other) {
    if (!other || other->workFolder.isEmpty() || !QFileInfo(other->workFolder).isDir())
        return false;
    if (other == this)
        return true; // every slot already holds its own copy
    const std::vector<CStimulus> source = other->stimuli.Items();
    SetStimulusCount(static_cast<int>(source.size()));
    for (int i = 0; i < static_cast<int>(source.size()); ++i) {
        const CStimulus& s = source[static_cast<size_t>(i)];
        const QString src = other->StimulusCopyPath(s);
        // A slot whose source has no usable copy is emptied, its own copy with it, so no
        // stray WAV stays behind for the next pack.
        if (src.isEmpty() || !QFileInfo(src).isFile() || SetStimulusFile(i, src, false).isEmpty()) {
            SetStimulusFile(i, QString(), false);
            continue;
        }
        CStimulus& d = stimuli[i];
        d.orgFileName = s.orgFileName;
        d.comment = s.comment;
        d.orgCreateDate = s.orgCreateDate;
        d.orgUpdateDate = s.orgUpdateDate;
    }
    return true;
}
