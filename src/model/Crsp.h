#pragma once

#include "CTamvikProjectBase.h"
#include "Cexp.h"
#include "Csch.h"
#include "Cstim.h"
#include "Cterm.h"

#include <QString>
#include <cstdint>
#include <vector>

// The answers of one terminal in a stored response; answer g belongs to trial g of the run.
class CTerminalResponse {
public:
    CTerminalResponse() = default;
    CTerminalResponse(const CTerminalResponse&) = default;
    CTerminalResponse& operator=(const CTerminalResponse&) = default;
    CTerminalResponse(CTerminalResponse&&) = default;
    CTerminalResponse& operator=(CTerminalResponse&&) = default;
    virtual ~CTerminalResponse() = default;

    bool operator==(const CTerminalResponse&) const = default;

    std::int32_t id = -1;  // first half of the packed sub-ID
    std::int32_t id2 = -1; // second half; -1 when the entry has none
    std::vector<QString> answers;
};

// One stored test result (entry RSPnnnn.INI): the answers per terminal and snapshots of the
// terminals, stimuli, schedule and parameters the run used, so it stays readable after the
// project's own parts are edited. Owned by the project; made only by reading its entries.
class CResponse : public CTamvikProjectBase {
public:
    static inline const QString Section = QStringLiteral("RESPONSE");

    CResponse() = default;
    ~CResponse() override = default;

    // No terminal responses, date 0, every snapshot as its reader leaves it for a missing
    // file; the parameter snapshot keeps its method.
    void Clear();
    // False for a missing file, an ID key without values or an empty RESPONSE key; the
    // response is cleared in the last two cases.
    bool Load(const QString& path);
    // Replaces any file at path, rewriting it in place (a work-folder entry). Throws
    // std::runtime_error when the file cannot be written.
    void Save(const QString& path) const;
    // Writes every section of the entry into a document held by the caller.
    void Save(tamvik::IniFile& ini) const;

    // Members in this order so that the snapshots go first when a response is destroyed.
    double date = 0.0;
    std::vector<CTerminalResponse> terminalResponses;
    CTerminalInfo terminalInfo;
    CStimuli stimuli;
    CSchedule schedule;
    CExperimentParameter experimentParameter;
};
