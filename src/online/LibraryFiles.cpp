#include "LibraryFiles.h"

#include "Ctmvfile.h"
#include "ServiceClient.h"
#include "ServiceForm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString WithSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool IsSafeLibraryName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

QString LibraryCategoryFolder(const QString& projectFolder, const QString& category) {
    if (projectFolder.isEmpty() || !IsSafeLibraryName(category))
        return QString();
    return WithSlash(projectFolder) + category;
}

QString LibraryFilePath(const QString& projectFolder, const QString& category, const QString& project) {
    const QString folder = LibraryCategoryFolder(projectFolder, category);
    if (folder.isEmpty() || !IsSafeLibraryName(project))
        return QString();
    const QString path = folder + QLatin1Char('/') + project;
    // Belt and braces: whatever the names, the file lies below the library folder.
    const QString root = QDir::cleanPath(projectFolder) + QLatin1Char('/');
    if (!QDir::cleanPath(path).startsWith(root))
        return QString();
    return path;
}

bool MakeCategoryFolder(const QString& folder) {
    if (QFileInfo(folder).isDir())
        return true;
    return QDir().mkdir(folder) || QDir().mkpath(folder);
}

DownloadOutcome DownloadProjectFile(tamvik::ServiceClient& client, const QString& url,
                                    const QStringList& lines, const QString& target, QString* error) {
    const auto fail = [error, &target](const QString& cause) {
        if (error)
            *error = target + QStringLiteral(": ") + cause;
        return DownloadOutcome::Failed;
    };
    const auto systemError = [](int code) { return QString::fromLocal8Bit(std::strerror(code)); };
    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.absolutePath();
    QByteArray temp = QFile::encodeName(folder + QStringLiteral("/.") + targetInfo.fileName() +
                                        QStringLiteral(".part-XXXXXX"));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(systemError(errno));
    int writeError = 0;
    const tamvik::ServiceResult result =
        client.PostForm(url, EncodeFormBody(lines), [fd, &writeError](const char* data, std::size_t size) {
            errno = 0;
            if (!WriteAll(fd, data, size))
                writeError = errno != 0 ? errno : ENOSPC;
            return writeError == 0;
        });
    const auto discard = [&](DownloadOutcome outcome, const QString& cause) {
        ::close(fd);
        ::unlink(temp.constData());
        return outcome == DownloadOutcome::Failed ? fail(cause) : outcome;
    };
    if (writeError != 0)
        return discard(DownloadOutcome::Failed, systemError(writeError));
    if (!result.ok())
        return discard(result.status == tamvik::ServiceResult::Status::Cancelled ? DownloadOutcome::Cancelled
                                                                                 : DownloadOutcome::Failed,
                       client.LastErrorText());
    if (::fsync(fd) != 0)
        return discard(DownloadOutcome::Failed, systemError(errno));
    // A cut-off or foreign body (an error page, say) never replaces a good copy.
    std::vector<TMVARCHIVEFILEINFO> entries;
    CTmvFile archive;
    if (!archive.ReadDirectory(QFile::decodeName(temp), entries))
        return discard(DownloadOutcome::Failed,
                       QStringLiteral("the service's reply is not a sound project archive"));
    // mkostemp made the file for its owner alone; a project file is as readable as any.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0 || ::rename(temp.constData(), QFile::encodeName(target).constData()) != 0) {
        const int code = errno;
        ::unlink(temp.constData());
        return fail(systemError(code));
    }
    SyncFolder(folder);
    return DownloadOutcome::Saved;
}
