#pragma once

#include <QByteArray>
#include <QString>

namespace tamvik {

// Writes bytes to a temporary file beside path and renames it over path only when every
// byte reached the disk, so a failed write (full disk, size limit, no permission) leaves
// the old file as it was and no temporary file behind. An existing file keeps its
// permission bits; a new one gets createMode (minus the umask), or 0666 minus the umask
// when createMode is negative.
// QSaveFile is not used: it reports success when a write stops short on a size limit.
// Durable waits until the bytes are on the disk before the rename, so that a crash leaves
// the old file or the new one. Scratch files whose durability comes from elsewhere (the
// work folder's entries, kept safe by the archive they are packed into) skip that wait.
enum class FileSync { Durable, Scratch };
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int createMode = -1,
                         FileSync sync = FileSync::Durable);

} // namespace tamvik
