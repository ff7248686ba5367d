#pragma once

#include <QString>
#include <QStringList>

// The instruction text of a project as lines, stored in the entry INST.TXT (plain text,
// UTF-16LE with byte-order mark, lines ended by CR LF). Owned by the project.
class CInstruction {
public:
    virtual ~CInstruction() = default;

    // Empties lines, then reads the file by its byte-order mark (no mark: UTF-8 when valid,
    // else CP932). Throws std::runtime_error when the file cannot be opened; lines stay
    // empty then. Returns true otherwise.
    bool Load(const QString& path);
    // Rewrites the file in place (a work-folder entry, see WriteEntryFile). Throws
    // std::runtime_error when it cannot be written.
    bool Save(const QString& path) const;

    QStringList lines;
};
