#include "IniFile.h"
#include "TestDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using tamvik::IniFile;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray Utf16LE(const QString& text) {
    return QByteArray("\xFF\xFE", 2) +
           QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

} // namespace

TEST(IniFile, KeepsWrittenOrderAndFirstSpelling) {
    IniFile ini;
    ini.WriteString("Zeta", "B", "1");
    ini.WriteString("alpha", "a", "2");
    ini.WriteString("ZETA", "a", "3");
    ini.WriteString("zeta", "b", "4"); // same key as "B": value replaced, spelling kept
    EXPECT_EQ(ini.ReadSections(), QStringList({"Zeta", "alpha"}));
    EXPECT_EQ(ini.ReadSection("zEtA"), QStringList({"B", "a"}));
    EXPECT_EQ(ini.ReadString("ZETA", "b", "-"), "4");
    EXPECT_EQ(ini.ToText(), "[Zeta]\r\nB=4\r\na=3\r\n\r\n[alpha]\r\na=2\r\n\r\n");
}

TEST(IniFile, ReadingDropsBlanksCommentsAndStrayLines) {
    IniFile ini;
    ini.LoadFromText("orphan=1\n; comment=1\n[ Sec ]\r\n  Key  =  some value  \r\n;Key=hidden\n"
                     "no equals sign\n=nokey\n\n[sec]\nOther=x\rLast=y");
    EXPECT_EQ(ini.ReadSections(), QStringList({"Sec"}));
    EXPECT_EQ(ini.ReadString("SEC", "key", "-"), "some value");
    EXPECT_EQ(ini.ReadString("sec", "other", "-"), "x") << "a repeated section continues the first";
    EXPECT_EQ(ini.ReadString("sec", "last", "-"), "y") << "a lone CR ends a line";
    EXPECT_FALSE(ini.ValueExists("sec", "orphan"));
    EXPECT_EQ(ini.ReadString("sec", "missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("nosuch", "key", "def"), "def");
}

TEST(IniFile, ReadingTrimsOnlyAsciiBlanksAndControls) {
    // Ideographic (U+3000) and no-break (U+00A0) spaces are part of a Japanese title or answer.
    const QString title = QString::fromUtf8("\u3000テスト\u3000");
    const QString answer = QString::fromUtf8("いいえ\u3000");
    const QString nbsp = QString::fromUtf8("\u00A0x\u00A0");
    IniFile written;
    written.WriteString("S", "Title", title);
    written.WriteString("S", "Answer", answer);
    written.WriteString("S", "Nbsp", nbsp);
    IniFile ini;
    ini.LoadFromText(written.ToText() + QString::fromUtf8("\t Ctl\x01 =\x01\x1F v w \t\x7F\r\n"));
    EXPECT_EQ(ini.ReadString("S", "Title", "-"), title);
    EXPECT_EQ(ini.ReadString("S", "Answer", "-"), answer);
    EXPECT_EQ(ini.ReadString("S", "Nbsp", "-"), nbsp);
    EXPECT_EQ(ini.ReadString("S", "Ctl", "-"), "v w") << "ASCII blanks and controls go";
}

TEST(IniFile, ManySectionsAndKeysAreFoundByName) {
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QString("[s%1]\nK%1=%1\n").arg(i);
    text += "[S0]\nX=1\n";
    // A hang detector only: this takes about a second on a loaded machine, a linear search
    // per name many minutes. The cost as a ratio to loading is measured in bench/.
    const auto start = std::chrono::steady_clock::now();
    IniFile ini;
    ini.LoadFromText(text);
    ASSERT_EQ(ini.ReadSections().size(), 100000);
    for (int i = 0; i < 100000; ++i)
        ASSERT_EQ(ini.ReadInteger(QString("S%1").arg(i), QString("k%1").arg(i), -1), i);
    EXPECT_EQ(ini.ReadString("s0", "x", "-"), "1") << "a repeated section continues the first";
    for (int i = 0; i < 100000; ++i)
        ini.WriteInteger(QString("s%1").arg(i), "new", i);
    EXPECT_EQ(ini.ReadSection("s99999"), QStringList({"K99999", "new"}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(IniFile, DuplicateKeysReadAndWriteTheFirst) {
    IniFile ini;
    ini.LoadFromText("[S]\nK=1\nk=2\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "1");
    ini.WriteString("S", "K", "9");
    EXPECT_EQ(ini.ToText(), "[S]\r\nK=9\r\nk=2\r\n\r\n");
}

TEST(IniFile, TypedValues) {
    IniFile ini;
    ini.LoadFromText("[N]\nint=-42\nplus=+7\nhex=0x1F\nallbits=0xFFFFFFFF\nbig=2147483648\nword=abc\n"
                     "real=2.5E-3\ncomma=2,5\nempty=\nbool0=0\nbool5=5\nyes=YES\n");
    EXPECT_EQ(ini.ReadInteger("N", "int", 0), -42);
    EXPECT_EQ(ini.ReadInteger("N", "plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "allbits", 0), -1);
    EXPECT_EQ(ini.ReadInteger("N", "big", 11), 11) << "out of int range gives the default";
    EXPECT_EQ(ini.ReadInteger("N", "word", 11), 11);
    EXPECT_EQ(ini.ReadInteger("N", "empty", 11), 11);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "real", 0), 0.0025);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "comma", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "missing", 3.5), 3.5);
    EXPECT_FALSE(ini.ReadBool("N", "bool0", true));
    EXPECT_TRUE(ini.ReadBool("N", "bool5", false));
    EXPECT_TRUE(ini.ReadBool("N", "yes", true)) << "not an integer: default";
    EXPECT_FALSE(ini.ReadBool("N", "yes", false));

    IniFile out;
    out.WriteInteger("S", "i", -3);
    out.WriteFloat("S", "f", 1e-5);
    out.WriteFloat("S", "g", 0.5);
    out.WriteBool("S", "t", true);
    out.WriteBool("S", "u", false);
    EXPECT_EQ(out.ToText(), "[S]\r\ni=-3\r\nf=1E-5\r\ng=0.5\r\nt=1\r\nu=0\r\n\r\n");
}

TEST(IniFile, LineBreaksInAValueCannotInjectKeys) {
    IniFile ini;
    ini.WriteString("S", "Title", "a\r\n[Evil]\nK=1");
    IniFile back;
    back.LoadFromText(ini.ToText());
    EXPECT_EQ(back.ReadSections(), QStringList({"S"}));
    EXPECT_EQ(back.ReadString("S", "Title", "-"), "a  [Evil] K=1");
}

TEST(IniFile, SectionEditing) {
    IniFile ini;
    ini.LoadFromText("[A]\nx=1\ny=2\nX=dup\n[B]\nz=3\n[C]\nw=4\n");
    EXPECT_EQ(ini.ReadSectionValues("a"), QStringList({"x=1", "y=2", "X=dup"}));
    ini.DeleteKey("A", "X");
    EXPECT_EQ(ini.ReadString("A", "x", "-"), "dup") << "the repeated key is found next";
    EXPECT_EQ(ini.ReadString("A", "y", "-"), "2");
    ini.DeleteKey("A", "X");
    EXPECT_FALSE(ini.ValueExists("A", "x"));
    ini.EraseSection("b");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.ReadString("c", "W", "-"), "4") << "sections after an erased one are still found";
    ini.WriteString("C", "v", "5");
    EXPECT_EQ(ini.ToText(), "[A]\r\ny=2\r\n\r\n[C]\r\nw=4\r\nv=5\r\n\r\n");
    ini.Clear();
    EXPECT_EQ(ini.ToText(), "");
}

TEST(IniFile, WritesUtf16LEWithBomAndCrLf) {
    TestDir dir;
    const QString path = dir.file("out.ini");
    IniFile ini(path);
    ini.WriteString("S", "K", QString::fromUtf8("日本"));
    ASSERT_TRUE(ini.UpdateFile());
    const QByteArray expected("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\xE5\x65\x2C\x67\r\0\n\0\r\0\n\0", 2 + 2 * 13);
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(IniFile, WritesUtf8WithBomOnRequest) {
    TestDir dir;
    const QString path = dir.file("opt.ini");
    IniFile ini(path, IniFile::Encoding::Utf8);
    ini.WriteString("S", "K", QString::fromUtf8("é"));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadAll(path), QByteArray("\xEF\xBB\xBF[S]\r\nK=\xC3\xA9\r\n\r\n"));
}

TEST(IniFile, ReadsEveryEncoding) {
    const QString text = QString::fromUtf8("[S]\r\nK=日本語\r\n");
    QByteArray be("\xFE\xFF", 2);
    for (QChar c : text)
        be.append(static_cast<char>(c.unicode() >> 8)).append(static_cast<char>(c.unicode() & 0xFF));
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"UTF-16LE", Utf16LE(text)},
        {"UTF-16BE", be},
        {"UTF-8 with mark", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
        {"UTF-8 without mark", text.toUtf8()},
        {"CP932", QByteArray("[S]\r\nK=\x93\xfa\x96\x7b\x8c\xea\r\n")},
    };
    TestDir dir;
    for (const auto& c : cases) {
        const QString path = dir.file("in.ini");
        WriteAll(path, c.bytes);
        IniFile ini(path);
        EXPECT_EQ(ini.ReadString("s", "k", "-"), QString::fromUtf8("日本語")) << c.name;
    }
}

TEST(IniFile, KeysNotWrittenSurviveAnUpdate) {
    TestDir dir;
    const QString path = dir.file("keep.ini");
    WriteAll(path, QByteArray("[Keep]\nOld=1\n[Mine]\nA=old\nB=2\n"));
    IniFile ini(path);
    ini.WriteString("MINE", "a", "new");
    ini.WriteString("Added", "C", "3");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadAll(path),
              Utf16LE("[Keep]\r\nOld=1\r\n\r\n[Mine]\r\nA=new\r\nB=2\r\n\r\n[Added]\r\nC=3\r\n\r\n"));
}

TEST(IniFile, MissingFileGivesEmptyDocument) {
    TestDir dir;
    IniFile ini;
    ini.LoadFromText("[A]\nx=1\n");
    EXPECT_FALSE(ini.LoadFromFile(dir.file("none.ini")));
    EXPECT_TRUE(ini.ReadSections().isEmpty());
}

TEST(IniFile, InPlaceSaveLeavesNothingOfALongerFile) {
    TestDir dir;
    const QString path = dir.file("entry.ini");
    IniFile ini;
    ini.SetSaveMode(IniFile::SaveMode::InPlace);
    ini.WriteString("S", "K", QString(500, QLatin1Char('x')));
    ASSERT_TRUE(ini.SaveToFile(path));
    ini.WriteString("S", "K", "short");
    ASSERT_TRUE(ini.SaveToFile(path));
    EXPECT_EQ(ReadAll(path), Utf16LE("[S]\r\nK=short\r\n\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"entry.ini"}));
}

TEST(IniFile, FailedSaveLeavesTheOldFile) {
    TestDir dir;
    const QString path = dir.file("settings.ini");
    WriteAll(path, QByteArray("[Old]\nK=1\n"));
    IniFile ini;
    ini.WriteString("New", "K", "2");
    // A folder that does not exist: nothing can be written, and the old file stays.
    EXPECT_FALSE(ini.SaveToFile(dir.file("missing/settings.ini")));
    {
        // A write that fails half-way (file size limit, as a full disk would): the old file
        // must stay whole.
        IniFile big;
        big.WriteString("New", "K", QString(4000, QLatin1Char('x')));
        struct rlimit old {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tight = old;
        tight.rlim_cur = 1024;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
        const bool saved = big.SaveToFile(path);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(saved);
    }
    EXPECT_EQ(ReadAll(path), QByteArray("[Old]\nK=1\n"));
    // A successful save replaces the file and leaves no temporary file beside it.
    ASSERT_TRUE(ini.SaveToFile(path));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"settings.ini"}));
}
