#include "CTamvikProjectBase.h"

#include "IniFile.h"
#include "NumberFormat.h"

#include <QFileInfo>
#include <charconv>
#include <stdexcept>

namespace {

const QString kEscapedSeparator = QStringLiteral("$\\c");
const QString kEscapedLineBreak = QStringLiteral("$\\n");

} // namespace

void CTamvikProjectBase::SplitText(const QString& text, std::vector<QString>& out,
                                   const QString& delimiter) const {
    out.clear();
    if (text.isEmpty())
        return;
    // An empty delimiter would match everywhere and never advance.
    if (delimiter.isEmpty()) {
        out.push_back(text);
        return;
    }
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype found = text.indexOf(delimiter, pos);
        if (found < 0) {
            out.push_back(text.mid(pos));
            return;
        }
        out.push_back(text.mid(pos, found - pos));
        pos = found + delimiter.size();
    }
}

void CTamvikProjectBase::JoinText(const std::vector<QString>& items, QString& out,
                                  const QString& delimiter) const {
    out.clear();
    qsizetype size = 0;
    for (const QString& item : items)
        size += item.size() + delimiter.size();
    out.reserve(size);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += delimiter;
        out += items[i];
    }
}

void CTamvikProjectBase::SplitList(const QString& text, std::vector<QString>& out, bool unescape) const {
    out.clear();
    if (text.isEmpty())
        return;
    SplitText(text, out, QString(ListSeparator));
    // SplitText drops a trailing empty item; here n separators always give n + 1 items.
    if (text.endsWith(ListSeparator))
        out.emplace_back();
    if (!unescape)
        return;
    for (QString& item : out) {
        item.replace(kEscapedSeparator, QString(ListSeparator), Qt::CaseInsensitive);
        item.replace(kEscapedLineBreak, QStringLiteral("\r\n"), Qt::CaseInsensitive);
    }
}

void CTamvikProjectBase::JoinList(const std::vector<QString>& items, QString& out, bool escape) const {
    out.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ListSeparator;
        const QString& item = items[i];
        // Most items hold nothing to escape: they are appended as they are.
        if (!escape || (!item.contains(ListSeparator) && !item.contains(QLatin1Char('\n')))) {
            out += item;
            continue;
        }
        QString escaped = item;
        escaped.replace(ListSeparator, kEscapedSeparator);
        escaped.replace(QStringLiteral("\r\n"), kEscapedLineBreak);
        escaped.replace(QLatin1Char('\n'), kEscapedLineBreak);
        out += escaped;
    }
}

void CTamvikProjectBase::SplitIntList(const QString& text, std::vector<int>& out, int def) const {
    out.clear();
    std::vector<QString> items;
    SplitList(text, items, false);
    out.reserve(items.size());
    for (const QString& item : items) {
        int value = def;
        if (!tamvik::ParseInt(item, value))
            value = def;
        out.push_back(value);
    }
}

void CTamvikProjectBase::JoinIntList(const std::vector<int>& values, QString& out) const {
    out.clear();
    out.reserve(qsizetype(values.size()) * 4);
    char digits[16];
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ListSeparator;
        const auto written = std::to_chars(digits, digits + sizeof digits, values[i]);
        out += QLatin1StringView(digits, written.ptr - digits);
    }
}

bool CTamvikProjectBase::ReadEntryFile(const QString& path, tamvik::IniFile& ini) {
    ini.Clear();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    return ini.LoadFromFile(path);
}

void CTamvikProjectBase::WriteEntryFile(const QString& path, bool replace,
                                        const std::function<void(tamvik::IniFile&)>& fill) {
    // Replacing starts from an empty document rather than deleting the file first.
    tamvik::IniFile ini(replace ? QString() : path);
    // Entries live in the work folder; the archive they are packed into is what reaches the
    // disk durably. Rewriting them in place is many times cheaper than replacing each file.
    ini.SetSaveMode(tamvik::IniFile::SaveMode::InPlace);
    fill(ini);
    if (!ini.SaveToFile(path))
        throw std::runtime_error("Cannot write " + path.toStdString());
}

QString FormatInteger(int value) {
    return QString::number(value);
}
