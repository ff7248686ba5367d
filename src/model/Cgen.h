#pragma once

#include "CTamvikProjectBase.h"

#include <QString>
#include <vector>

namespace tamvik {
class IniFile;
}

// General information of a project (title, user, comment, dates, method, sound device),
// stored in the entry GENERAL.INI. Owned by the project, which loads it first on open and
// takes the project's method from it.
class CProjectGeneral : public CTamvikProjectBase {
public:
    static inline const QString SectionProject = QStringLiteral("PROJECT");
    static inline const QString SectionDevice = QStringLiteral("DEVICE");

    // Stores value when it is a method 0..4, else -1.
    void SetMethod(int value);
    int GetMethod() const { return method; }

    // Empties every member except soundDevice, which survives a clear.
    void Clear();

    // Reads the entry; a missing file leaves this part cleared. Bad values fall back to their
    // defaults, never throw.
    void Load(const QString& path);
    // Writes the entry; replace starts from an empty file, otherwise keys this part does not
    // write survive. Throws std::runtime_error when the file cannot be written.
    void Save(const QString& path, bool replace) const;
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    // The keyword written for a method ("TRAINING", "SD", ...; empty for -1 and others) and
    // the method of a keyword read (upper-cased; -1 when none matches).
    static QString MethodKeyword(int method);
    static int MethodFromKeyword(const QString& keyword);

    bool operator==(const CProjectGeneral&) const = default;

    int method = -1;
    QString version; // written back as it was read
    QString title;
    QString comment;
    QString user;
    double createDate = 0;           // days since 30 December 1899
    std::vector<double> updateDates; // oldest first
    int soundDevice = 0;
    QString soundDeviceName;
};
