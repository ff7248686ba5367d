#include "TrialRange.h"

#include "SelectionText.h"

#include <QStringList>
#include <algorithm>
#include <vector>

namespace {

// An item's number; 0 when it is not a decimal integer.
int ItemNumber(const QString& text, bool* readable = nullptr) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (readable)
        *readable = ok;
    return ok ? n : 0;
}

} // namespace

QString ExpandTrialRange(const QString& text, int count) {
    if (count <= 0)
        return {};
    std::vector<bool> chosen(static_cast<size_t>(count) + 1, false);
    for (const QString& raw : SplitCommaText(text)) {
        const QString item = raw.trimmed();
        const int dash = item.indexOf(QLatin1Char('-'));
        if (dash < 0) {
            const int n = ItemNumber(item);
            if (n >= 1 && n <= count)
                chosen[static_cast<size_t>(n)] = true;
            continue;
        }
        bool aReadable = false;
        bool bReadable = false;
        int a = ItemNumber(item.left(dash), &aReadable);
        int b = ItemNumber(item.mid(dash + 1), &bReadable);
        if (!aReadable)
            a = 1;
        if (!bReadable)
            b = count;
        const int first = std::max(1, std::min(a, b));
        const int last = std::min(count, std::max(a, b));
        for (int n = first; n <= last; ++n)
            chosen[static_cast<size_t>(n)] = true;
    }
    QStringList out;
    for (int n = 1; n <= count; ++n) {
        if (chosen[static_cast<size_t>(n)])
            out << QString::number(n);
    }
    return out.join(QLatin1Char(','));
}

QString CompressTrialRange(const QString& text, QChar listSeparator) {
    std::vector<QString> items;
    for (const QString& item : SplitCommaText(text)) {
        if (!item.trimmed().isEmpty())
            items.push_back(item.trimmed());
    }
    if (items.empty())
        return {};
    QString out = items.front();
    for (size_t k = 1; k < items.size(); ++k) {
        const int p = ItemNumber(items[k - 1]);
        const int i = ItemNumber(items[k]);
        if (out.endsWith(QLatin1Char('-'))) {
            if (i - p > 1)
                out += items[k - 1] + listSeparator + items[k];
        } else if (i - p < 2) {
            out += QLatin1Char('-');
        } else {
            out += listSeparator + items[k];
        }
    }
    if (out.endsWith(QLatin1Char('-')))
        out += items.back();
    return out;
}
