#include "CTamvikProjectBase.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

using Texts = std::vector<QString>;
using Ints = std::vector<int>;

const CTamvikProjectBase codec;

Texts Split(const QString& text, bool unescape) {
    Texts out{"stale"};
    codec.SplitList(text, out, unescape);
    return out;
}

QString Join(const Texts& items, bool escape) {
    QString out = "stale";
    codec.JoinList(items, out, escape);
    return out;
}

} // namespace

TEST(ProjectBase, SplitList) {
    const struct {
        QString text;
        Texts items;
    } cases[] = {
        {"", {}},
        {",", {"", ""}},
        {"a", {"a"}},
        {"a,,b", {"a", "", "b"}},
        {"a,b,", {"a", "b", ""}},
        {",a", {"", "a"}},
        {",,", {"", "", ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Split(c.text, false), c.items) << c.text.toStdString();
}

TEST(ProjectBase, EscapedListsRoundTrip) {
    const Texts items{"a,b", "x\r\ny"};
    EXPECT_EQ(Join(items, true), "a$\\cb,x$\\ny");
    EXPECT_EQ(Split("a$\\cb,x$\\ny", true), items);
    // A lone LF comes back as CR LF; a lone CR is left as it is.
    EXPECT_EQ(Join({"p\nq", "r\rs"}, true), "p$\\nq,r\rs");
    EXPECT_EQ(Split(Join({"p\nq"}, true), true), Texts{"p\r\nq"});
    // The escape texts themselves, in any letter case, come back as what they stand for.
    EXPECT_EQ(Split(Join({"1$\\C2$\\N3$\\c"}, true), true), Texts({"1,2\r\n3,"}));
    // Without escaping nothing is touched.
    EXPECT_EQ(Join(items, false), "a,b,x\r\ny");
    EXPECT_EQ(Split("a$\\cb", false), Texts{"a$\\cb"});
}

TEST(ProjectBase, EmptyJoins) {
    EXPECT_EQ(Join({}, true), "");
    EXPECT_EQ(Join({""}, true), "");
    EXPECT_EQ(Split(Join({""}, true), true), Texts{});
    EXPECT_EQ(Join({"", ""}, false), ",");
}

TEST(ProjectBase, IntLists) {
    const struct {
        QString text;
        int def;
        Ints values;
    } cases[] = {
        {"1,x,3", 0, {1, 0, 3}},
        {"1,2,", -1, {1, 2, -1}},
        {"", 7, {}},
        {"-5, 7 ,+2", 0, {-5, 7, 2}},
        {"2147483647,2147483648,1.5", 9, {INT_MAX, 9, 9}},
    };
    for (const auto& c : cases) {
        Ints out{42};
        codec.SplitIntList(c.text, out, c.def);
        EXPECT_EQ(out, c.values) << c.text.toStdString();
    }
    QString out = "stale";
    codec.JoinIntList({}, out);
    EXPECT_EQ(out, "");
    codec.JoinIntList({-5, 7}, out);
    EXPECT_EQ(out, "-5,7");
    EXPECT_EQ(FormatInteger(INT_MIN), "-2147483648");
    EXPECT_EQ(FormatInteger(0), "0");
}

TEST(ProjectBase, SplitAndJoinText) {
    const struct {
        QString text;
        Texts items;
    } cases[] = {
        {"1,2|3|", {"1,2", "3"}},
        {"a||b", {"a", "", "b"}},
        {"|a", {"", "a"}},
        {"a|", {"a"}},
        {"", {}},
        {"|", {""}},
    };
    for (const auto& c : cases) {
        Texts out{"stale"};
        codec.SplitText(c.text, out, "|");
        EXPECT_EQ(out, c.items) << c.text.toStdString();
    }
    Texts out;
    codec.SplitText("abc", out, ""); // an empty delimiter must not loop forever
    EXPECT_EQ(out, Texts{"abc"});
    QString joined;
    codec.JoinText({"a", "", "b,c"}, joined, "|");
    EXPECT_EQ(joined, "a||b,c");
}
