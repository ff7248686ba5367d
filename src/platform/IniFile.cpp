#include "IniFile.h"

#include "AtomicFile.h"
#include "NumberFormat.h"
#include "TextCodec.h"

#include <QFile>
#include <QHash>

namespace tamvik {

IniFile::IniFile(const QString& path, Encoding writeEncoding) : m_path(path), m_encoding(writeEncoding) {
    if (QFile::exists(path))
        LoadFromFile(path);
}

bool IniFile::LoadFromFile(const QString& path) {
    Clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    LoadFromBytes(bytes);
    return true;
}

void IniFile::LoadFromBytes(const QByteArray& bytes) {
    LoadFromText(DecodeText(bytes));
}

void IniFile::LoadFromText(const QString& text) {
    Clear();
    Section* current = nullptr;
    QHash<QString, std::size_t> indexByName;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        // Lines end with CR LF, LF or a lone CR.
        qsizetype end = pos;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const QString line = text.mid(pos, end - pos).trimmed();
        if (end < n && text[end] == QLatin1Char('\r') && end + 1 < n && text[end + 1] == QLatin1Char('\n'))
            ++end;
        pos = end + 1;

        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            // A repeated section continues the first one: look-ups would only ever see it.
            // Hashed, so that a file of many sections cannot make reading quadratic.
            const QString folded = name.toCaseFolded();
            const auto found = indexByName.constFind(folded);
            if (found != indexByName.constEnd()) {
                current = &m_sections[found.value()];
            } else {
                indexByName.insert(folded, m_sections.size());
                m_sections.push_back(Section{name, {}});
                current = &m_sections.back();
            }
            continue;
        }
        if (!current)
            continue; // keys before any section belong nowhere
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue; // no key name: nothing a look-up could find
        const QString key = line.left(eq).trimmed();
        if (key.isEmpty())
            continue;
        current->entries.push_back(Entry{key, line.mid(eq + 1).trimmed()});
    }
}

QString IniFile::ToText() const {
    QString out;
    for (const Section& s : m_sections) {
        out += QLatin1Char('[') + s.name + QLatin1String("]\r\n");
        for (const Entry& e : s.entries)
            out += e.key + QLatin1Char('=') + e.value + QLatin1String("\r\n");
        out += QLatin1String("\r\n");
    }
    return out;
}

QByteArray IniFile::ToBytes() const {
    return EncodeText(ToText(), m_encoding == Encoding::Utf8 ? TextEncoding::Utf8Bom : TextEncoding::Utf16LE);
}

bool IniFile::SaveToFile(const QString& path) const {
    return WriteFileAtomically(path, ToBytes(), m_createMode);
}

bool IniFile::UpdateFile() const {
    if (m_path.isEmpty())
        return false;
    return SaveToFile(m_path);
}

const IniFile::Section* IniFile::FindSection(const QString& name) const {
    for (const Section& s : m_sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

IniFile::Section* IniFile::FindSection(const QString& name) {
    for (Section& s : m_sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const IniFile::Entry* IniFile::FindEntry(const QString& section, const QString& key) const {
    const Section* s = FindSection(section);
    if (!s)
        return nullptr;
    for (const Entry& e : s->entries)
        if (e.key.compare(key, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const Entry* e = FindEntry(section, key);
    return e ? e->value : def;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const Entry* e = FindEntry(section, key);
    if (!e)
        return def;
    int value = 0;
    if (ParseInt(e->value, value))
        return value;
    // "0x" hex is a bit pattern: 0xFFFFFFFF reads as -1, as a 32-bit integer holds it.
    const QString& t = e->value;
    if (t.size() > 2 && t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = t.mid(2);
        bool ok = false;
        const qulonglong hex = digits.toULongLong(&ok, 16);
        if (ok && hex <= 0xFFFFFFFFULL && !digits.startsWith(QLatin1Char('+')) &&
            !digits.startsWith(QLatin1Char('-')))
            return static_cast<int>(static_cast<quint32>(hex));
    }
    return def;
}

double IniFile::ReadFloat(const QString& section, const QString& key, double def) const {
    const Entry* e = FindEntry(section, key);
    double value = def;
    if (!e || !ParseReal(e->value, value, QLatin1Char('.')))
        return def;
    return value;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    const Entry* e = FindEntry(section, key);
    int value = 0;
    if (!e || !ParseInt(e->value, value))
        return def;
    return value != 0;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& text) {
    QString value = text;
    value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Section* s = FindSection(section);
    if (!s) {
        m_sections.push_back(Section{section, {}});
        s = &m_sections.back();
    }
    for (Entry& e : s->entries) {
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
            e.value = value;
            return;
        }
    }
    s->entries.push_back(Entry{key, value});
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteFloat(const QString& section, const QString& key, double value) {
    WriteString(section, key, FormatReal(value, QLatin1Char('.')));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::SectionExists(const QString& section) const {
    return FindSection(section) != nullptr;
}

bool IniFile::ValueExists(const QString& section, const QString& key) const {
    return FindEntry(section, key) != nullptr;
}

QStringList IniFile::ReadSections() const {
    QStringList out;
    for (const Section& s : m_sections)
        out << s.name;
    return out;
}

QStringList IniFile::ReadSection(const QString& section) const {
    QStringList out;
    if (const Section* s = FindSection(section))
        for (const Entry& e : s->entries)
            out << e.key;
    return out;
}

QStringList IniFile::ReadSectionValues(const QString& section) const {
    QStringList out;
    if (const Section* s = FindSection(section))
        for (const Entry& e : s->entries)
            out << e.key + QLatin1Char('=') + e.value;
    return out;
}

void IniFile::EraseSection(const QString& section) {
    for (auto it = m_sections.begin(); it != m_sections.end(); ++it) {
        if (it->name.compare(section, Qt::CaseInsensitive) == 0) {
            m_sections.erase(it);
            return;
        }
    }
}

void IniFile::DeleteKey(const QString& section, const QString& key) {
    Section* s = FindSection(section);
    if (!s)
        return;
    for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
        if (it->key.compare(key, Qt::CaseInsensitive) == 0) {
            s->entries.erase(it);
            return;
        }
    }
}

void IniFile::Clear() {
    m_sections.clear();
}

} // namespace tamvik
