#pragma once

#include "CTamvikProjectBase.h"

#include <QString>
#include <memory>
#include <vector>

namespace tamvik {
class IniFile;
}

// Serial settings of the answer terminals: a baud rate and one port per terminal.
struct CSerialTerminalInfo {
    int baudRate = 9600;
    std::vector<int> ports; // in terminal order

    bool operator==(const CSerialTerminalInfo&) const = default;
};

// How subjects answer: network or serial terminals, how many, and the serial settings.
// Stored in the entry TERM.INI (section [TERMINAL]). Owned by the project; a stored
// response keeps its own copy as a snapshot, so copies are deep.
class CTerminalInfo : public CTamvikProjectBase {
public:
    static inline const QString Section = QStringLiteral("TERMINAL");
    // The most terminals read from a file. A test room has a few dozen answer terminals; the
    // bound keeps a corrupt or hostile NTERMS from allocating a port list of billions. A
    // larger count reads as the bound, and CountWasClamped() tells the window to say so.
    static constexpr int MaxLoadTerminalCount = 4096;

    CTerminalInfo() = default;
    CTerminalInfo(const CTerminalInfo& other);
    CTerminalInfo& operator=(const CTerminalInfo& other);
    CTerminalInfo(CTerminalInfo&&) noexcept = default;
    CTerminalInfo& operator=(CTerminalInfo&&) noexcept = default;
    ~CTerminalInfo() override = default;

    // Sets the count when n is not negative; the port list is left alone.
    void SetTerminalCount(int n);
    int GetTerminalCount() const { return terminalCount; }
    // True after a Load that cut NTERMS down to MaxLoadTerminalCount.
    bool CountWasClamped() const { return countClamped; }
    // Network type, no terminals, serial settings released.
    void Clear();

    // Reads the entry; a missing file leaves this part cleared. Never throws on content.
    void Load(const QString& path);
    // Throws std::runtime_error when the file cannot be written.
    void Save(const QString& path, bool replace) const;
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    bool operator==(const CTerminalInfo& other) const;

    int type = 0;          // 0 network, 1 serial
    int terminalCount = 0; // never negative
    // Present once serial settings were read or chosen; whoever sets type to 1 creates it
    // when missing.
    std::unique_ptr<CSerialTerminalInfo> serial;

private:
    bool countClamped = false;
};
