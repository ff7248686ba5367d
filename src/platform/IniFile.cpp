#include "IniFile.h"

#include "AtomicFile.h"
#include "NumberFormat.h"
#include "TextCodec.h"

#include <QFile>
#include <QHash>

namespace tamvik {

namespace {

// Blanks and control characters of ASCII only: an ideographic space (U+3000) or a no-break
// space ends many a Japanese title or answer and must survive a save and an open.
bool IsAsciiBlank(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

QStringView TrimAscii(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsAsciiBlank(text[begin]))
        ++begin;
    while (end > begin && IsAsciiBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// The look-up form of a section or key name. Names are nearly always ASCII, and upper
// case in entry files: those fold without the Unicode tables.
QString Fold(const QString& name) {
    bool hasUpper = false;
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return name.toCaseFolded();
        hasUpper = hasUpper || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
    }
    if (!hasUpper)
        return name;
    QString folded = name;
    for (QChar& c : folded) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return folded;
}

} // namespace

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
    qsizetype pos = 0;
    const qsizetype n = text.size();
    const QStringView all(text);
    while (pos < n) {
        // Lines end with CR LF, LF or a lone CR.
        qsizetype end = pos;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = TrimAscii(all.mid(pos, end - pos));
        if (end < n && text[end] == QLatin1Char('\r') && end + 1 < n && text[end + 1] == QLatin1Char('\n'))
            ++end;
        pos = end + 1;

        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = TrimAscii(line.mid(1, line.size() - 2)).toString();
            // A repeated section continues the first one: look-ups would only ever see it.
            const QString folded = Fold(name);
            const auto found = m_sectionIndex.constFind(folded);
            current =
                found != m_sectionIndex.constEnd() ? &m_sections[found.value()] : &AddSection(name, folded);
            continue;
        }
        if (!current)
            continue; // keys before any section belong nowhere
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue; // no key name: nothing a look-up could find
        const QString key = TrimAscii(line.left(eq)).toString();
        if (key.isEmpty())
            continue;
        AddEntry(*current, key, Fold(key), TrimAscii(line.mid(eq + 1)).toString());
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
    if (m_saveMode == SaveMode::InPlace)
        return WriteFileInPlace(path, ToBytes());
    return WriteFileAtomically(path, ToBytes(), m_createMode);
}

bool IniFile::UpdateFile() const {
    if (m_path.isEmpty())
        return false;
    return SaveToFile(m_path);
}

void IniFile::Section::Reindex() {
    keyIndex.clear();
    // Backwards, so that the first of repeated keys is the one found.
    for (std::size_t i = entries.size(); i-- > 0;)
        keyIndex.insert(Fold(entries[i].key), i);
}

void IniFile::ReindexSections() {
    m_sectionIndex.clear();
    for (std::size_t i = 0; i < m_sections.size(); ++i)
        m_sectionIndex.insert(Fold(m_sections[i].name), i);
}

IniFile::Section& IniFile::AddSection(const QString& name, const QString& folded) {
    m_sectionIndex.insert(folded, m_sections.size());
    m_sections.push_back(Section{name, {}, {}});
    return m_sections.back();
}

void IniFile::AddEntry(Section& section, const QString& key, const QString& folded, const QString& value) {
    // A repeated key is kept (it is written back as it was read) but look-ups find the first.
    if (!section.keyIndex.contains(folded))
        section.keyIndex.insert(folded, section.entries.size());
    section.entries.push_back(Entry{key, value});
}

const IniFile::Section* IniFile::FindSection(const QString& name) const {
    const auto found = m_sectionIndex.constFind(Fold(name));
    return found == m_sectionIndex.constEnd() ? nullptr : &m_sections[found.value()];
}

IniFile::Section* IniFile::FindSection(const QString& name) {
    const auto found = m_sectionIndex.constFind(Fold(name));
    return found == m_sectionIndex.constEnd() ? nullptr : &m_sections[found.value()];
}

const IniFile::Entry* IniFile::FindEntry(const QString& section, const QString& key) const {
    const Section* s = FindSection(section);
    if (!s)
        return nullptr;
    const auto found = s->keyIndex.constFind(Fold(key));
    return found == s->keyIndex.constEnd() ? nullptr : &s->entries[found.value()];
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
    if (!s)
        s = &AddSection(section, Fold(section));
    const QString folded = Fold(key);
    const auto found = s->keyIndex.constFind(folded);
    if (found != s->keyIndex.constEnd())
        s->entries[found.value()].value = value;
    else
        AddEntry(*s, key, folded, value);
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
    const auto found = m_sectionIndex.constFind(Fold(section));
    if (found == m_sectionIndex.constEnd())
        return;
    m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(found.value()));
    ReindexSections();
}

void IniFile::DeleteKey(const QString& section, const QString& key) {
    Section* s = FindSection(section);
    if (!s)
        return;
    const auto found = s->keyIndex.constFind(Fold(key));
    if (found == s->keyIndex.constEnd())
        return;
    s->entries.erase(s->entries.begin() + static_cast<std::ptrdiff_t>(found.value()));
    // A repeated key of a read file becomes the one found.
    s->Reindex();
}

void IniFile::Clear() {
    m_sections.clear();
    m_sectionIndex.clear();
}

} // namespace tamvik
