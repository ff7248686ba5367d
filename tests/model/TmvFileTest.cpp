#include "Ctmvfile.h"
#include "FileTimes.h"
#include "TestDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t Jan2020 = 132223104000000000ull; // 2020-01-01 00:00 UTC as FILETIME

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Pattern(int size, char seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 7 + (i >> 8));
    return bytes;
}

TMVARCHIVEFILEINFO Entry(const QString& name, std::uint32_t size, std::uint32_t offset) {
    TMVARCHIVEFILEINFO entry;
    std::memset(&entry, 0, sizeof entry);
    CTmvFile::SetEntryName(entry, name);
    entry.size = size;
    entry.dataOffset = offset;
    entry.creationTime = Jan2020;
    entry.lastWriteTime = Jan2020 + 10000000ull * 3600;
    return entry;
}

QByteArray Header(std::uint32_t magic, std::uint32_t count) {
    QByteArray bytes(8, 0);
    std::memcpy(bytes.data(), &magic, 4);
    std::memcpy(bytes.data() + 4, &count, 4);
    return bytes;
}

QByteArray Record(const TMVARCHIVEFILEINFO& entry) {
    return QByteArray(reinterpret_cast<const char*>(&entry), sizeof entry);
}

// A well-formed archive of the given entries and data, laid out as our writer does.
QByteArray Archive(const std::vector<std::pair<QString, QByteArray>>& files) {
    QByteArray directory, data;
    std::uint32_t offset = 8 + 1048 * files.size();
    for (const auto& [name, bytes] : files) {
        directory += Record(Entry(name, bytes.size(), offset));
        data += bytes;
        offset += bytes.size();
    }
    return Header(CTmvFile::Magic, files.size()) + directory + data;
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

class TmvFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        src = dir.file("src");
        ASSERT_TRUE(QDir().mkdir(src));
        tmv.SetExtensions({"INI", "WAV", "TXT"});
    }
    QString Src(const QString& name) const { return src + "/" + name; }

    TestDir dir;
    QString src;
    CTmvFile tmv;
};

TEST_F(TmvFileTest, PackWritesLayoutAndOffsetsAndUnpacksTheSameFiles) {
    const QByteArray general = "[GENERAL]\r\nTITLE=x\r\n";
    const QByteArray wave = Pattern(2 * 8192, 3); // an exact multiple of the old block size
    const QByteArray inst = Pattern(777, 9);
    WriteFile(Src("INST.TXT"), inst);
    WriteFile(Src("STM0412.WAV"), wave);
    WriteFile(Src("GENERAL.INI"), general);
    WriteFile(Src("notes.doc"), "not registered");
    ASSERT_TRUE(QDir().mkdir(Src("FOLDER.INI")));
    ASSERT_TRUE(tamvik::SetFileLastWriteTime(Src("STM0412.WAV"), Jan2020));

    const QString archive = dir.file("p.tmv");
    ASSERT_TRUE(tmv.Pack(src, archive, false));
    const QByteArray bytes = ReadFile(archive);

    ASSERT_EQ(bytes.left(8), QByteArray::fromHex("01FF00FF03000000"));
    ASSERT_EQ(bytes.size(), 3152 + general.size() + wave.size() + inst.size());
    const struct {
        const char* name;
        const QByteArray& data;
    } expected[] = {{"GENERAL.INI", general}, {"STM0412.WAV", wave}, {"INST.TXT", inst}};
    std::uint32_t offset = 3152;
    for (int i = 0; i < 3; ++i) {
        TMVARCHIVEFILEINFO entry;
        std::memcpy(&entry, bytes.constData() + 8 + 1048 * i, sizeof entry);
        const QString path = Src(expected[i].name);
        EXPECT_EQ(CTmvFile::EntryName(entry), expected[i].name);
        EXPECT_EQ(entry.size, std::uint32_t(expected[i].data.size())) << expected[i].name;
        EXPECT_EQ(entry.dataOffset, offset) << expected[i].name;
        EXPECT_EQ(bytes.mid(offset, entry.size), expected[i].data) << expected[i].name;
        std::uint64_t created = 0, written = 0;
        ASSERT_TRUE(tamvik::ReadFileTimes(path, created, written));
        EXPECT_EQ(entry.creationTime, created);
        EXPECT_EQ(entry.lastWriteTime, written);
        // Bytes behind the name's terminator are zero, so archives are reproducible.
        const QByteArray nameField(reinterpret_cast<const char*>(entry.name), 1024);
        EXPECT_EQ(nameField.mid(2 * std::strlen(expected[i].name)),
                  QByteArray(1024 - 2 * std::strlen(expected[i].name), 0));
        offset += entry.size;
    }

    const QString out = dir.file("out");
    ASSERT_TRUE(tmv.Unpack(archive, out));
    EXPECT_EQ(FilesIn(out), QStringList({"GENERAL.INI", "INST.TXT", "STM0412.WAV"}));
    for (const auto& e : expected)
        EXPECT_EQ(ReadFile(out + "/" + e.name), e.data) << e.name;
    std::uint64_t created = 0, written = 0;
    ASSERT_TRUE(tamvik::ReadFileTimes(out + "/STM0412.WAV", created, written));
    EXPECT_EQ(written, Jan2020);
}

TEST_F(TmvFileTest, EntriesFollowRegisteredExtensionsThenUpperCasedNames) {
    for (const char* name : {"b.ini", "c.Ini", "A.INI", "stm1.wav", "STM0.WAV", "_x.wav", "z.txt"})
        WriteFile(Src(name), name);
    tmv.SetExtensions({"WAV", "INI"});
    std::vector<TMVARCHIVEFILEINFO> list;
    ASSERT_EQ(tmv.CollectFiles(src, list), 6);
    QStringList names;
    for (const auto& entry : list)
        names << CTmvFile::EntryName(entry);
    // '_' sorts after the letters only once names are upper-cased.
    EXPECT_EQ(names, QStringList({"STM0.WAV", "stm1.wav", "_x.wav", "A.INI", "b.ini", "c.Ini"}));
}

TEST_F(TmvFileTest, NothingToPackFailsAndKeepsTheArchive) {
    WriteFile(Src("readme.doc"), "x");
    const QString archive = dir.file("p.tmv");
    WriteFile(archive, "old archive");
    EXPECT_FALSE(tmv.Pack(src, archive, false));
    EXPECT_FALSE(tmv.Pack("", archive, false));
    EXPECT_FALSE(tmv.Pack(src, "", false));
    CTmvFile none;
    std::vector<TMVARCHIVEFILEINFO> list(2);
    EXPECT_EQ(none.CollectFiles(src + "/", list), 0);
    EXPECT_EQ(list.size(), 2u) << "without extensions the list is left as it was";
    EXPECT_EQ(ReadFile(archive), "old archive");
}

TEST_F(TmvFileTest, ZeroByteFileRoundTripsWithItsTime) {
    WriteFile(Src("EMPTY.TXT"), "");
    WriteFile(Src("A.INI"), "a");
    ASSERT_TRUE(tamvik::SetFileLastWriteTime(Src("EMPTY.TXT"), Jan2020));
    const QString archive = dir.file("p.tmv");
    ASSERT_TRUE(tmv.Pack(src, archive, false));
    EXPECT_EQ(QFileInfo(archive).size(), 8 + 2 * 1048 + 1);

    const QString out = dir.file("out");
    ASSERT_TRUE(tmv.Unpack(archive, out));
    ASSERT_TRUE(QFileInfo::exists(out + "/EMPTY.TXT"));
    EXPECT_EQ(QFileInfo(out + "/EMPTY.TXT").size(), 0);
    std::uint64_t created = 0, written = 0;
    ASSERT_TRUE(tamvik::ReadFileTimes(out + "/EMPTY.TXT", created, written));
    EXPECT_EQ(written, Jan2020);
}

TEST_F(TmvFileTest, DeleteSourcesRemovesPackedFilesAndTheFolder) {
    WriteFile(Src("A.INI"), "a");
    WriteFile(Src("S.WAV"), "s");
    ASSERT_TRUE(tmv.Pack(src, dir.file("p.tmv"), true));
    EXPECT_FALSE(QFileInfo::exists(src));
    const QString out = dir.file("out");
    ASSERT_TRUE(tmv.Unpack(dir.file("p.tmv"), out));
    EXPECT_EQ(ReadFile(out + "/S.WAV"), "s");
}

TEST_F(TmvFileTest, ReadsTheOlderLayout) {
    const QByteArray japanese = QByteArray::fromHex("8365835883672E545854"); // "テスト.TXT" in CP932
    const QByteArray names[] = {"GENERAL.INI", japanese};
    const QByteArray data[] = {"general", "text"};
    QByteArray archive = Header(CTmvFile::LegacyMagic, 2);
    std::uint32_t offset = 8 + 2 * 536;
    for (int i = 0; i < 2; ++i) {
        QByteArray record(536, 0);
        std::memcpy(record.data(), names[i].constData(), names[i].size());
        const std::uint32_t size = data[i].size();
        std::memcpy(record.data() + 512, &size, 4);
        std::memcpy(record.data() + 516, &offset, 4);
        std::memcpy(record.data() + 520, &Jan2020, 8);
        std::memcpy(record.data() + 528, &Jan2020, 8);
        archive += record;
        offset += size;
    }
    archive += data[0] + data[1];
    WriteFile(dir.file("old.tmv"), archive);

    std::vector<TMVARCHIVEFILEINFO> list;
    ASSERT_TRUE(tmv.ReadDirectory(dir.file("old.tmv"), list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(CTmvFile::EntryName(list[1]), QString::fromUtf8("テスト.TXT"));
    EXPECT_EQ(list[1].dataOffset, 8u + 2 * 536 + 7);
    EXPECT_EQ(list[1].lastWriteTime, Jan2020);

    ASSERT_TRUE(tmv.Unpack(dir.file("old.tmv"), dir.file("out")));
    EXPECT_EQ(ReadFile(dir.file("out/GENERAL.INI")), "general");
    EXPECT_EQ(ReadFile(dir.file("out/") + QString::fromUtf8("テスト.TXT")), "text");
}

TEST_F(TmvFileTest, RefusesBadHeadersWithoutTouchingTheDestination) {
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty file", {}},
        {"seven bytes", QByteArray::fromHex("01FF00FF000000")},
        {"other magic", QByteArray::fromHex("02FF00FF00000000")},
        {"magic big-endian", QByteArray::fromHex("FF00FF0100000000")},
        {"count beyond the entries", Archive({{"A.INI", "a"}, {"B.INI", "b"}}).replace(4, 1, "\x03")},
        {"huge count", Header(CTmvFile::Magic, 0x7FFFFFFF) + Record(Entry("A.INI", 0, 0))},
    };
    for (const auto& c : cases) {
        WriteFile(dir.file("bad.tmv"), c.bytes);
        std::vector<TMVARCHIVEFILEINFO> list;
        EXPECT_FALSE(tmv.ReadDirectory(dir.file("bad.tmv"), list)) << c.what;
        EXPECT_FALSE(tmv.Unpack(dir.file("bad.tmv"), dir.file("out"))) << c.what;
        EXPECT_FALSE(QFileInfo::exists(dir.file("out"))) << c.what;
    }
    EXPECT_FALSE(tmv.Unpack(dir.file("missing.tmv"), dir.file("out")));
}

TEST_F(TmvFileTest, CountWithTopBitSetIsAnEmptyArchive) {
    WriteFile(dir.file("neg.tmv"),
              Header(CTmvFile::Magic, 0x80000001u) + Record(Entry("A.INI", 1, 1056)) + "a");
    std::vector<TMVARCHIVEFILEINFO> list(1);
    ASSERT_TRUE(tmv.ReadDirectory(dir.file("neg.tmv"), list));
    EXPECT_TRUE(list.empty());
    ASSERT_TRUE(tmv.Unpack(dir.file("neg.tmv"), dir.file("out")));
    EXPECT_TRUE(FilesIn(dir.file("out")).isEmpty());
}

TEST_F(TmvFileTest, NamesAreCutAt511Units) {
    TMVARCHIVEFILEINFO entry = Entry(QString(600, 'n'), 0, 0);
    EXPECT_EQ(CTmvFile::EntryName(entry), QString(511, 'n'));
    EXPECT_EQ(entry.name[511], 0);
    // A cut never keeps half of a surrogate pair.
    CTmvFile::SetEntryName(entry, QString(510, 'n') + QString::fromUtf8("😀") + "x");
    EXPECT_EQ(CTmvFile::EntryName(entry), QString(510, 'n'));

    // A stored name field without terminator is read as its first 511 units, as is an
    // older entry whose 512 name bytes are all set.
    QByteArray full = Archive({{"A.INI", "a"}});
    for (int i = 0; i < 512; ++i)
        full.replace(8 + 2 * i, 2, QByteArray("n\0", 2));
    WriteFile(dir.file("long.tmv"), full);
    std::vector<TMVARCHIVEFILEINFO> list;
    ASSERT_TRUE(tmv.ReadDirectory(dir.file("long.tmv"), list));
    EXPECT_EQ(CTmvFile::EntryName(list.at(0)), QString(511, 'n'));
    EXPECT_EQ(list[0].name[511], 0);

    QByteArray legacy = Header(CTmvFile::LegacyMagic, 1) + QByteArray(536, 'n');
    const std::uint32_t size = 0, offset = 8 + 536;
    std::memcpy(legacy.data() + 8 + 512, &size, 4);
    std::memcpy(legacy.data() + 8 + 516, &offset, 4);
    WriteFile(dir.file("legacy.tmv"), legacy);
    ASSERT_TRUE(tmv.ReadDirectory(dir.file("legacy.tmv"), list));
    EXPECT_EQ(CTmvFile::EntryName(list.at(0)), QString(511, 'n'));
}

TEST_F(TmvFileTest, RefusesNamesThatLeaveTheFolderBeforeWritingAnything) {
    for (const QString name : {"", ".", "..", "../EVIL.INI", "sub/EVIL.INI", "/tmp/EVIL.INI", "..\\EVIL.INI",
                               "C:EVIL.INI", "a\\b"}) {
        WriteFile(dir.file("evil.tmv"), Archive({{"GOOD.INI", "good"}, {name, "evil"}}));
        EXPECT_FALSE(tmv.Unpack(dir.file("evil.tmv"), dir.file("out/inner"))) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.file("out/inner"))) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.file("out/EVIL.INI"))) << name.toStdString();
    }
    EXPECT_FALSE(CTmvFile::IsSafeEntryName(QString("A") + QChar(0) + "B"));
    EXPECT_TRUE(CTmvFile::IsSafeEntryName("..A.INI"));
    EXPECT_TRUE(CTmvFile::IsSafeEntryName(QString::fromUtf8("テスト.TXT")));
}

TEST_F(TmvFileTest, RefusesDataOutsideTheArchiveOrOverlapping) {
    const std::uint32_t dataStart = 8 + 2 * 1048;
    const struct {
        const char* what;
        std::uint32_t offsetA, sizeA, offsetB, sizeB;
    } cases[] = {
        {"data inside the directory", dataStart - 1, 4, dataStart + 4, 4},
        {"data in the header", 0, 4, dataStart + 4, 4},
        {"data past the end", dataStart, 4, dataStart + 4, 5},
        {"size beyond the file", dataStart, 0xFFFFFFFFu, dataStart + 4, 4},
        {"offset wrapping 32 bits", 0xFFFFFFF0u, 0x20, dataStart + 4, 4},
        {"overlapping entries", dataStart, 5, dataStart + 4, 4},
        {"the same data twice", dataStart, 8, dataStart, 8},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = Header(CTmvFile::Magic, 2) + Record(Entry("A.INI", c.sizeA, c.offsetA)) +
                                 Record(Entry("B.INI", c.sizeB, c.offsetB)) + "aaaabbbb";
        WriteFile(dir.file("bad.tmv"), bytes);
        std::vector<TMVARCHIVEFILEINFO> list;
        EXPECT_FALSE(tmv.ReadDirectory(dir.file("bad.tmv"), list)) << c.what;
        EXPECT_FALSE(tmv.Unpack(dir.file("bad.tmv"), dir.file("out"))) << c.what;
        EXPECT_FALSE(QFileInfo::exists(dir.file("out"))) << c.what;
    }
    // Entries in another order than their data, and empty entries anywhere in range, are fine.
    const QByteArray bytes = Header(CTmvFile::Magic, 3) + Record(Entry("B.INI", 4, 8 + 3 * 1048 + 4)) +
                             Record(Entry("A.INI", 4, 8 + 3 * 1048)) +
                             Record(Entry("E.TXT", 0, 8 + 3 * 1048 + 2)) + "aaaabbbb";
    WriteFile(dir.file("ok.tmv"), bytes);
    ASSERT_TRUE(tmv.Unpack(dir.file("ok.tmv"), dir.file("ok")));
    EXPECT_EQ(ReadFile(dir.file("ok/A.INI")), "aaaa");
    EXPECT_EQ(ReadFile(dir.file("ok/B.INI")), "bbbb");
}

TEST_F(TmvFileTest, TruncatedArchiveIsAFailure) {
    WriteFile(Src("A.INI"), Pattern(100, 1));
    WriteFile(Src("B.WAV"), Pattern(20000, 2));
    ASSERT_TRUE(tmv.Pack(src, dir.file("p.tmv"), false));
    const QByteArray whole = ReadFile(dir.file("p.tmv"));
    for (const int cut : {1, 5000, 20000}) {
        WriteFile(dir.file("cut.tmv"), whole.left(whole.size() - cut));
        EXPECT_FALSE(tmv.Unpack(dir.file("cut.tmv"), dir.file("out"))) << cut;
        EXPECT_FALSE(QFileInfo::exists(dir.file("out"))) << cut;
    }

    // The archive may also shrink after its directory was checked: the entry then fails
    // and its partial file is removed.
    WriteFile(dir.file("cut.tmv"), whole.left(whole.size() - 1));
    TMVARCHIVEFILEINFO entry = Entry("B.WAV", 20000, 8 + 2 * 1048 + 100);
    const int fd = ::open(QFile::encodeName(dir.file("cut.tmv")).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(tmv.ExtractEntry(fd, dir.file("B.WAV"), entry));
    ::close(fd);
    EXPECT_FALSE(QFileInfo::exists(dir.file("B.WAV")));
}

TEST_F(TmvFileTest, FailedPackLeavesTheOldArchiveIntact) {
    const QString archive = dir.file("p.tmv");
    WriteFile(archive, "the old archive");
    WriteFile(Src("A.INI"), "a");
    const auto expectIntact = [&](const char* what) {
        EXPECT_FALSE(tmv.Pack(src, archive, false)) << what;
        EXPECT_EQ(ReadFile(archive), "the old archive") << what;
        EXPECT_EQ(FilesIn(dir.path()), QStringList({"p.tmv"})) << what << ": no temporary file left";
    };

    // A file whose content differs from its listed size (procfs reports 0 bytes).
    ASSERT_TRUE(QFile::link("/proc/self/status", Src("PROC.TXT")));
    std::vector<TMVARCHIVEFILEINFO> list;
    ASSERT_EQ(tmv.CollectFiles(src, list), 2) << "the file is listed; the copy must catch it";
    expectIntact("size changed while packing");
    QFile::remove(Src("PROC.TXT"));

    // Sparse files: the size checks come before any copy.
    const auto sparse = [&](const QString& name, qint64 size) {
        QFile file(Src(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
    };
    sparse("HUGE.WAV", 0x100000000ll);
    expectIntact("a file of 4 GiB");
    QFile::remove(Src("HUGE.WAV"));
    sparse("HALF1.WAV", 0x40000000ll);
    // A.INI, HALF1.WAV and HALF2.WAV end exactly at 2 GiB.
    sparse("HALF2.WAV", 0x40000000ll - 8 - 3 * 1048 - 1);
    expectIntact("an archive reaching 2 GiB");

    // A target folder that does not exist.
    EXPECT_FALSE(tmv.Pack(src, dir.file("missing/p.tmv"), false));
}

TEST_F(TmvFileTest, PackReplacesAnArchiveKeepingItsPermissions) {
    const QString archive = dir.file("p.tmv");
    WriteFile(archive, "old");
    ASSERT_TRUE(QFile::setPermissions(archive, QFile::ReadOwner | QFile::WriteOwner));
    WriteFile(Src("A.INI"), "a");
    ASSERT_TRUE(tmv.Pack(src, archive, false));
    EXPECT_EQ(ReadFile(archive).left(8), Archive({{"A.INI", "a"}}).left(8));
    EXPECT_EQ(QFileInfo(archive).permissions() & 0x7077 /* owner, group, other */,
              QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(TmvFileTest, UnpackDestinations) {
    WriteFile(dir.file("p.tmv"), Archive({{"A.INI", "new"}, {"L.TXT", "entry"}}));

    WriteFile(dir.file("file"), "x");
    EXPECT_FALSE(tmv.Unpack(dir.file("p.tmv"), dir.file("file")));
    EXPECT_FALSE(tmv.Unpack(dir.file("p.tmv"), dir.file("no/parent")));

    // An existing file is replaced; a link in the destination is replaced, not followed.
    ASSERT_TRUE(QDir().mkdir(dir.file("out")));
    WriteFile(dir.file("out/A.INI"), "old content");
    WriteFile(dir.file("outside"), "keep");
    ASSERT_TRUE(QFile::link(dir.file("outside"), dir.file("out/L.TXT")));
    ASSERT_TRUE(tmv.Unpack(dir.file("p.tmv"), dir.file("out")));
    EXPECT_EQ(ReadFile(dir.file("out/A.INI")), "new");
    EXPECT_FALSE(QFileInfo(dir.file("out/L.TXT")).isSymLink());
    EXPECT_EQ(ReadFile(dir.file("out/L.TXT")), "entry");
    EXPECT_EQ(ReadFile(dir.file("outside")), "keep");
}

} // namespace
