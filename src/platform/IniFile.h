#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace tamvik {

// In-memory INI document: sections and keys keep the order in which they were first
// written, look-ups ignore letter case and keep the first spelling. Sections and keys are
// indexed, so reading or writing n keys by name costs O(n), not O(n^2). Reading drops
// ASCII blanks and control characters around names and values, nothing else: an
// ideographic or no-break space belongs to the value. Reading detects the
// encoding by byte-order mark (UTF-16LE, UTF-16BE, UTF-8; no mark: UTF-8 when valid,
// else CP932); writing is UTF-16LE with BOM (or UTF-8 with BOM) and CR LF. Saving
// replaces the file atomically, so a failed save leaves the old file as it was (scratch
// files may be saved in place instead, see SetSaveMode).
// Reals are always read and written with '.' as decimal separator.
class IniFile {
public:
    enum class Encoding { Utf16LE, Utf8 };

    IniFile() = default;
    // Opens the document on a path; an existing file is read first, so keys that the
    // caller does not write survive an UpdateFile().
    explicit IniFile(const QString& path, Encoding writeEncoding = Encoding::Utf16LE);

    // Replaces the content with the file's. A missing or unreadable file gives an empty
    // document and false.
    bool LoadFromFile(const QString& path);
    void LoadFromBytes(const QByteArray& bytes);
    void LoadFromText(const QString& text);

    // Writes the whole document (as the save mode says). False when it could not be written.
    bool SaveToFile(const QString& path) const;
    // Writes back to the path given at construction.
    bool UpdateFile() const;
    QByteArray ToBytes() const;
    QString ToText() const; // lines joined with CR LF, a blank line after each section

    void SetEncoding(Encoding e) { m_encoding = e; }
    Encoding GetEncoding() const { return m_encoding; }
    // Permission bits of a file that a save creates (minus the umask), e.g. 0600 for files
    // that hold a password; an existing file keeps its own. Negative: 0666.
    void SetCreateMode(int mode) { m_createMode = mode; }
    // Atomic (the default): a save replaces the file whole and durably (WriteFileAtomically).
    // InPlace: for scratch files, rewritten in place without waiting for the disk
    // (WriteFileInPlace).
    enum class SaveMode { Atomic, InPlace };
    void SetSaveMode(SaveMode mode) { m_saveMode = mode; }
    const QString& FileName() const { return m_path; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Missing key or a text that is not a decimal integer (optionally signed, or 0x hex) gives def.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Missing key or a text that is not a real (with '.') gives def.
    double ReadFloat(const QString& section, const QString& key, double def) const;
    // Integer semantics: "0" false, any other integer true, anything else def.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // A line break cannot be stored in a value: written as it stands it would end the line
    // and inject keys or sections into the file, so each CR and LF is written as a blank.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteFloat(const QString& section, const QString& key, double value); // 15 significant digits
    void WriteBool(const QString& section, const QString& key, bool value);    // "1" / "0"

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const;       // key names in order
    QStringList ReadSectionValues(const QString& section) const; // "key=value" lines in order
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& key);
    void Clear();

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;           // in written order; a file may repeat a key
        QHash<QString, std::size_t> keyIndex; // folded key -> first entry of that key
        void Reindex();
    };
    const Section* FindSection(const QString& name) const;
    Section* FindSection(const QString& name);
    const Entry* FindEntry(const QString& section, const QString& key) const;
    Section& AddSection(const QString& name, const QString& folded);
    static void AddEntry(Section& section, const QString& key, const QString& folded, const QString& value);
    void ReindexSections();

    std::vector<Section> m_sections;
    QHash<QString, std::size_t> m_sectionIndex; // folded name -> position in m_sections
    QString m_path;
    Encoding m_encoding = Encoding::Utf16LE;
    int m_createMode = -1;
    SaveMode m_saveMode = SaveMode::Atomic;
};

} // namespace tamvik
