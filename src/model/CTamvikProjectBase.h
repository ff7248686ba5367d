#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace tamvik {
class IniFile;
}

// Base of every project part that owns one entry file. It gives the project parts one codec for
// lists inside entry values. Entries are always written and read with ',' as the list
// separator and '.' as the decimal separator, whatever the user's locale, so the
// separators are fixed here instead of being taken from process-wide settings.
class CTamvikProjectBase {
public:
    static constexpr QChar ListSeparator = QLatin1Char(',');
    static constexpr QChar DecimalSeparator = QLatin1Char('.');

    virtual ~CTamvikProjectBase() = default;

    // No state: lets the project parts default their own comparisons.
    bool operator==(const CTamvikProjectBase&) const = default;

    void SplitList(const QString& text, std::vector<QString>& out, bool unescape) const;
    void JoinList(const std::vector<QString>& items, QString& out, bool escape) const;
    void SplitIntList(const QString& text, std::vector<int>& out, int def) const;
    void JoinIntList(const std::vector<int>& values, QString& out) const;
    void SplitText(const QString& text, std::vector<QString>& out, const QString& delimiter) const;
    void JoinText(const std::vector<QString>& items, QString& out, const QString& delimiter) const;

    // The file side of a part's Load and Save, the same for every entry.
    // Reads the entry at path into ini; false (ini empty) when path is empty or no such file.
    static bool ReadEntryFile(const QString& path, tamvik::IniFile& ini);
    // Starts from an empty document when replace is set, else from the file's content so
    // that keys this part does not write survive; fill writes this part's keys; the file is
    // then rewritten in place, without waiting for the disk: entries are work-folder files,
    // and the archive is what is made durable. A failed write may leave the file cut short
    // (the project's save then fails and rewrites it next time). Throws std::runtime_error
    // when it cannot be written.
    static void WriteEntryFile(const QString& path, bool replace,
                               const std::function<void(tamvik::IniFile&)>& fill);
};

// An integer in decimal ("%i").
QString FormatInteger(int value);
