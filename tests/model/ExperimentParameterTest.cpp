#include "Cexp.h"

#include "EntryText.h"
#include "IniFile.h"
#include "TestDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString Entry = QStringLiteral("EXP.INI");

CExperimentParameter LoadText(const TestDir& dir, const QString& text, bool readMethod, int method = -1) {
    const QString path = dir.file(Entry);
    EXPECT_TRUE(WriteEntry(path, text));
    CExperimentParameter p;
    p.SetMethod(method);
    p.Load(path, readMethod);
    return p;
}

CExperimentParameter Training() {
    CExperimentParameter p;
    p.SetMethod(0);
    CExpTraining* t = p.GetTraining();
    t->buttonLabels = {QStringLiteral("High"), QStringLiteral("Low, or none"),
                       QStringLiteral("two\r\nlines")};
    t->judge = true;
    t->yellow = false;
    t->correct = true;
    t->showAnswer = 1.25;
    t->play = false;
    t->fontSize = 18;
    return p;
}

} // namespace

TEST(ExperimentParameter, EachMethodIsWrittenByteExact) {
    TestDir dir;
    const QString path = dir.file(Entry);
    struct Case {
        int method;
        QString text;
    } cases[] = {
        {0,
         QStringLiteral("[EXPERIMENT]\nBUTTONLABELS=High,Low$\\c or none,two$\\nlines\nJUDGE=YES\nYELLOW=NO\n"
                        "CORRECT=YES\nSHOWANSWER=1.25\nPLAY=NO\nFONTSIZE=18\nMETHOD=0\n\n")},
        {1, QStringLiteral("[EXPERIMENT]\nDIVISIONS=7\nSCALES=bright,dark,warm$\\c soft,cold\nPLAY=YES\n"
                           "FONTSIZE=12\nMETHOD=1\n\n")},
        {2, QStringLiteral("[EXPERIMENT]\nBUTTONLABELS=A,B\nHORIZONTALBUTTONS=YES\nPLAY=YES\nFONTSIZE=12\n"
                           "METHOD=2\n\n")},
        {3, QStringLiteral("[EXPERIMENT]\nBUTTONLABELS=\nHORIZONTALBUTTONS=NO\nPLAY=YES\nFONTSIZE=12\n"
                           "METHOD=3\n\n")},
        {4, QStringLiteral("[EXPERIMENT]\nPLAY=YES\nFONTSIZE=12\nMETHOD=4\n\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        CExperimentParameter p;
        if (c.method == 0)
            p = Training();
        p.SetMethod(c.method);
        if (c.method == 1) {
            p.GetSD()->divisions = 7;
            p.GetSD()->scales = {{QStringLiteral("bright"), QStringLiteral("dark")},
                                 {QStringLiteral("warm, soft"), QStringLiteral("cold")}};
        }
        if (c.method == 2)
            p.GetPair()->buttonLabels = {QStringLiteral("A"), QStringLiteral("B")};
        if (c.method == 3)
            p.GetCategory()->horizontalButtons = false;
        p.Save(path, true);
        EXPECT_EQ(ReadFileBytes(path), EntryBytes(c.text)) << ReadEntryText(path).toStdString();

        CExperimentParameter back;
        back.Load(path, true);
        EXPECT_TRUE(back == p);
    }
}

TEST(ExperimentParameter, NoMethodWritesAndReadsNothing) {
    TestDir dir;
    const QString path = dir.file(Entry);
    CExperimentParameter().Save(path, true);
    EXPECT_FALSE(QFile::exists(path));

    const CExperimentParameter p = LoadText(dir, QStringLiteral("[EXPERIMENT]\nMETHOD=1\n"), false);
    EXPECT_EQ(p.GetMethod(), -1);
    EXPECT_EQ(p.GetParameters(), nullptr);
    for (const char* method : {"7", "-1", "x", ""}) {
        const CExperimentParameter q =
            LoadText(dir, QStringLiteral("[EXPERIMENT]\nMETHOD=") + QString::fromUtf8(method), true, 2);
        EXPECT_EQ(q.GetMethod(), -1) << method;
        EXPECT_EQ(q.GetParameters(), nullptr) << method;
    }
}

TEST(ExperimentParameter, BadValuesFallBackToDefaults) {
    TestDir dir;
    for (const char* showAnswer : {"-1", "0", "abc", "inf"}) {
        const CExperimentParameter p = LoadText(dir,
                                                QStringLiteral("[EXPERIMENT]\nSHOWANSWER=") +
                                                    QString::fromUtf8(showAnswer) + "\nFONTSIZE=0\n",
                                                false, 0);
        EXPECT_EQ(p.GetTraining()->showAnswer, 0.5) << showAnswer;
        EXPECT_EQ(p.GetTraining()->fontSize, 12);
    }
    // Missing booleans read as "YES", letter case does not matter, anything else is false.
    const CExperimentParameter t =
        LoadText(dir, QStringLiteral("[EXPERIMENT]\nJUDGE=yes\nYELLOW=1\nPLAY=no\nFONTSIZE=x\n"), false, 0);
    EXPECT_TRUE(t.GetTraining()->judge);
    EXPECT_FALSE(t.GetTraining()->yellow);
    EXPECT_TRUE(t.GetTraining()->correct);
    EXPECT_FALSE(t.GetTraining()->play);
    EXPECT_EQ(t.GetTraining()->fontSize, 12);

    // DIVISIONS is stored as read; only a non-number falls back.
    EXPECT_EQ(LoadText(dir, QStringLiteral("[EXPERIMENT]\nDIVISIONS=-4\n"), false, 1).GetSD()->divisions, -4);
    EXPECT_EQ(LoadText(dir, QStringLiteral("[EXPERIMENT]\nDIVISIONS=4.5\n"), false, 1).GetSD()->divisions, 3);

    // A missing file gives the reading defaults of the current method.
    CExperimentParameter m = Training();
    m.Load(dir.file(QStringLiteral("MISSING.INI")), false);
    const CExpTraining* d = m.GetTraining();
    EXPECT_TRUE(d->buttonLabels.empty());
    EXPECT_TRUE(d->judge && d->yellow && d->correct && d->play);
    EXPECT_EQ(d->showAnswer, 0.5);
    EXPECT_EQ(d->fontSize, 12);
}

TEST(ExperimentParameter, ScalesArePairsOfWords) {
    TestDir dir;
    const CExperimentParameter p =
        LoadText(dir, QStringLiteral("[EXPERIMENT]\nSCALES=loud,quiet,sharp\nMETHOD=1\n"), true);
    const CExpSD* sd = p.GetSD();
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(sd->scales.size(), 2u);
    EXPECT_EQ(sd->scales[0], (CSDScale{QStringLiteral("loud"), QStringLiteral("quiet")}));
    EXPECT_EQ(sd->scales[1], (CSDScale{QStringLiteral("sharp"), QString()}));
    EXPECT_EQ(sd->divisions, 3);
}

TEST(ExperimentParameter, SetMethodAndTypedGetters) {
    CExperimentParameter p;
    p.SetMethod(2);
    p.GetPair()->buttonLabels = {QStringLiteral("A")};
    p.SetMethod(2);
    EXPECT_EQ(p.GetPair()->buttonLabels.size(), 1u) << "the same method keeps its values";
    EXPECT_EQ(p.GetCategory(), nullptr);

    p.SetMethod(3);
    ASSERT_NE(p.GetCategory(), nullptr);
    EXPECT_EQ(p.GetPair(), nullptr);
    EXPECT_TRUE(p.GetCategory()->buttonLabels.empty()) << "another method starts afresh";

    const struct {
        int method;
        bool training, sd, pair, category, me;
    } table[] = {{0, true, false, false, false, false}, {1, false, true, false, false, false},
                 {2, false, false, true, false, false}, {3, false, false, false, true, false},
                 {4, false, false, false, false, true}, {5, false, false, false, false, false}};
    for (const auto& row : table) {
        p.SetMethod(row.method);
        EXPECT_EQ(p.GetTraining() != nullptr, row.training) << row.method;
        EXPECT_EQ(p.GetSD() != nullptr, row.sd) << row.method;
        EXPECT_EQ(p.GetPair() != nullptr, row.pair) << row.method;
        EXPECT_EQ(p.GetCategory() != nullptr, row.category) << row.method;
        EXPECT_EQ(p.GetME() != nullptr, row.me) << row.method;
    }
    EXPECT_EQ(p.GetMethod(), -1);

    const CExpTraining fresh;
    EXPECT_TRUE(fresh.play && !fresh.judge && !fresh.yellow && !fresh.correct);
    EXPECT_EQ(fresh.showAnswer, 0.5);
    EXPECT_EQ(fresh.fontSize, 12);
}

TEST(ExperimentParameter, CopiesAreDeep) {
    CExperimentParameter original = Training();
    CExperimentParameter copy = original;
    copy.GetTraining()->buttonLabels.clear();
    EXPECT_EQ(original.GetTraining()->buttonLabels.size(), 3u);
    copy = original;
    EXPECT_TRUE(copy == original);
    EXPECT_NE(copy.GetTraining(), original.GetTraining());

    CExperimentParameter moved = std::move(copy);
    EXPECT_TRUE(moved == original);
}

TEST(ExperimentParameter, SaveKeepsOtherSectionsOfASharedFile) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("RSP0000.INI"));
    ASSERT_TRUE(WriteEntry(path, QStringLiteral("[SCHEDULE]\nNAME=s\n\n[EXPERIMENT]\nMETHOD=3\n")));
    CExperimentParameter p;
    p.SetMethod(4);
    p.Save(path, false);
    EXPECT_EQ(ReadFileBytes(path),
              EntryBytes(QStringLiteral("[SCHEDULE]\nNAME=s\n\n"
                                        "[EXPERIMENT]\nMETHOD=4\nPLAY=YES\nFONTSIZE=12\n\n")));

    tamvik::IniFile ini;
    p.Save(ini);
    CExperimentParameter back;
    back.Load(ini, true);
    EXPECT_EQ(back.GetMethod(), 4);
}
