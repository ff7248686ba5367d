#include "ReplyRecord.h"

#include <gtest/gtest.h>

namespace {

using Fields = std::vector<std::pair<QString, QString>>;

Fields FieldsOf(const ReplyRecord& r) {
    return Fields(r.begin(), r.end());
}

QString S(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST(ReplyParse, SingleRecordCases) {
    const struct {
        const char* text;
        Fields expected; // in key order
    } cases[] = {
        {"API_RESULT=0,API_MESSAGE=,EXEC_SEQ=123",
         {{S("API_MESSAGE"), S("")}, {S("API_RESULT"), S("0")}, {S("EXEC_SEQ"), S("123")}}},
        {"K=a=b", {{S("K"), S("a")}}},
        {"K", {{S("K"), S("")}}},
        {",,A=1,,B=2,", {{S("A"), S("1")}, {S("B"), S("2")}}},
        {"A=1,A=2", {{S("A"), S("2")}}},
        {"==K==v=w", {{S("K"), S("v")}}},
        {"===", {}},
        {"", {}},
        {"TITLE=日本語,N=1", {{S("N"), S("1")}, {S("TITLE"), S("日本語")}}},
    };
    for (const auto& c : cases) {
        ReplyRecord out = {{S("OLD"), S("x")}};
        ParseKeyValueText(S(c.text), out);
        EXPECT_EQ(FieldsOf(out), c.expected) << c.text;
        EXPECT_EQ(FieldsOf(ParseRecordText(S(c.text))), c.expected) << c.text;
    }
}

TEST(ReplyParse, MissingKeysReadEmpty) {
    ReplyRecord r = ParseKeyValueText(S("A=1"));
    EXPECT_EQ(ReplyValue(r, S("B")), QString());
    EXPECT_EQ(r.size(), 1u) << "ReplyValue must not add keys";
    EXPECT_EQ(r[S("B")], QString());
}

TEST(ReplyParse, RecordListSkipsEmptyLinesAndNumbersFromZero) {
    ReplyRecordList list = {{7, ReplyRecord{{S("X"), S("1")}}}};
    ParseRecordListText(S("A=1,B=2\r\nA=3\r\n\r\nA=4\rA=5\nA=6\n"), list);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0][S("B")], S("2"));
    EXPECT_EQ(list[1][S("A")], S("3"));
    EXPECT_EQ(list[2][S("A")], S("4"));
    EXPECT_EQ(list[3][S("A")], S("5"));
    EXPECT_EQ(list[4][S("A")], S("6"));

    ParseRecordListText(S("\r\n\n"), list);
    EXPECT_TRUE(list.empty());
}

TEST(ReplyParse, RepliesOfAnyLengthAreParsedWhole) {
    const QString pad(100000, QLatin1Char('x'));
    const ReplyRecord r = ParseKeyValueText(S("A=1,P=") + pad + S(",Z=9"));
    EXPECT_EQ(ReplyValue(r, S("P")).size(), pad.size());
    EXPECT_EQ(ReplyValue(r, S("Z")), S("9"));
}

TEST(ReplyTests, Table) {
    // reply text, then A A2 B C C2 D E E2 F
    const struct {
        const char* text;
        bool a, a2, b, c, c2, d, e, e2, f;
    } cases[] = {
        {"", false, false, false, false, false, false, false, true, false},
        {"X=1", false, false, false, false, false, false, true, true, false},
        {"API_RESULT=1", true, false, false, true, false, true, false, false, false},
        {"API_RESULT=1,API_MESSAGE=E00031", true, true, false, true, false, true, false, false, false},
        {"API_RESULT=0,API_MESSAGE=E00031,USER_AUTH=0", true, false, false, false, false, false, true, true,
         true},
        {"API_RESULT=1,API_MESSAGE=E00001", true, false, true, true, false, true, false, false, false},
        {"API_RESULT=1,API_MESSAGE=E00030", true, false, false, true, true, true, false, false, false},
        {"API_RESULT=0,API_MESSAGE=E00030", false, false, false, true, false, true, false, false, true},
        {"API_RESULT=0,USER_AUTH=1", false, false, false, false, false, false, false, false, true},
        {"API_RESULT=0,USER_AUTH=0", false, false, false, false, false, false, true, true, true},
        {"API_RESULT=0", false, false, false, false, false, false, false, false, true},
        {"API_RESULT=2,USER_AUTH=1", false, false, false, false, false, false, true, true, false},
        {"api_result=1,API_MESSAGE=e00031", false, false, false, false, false, false, true, true, false},
    };
    for (const auto& c : cases) {
        const QString text = S(c.text);
        const ReplyRecord r = ParseKeyValueText(text);
        EXPECT_EQ(ReplyTestA(r), c.a) << c.text;
        EXPECT_EQ(ReplyTestA2(r), c.a2) << c.text;
        EXPECT_EQ(ReplyTestB(r), c.b) << c.text;
        EXPECT_EQ(ReplyTestC(r), c.c) << c.text;
        EXPECT_EQ(ReplyTestC2(r), c.c2) << c.text;
        EXPECT_EQ(ReplyTestD(r), c.d) << c.text;
        EXPECT_EQ(ReplyTestE(text, r), c.e) << c.text;
        EXPECT_EQ(ReplyTestE2(r), c.e2) << c.text;
        EXPECT_EQ(ReplyTestF(r), c.f) << c.text;
    }
}
