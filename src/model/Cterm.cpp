#include "Cterm.h"

#include "IniFile.h"

namespace {

const QString KeyType = QStringLiteral("TYPE");
const QString KeyCount = QStringLiteral("NTERMS");
const QString KeyBaud = QStringLiteral("BAUD");
const QString KeyPorts = QStringLiteral("PORTS");

constexpr int DefaultBaudRate = 9600;

} // namespace

CTerminalInfo::CTerminalInfo(const CTerminalInfo& other)
    : CTamvikProjectBase(other), type(other.type), terminalCount(other.terminalCount),
      serial(other.serial ? std::make_unique<CSerialTerminalInfo>(*other.serial) : nullptr) {}

CTerminalInfo& CTerminalInfo::operator=(const CTerminalInfo& other) {
    if (this != &other) {
        type = other.type;
        terminalCount = other.terminalCount;
        serial = other.serial ? std::make_unique<CSerialTerminalInfo>(*other.serial) : nullptr;
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
    const int count = ini.ReadInteger(Section, KeyCount, 0);
    // A count beyond the bound is as bad as one below 1: it would size the port list.
    terminalCount = (count < 1 || count > MaxLoadTerminalCount) ? 0 : count;
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
