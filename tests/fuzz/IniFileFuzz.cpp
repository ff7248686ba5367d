// Feeds arbitrary bytes to the INI reader (every encoding path, CP932 included) and to the
// project parts that read from it, and checks that what the writer makes reads back the
// same: a written document must be a fixed point of reading and writing.
#include "Cgen.h"
#include "Cterm.h"
#include "IniFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    tamvik::IniFile ini;
    ini.LoadFromBytes(bytes);

    for (const QString& section : ini.ReadSections()) {
        for (const QString& key : ini.ReadSection(section)) {
            (void)ini.ReadString(section, key, QString());
            (void)ini.ReadInteger(section, key, 0);
            (void)ini.ReadFloat(section, key, 0);
            (void)ini.ReadBool(section, key, false);
        }
        (void)ini.ReadSectionValues(section);
    }

    CProjectGeneral general;
    general.Load(ini);
    CTerminalInfo terminals;
    terminals.Load(ini);
    if (terminals.serial && terminals.serial->ports.size() != static_cast<size_t>(terminals.terminalCount))
        std::abort();

    const QString once = ini.ToText();
    tamvik::IniFile again;
    again.LoadFromBytes(ini.ToBytes());
    if (again.ToText() != once)
        std::abort();

    // The project parts' own writing must read back unchanged too.
    tamvik::IniFile written;
    general.Save(written);
    terminals.Save(written);
    tamvik::IniFile reread;
    reread.LoadFromBytes(written.ToBytes());
    CProjectGeneral general2;
    general2.Load(reread);
    CTerminalInfo terminals2;
    terminals2.Load(reread);
    if (!(terminals2 == terminals))
        std::abort();
    return 0;
}
