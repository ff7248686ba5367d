#pragma once

// Shared pieces of the fuzz targets that read files: a private work folder in memory
// (/dev/shm when there is one), a failure that names what went wrong, and the round trip
// of a project part through an INI document.
#include "IniFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace fuzzfiles {

inline QString WorkRoot(const char* name) {
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString path =
        base + QLatin1Char('/') + QLatin1String(name) + QLatin1Char('-') + QString::number(::getpid());
    QDir().mkpath(path);
    return path;
}

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail("cannot write the input");
}

// Reads a project entry from ini with load(entry, document), then writes and reads it
// twice: the second reading must give what the first one did. (An INI value loses the
// blanks and control characters at its two ends, so the first writing may lose such
// characters of a list's first or last item; from then on the entry comes back as written.)
template <typename Part, typename Load>
void RoundTrip(const tamvik::IniFile& ini, Load load, const char* what) {
    const auto through = [&load](const Part& from, Part& to) {
        tamvik::IniFile written;
        from.Save(written);
        tamvik::IniFile reread;
        reread.LoadFromBytes(written.ToBytes());
        load(to, reread);
    };
    Part read;
    load(read, ini);
    Part once;
    through(read, once);
    Part twice;
    through(once, twice);
    if (!(twice == once))
        Fail(what);
}

inline tamvik::IniFile IniOf(const uint8_t* data, size_t size) {
    tamvik::IniFile ini;
    ini.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return ini;
}

} // namespace fuzzfiles
