#include "Cstim.h"

#include "IniFile.h"
#include "NumberFormat.h"

#include <algorithm>
#include <stdexcept>

namespace {

const QString KeyFileName = QStringLiteral("FILENAME");
const QString KeyOrgFileName = QStringLiteral("ORGFILENAME");
const QString KeyOrgCreate = QStringLiteral("ORGCREATE");
const QString KeyOrgUpdate = QStringLiteral("ORGUPDATE");
const QString KeyComments = QStringLiteral("COMMENTS");
const QString KeyOrgFileNameEscaped = QStringLiteral("ORGFILENAMEESCAPED");
const QString EscapeLead = QStringLiteral("$\\");

bool NeedsEscape(const QString& path) {
    return path.contains(QLatin1Char(',')) || path.contains(QLatin1Char('\r')) ||
           path.contains(QLatin1Char('\n'));
}

QString EscapePath(const QString& path) {
    QString out;
    out.reserve(path.size() + 8);
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c == QLatin1Char('$')) {
            out += QStringLiteral("$\\$");
        } else if (c == QLatin1Char(',')) {
            out += QStringLiteral("$\\c");
        } else if (c == QLatin1Char('\r') && i + 1 < path.size() && path[i + 1] == QLatin1Char('\n')) {
            out += QStringLiteral("$\\n");
            ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("$\\n");
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("$\\r");
        } else {
            out += c;
        }
    }
    return out;
}

// Every '$' of an escaped path starts an escape, so reading is left to right and exact.
QString UnescapePath(const QString& item) {
    QString out;
    out.reserve(item.size());
    for (qsizetype i = 0; i < item.size(); ++i) {
        if (item[i] == QLatin1Char('$') && i + 2 < item.size() && item[i + 1] == QLatin1Char('\\')) {
            const char16_t code = item[i + 2].toLower().unicode();
            const QString replacement = code == u'$'   ? QStringLiteral("$")
                                        : code == u'c' ? QStringLiteral(",")
                                        : code == u'n' ? QStringLiteral("\r\n")
                                        : code == u'r' ? QStringLiteral("\r")
                                                       : QString();
            if (!replacement.isEmpty()) {
                out += replacement;
                i += 2;
                continue;
            }
        }
        out += item[i];
    }
    return out;
}

// Lists without ORGFILENAMEESCAPED come from writers that stored every path as it stands,
// or from ours before, which wrote a ',' in a path as "$\c". "$\c" is read as ',' unless
// it closes an admin share ("\\lab\c$\clips"); "$\n" stays: no source path holds a line
// break, while "\\lab\d$\Noise" is common.
QString UnescapeOlderPath(const QString& item) {
    QString out = item;
    for (qsizetype i = out.indexOf(EscapeLead); i >= 0; i = out.indexOf(EscapeLead, i + 1)) {
        if (i + 2 >= out.size() || out[i + 2].toLower() != QLatin1Char('c'))
            continue;
        if (i >= 2 && out[i - 1].isLetter() && out[i - 2] == QLatin1Char('\\'))
            continue; // a drive share: "\\host\c$\..."
        out.replace(i, 3, QLatin1Char(','));
    }
    return out;
}

} // namespace

void CStimulus::Clear() {
    fileName.clear();
    orgFileName.clear();
    comment.clear();
    orgCreateDate = 0;
    orgUpdateDate = 0;
}

void CStimuli::SetCount(int n) {
    if (n < 0)
        throw std::runtime_error("Invalid size!!");
    m_stimuli.resize(static_cast<size_t>(n));
}

bool CStimuli::Insert(int index) {
    if (index < 0 || index >= GetCount())
        return false;
    m_stimuli.insert(m_stimuli.begin() + index, CStimulus());
    return true;
}

bool CStimuli::Delete(int index) {
    if (index < 0 || index >= GetCount())
        return false;
    m_stimuli.erase(m_stimuli.begin() + index);
    return true;
}

bool CStimuli::Clear() {
    m_stimuli.clear();
    return true;
}

void CStimuli::Load(const QString& path) {
    Clear();
    tamvik::IniFile ini;
    if (ReadEntryFile(path, ini))
        Load(ini);
}

void CStimuli::Load(const tamvik::IniFile& ini) {
    Clear();
    std::vector<QString> items;
    SplitList(ini.ReadString(Section, KeyFileName, QString()), items, false);
    if (items.empty())
        return;
    // The list length comes from the file; never let it ask for more than we can number.
    SetCount(static_cast<int>(std::min<size_t>(items.size(), MaxLoadCount)));
    const size_t count = m_stimuli.size();
    for (size_t i = 0; i < count; ++i)
        m_stimuli[i].fileName = items[i];

    SplitList(ini.ReadString(Section, KeyOrgFileName, QString()), items, false);
    const size_t paths = std::min(count, items.size());
    if (ini.ValueExists(Section, KeyOrgFileNameEscaped)) {
        std::vector<bool> escaped(paths, false);
        std::vector<int> positions;
        SplitIntList(ini.ReadString(Section, KeyOrgFileNameEscaped, QString()), positions, -1);
        for (const int p : positions) {
            if (p >= 0 && static_cast<size_t>(p) < paths)
                escaped[static_cast<size_t>(p)] = true;
        }
        for (size_t i = 0; i < paths; ++i)
            m_stimuli[i].orgFileName = escaped[i] ? UnescapePath(items[i]) : items[i];
    } else {
        for (size_t i = 0; i < paths; ++i)
            m_stimuli[i].orgFileName = UnescapeOlderPath(items[i]);
    }

    auto readDates = [&](const QString& key, double CStimulus::*member) {
        SplitList(ini.ReadString(Section, key, QString()), items, false);
        for (size_t i = 0; i < std::min(count, items.size()); ++i) {
            double value = 0;
            if (!tamvik::ParseReal(items[i], value))
                value = 0;
            m_stimuli[i].*member = value;
        }
    };
    readDates(KeyOrgCreate, &CStimulus::orgCreateDate);
    readDates(KeyOrgUpdate, &CStimulus::orgUpdateDate);

    SplitList(ini.ReadString(Section, KeyComments, QString()), items, true);
    for (size_t i = 0; i < std::min(count, items.size()); ++i)
        m_stimuli[i].comment = items[i];
}

void CStimuli::Save(tamvik::IniFile& ini) const {
    std::vector<QString> items;
    items.reserve(m_stimuli.size());
    QString value;
    auto writeTexts = [&](const QString& key, auto field, bool escape) {
        items.clear();
        for (const CStimulus& s : m_stimuli)
            items.push_back(field(s));
        JoinList(items, value, escape);
        ini.WriteString(Section, key, value);
    };
    writeTexts(
        KeyFileName, [](const CStimulus& s) { return s.fileName; }, false);
    std::vector<int> escaped;
    bool literalLead = false;
    items.clear();
    for (const CStimulus& s : m_stimuli) {
        if (NeedsEscape(s.orgFileName)) {
            escaped.push_back(static_cast<int>(items.size()));
            items.push_back(EscapePath(s.orgFileName));
        } else {
            literalLead = literalLead || s.orgFileName.contains(EscapeLead);
            items.push_back(s.orgFileName);
        }
    }
    JoinList(items, value, false);
    ini.WriteString(Section, KeyOrgFileName, value);
    writeTexts(
        KeyOrgCreate, [](const CStimulus& s) { return tamvik::FormatReal(s.orgCreateDate); }, false);
    writeTexts(
        KeyOrgUpdate, [](const CStimulus& s) { return tamvik::FormatReal(s.orgUpdateDate); }, false);
    writeTexts(
        KeyComments, [](const CStimulus& s) { return s.comment; }, true);
    if (!escaped.empty() || literalLead) {
        JoinIntList(escaped, value);
        ini.WriteString(Section, KeyOrgFileNameEscaped, value);
    } else {
        ini.DeleteKey(Section, KeyOrgFileNameEscaped); // a kept file's list is stale now
    }
}

void CStimuli::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}
