#pragma once

#include <QString>
#include <cstdint>
#include <map>

// Parsed replies of the answer and library service. A reply is a line of KEY=VALUE
// fields separated by ','; a record list is one such line per record. Nothing in a reply
// is escaped, so neither keys nor values can hold ',' or '='.

// Key to value, keys in ordinal order. operator[] of a key the reply lacks yields the
// empty text (and adds the key); ReplyValue reads without adding.
using ReplyRecord = std::map<QString, QString>;
// Record number (0-based position among the non-empty reply lines) to its record.
using ReplyRecordList = std::map<std::int32_t, ReplyRecord>;

// The value of key, or the empty text when the record lacks it.
QString ReplyValue(const ReplyRecord& record, const QString& key);

// A single-record reply. The reply is decoded from UTF-8 by the caller and parsed as it
// is, whatever its length; out is replaced as a whole.
void ParseKeyValueText(const QString& text, ReplyRecord& out);
ReplyRecord ParseKeyValueText(const QString& text);
// One line of a record list; out is replaced as a whole.
void ParseRecordText(const QString& line, ReplyRecord& out);
ReplyRecord ParseRecordText(const QString& line);
// One record per non-empty line (lines end at CR, LF or CR LF), numbered from 0.
void ParseRecordListText(const QString& text, ReplyRecordList& out);

// The named reply tests that every caller of the service cites. Values are compared
// exactly and case-sensitively.
bool ReplyTestA(const ReplyRecord& r);  // refused: API_RESULT "1" or API_MESSAGE "E00031"
bool ReplyTestA2(const ReplyRecord& r); // refused (narrow): API_RESULT "1" and API_MESSAGE "E00031"
bool ReplyTestB(const ReplyRecord& r);  // internal error: API_RESULT "1" and API_MESSAGE "E00001"
bool ReplyTestC(const ReplyRecord& r);  // project known: API_RESULT "1" or API_MESSAGE "E00030"
bool ReplyTestC2(const ReplyRecord& r); // project known (narrow): both of C
bool ReplyTestD(const ReplyRecord& r);  // test C for one record of a list
// Full rights of a login: the reply text not empty, API_RESULT not "1", and not
// (API_RESULT "0" with USER_AUTH other than "0").
bool ReplyTestE(const QString& replyText, const ReplyRecord& r);
// Test E without the condition on an empty reply.
bool ReplyTestE2(const ReplyRecord& r);
// The run was registered: API_RESULT "0" (EXEC_SEQ holds its number).
bool ReplyTestF(const ReplyRecord& r);
