#pragma once

#include <QString>
#include <QStringList>
#include <bit>
#include <cstdint>
#include <vector>

// One directory entry of a .tmv archive. The struct is the on-disk record byte for byte
// (little-endian hosts only), so directories are read and written without conversion.
struct TMVARCHIVEFILEINFO {
    // UTF-16 file name without folder part, at most 511 units, zero-filled behind it.
    char16_t name[512];
    std::uint32_t size;          // byte count of the file's data
    std::uint32_t dataOffset;    // absolute offset of the data from the start of the archive
    std::uint64_t creationTime;  // FILETIME
    std::uint64_t lastWriteTime; // FILETIME
};
static_assert(sizeof(TMVARCHIVEFILEINFO) == 1048, "archive directory entry is 1048 bytes");
static_assert(std::endian::native == std::endian::little, "archive records are stored little-endian");

// The .tmv archive: a flat container of the files of one folder. Packs the folder's files
// that carry a registered extension into one archive and extracts an archive into a folder.
// It knows nothing of what the files hold; CProject derives from it to store projects.
// Archives come from other machines and from the online library, so the reader checks
// names and data layout before it writes anything. No operation throws; a failed Pack,
// Unpack or ReadDirectory leaves its cause in ErrorText for the user's message.
class CTmvFile {
public:
    static constexpr std::uint32_t Magic = 0xFF00FF01u;
    // Older layout with 536-byte entries and names in the ANSI code page; read, never written.
    static constexpr std::uint32_t LegacyMagic = 0xFF00FF00u;
    static constexpr int HeaderSize = 8;
    static constexpr int EntrySize = 1048;
    static constexpr int LegacyEntrySize = 536;
    static constexpr int MaxNameLength = 511;

    CTmvFile() = default;
    virtual ~CTmvFile() = default;

    // Replaces the registered extensions (without dot, matched case-insensitively).
    bool SetExtensions(const QStringList& list);

    // Writes an archive of the folder's files that have a registered extension. The archive
    // is built beside archivePath, synced to the disk and renamed over it only when complete
    // (the folder is synced after the rename), so a failed pack or a crash leaves an
    // existing archive as it was. With deleteSources set, the packed files and
    // then the (empty) folder are removed after a successful pack.
    bool Pack(const QString& folder, const QString& archivePath, bool deleteSources);
    // Extracts every entry into destFolder (created when missing; its parent must exist).
    // A corrupt or hostile archive is refused before anything is written.
    bool Unpack(const QString& archivePath, const QString& destFolder);
    // Removes the temporary archives that killed saves of this archive left beside it
    // (Pack and Unpack call it): those untouched for a minute whose lock no running
    // save holds. Returns how many went.
    static int RemoveLeftovers(const QString& archivePath);

    // Steps of Pack and Unpack. An open archive is a file descriptor.
    bool GetFileInfo(const QString& path, TMVARCHIVEFILEINFO* out);
    // Lists the folder's regular files per registered extension, in registered order and by
    // upper-cased name within one extension, so archives are reproducible. Returns the
    // count, or -1 when a listed file cannot be described (unreadable, 4 GiB or larger).
    std::int32_t CollectFiles(const QString& folder, std::vector<TMVARCHIVEFILEINFO>& list);
    // Copies a file to the current end of the open archive; returns the bytes written.
    std::uint32_t AppendFile(int archive, const QString& path);
    // Reads and checks header and directory: names must be plain file names and each
    // entry's data must lie after the directory, inside the archive, without overlap.
    bool ReadDirectory(const QString& archivePath, std::vector<TMVARCHIVEFILEINFO>& list);
    // Writes one entry's data to a new file; an entry that ends early is a failure.
    bool ExtractEntry(int archive, const QString& outPath, const TMVARCHIVEFILEINFO& entry);

    // The stored name of an entry (up to its first zero unit) and its setter, which cuts
    // to MaxNameLength units and zero-fills the rest of the field.
    static QString EntryName(const TMVARCHIVEFILEINFO& entry);
    static void SetEntryName(TMVARCHIVEFILEINFO& entry, const QString& name);
    // False for names that would reach outside the destination folder or that no file
    // can have: empty, ".", "..", or holding '/', '\', ':' or NUL.
    static bool IsSafeEntryName(const QString& name);

    // The file and the cause of the last failure of Pack, Unpack or ReadDirectory
    // ("<file>: <cause>"); empty after one that succeeded.
    QString ErrorText() const { return errorText; }

protected:
    // Records the failure; the first cause of an operation wins (its later steps fail
    // because of it). Returns false for the caller to pass on.
    bool Fail(const QString& file, const QString& cause);
    // The same with the system's message for an errno value.
    bool FailWithErrno(const QString& file, int error);

    QStringList extensions;
    QString errorText;
};
