// Feeds arbitrary category and project names, as the service could send them, to the
// local library's file names: a name that is accepted names a file directly inside its
// category folder directly inside the library folder, and the folder made for it is there.
#include "FuzzFiles.h"
#include "LibraryFiles.h"

#include <QFileInfo>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString library = fuzzfiles::WorkRoot("libraryfuzz") + QStringLiteral("/library");
    if (size < 1)
        return 0;
    // The first byte picks the decoding: UTF-8 text, or UTF-16 units as they come (lone
    // surrogates and NULs included).
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const QString text = (data[0] & 1) ? QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes),
                                                            static_cast<qsizetype>((size - 1) / 2))
                                       : QString::fromUtf8(bytes, static_cast<qsizetype>(size - 1));
    const qsizetype cut = text.indexOf(QLatin1Char('\n'));
    const QString category = cut < 0 ? text : text.left(cut);
    const QString project = cut < 0 ? QString() : text.mid(cut + 1);

    const QString folder = LibraryCategoryFolder(library, category);
    if (folder.isEmpty() != !IsSafeLibraryName(category))
        fuzzfiles::Fail("a category folder disagrees with the name check");
    const QString path = LibraryFilePath(library, category, project);
    if (path.isEmpty())
        return 0;
    if (!IsSafeLibraryName(category) || !IsSafeLibraryName(project))
        fuzzfiles::Fail("a refused name made a path");
    if (path != library + QLatin1Char('/') + category + QLatin1Char('/') + project ||
        QDir::cleanPath(path) != path)
        fuzzfiles::Fail("a path is not the library, the category and the project");
    for (const QString& name : {category, project}) {
        const QByteArray onDisk = QFile::encodeName(name);
        if (onDisk.contains('/') || onDisk.contains('\0') || onDisk == "." || onDisk == "..")
            fuzzfiles::Fail("a name's bytes on disk leave its folder");
    }

    if (!MakeCategoryFolder(folder))
        return 0; // a name the file system refuses (too long, say)
    const QFileInfo made(folder);
    if (!made.isDir() || made.canonicalPath() != QFileInfo(library).canonicalFilePath())
        fuzzfiles::Fail("the category folder is not directly inside the library folder");
    QDir(folder).removeRecursively();
    return 0;
}
