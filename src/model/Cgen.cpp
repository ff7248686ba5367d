#include "Cgen.h"

#include "IniFile.h"
#include "NumberFormat.h"

namespace {

const QString KeyVersion = QStringLiteral("VERSION");
const QString KeyTitle = QStringLiteral("TITLE");
const QString KeyUser = QStringLiteral("USER");
const QString KeyComment = QStringLiteral("COMMENT");
const QString KeyCreate = QStringLiteral("CREATE");
const QString KeyUpdate = QStringLiteral("UPDATE");
const QString KeyMethod = QStringLiteral("METHOD");
const QString KeySound = QStringLiteral("SOUND");
const QString KeySoundName = QStringLiteral("SOUNDNAME");

double ParseDateOrZero(const QString& text) {
    double value = 0;
    if (!tamvik::ParseReal(text, value, CTamvikProjectBase::DecimalSeparator))
        return 0;
    return value;
}

} // namespace

void CProjectGeneral::SetMethod(int value) {
    method = (value >= 0 && value <= 4) ? value : -1;
}

void CProjectGeneral::Clear() {
    method = -1;
    version.clear();
    title.clear();
    comment.clear();
    user.clear();
    createDate = 0;
    updateDates.clear();
    soundDeviceName.clear();
}

QString CProjectGeneral::MethodKeyword(int method) {
    switch (method) {
    case 0:
        return QStringLiteral("TRAINING");
    case 1:
        return QStringLiteral("SD");
    case 2:
        return QStringLiteral("PAIR");
    case 3:
        return QStringLiteral("CATEGORY");
    case 4:
        return QStringLiteral("ME");
    default:
        return QString();
    }
}

int CProjectGeneral::MethodFromKeyword(const QString& keyword) {
    const QString upper = keyword.toUpper();
    static const struct {
        const char* word;
        int method;
    } table[] = {{"TRAINING", 0}, {"CATEGORY", 3}, {"PAIR", 2}, {"SD", 1}, {"ME", 4}};
    for (const auto& entry : table)
        if (upper == QLatin1String(entry.word))
            return entry.method;
    return -1;
}

void CProjectGeneral::Load(const QString& path) {
    Clear();
    tamvik::IniFile ini;
    if (ReadEntryFile(path, ini))
        Load(ini);
}

void CProjectGeneral::Load(const tamvik::IniFile& ini) {
    Clear();
    version = ini.ReadString(SectionProject, KeyVersion, QString());
    title = ini.ReadString(SectionProject, KeyTitle, QString());
    user = ini.ReadString(SectionProject, KeyUser, QString());
    comment = ini.ReadString(SectionProject, KeyComment, QString());

    const QString create = ini.ReadString(SectionProject, KeyCreate, QString());
    createDate = create.isEmpty() ? 0 : ParseDateOrZero(create);

    std::vector<QString> items;
    SplitList(ini.ReadString(SectionProject, KeyUpdate, QString()), items, true);
    updateDates.reserve(items.size());
    for (const QString& item : items)
        updateDates.push_back(ParseDateOrZero(item));

    method = MethodFromKeyword(ini.ReadString(SectionProject, KeyMethod, QString()));
    soundDevice = 0;
    soundDevice = ini.ReadInteger(SectionDevice, KeySound, 0);
    soundDeviceName = ini.ReadString(SectionDevice, KeySoundName, QString());
}

void CProjectGeneral::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}

void CProjectGeneral::Save(tamvik::IniFile& ini) const {
    ini.WriteString(SectionProject, KeyVersion, version);
    ini.WriteString(SectionProject, KeyTitle, title);
    ini.WriteString(SectionProject, KeyUser, user);
    ini.WriteString(SectionProject, KeyComment, comment);
    ini.WriteString(SectionProject, KeyCreate, tamvik::FormatReal(createDate, DecimalSeparator));
    QString joined;
    for (std::size_t i = 0; i < updateDates.size(); ++i) {
        if (i > 0)
            joined += ListSeparator;
        joined += tamvik::FormatReal(updateDates[i], DecimalSeparator);
    }
    ini.WriteString(SectionProject, KeyUpdate, joined);
    ini.WriteString(SectionProject, KeyMethod, MethodKeyword(method));
    ini.WriteString(SectionDevice, KeySound, FormatInteger(soundDevice));
    ini.WriteString(SectionDevice, KeySoundName, soundDeviceName);
}
