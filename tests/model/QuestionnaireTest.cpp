#include "Cquest.h"

#include "DateTime.h"
#include "EntryText.h"
#include "TestDir.h"

#include <QFile>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

CQuestionnaireTerm Term(const QString& itemName, const QString& question, int kind,
                        std::vector<QString> choices = {}) {
    CQuestionnaireTerm term;
    term.itemName = itemName;
    term.question = question;
    term.kind = kind;
    term.choices = std::move(choices);
    return term;
}

CQuestionnaire Example() {
    CQuestionnaire q;
    q.name = QStringLiteral("Q1");
    q.time = 45000.5;
    q.SetTermCount(2);
    *q.GetTerm(0) = Term(QStringLiteral("Age"), QStringLiteral("How old are you?"), 1);
    *q.GetTerm(1) = Term(QStringLiteral("Sex"), QStringLiteral("Your sex?"), 2,
                         {QStringLiteral("male"), QStringLiteral("female")});
    return q;
}

CQuestionnaire LoadText(const TestDir& dir, const QString& text) {
    const QString path = dir.file(QStringLiteral("QSL.INI"));
    EXPECT_TRUE(WriteEntry(path, text));
    CQuestionnaire q;
    q.Load(path);
    return q;
}

} // namespace

TEST(Questionnaire, ExampleIsWrittenByteExactAndReadBack) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("QSL.INI"));
    Example().Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes(QStringLiteral("[QUESTIONNAIRE]\n"
                                                             "NAME=Q1\n"
                                                             "TIME=45000.5\n"
                                                             "NTERMS=2\n"
                                                             "TERM0=Age,How old are you?,1\n"
                                                             "TERM1=Sex,Your sex?,2,male,female\n"
                                                             "\n")))
        << ReadEntryText(path).toStdString();
    CQuestionnaire back;
    back.Load(path);
    EXPECT_TRUE(back == Example());
}

TEST(Questionnaire, RoundTripKeepsSeparatorsAndLineBreaks) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("QSL.INI"));
    CQuestionnaire q;
    q.name = QStringLiteral("Title, with comma");
    q.time = 46123.456789;
    q.SetTermCount(3);
    *q.GetTerm(0) = Term(QStringLiteral("Remarks"), QStringLiteral("Line one\r\nline two, and $\\c"), 0);
    *q.GetTerm(1) = Term(QStringLiteral("年齢"), QStringLiteral("How old?"), 1);
    *q.GetTerm(2) = Term(QStringLiteral("Pick"), QStringLiteral("Which?"), 2,
                         {QStringLiteral("a,b"), QStringLiteral("c\r\nd"), QString()});
    q.Save(path, true);
    CQuestionnaire back;
    back.Load(path);
    // A literal "$\c" typed by a user comes back as the separator: the format has no other way.
    q.GetTerm(0)->question = QStringLiteral("Line one\r\nline two, and ,");
    EXPECT_TRUE(back == q) << ReadEntryText(path).toStdString();
}

TEST(Questionnaire, TermValuesAreReadByKind) {
    struct Case {
        const char* value;
        QString itemName;
        QString question;
        int kind;
        std::vector<QString> choices;
    };
    const Case cases[] = {
        {"a,b,1,x,y", "a", "b", 1, {}}, // choices only for a selection
        {"a,b,0,x,y", "a", "b", 0, {}},
        {"a,b,7", "a", "b", 0, {}},
        {"a,b,z", "a", "b", 0, {}},
        {"a,b,-1", "a", "b", 0, {}},
        {"a", "a", "", 0, {}},
        {"a,b,2", "a", "b", 2, {}},
        {"a,b,2,x,,y$\\cz", "a", "b", 2, {"x", "", "y,z"}},
        {"a,b, 2 ,x", "a", "b", 2, {"x"}},
    };
    TestDir dir;
    for (const Case& c : cases) {
        const CQuestionnaire q =
            LoadText(dir, QStringLiteral("[QUESTIONNAIRE]\nNTERMS=1\nTERM0=%1\n").arg(c.value));
        ASSERT_EQ(q.GetTermCount(), 1) << c.value;
        const CQuestionnaireTerm* t = q.GetTerm(0);
        EXPECT_EQ(t->itemName, c.itemName) << c.value;
        EXPECT_EQ(t->question, c.question) << c.value;
        EXPECT_EQ(t->kind, c.kind) << c.value;
        EXPECT_EQ(t->choices, c.choices) << c.value;
    }
}

TEST(Questionnaire, TextItemIsSavedWithoutItsChoices) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("QSL.INI"));
    CQuestionnaire q;
    q.SetTermCount(1);
    *q.GetTerm(0) = Term(QStringLiteral("a"), QStringLiteral("b"), 0, {QStringLiteral("x")});
    q.Save(path, true);
    EXPECT_TRUE(ReadEntryText(path).contains(QStringLiteral("\nTERM0=a,b,0\n")))
        << ReadEntryText(path).toStdString();
}

TEST(Questionnaire, CountAndMissingTermKeys) {
    struct Case {
        const char* text;
        std::vector<QString> names;
    };
    const Case cases[] = {
        {"NTERMS=3\nTERM0=a\nTERM2=c\n", {"a", "c"}},
        {"NTERMS=3\nTERM0=a\nTERM1=\nTERM2=c\n", {"a", "c"}},
        {"NTERMS=1\nTERM0=a\nTERM1=b\n", {"a"}},
        {"TERM0=a\n", {}},
        {"NTERMS=0\nTERM0=a\n", {}},
        {"NTERMS=-2\nTERM0=a\n", {}},
        {"NTERMS=x\nTERM0=a\n", {}},
        {"NTERMS=3\nterm2=c\nTerm0=a\n", {"a", "c"}}, // keys in any case and order, read by index
        {"NTERMS=3\nTERM01=x\nTERM+1=y\nTERM=z\nTERM1=b\n", {"b"}},
        // A hostile count neither allocates nor walks two billion keys.
        {"NTERMS=2147483647\nTERM0=a\nTERM100000=b\n", {"a", "b"}},
    };
    TestDir dir;
    // A hang detector only: the cases read in milliseconds, walking 2^31 keys takes minutes.
    const auto start = std::chrono::steady_clock::now();
    for (const Case& c : cases) {
        const CQuestionnaire q = LoadText(dir, QStringLiteral("[QUESTIONNAIRE]\n") + QLatin1String(c.text));
        std::vector<QString> names;
        for (int i = 0; i < q.GetTermCount(); ++i)
            names.push_back(q.GetTerm(i)->itemName);
        EXPECT_EQ(names, c.names) << c.text;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(Questionnaire, TimeFallsBackToZeroAndMissingFileStampsNow) {
    TestDir dir;
    const std::pair<const char*, double> cases[] = {{"TIME=-5\n", 0.0},
                                                    {"NAME=n\n", 0.0},
                                                    {"TIME=abc\n", 0.0},
                                                    {"TIME=1E20\n", 1e20},
                                                    {"TIME=0.25\n", 0.25}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(LoadText(dir, QStringLiteral("[QUESTIONNAIRE]\n") + QLatin1String(text)).time, expected)
            << text;

    CQuestionnaire q = Example();
    const double before = tamvik::NowDays();
    q.Load(dir.file(QStringLiteral("missing.ini")));
    EXPECT_GE(q.time, before);
    EXPECT_LE(q.time, tamvik::NowDays());
    EXPECT_EQ(q.GetTermCount(), 0);
    EXPECT_TRUE(q.name.isEmpty());
}

TEST(Questionnaire, NoTermsMeansNoCountKeyEvenOverAnOldFile) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("QSL.INI"));
    ASSERT_TRUE(
        WriteEntry(path, QStringLiteral("[OTHER]\nK=v\n\n[QUESTIONNAIRE]\nNAME=old\nNTERMS=1\nTERM0=a\n\n")));
    CQuestionnaire q;
    q.name = QStringLiteral("new");
    q.time = 2;
    q.Save(path, false);
    EXPECT_EQ(ReadFileBytes(path),
              EntryBytes(QStringLiteral("[OTHER]\nK=v\n\n"
                                        "[QUESTIONNAIRE]\nNAME=new\nTERM0=a\nTIME=2\n\n")))
        << ReadEntryText(path).toStdString();
    CQuestionnaire back;
    back.Load(path);
    EXPECT_TRUE(back == q);

    q.Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes(QStringLiteral("[QUESTIONNAIRE]\nNAME=new\nTIME=2\n\n")));
}

TEST(Questionnaire, SaveToAnUnwritablePathThrows) {
    TestDir dir;
    EXPECT_THROW(Example().Save(dir.file(QStringLiteral("no/such/folder/QSL.INI")), true),
                 std::runtime_error);
}

TEST(Questionnaire, TermCountAndIndexOperations) {
    CQuestionnaire q = Example();
    try {
        q.SetTermCount(-1);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "invalid number!!");
    }
    EXPECT_TRUE(q == Example());

    EXPECT_EQ(q.GetTerm(-1), nullptr);
    EXPECT_EQ(q.GetTerm(2), nullptr);
    EXPECT_FALSE(q.DeleteTerm(2));
    EXPECT_FALSE(q.InsertTerm(0, 3));
    EXPECT_FALSE(q.InsertTerm(-1, 1));
    EXPECT_FALSE(q.InsertTerm(3, 1));
    EXPECT_TRUE(q.InsertTerm(2, 1)); // appends
    ASSERT_EQ(q.GetTermCount(), 3);
    EXPECT_TRUE(*q.GetTerm(2) == Term({}, {}, 1));
    EXPECT_TRUE(q.InsertTermCopy(0, *q.GetTerm(1)));
    EXPECT_EQ(q.GetTerm(0)->itemName, QStringLiteral("Sex"));
    EXPECT_EQ(q.GetTerm(0)->choices.size(), 2u);
    EXPECT_TRUE(q.DeleteTerm(0));
    EXPECT_EQ(q.GetTerm(0)->itemName, QStringLiteral("Age"));

    q.SetTermCount(5);
    EXPECT_EQ(q.GetTerm(1)->itemName, QStringLiteral("Sex"));
    EXPECT_TRUE(*q.GetTerm(4) == CQuestionnaireTerm());
    q.SetTermCount(0);
    EXPECT_EQ(q.GetTermCount(), 0);
    EXPECT_EQ(q.name, QStringLiteral("Q1"));
    EXPECT_EQ(q.time, 45000.5);

    // A first term comes only from SetTermCount.
    EXPECT_FALSE(q.InsertTerm(0, 1));
    EXPECT_FALSE(q.InsertTermCopy(0, Term(QStringLiteral("x"), {}, 0)));
    EXPECT_EQ(q.GetTermCount(), 0);
}
