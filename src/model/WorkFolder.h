#pragma once

#include <QSet>
#include <QString>

// File-system steps of the project work folders, kept apart from CProject so that every
// path is handled without following symbolic links. Folders are given with a final '/'.
namespace workfolder {

// The lock file each living work folder holds; never packed (no registered extension).
inline const QString LockFileName = QStringLiteral(".tamvik-lock");

// QDir::tempPath()/tamvik-<uid>/, or "" when no temporary folder can be named.
QString TempBasePath();
// Creates the base 0700 when missing; an existing one must be a real folder owned by the
// user (its mode is then set to 0700). False when it is unusable.
bool EnsureTempBase(const QString& base);

// mkdir of one level with mode 0700: 0 on success, else the errno (EEXIST when taken).
int MakeFolder(const QString& path);
// Creates and locks the folder's lock file; the descriptor holds the lock, -1 on failure.
int LockFolder(const QString& folder);
// Releases the lock; with removeFile the lock file is deleted first.
void UnlockFolder(int& fd, const QString& folder, bool removeFile);

// Deletes the folder's files (not folders, not the lock file) whose name ends with "." +
// extension, ignoring case; "*" deletes every file. Links are deleted, never followed.
void DeleteFiles(const QString& folder, const QString& extension);
// The same, sparing the files named (exactly) in keep.
void DeleteFiles(const QString& folder, const QString& extension, const QSet<QString>& keep);
// Removes the empty folder; false when it still holds something or is gone already.
bool RemoveFolder(const QString& folder);
// Removes every "$TMV" folder of base except ownName whose lock is not held: its files
// first, then the folder (a folder with a subfolder stays). Links and plain files whose
// names start with "$TMV" are left alone.
void RemoveStaleFolders(const QString& base, const QString& ownName);

} // namespace workfolder
