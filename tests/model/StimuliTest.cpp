#include "Cstim.h"

#include "EntryText.h"
#include "IniFile.h"
#include "TestDir.h"

#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>

namespace {

CStimulus Stimulus(const QString& file, const QString& org, double created, double updated,
                   const QString& comment) {
    CStimulus s;
    s.fileName = file;
    s.orgFileName = org;
    s.orgCreateDate = created;
    s.orgUpdateDate = updated;
    s.comment = comment;
    return s;
}

CStimuli Two() {
    CStimuli list;
    list.SetCount(2);
    list[0] = Stimulus(QStringLiteral("S0001.WAV"), QStringLiteral("/home/lab/tone a.wav"), 45000.25, 45001,
                       QStringLiteral("first"));
    list[1] =
        Stimulus(QStringLiteral("S0002.WAV"), QStringLiteral("C:\\sounds\\noise.wav"), 1E-5, 0, QString());
    return list;
}

CStimuli LoadText(const TestDir& dir, const QString& text) {
    const QString path = dir.file(QStringLiteral("STIMULI.INI"));
    EXPECT_TRUE(WriteEntry(path, text));
    CStimuli list;
    list.SetCount(1); // Load must start from an empty list
    list.Load(path);
    return list;
}

const QString TwoText = QStringLiteral("[STIMULI]\n"
                                       "FILENAME=S0001.WAV,S0002.WAV\n"
                                       "ORGFILENAME=/home/lab/tone a.wav,C:\\sounds\\noise.wav\n"
                                       "ORGCREATE=45000.25,1E-5\n"
                                       "ORGUPDATE=45001,0\n"
                                       "COMMENTS=first,\n"
                                       "\n");

} // namespace

TEST(Stimuli, EntryIsWrittenByteExactAndReadBack) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("STIMULI.INI"));
    Two().Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes(TwoText)) << ReadEntryText(path).toStdString();
    CStimuli back;
    back.Load(path);
    EXPECT_TRUE(back == Two());
}

TEST(Stimuli, FileWithoutEscapedCharactersIsRewrittenUnchanged) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("STIMULI.INI"));
    ASSERT_TRUE(WriteEntry(path, TwoText));
    CStimuli list;
    list.Load(path);
    list.Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes(TwoText));
}

TEST(Stimuli, EmptyListWritesFiveEmptyKeys) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("STIMULI.INI"));
    CStimuli().Save(path, true);
    EXPECT_EQ(ReadFileBytes(path),
              EntryBytes(QStringLiteral("[STIMULI]\nFILENAME=\nORGFILENAME=\nORGCREATE=\n"
                                        "ORGUPDATE=\nCOMMENTS=\n\n")));
}

TEST(Stimuli, SourcePathAndCommentWithSeparatorsSurvive) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("STIMULI.INI"));
    // Paths without ',' or a line break are stored as they stand, "$\" included; the others
    // are escaped and listed, so no stored path can be mistaken for an escaped one.
    const QString paths[] = {
        QStringLiteral("\\\\lab\\d$\\Noise\\a.wav"), QStringLiteral("/srv/take$\\new.wav"),
        QStringLiteral("/data/take 1, loud.wav"),    QStringLiteral("/srv/take$\\clip.wav"),
        QStringLiteral("/data/c,d$\\c$$.wav"),       QStringLiteral("/data/b.wav"),
        QStringLiteral("/odd\r\nname\rx\n.wav"),
    };
    const int count = static_cast<int>(std::size(paths));
    CStimuli list;
    list.SetCount(count);
    for (int i = 0; i < count; ++i)
        list[i] = Stimulus(QStringLiteral("S%1.WAV").arg(i), paths[i], i, i + 1, QString());
    list[0].comment = QStringLiteral("a, b\r\nnext line\nlone LF");
    list.Save(path, true);
    const QString text = ReadEntryText(path);
    EXPECT_TRUE(text.contains(QStringLiteral("ORGFILENAME=\\\\lab\\d$\\Noise\\a.wav,/srv/take$\\new.wav,"
                                             "/data/take 1$\\c loud.wav,/srv/take$\\clip.wav,"
                                             "/data/c$\\cd$\\$\\c$\\$$\\$.wav,/data/b.wav,"
                                             "/odd$\\nname$\\rx$\\n.wav\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("COMMENTS=a$\\c b$\\nnext line$\\nlone LF,,,,,,\n"
                                             "ORGFILENAMEESCAPED=2,4,6\n")))
        << text.toStdString();

    CStimuli back;
    back.Load(path);
    ASSERT_EQ(back.GetCount(), count);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(back[i].orgFileName, i == 6 ? QStringLiteral("/odd\r\nname\rx\r\n.wav") : paths[i]) << i;
        EXPECT_DOUBLE_EQ(back[i].orgCreateDate, i);
    }
    EXPECT_EQ(back[0].comment, QStringLiteral("a, b\r\nnext line\r\nlone LF"));

    // A path holding "$\" alone is literal too, and a kept file loses a list that is stale now.
    CStimuli one;
    one.SetCount(1);
    one[0] = Stimulus(QStringLiteral("S.WAV"), QStringLiteral("\\\\lab\\c$\\clips\\a.wav"), 0, 0, QString());
    one.Save(path, false);
    EXPECT_TRUE(ReadEntryText(path).contains(QStringLiteral("ORGFILENAMEESCAPED=\n")));
    back.Load(path);
    EXPECT_EQ(back[0].orgFileName, one[0].orgFileName);
    one[0].orgFileName = QStringLiteral("/plain.wav");
    one.Save(path, false);
    EXPECT_FALSE(ReadEntryText(path).contains(QStringLiteral("ORGFILENAMEESCAPED")));
}

TEST(Stimuli, OlderListsReadTheirEscapedCommasButNotShares) {
    TestDir dir;
    const CStimuli list = LoadText(dir, QStringLiteral("[STIMULI]\n"
                                                       "FILENAME=a.wav,b.wav,c.wav,d.wav\n"
                                                       "ORGFILENAME=/data/take 1$\\c loud.wav,"
                                                       "\\\\lab\\c$\\clips\\x.wav,"
                                                       "\\\\lab\\d$\\Noise\\a.wav,/srv/take$\\new.wav\n"));
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list[0].orgFileName, QStringLiteral("/data/take 1, loud.wav"));
    EXPECT_EQ(list[1].orgFileName, QStringLiteral("\\\\lab\\c$\\clips\\x.wav"));
    EXPECT_EQ(list[2].orgFileName, QStringLiteral("\\\\lab\\d$\\Noise\\a.wav"));
    EXPECT_EQ(list[3].orgFileName, QStringLiteral("/srv/take$\\new.wav"));
}

TEST(Stimuli, ListsAreMatchedToFileNamesByPosition) {
    TestDir dir;
    const CStimuli list = LoadText(dir, QStringLiteral("[STIMULI]\n"
                                                       "FILENAME=a.wav,b.wav,c.wav\n"
                                                       "ORGFILENAME=/x/a.wav,/x/b.wav\n"
                                                       "ORGCREATE=1,not a date,3\n"
                                                       "ORGUPDATE=4\n"
                                                       "COMMENTS=c1,c2,c3,c4\n"));
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_TRUE(list[0] ==
                Stimulus(QStringLiteral("a.wav"), QStringLiteral("/x/a.wav"), 1, 4, QStringLiteral("c1")));
    EXPECT_TRUE(list[1] ==
                Stimulus(QStringLiteral("b.wav"), QStringLiteral("/x/b.wav"), 0, 0, QStringLiteral("c2")));
    EXPECT_TRUE(list[2] == Stimulus(QStringLiteral("c.wav"), QString(), 3, 0, QStringLiteral("c3")));
}

TEST(Stimuli, EmptyFileNameListOrMissingFileGivesEmptyList) {
    TestDir dir;
    EXPECT_EQ(
        LoadText(dir, QStringLiteral("[STIMULI]\nFILENAME=\nORGFILENAME=a,b\nCOMMENTS=x,y\n")).GetCount(), 0);
    EXPECT_EQ(LoadText(dir, QStringLiteral("[OTHER]\nFILENAME=a.wav\n")).GetCount(), 0);
    CStimuli list = Two();
    list.Load(dir.file(QStringLiteral("MISSING.INI")));
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(Stimuli, FileNameCountIsBounded) {
    TestDir dir;
    // 70000 empty names: a 140 kB file must not make more stimuli than can be numbered.
    const CStimuli list =
        LoadText(dir, QStringLiteral("[STIMULI]\nFILENAME=") + QString(69999, QLatin1Char(',')));
    EXPECT_EQ(list.GetCount(), CStimuli::MaxLoadCount);
}

TEST(Stimuli, InsertDeleteAndSetCount) {
    CStimuli empty;
    EXPECT_FALSE(empty.Insert(0));
    EXPECT_FALSE(empty.Delete(0));

    CStimuli list = Two();
    EXPECT_FALSE(list.Insert(2));
    EXPECT_FALSE(list.Insert(-1));
    EXPECT_FALSE(list.Delete(2));
    EXPECT_TRUE(list.Insert(0));
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_TRUE(list[0] == CStimulus());
    EXPECT_EQ(list[1].fileName, QStringLiteral("S0001.WAV"));
    EXPECT_TRUE(list.Delete(0));
    EXPECT_TRUE(list == Two());

    list.SetCount(5);
    ASSERT_EQ(list.GetCount(), 5);
    EXPECT_EQ(list[1].fileName, QStringLiteral("S0002.WAV"));
    EXPECT_TRUE(list[4] == CStimulus());
    list.SetCount(2);
    EXPECT_TRUE(list == Two());

    try {
        list.SetCount(-1);
        FAIL() << "SetCount(-1) did not throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid size!!");
    }
    EXPECT_TRUE(list == Two());
    EXPECT_TRUE(list.Clear());
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(Stimuli, SaveKeepsOtherSectionsUnlessReplacing) {
    TestDir dir;
    const QString path = dir.file(QStringLiteral("RSP0000.INI"));
    ASSERT_TRUE(WriteEntry(path, QStringLiteral("[TERMINAL]\nN=1\n\n[STIMULI]\nFILENAME=old.wav\n")));
    Two().Save(path, false);
    tamvik::IniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("TERMINAL"), QStringLiteral("N"), QString()),
              QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("STIMULI"), QStringLiteral("FILENAME"), QString()),
              QStringLiteral("S0001.WAV,S0002.WAV"));
    Two().Save(path, true);
    EXPECT_EQ(ReadFileBytes(path), EntryBytes(TwoText));
}

TEST(Stimuli, SaveToUnwritablePlaceThrowsAndKeepsNothingHalfWritten) {
    TestDir dir;
    EXPECT_THROW(Two().Save(dir.file(QStringLiteral("no/such/folder/STIMULI.INI")), true),
                 std::runtime_error);
}
