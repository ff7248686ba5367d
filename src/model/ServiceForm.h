#pragma once

#include "ServiceClient.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Request side of the service exchange: form lines, their encoding into a request body,
// and one post with the reply decoded into text.

// The service reads '<' for '+' in project names and titles (TMV_NAME, TMV_TITLE).
QString ReplacePlusForService(const QString& value);

// "name=value"; integers as FormatInteger writes them.
QString FormLine(const QString& name, const QString& value);
QString FormLine(const QString& name, int value);

// The request body of a list of "name=value" lines. The value after the first '=' is
// percent-encoded (UTF-8 bytes, upper-case hex) for "*#%<> []", '&', characters below
// U+0021 and from U+007F up; every other character goes as it is, '+' and '=' included.
// Names and lines without '=' go unchanged. The lines are joined with '&'.
QByteArray EncodeFormBody(const QStringList& lines);

// The reply body as text: UTF-8, without leading and trailing blanks and control
// characters.
QString ServiceReplyText(const QByteArray& body);

// Sets the client's proxy from Option.ini: the stored address and port when the use flag
// is "1", else none. A port that is not a number from 1 to 65535 gives no proxy and false.
bool ApplyProxySettings(tamvik::ServiceClient& client);

// One exchange: posts lines to url with client and hands back the reply text. The
// result tells whether a reply arrived; replyText is empty on failure.
tamvik::ServiceResult PostServiceForm(tamvik::ServiceClient& client, const QString& url,
                                      const QStringList& lines, QString& replyText);

// What a message about the client's last failed exchange shows below its text: the
// address and why it failed ("<url>: <cause>").
QString ServiceFailureDetail(const tamvik::ServiceClient& client);
