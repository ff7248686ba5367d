#pragma once

#include <QString>
#include <cstdint>

namespace tamvik {

// Creation and last-write times of a file as FILETIME values. The creation time is the
// birth time where the file system keeps one (statx), else the modification time.
bool ReadFileTimes(const QString& path, std::uint64_t& creationTime, std::uint64_t& lastWriteTime);
// Sets the modification time only (Linux cannot set a birth time); access time untouched.
bool SetFileLastWriteTime(const QString& path, std::uint64_t lastWriteTime);

} // namespace tamvik
