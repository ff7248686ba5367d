#include "Cterm.h"

#include "IniFile.h"

#include <algorithm>

namespace {

const QString KeyType = QStringLiteral("TYPE");
const QString KeyCount = QStringLiteral("NTERMS");
const QString KeyBaud = QStringLiteral("BAUD");
const QString KeyPorts = QStringLiteral("PORTS");

constexpr int DefaultBaudRate = 9600;

// NTERMS: below 1 or not a number gives 0; above the bound, even beyond int, the bound.
int ReadCount(const tamvik::IniFile& ini, const QString& section, const QString& key, bool& clamped) {
    int count = ini.ReadInteger(section, key, 0);
    if (count == 0) {
        QString digits = ini.ReadString(section, key, QString());
        if (digits.startsWith(QLatin1Char('+')))
            digits.remove(0, 1);
        const bool huge = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
        if (huge && digits.count(QLatin1Char('0')) != digits.size())
            count = CTerminalInfo::MaxLoadTerminalCount + 1; // too long for int
    }
    clamped = count > CTerminalInfo::MaxLoadTerminalCount;
    return count < 1 ? 0 : std::min(count, CTerminalInfo::MaxLoadTerminalCount);
}

} // namespace

CTerminalInfo::CTerminalInfo(const CTerminalInfo& other)
    : CTamvikProjectBase(other), type(other.type), terminalCount(other.terminalCount),
      serial(other.serial ? std::make_unique<CSerialTerminalInfo>(*other.serial) : nullptr),
      countClamped(other.countClamped) {}

CTerminalInfo& CTerminalInfo::operator=(const CTerminalInfo& other) {
    if (this != &other) {
        type = other.type;
        terminalCount = other.terminalCount;
        serial = other.serial ? std::make_unique<CSerialTerminalInfo>(*other.serial) : nullptr;
        countClamped = other.countClamped;
    }
    return *this;
}

bool CTerminalInfo::operator==(const CTerminalInfo& other) const {
    if (type != other.type || terminalCount != other.terminalCount)
        return false;
    if (!serial || !other.serial)
        return !serial && !other.serial;
    return *serial == *other.serial;
}

void CTerminalInfo::SetTerminalCount(int n) {
    if (n >= 0 && n != terminalCount)
        terminalCount = n;
}

void CTerminalInfo::Clear() {
    type = 0;
    terminalCount = 0;
    serial.reset();
    countClamped = false;
}

void CTerminalInfo::Load(const QString& path) {
    Clear();
    tamvik::IniFile ini;
    if (ReadEntryFile(path, ini))
        Load(ini);
}

void CTerminalInfo::Load(const tamvik::IniFile& ini) {
    Clear();
    type = ini.ReadString(Section, KeyType, QStringLiteral("NETWORK")).toUpper() == QLatin1String("SERIAL")
               ? 1
               : 0;
    terminalCount = ReadCount(ini, Section, KeyCount, countClamped);
    if (type != 1)
        return;
    serial = std::make_unique<CSerialTerminalInfo>();
    const int baud = ini.ReadInteger(Section, KeyBaud, DefaultBaudRate);
    serial->baudRate = baud < 1 ? DefaultBaudRate : baud;
    SplitIntList(ini.ReadString(Section, KeyPorts, QString()), serial->ports, 0);
    // One port per terminal: surplus ports are dropped, missing ones are port 0.
    serial->ports.resize(static_cast<std::size_t>(terminalCount), 0);
}

void CTerminalInfo::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}

void CTerminalInfo::Save(tamvik::IniFile& ini) const {
    ini.WriteString(Section, KeyType, type != 0 ? QStringLiteral("SERIAL") : QStringLiteral("NETWORK"));
    ini.WriteString(Section, KeyCount, FormatInteger(terminalCount));
    if (type == 1 && serial) {
        ini.WriteString(Section, KeyBaud, FormatInteger(serial->baudRate));
        QString ports;
        JoinIntList(serial->ports, ports);
        ini.WriteString(Section, KeyPorts, ports);
    }
}
