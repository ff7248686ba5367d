// Feeds arbitrary bytes to the archive reader as a .tmv file and unpacks it. Besides the
// sanitizers' findings it checks what a hostile archive must never achieve: files outside
// the destination, more bytes written than the archive holds, or entries whose extracted
// content differs from the data the directory names.
#include "Ctmvfile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unistd.h>

namespace {

QString WorkRoot() {
    static const QString root = [] {
        const QString base =
            QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        const QString path = base + QStringLiteral("/tmvfuzz-") + QString::number(::getpid());
        QDir().mkpath(path);
        return path;
    }();
    return root;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "TmvFileFuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString root = WorkRoot();
    const QString archive = root + QStringLiteral("/in.tmv");
    const QString dest = root + QStringLiteral("/out");
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(archive);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(input) != input.size())
            Fail("cannot write the input");
    }
    QDir(dest).removeRecursively();

    CTmvFile tmv;
    std::vector<TMVARCHIVEFILEINFO> list;
    const bool readable = tmv.ReadDirectory(archive, list);
    const bool unpacked = tmv.Unpack(archive, dest);
    if (unpacked && !readable)
        Fail("unpacked an archive whose directory was refused");
    if (!readable && QDir(dest).exists())
        Fail("touched the destination of a refused archive");

    // Nothing may appear beside the destination folder.
    const QStringList rootEntries =
        QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : rootEntries) {
        if (name != QLatin1String("in.tmv") && name != QLatin1String("out"))
            Fail("wrote outside the destination folder");
    }

    // Everything extracted is a plain file directly in the folder, within the input's size.
    qint64 written = 0;
    const QFileInfoList outEntries =
        QDir(dest).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : outEntries) {
        if (!info.isFile() || info.isSymLink())
            Fail("extracted something that is no plain file");
        written += info.size();
    }
    if (written > static_cast<qint64>(size))
        Fail("extracted more bytes than the archive holds");

    if (unpacked) {
        // The last entry of a name wins; its file holds exactly the bytes it names.
        // Keyed by the name's bytes on disk; opened by the full path, since decoding a bare
        // name would drop a leading byte-order mark.
        std::map<QByteArray, const TMVARCHIVEFILEINFO*> last;
        for (const TMVARCHIVEFILEINFO& entry : list)
            last[QFile::encodeName(CTmvFile::EntryName(entry))] = &entry;
        for (const auto& [name, entry] : last) {
            QFile file(dest + QLatin1Char('/') + CTmvFile::EntryName(*entry));
            if (!file.open(QIODevice::ReadOnly))
                Fail("an extracted entry is missing");
            if (file.readAll() != input.mid(entry->dataOffset, entry->size))
                Fail("an extracted entry differs from its data");
        }
    }
    QDir(dest).removeRecursively();
    return 0;
}
