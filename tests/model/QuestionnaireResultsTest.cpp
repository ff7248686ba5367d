#include "CQuestionnaireResults.h"

#include "EntryText.h"
#include "TestDir.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

const QString kExample = QStringLiteral("[QUESTIONNAIRE RESULT]\n"
                                        "COMMENT=Pretest\n"
                                        "TIME=45000.25\n"
                                        "NRESULTS=2\n"
                                        "RESULT0=12,0,25,male\n"
                                        "RESULT1=34,0,31,female\n"
                                        "\n"
                                        "[QUESTIONNAIRE]\n"
                                        "NAME=Q1\n"
                                        "TIME=45000.5\n"
                                        "NTERMS=2\n"
                                        "TERM0=Age,How old are you?,1\n"
                                        "TERM1=Sex,Your sex?,2,male,female\n"
                                        "\n");

CQuestionnaireResults LoadText(const TestDir& dir, const QString& text) {
    const QString path = dir.file(QStringLiteral("QSR0000.INI"));
    EXPECT_TRUE(WriteEntry(path, text));
    CQuestionnaireResults set;
    set.Load(path);
    return set;
}

CQuestionnaireResult Row(int id, int id2, std::vector<QString> answers) {
    CQuestionnaireResult row;
    row.id = id;
    row.id2 = id2;
    row.answers = std::move(answers);
    return row;
}

std::vector<CQuestionnaireResult> Rows(const CQuestionnaireResults& set) {
    std::vector<CQuestionnaireResult> rows;
    for (int i = 0; i < set.GetResultCount(); ++i)
        rows.push_back(*set.GetResult(i));
    return rows;
}

} // namespace

// Found by GoogleTest through argument-dependent look-up, so it lives beside the class.
void PrintTo(const CQuestionnaireResult& row, std::ostream* os) {
    *os << row.id << "/" << row.id2 << ":";
    for (const QString& a : row.answers)
        *os << " [" << a.toStdString() << "]";
}

TEST(QuestionnaireResults, ExampleIsReadAndWrittenBackByteExact) {
    TestDir dir;
    const CQuestionnaireResults set = LoadText(dir, kExample);
    EXPECT_EQ(set.comment, QStringLiteral("Pretest"));
    EXPECT_EQ(set.time, 45000.25);
    EXPECT_EQ(Rows(set), (std::vector{Row(12, 0, {"25", "male"}), Row(34, 0, {"31", "female"})}));
    const CQuestionnaire* copy = set.GetQuestionnaire();
    EXPECT_EQ(copy->name, QStringLiteral("Q1"));
    EXPECT_EQ(copy->time, 45000.5);
    ASSERT_EQ(copy->GetTermCount(), 2);
    EXPECT_EQ(copy->GetTerm(1)->choices, (std::vector<QString>{"male", "female"}));

    const QString out = dir.file(QStringLiteral("QSR0001.INI"));
    set.Save(out, true);
    EXPECT_EQ(ReadFileBytes(out), EntryBytes(kExample)) << ReadEntryText(out).toStdString();
    CQuestionnaireResults back;
    back.Load(out);
    EXPECT_TRUE(back == set);
}

TEST(QuestionnaireResults, AnswersWithSeparatorsAndLineBreaksRoundTrip) {
    TestDir dir;
    const QString text =
        QStringLiteral("[QUESTIONNAIRE RESULT]\nCOMMENT=c$\\cd\nTIME=1\nNRESULTS=1\n"
                       "RESULT0=5,7,a$\\cb,c$\\nd,\n\n"
                       "[QUESTIONNAIRE]\nNAME=\nTIME=0\nNTERMS=2\nTERM0=x,y,0\nTERM1=z,w,0\n\n");
    const CQuestionnaireResults set = LoadText(dir, text);
    // Only list items are unescaped; the comment is a plain value.
    EXPECT_EQ(set.comment, QStringLiteral("c$\\cd"));
    EXPECT_EQ(Rows(set), (std::vector{Row(5, 7, {"a,b", "c\r\nd", ""})}));
    const QString out = dir.file(QStringLiteral("out.ini"));
    set.Save(out, true);
    EXPECT_EQ(ReadFileBytes(out), EntryBytes(text)) << ReadEntryText(out).toStdString();
}

TEST(QuestionnaireResults, RowLayoutIsToldByTheCopysTermCount) {
    struct Case {
        const char* nterms; // line in [QUESTIONNAIRE], or "" for none
        const char* row;
        CQuestionnaireResult expected;
    };
    const Case cases[] = {
        {"NTERMS=2", "5,a,b", Row(5, -1, {"a", "b"})},
        {"NTERMS=2", "5,7,a,b", Row(5, 7, {"a", "b"})},
        {"NTERMS=2", "5,7,a", Row(5, -1, {"7", "a"})}, // older layout by count
        {"NTERMS=2", "x,3,a,b", Row(-1, 3, {"a", "b"})},
        {"NTERMS=2", "-4,-2,a,b", Row(-1, -1, {"a", "b"})},
        {"NTERMS=2", "5", Row(5, -1, {})},
        {"NTERMS=2", "5,,,", Row(5, -1, {"", ""})}, // id2 empty: not stored
        {"NTERMS=2", "99999999999,1,a,b", Row(-1, 1, {"a", "b"})},
        {"", "5,7", Row(5, 7, {})},
        {"", "5,7,a", Row(5, 7, {"a"})},
        {"NTERMS=-2147483648", "5,7,a", Row(5, 7, {"a"})},
        {"NTERMS=2147483647", "5,7,a", Row(5, -1, {"7", "a"})},
    };
    TestDir dir;
    for (const Case& c : cases) {
        const CQuestionnaireResults set = LoadText(
            dir, QStringLiteral("[QUESTIONNAIRE RESULT]\nNRESULTS=1\nRESULT0=%1\n\n[QUESTIONNAIRE]\n%2\n")
                     .arg(QLatin1String(c.row), QLatin1String(c.nterms)));
        EXPECT_EQ(Rows(set), std::vector{c.expected}) << c.nterms << " " << c.row;
    }
}

// Rows read from the older layout (or cut short) have fewer answers than the copy has terms;
// saving them must not let the next read take id2 for the first answer.
TEST(QuestionnaireResults, ShortRowsKeepEveryAnswerAtItsItemThroughSaves) {
    struct Case {
        const char* row; // as stored, NTERMS=3
        CQuestionnaireResult expected;
    };
    const Case cases[] = {
        {"5,a", Row(5, -1, {"a", "", ""})},
        {"5,a,b", Row(5, -1, {"a", "b", ""})},
        {"5", Row(5, -1, {"", "", ""})},
        {"5,7,a,b,c", Row(5, 7, {"a", "b", "c"})},
        {"5,7,a,b,c,d", Row(5, 7, {"a", "b", "c", "d"})},
    };
    TestDir dir;
    for (const Case& c : cases) {
        CQuestionnaireResults set =
            LoadText(dir, QStringLiteral("[QUESTIONNAIRE RESULT]\nNRESULTS=1\nRESULT0=%1\n\n"
                                         "[QUESTIONNAIRE]\nNTERMS=3\nTERM0=a,x,0\nTERM1=b,y,0\nTERM2=c,z,0\n")
                              .arg(QLatin1String(c.row)));
        for (int round = 1; round <= 2; ++round) {
            const QString out = dir.file(QStringLiteral("round%1.ini").arg(round));
            set.Save(out, true);
            set.Load(out);
            EXPECT_EQ(Rows(set), std::vector{c.expected}) << c.row << " after save " << round;
        }
    }
}

TEST(QuestionnaireResults, CountAndMissingRowKeys) {
    struct Case {
        const char* text;
        std::vector<int> ids;
    };
    const Case cases[] = {
        {"NRESULTS=3\nRESULT0=1\nRESULT2=3\n", {1, 3}},
        {"NRESULTS=3\nRESULT0=1\nRESULT1=\nRESULT2=3\n", {1, 3}},
        {"NRESULTS=1\nRESULT0=1\nRESULT1=2\n", {1}},
        {"RESULT0=1\n", {}},
        {"NRESULTS=-1\nRESULT0=1\n", {}},
        // A hostile count neither allocates nor walks two billion keys.
        {"NRESULTS=2147483647\nRESULT0=1\nRESULT7000000=2\n", {1, 2}},
    };
    TestDir dir;
    // A hang detector only: the cases read in milliseconds, walking 2^31 keys takes minutes.
    const auto start = std::chrono::steady_clock::now();
    for (const Case& c : cases) {
        const CQuestionnaireResults set =
            LoadText(dir, QStringLiteral("[QUESTIONNAIRE RESULT]\n") + QLatin1String(c.text));
        std::vector<int> ids;
        for (const CQuestionnaireResult& row : Rows(set))
            ids.push_back(row.id);
        EXPECT_EQ(ids, c.ids) << c.text;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(QuestionnaireResults, EmptySetIsSavedWithZeroCount) {
    TestDir dir;
    CQuestionnaireResults set =
        LoadText(dir, QStringLiteral("[QUESTIONNAIRE RESULT]\nCOMMENT=none\nTIME=3\n"));
    set.Save(dir.file(QStringLiteral("out.ini")), true);
    EXPECT_EQ(ReadFileBytes(dir.file(QStringLiteral("out.ini"))),
              EntryBytes(QStringLiteral("[QUESTIONNAIRE RESULT]\nCOMMENT=none\nTIME=3\nNRESULTS=0\n\n"
                                        "[QUESTIONNAIRE]\nNAME=\nTIME=0\n\n")));
    CQuestionnaireResults back;
    back.Load(dir.file(QStringLiteral("out.ini")));
    EXPECT_EQ(back.GetResultCount(), 0);
    EXPECT_EQ(back.comment, QStringLiteral("none"));
}

TEST(QuestionnaireResults, BadTimeReadsAsZero) {
    TestDir dir;
    for (const char* value : {"-5", "x", ""})
        EXPECT_EQ(LoadText(dir, QStringLiteral("[QUESTIONNAIRE RESULT]\nTIME=%1\n").arg(value)).time, 0.0)
            << value;
}

TEST(QuestionnaireResults, MissingFileKeepsAllButTheRows) {
    TestDir dir;
    CQuestionnaireResults set = LoadText(dir, kExample);
    set.Load(dir.file(QStringLiteral("missing.ini")));
    EXPECT_EQ(set.GetResultCount(), 0);
    EXPECT_EQ(set.comment, QStringLiteral("Pretest"));
    EXPECT_EQ(set.time, 45000.25);
    EXPECT_EQ(set.GetQuestionnaire()->GetTermCount(), 2);
}

TEST(QuestionnaireResults, IndexOperations) {
    TestDir dir;
    CQuestionnaireResults set = LoadText(dir, kExample);
    EXPECT_EQ(set.GetResult(-1), nullptr);
    EXPECT_EQ(set.GetResult(2), nullptr);
    EXPECT_FALSE(set.DeleteResult(2));
    EXPECT_FALSE(set.DeleteResult(-1));
    EXPECT_TRUE(set.DeleteResult(0));
    EXPECT_EQ(Rows(set), std::vector{Row(34, 0, {"31", "female"})});
    EXPECT_TRUE(set.ClearResults());
    EXPECT_EQ(set.GetResultCount(), 0);
    EXPECT_EQ(set.comment, QStringLiteral("Pretest"));
    EXPECT_EQ(set.GetQuestionnaire()->name, QStringLiteral("Q1"));
}
