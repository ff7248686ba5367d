#include "ServiceForm.h"

#include "CTamvikProjectBase.h"
#include "NumberFormat.h"
#include "OptionIni.h"

namespace {

bool NeedsEncoding(char32_t c) {
    switch (c) {
    case '*':
    case '#':
    case '%':
    case '<':
    case '>':
    case ' ':
    case '[':
    case ']':
    case '&': // a raw '&' would end the value and start a field of its own
        return true;
    default:
        return c < 0x21 || c >= 0x7F;
    }
}

void AppendEncodedValue(QByteArray& out, QStringView value) {
    static const char hex[] = "0123456789ABCDEF";
    for (const char32_t c : value.toUcs4()) {
        if (!NeedsEncoding(c)) {
            out.append(static_cast<char>(c));
            continue;
        }
        const QByteArray utf8 = QString::fromUcs4(&c, 1).toUtf8();
        for (const char b : utf8) {
            const auto u = static_cast<unsigned char>(b);
            out.append('%').append(hex[u >> 4]).append(hex[u & 0xF]);
        }
    }
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

bool IsBlankOrControl(QChar c) {
    return c.unicode() <= 0x20;
}

template <typename Text> Text TrimBlanks(const Text& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

QString ReplacePlusForService(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('+'), QLatin1Char('<'));
    return out;
}

QString FormLine(const QString& name, const QString& value) {
    return name + QLatin1Char('=') + value;
}

QString FormLine(const QString& name, int value) {
    return FormLine(name, FormatInteger(value));
}

QByteArray EncodeFormBody(const QStringList& lines) {
    QByteArray joined;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            joined.append(line.toUtf8());
        } else {
            joined.append(QStringView(line).left(eq + 1).toUtf8());
            AppendEncodedValue(joined, QStringView(line).mid(eq + 1));
        }
        joined.append("\r\n");
    }
    joined = TrimBlanks(joined);
    joined.replace("\r\n", "&");
    return joined;
}

QString ServiceReplyText(const QByteArray& body) {
    return TrimBlanks(QString::fromUtf8(body));
}

bool ApplyProxySettings(tamvik::ServiceClient& client) {
    QString flag, address, portText;
    LoadProxySettings(flag, address, portText);
    int port = 0;
    if (flag != QLatin1String("1")) {
        client.SetProxy(QString(), 0);
        return true;
    }
    if (!tamvik::ParseInt(portText, port) || port < 1 || port > 65535) {
        client.SetProxy(QString(), 0);
        return false;
    }
    client.SetProxy(address.trimmed(), port);
    return true;
}

tamvik::ServiceResult PostServiceForm(tamvik::ServiceClient& client, const QString& url,
                                      const QStringList& lines, QString& replyText) {
    tamvik::ServiceResult result = client.PostForm(url, EncodeFormBody(lines));
    replyText = result.ok() ? ServiceReplyText(result.body) : QString();
    return result;
}

QString ServiceFailureDetail(const tamvik::ServiceClient& client) {
    return client.LastUrl() + QStringLiteral(": ") + client.LastErrorText();
}
