#include "SelectionText.h"

#include "NumberFormat.h"

#include <algorithm>
#include <new>

namespace {

bool IsBlank(QChar c) {
    return c.unicode() <= u' ';
}

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

std::vector<QString> SplitCommaText(const QString& text) {
    std::vector<QString> items;
    const qsizetype size = text.size();
    qsizetype p = 0;
    while (p < size && IsBlank(text[p]))
        ++p;
    while (p < size) {
        QString item;
        if (text[p] == u'"') {
            // Up to the closing quote; a doubled quote stands for one.
            ++p;
            while (p < size) {
                if (text[p] == u'"') {
                    if (p + 1 < size && text[p + 1] == u'"') {
                        item += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < size && !IsBlank(text[p]) && text[p] != u',')
                ++p;
            item = text.mid(start, p - start);
        }
        items.push_back(item);
        while (p < size && IsBlank(text[p]))
            ++p;
        if (p < size && text[p] == u',') {
            if (p + 1 == size)
                items.emplace_back();
            ++p;
            while (p < size && IsBlank(text[p]))
                ++p;
        }
    }
    return items;
}

bool BuildSelectionMask(const QString& text, int count, std::vector<uint8_t>& mask) {
    mask.clear();
    if (count < 0)
        return false;
    try {
        mask.assign(static_cast<size_t>(count), 0);
    } catch (const std::bad_alloc&) {
        mask = {};
        return false;
    }
    if (TrimBlanks(text).isEmpty()) {
        std::fill(mask.begin(), mask.end(), 1);
        return true;
    }
    for (const QString& raw : SplitCommaText(text)) {
        const QString item = TrimBlanks(raw);
        if (item.isEmpty())
            continue;
        const qsizetype dash = item.indexOf(u'-');
        if (dash >= 0) {
            int first = 1;
            int last = count;
            if (!tamvik::ParseInt(TrimBlanks(item.left(dash)), first))
                first = 1;
            if (!tamvik::ParseInt(TrimBlanks(item.mid(dash + 1)), last))
                last = count;
            const int low = std::max(std::min(first, last), 1);
            const int high = std::min(std::max(first, last), count);
            for (int t = low; t <= high; ++t)
                mask[static_cast<size_t>(t - 1)] = 1;
        } else {
            int t = 0;
            if (!tamvik::ParseInt(item, t))
                t = 0;
            if (t >= 1 && t <= count)
                mask[static_cast<size_t>(t - 1)] = 1;
        }
    }
    return true;
}
