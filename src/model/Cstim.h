#pragma once

#include "CTamvikProjectBase.h"

#include <QString>
#include <vector>

namespace tamvik {
class IniFile;
}

// One stimulus: a WAV file in the work folder with the name and dates of the source file it
// was copied from, and a comment. A plain value; copies are independent.
class CStimulus {
public:
    CStimulus() = default;
    virtual ~CStimulus() = default;
    CStimulus(const CStimulus&) = default;
    CStimulus& operator=(const CStimulus&) = default;
    CStimulus(CStimulus&&) = default;
    CStimulus& operator=(CStimulus&&) = default;

    void Clear();

    bool operator==(const CStimulus&) const = default;

    QString fileName;         // name of the WAV file in the work folder
    QString orgFileName;      // full path of the source file
    QString comment;          // may hold line breaks
    double orgCreateDate = 0; // days since 30 December 1899
    double orgUpdateDate = 0;
};

// The stimulus list of a project, stored in the entry STIMULI.INI (section [STIMULI]).
// Owned by the project; a stored response keeps its own copy as a snapshot. Stimuli are
// addressed by 0-based position; schedules store positions plus one.
//
// Source paths (ORGFILENAME) are stored as they stand. One that holds ',' or a line break
// cannot be, so it is escaped ("$\$" '$', "$\c" ',', "$\n" CR LF or LF, "$\r" CR) and
// its position is listed in ORGFILENAMEESCAPED. That key is written only when some path is
// escaped or holds "$\" itself, so ordinary lists keep the five keys; its presence says
// that the unlisted paths are literal, whatever they hold (an admin share "\\lab\d$\x").
class CStimuli : public CTamvikProjectBase {
public:
    static inline const QString Section = QStringLiteral("STIMULI");
    // More stimuli than a 16-bit stimulus number can address are never read from a file.
    static constexpr int MaxLoadCount = 65535;

    int GetCount() const { return static_cast<int>(m_stimuli.size()); }
    // Throws std::runtime_error "Invalid size!!" for n < 0 before anything changes.
    void SetCount(int n);
    bool Insert(int index);
    bool Delete(int index);
    bool Clear();

    // Reads the entry; a missing file gives an empty list. Never fails on content.
    void Load(const QString& path);
    // Writes the entry; replace starts from an empty file, otherwise other sections of an
    // existing file survive. Throws std::runtime_error when the file cannot be written.
    void Save(const QString& path, bool replace) const;
    // The same on an INI document held by the caller (a stored response puts several
    // parts into one file).
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    // Element access; the caller keeps index inside 0 .. GetCount()-1.
    CStimulus& operator[](int index) { return m_stimuli[static_cast<size_t>(index)]; }
    const CStimulus& operator[](int index) const { return m_stimuli[static_cast<size_t>(index)]; }
    const std::vector<CStimulus>& Items() const { return m_stimuli; }

    bool operator==(const CStimuli& other) const { return m_stimuli == other.m_stimuli; }

private:
    std::vector<CStimulus> m_stimuli;
};
