#pragma once

#include <QByteArray>
#include <QString>

namespace tamvik {

// Writes bytes to a temporary file beside path and renames it over path only when every
// byte reached the disk, so a failed write (full disk, size limit, no permission) leaves
// the old file as it was and no temporary file behind. An existing file keeps its
// permission bits; a new one gets createMode (minus the umask), or 0666 minus the umask
// when createMode is negative. On failure error, when given, gets the system's message.
// QSaveFile is not used: it reports success when a write stops short on a size limit.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, int createMode = -1,
                         QString* error = nullptr);

// Writes bytes over path in place (created when missing, never through a symbolic link),
// without a temporary file and without waiting for the disk. For scratch files whose safety
// comes from elsewhere, such as the work folder's entries, which reach the disk inside the
// archive: rewriting a file in place costs a fraction of deleting it and creating it anew.
// A failed write may leave the file cut short; the caller writes it again.
bool WriteFileInPlace(const QString& path, const QByteArray& bytes);

} // namespace tamvik
