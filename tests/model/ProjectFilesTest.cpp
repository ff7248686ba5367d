#include "ProjectTestSupport.h"
#include "WavWriter.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

mode_t ModeOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

class ProjectFilesTest : public ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        ASSERT_TRUE(QDir().mkdir(Tmp(S("src"))));
        for (int i = 0; i < 3; ++i) {
            const QString path = Source(i);
            ASSERT_TRUE(WriteWav(path, WavLayout::pcm(1, 8000, 16), PatternBytes(200 + 100 * i, i + 1)));
        }
        Write(Tmp(S("src/text.wav")), "not a wave file");
    }
    QString Source(int i) const { return Tmp(QStringLiteral("src/tone%1.wav").arg(i)); }
    // The stimulus copies in the project's work folder.
    static QStringList Copies(CProject& p) { return Names(p.GetWorkFolder()).filter(S(".WAV")); }
};

} // namespace

TEST_F(ProjectFilesTest, WorkFoldersLiveInAPrivateBaseWithALock) {
    CProject p;
    EXPECT_EQ(p.GetWorkFolder(), QString());
    ASSERT_TRUE(p.New());
    const QString folder = p.GetWorkFolder();
    EXPECT_TRUE(folder.startsWith(Base())) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder.chopped(1)).fileName().contains(QRegularExpression(S("^\\$TMV\\d{4}$"))));
    EXPECT_TRUE(folder.endsWith(S("/")));
    EXPECT_EQ(ModeOf(Base()), 0700u);
    EXPECT_EQ(Names(folder), QStringList{S(".tamvik-lock")});

    ASSERT_TRUE(p.New());
    EXPECT_FALSE(QFileInfo::exists(folder)) << "New keeps one work folder at a time";
    const QString second = p.GetWorkFolder();
    { CProject gone; }
    EXPECT_TRUE(QFileInfo::exists(second));
}

TEST_F(ProjectFilesTest, AnUnsafeTemporaryBaseIsRefused) {
    // A link put in place of the base, and a base of another user.
    const QString elsewhere = Tmp(S("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, Base().chopped(1)));
    CProject p;
    EXPECT_FALSE(p.New());
    EXPECT_EQ(p.GetWorkFolder(), QString());
    EXPECT_EQ(Names(elsewhere), QStringList());

    ASSERT_TRUE(QFile::remove(Base().chopped(1)));
    ASSERT_TRUE(QDir().mkdir(Base()));
    ::chmod(QFile::encodeName(Base()).constData(), 0755);
    ASSERT_TRUE(p.New()) << "a loose mode of our own base is tightened";
    EXPECT_EQ(ModeOf(Base()), 0700u);
    ASSERT_TRUE(p.Close());
    if (::chown(QFile::encodeName(Base()).constData(), 12345, 12345) != 0)
        GTEST_SKIP() << "cannot give the base to another user here";
    EXPECT_FALSE(p.New());
    EXPECT_FALSE(p.Open());
}

TEST_F(ProjectFilesTest, DrawingFreeNamesGivesUpWhenAllAreTaken) {
    // Ten thousand folders are made quicker in memory where there is such a file system.
    QTemporaryDir shm(S("/dev/shm/tamvik-test-XXXXXX"));
    if (shm.isValid())
        qputenv("TMPDIR", shm.path().toUtf8());
    const QString base = QDir::tempPath() + QStringLiteral("/tamvik-%1/").arg(::getuid());
    ASSERT_TRUE(QDir().mkdir(base));
    for (int n = 0; n < 10000; ++n)
        ASSERT_TRUE(QDir().mkdir(base + QStringLiteral("$TMV%1").arg(n, 4, 10, QLatin1Char('0'))));
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(Tmp(S("src")));
    const QStringList before = Names(Tmp(S("src")));
    CProject p;
    EXPECT_FALSE(p.New());
    EXPECT_EQ(p.GetWorkFolder(), QString());
    // Nothing lands in the current folder for want of a work folder.
    EXPECT_EQ(p.MakeStimulusFileName(), QString());
    ASSERT_TRUE(p.SetStimulusCount(1));
    EXPECT_EQ(p.SetStimulusFile(0, Source(0), false), QString());
    EXPECT_EQ(Names(Tmp(S("src"))), before);
    QDir::setCurrent(cwd);

    // One free folder is found however the draws fall.
    ASSERT_TRUE(QDir().rmdir(base + S("$TMV4321")));
    ASSERT_TRUE(p.New());
    EXPECT_EQ(p.GetWorkFolder(), base + S("$TMV4321/"));
    if (!shm.isValid())
        return;
    for (int n = 0; n < 10000; ++n)
        Write(p.GetWorkFolder() + QStringLiteral("STM%1.WAV").arg(n, 4, 10, QLatin1Char('0')), "");
    EXPECT_EQ(p.MakeStimulusFileName(), QString());
    EXPECT_EQ(p.SetStimulusFile(0, Source(0), false), QString());
}

TEST_F(ProjectFilesTest, RegisterReplaceAndClearAStimulus) {
    CProject p;
    ASSERT_TRUE(p.New());
    ASSERT_TRUE(p.SetStimulusCount(2));
    (*p.GetStimuli())[0].comment = S("comment");

    const QString name = p.SetStimulusFile(0, Source(0), false);
    ASSERT_TRUE(name.contains(QRegularExpression(S("^STM\\d{4}\\.WAV$")))) << name.toStdString();
    const CStimulus& slot = (*p.GetStimuli())[0];
    EXPECT_EQ(slot.fileName, name);
    EXPECT_EQ(slot.orgFileName, Source(0));
    EXPECT_GT(slot.orgCreateDate, 40000.0);
    EXPECT_GT(slot.orgUpdateDate, 40000.0);
    EXPECT_EQ(slot.comment, S("comment"));
    EXPECT_EQ(Bytes(p.GetWorkFolder() + name), Bytes(Source(0)));

    // Replaced under the same name; the comment stays.
    EXPECT_EQ(p.SetStimulusFile(0, Source(1), false), name);
    EXPECT_EQ(Bytes(p.GetWorkFolder() + name), Bytes(Source(1)));
    EXPECT_EQ(slot.orgFileName, Source(1));
    EXPECT_EQ(slot.comment, S("comment"));

    // A second slot gets a name of its own.
    const QString other = p.SetStimulusFile(1, Source(2), false);
    EXPECT_FALSE(other.isEmpty());
    EXPECT_NE(other, name);

    // Missing, not WAV, out of range: nothing changes.
    const CStimulus before = slot;
    for (const QString& bad : {Tmp(S("src/missing.wav")), Tmp(S("src/text.wav")), Tmp(S("src"))})
        EXPECT_EQ(p.SetStimulusFile(0, bad, false), QString()) << bad.toStdString();
    EXPECT_EQ(p.SetStimulusFile(2, Source(0), false), QString());
    EXPECT_EQ(p.SetStimulusFile(-1, Source(0), false), QString());
    EXPECT_EQ(slot, before);
    EXPECT_EQ(Bytes(p.GetWorkFolder() + name), Bytes(Source(1)));

    // Its own copy registered again keeps the file.
    EXPECT_EQ(p.SetStimulusFile(0, p.GetWorkFolder() + name, false), name);
    EXPECT_EQ(Bytes(p.GetWorkFolder() + name), Bytes(Source(1)));

    // An empty path empties the slot and deletes its copy only.
    EXPECT_EQ(p.SetStimulusFile(0, QString(), false), QString());
    EXPECT_EQ(slot, CStimulus());
    EXPECT_EQ(Copies(p), QStringList{other});
}

TEST_F(ProjectFilesTest, ACancelledOrFailedReplacementKeepsTheOldCopy) {
    CProject p;
    ASSERT_TRUE(p.New());
    ASSERT_TRUE(p.SetStimulusCount(2));
    const QString name = p.SetStimulusFile(0, Source(0), false);
    ASSERT_FALSE(name.isEmpty());
    const CStimulus before = (*p.GetStimuli())[0];

    std::vector<std::pair<qint64, qint64>> reports;
    p.SetCopyProgress([&](qint64 copied, qint64 total) {
        reports.emplace_back(copied, total);
        return false;
    });
    EXPECT_EQ(p.SetStimulusFile(0, Source(2), true), QString());
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().second, QFileInfo(Source(2)).size());
    EXPECT_EQ((*p.GetStimuli())[0], before);
    EXPECT_EQ(Bytes(p.GetWorkFolder() + name), Bytes(Source(0)));
    // A cancelled copy into an empty slot leaves no file behind either.
    EXPECT_EQ(p.SetStimulusFile(1, Source(2), true), QString());
    EXPECT_EQ(Names(p.GetWorkFolder()), (QStringList{S(".tamvik-lock"), name}));
    EXPECT_EQ((*p.GetStimuli())[1], CStimulus());

    // Without progress the callback is not asked.
    reports.clear();
    EXPECT_EQ(p.SetStimulusFile(1, Source(2), false).isEmpty(), false);
    EXPECT_TRUE(reports.empty());

    // With progress that goes on: the reports end at the full size.
    p.SetCopyProgress([&](qint64 copied, qint64 total) {
        reports.emplace_back(copied, total);
        return true;
    });
    EXPECT_EQ(p.SetStimulusFile(0, Source(1), true), name);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().first, QFileInfo(Source(1)).size());
    EXPECT_EQ(Bytes(p.GetWorkFolder() + name), Bytes(Source(1)));
}

TEST_F(ProjectFilesTest, AReplacementThatRunsOutOfSpaceKeepsTheOldCopy) {
    CProject p;
    ASSERT_TRUE(p.New());
    ASSERT_TRUE(p.SetStimulusCount(1));
    const QString name = p.SetStimulusFile(0, Source(0), false);
    ASSERT_FALSE(name.isEmpty());
    const CStimulus before = (*p.GetStimuli())[0];
    const QString big = Tmp(S("src/big.wav"));
    ASSERT_TRUE(WriteWav(big, WavLayout::pcm(1, 8000, 16), PatternBytes(64 * 1024, 3)));

    // A file size limit stops the copy half-way, as a full disk would.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const QString result = p.SetStimulusFile(0, big, false);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, QString());
    EXPECT_EQ((*p.GetStimuli())[0], before);
    EXPECT_EQ(Bytes(p.GetWorkFolder() + name), Bytes(Source(0)));
    EXPECT_EQ(Copies(p), QStringList{name}) << "no partial copy is left beside it";
}

// The kernel's copy does not cross file systems; the copy carries on through user space.
// A file larger than one copy chunk shows that the pieces join up whole.
TEST_F(ProjectFilesTest, CopiesFromAnotherFileSystemAndAcrossChunksAreWhole) {
    QTemporaryDir shm(S("/dev/shm/tamvik-copy-XXXXXX"));
    CProject p;
    ASSERT_TRUE(p.New());
    ASSERT_TRUE(p.SetStimulusCount(2));
    const std::vector<uint8_t> samples = PatternBytes(40 * 1024 * 1024 + 7, 5);
    const QString local = Tmp(S("src/long.wav"));
    ASSERT_TRUE(WriteWav(local, WavLayout::pcm(2, 44100, 16), samples));
    QStringList sources{local};
    if (shm.isValid()) {
        sources << shm.filePath(S("tone.wav"));
        ASSERT_TRUE(QFile::copy(Source(2), sources.last()));
    }
    std::vector<std::pair<qint64, qint64>> reports;
    p.SetCopyProgress([&](qint64 copied, qint64 total) {
        reports.emplace_back(copied, total);
        return true;
    });
    for (int i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(sources[i].toStdString());
        reports.clear();
        const QString name = p.SetStimulusFile(i, sources[i], true);
        ASSERT_FALSE(name.isEmpty());
        EXPECT_EQ(Bytes(p.GetWorkFolder() + name), Bytes(sources[i]));
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back(), std::make_pair(QFileInfo(sources[i]).size(), QFileInfo(sources[i]).size()));
    }
    EXPECT_EQ(Copies(p).size(), sources.size()) << "no temporary file is left beside the copies";
}

TEST_F(ProjectFilesTest, ShrinkingTheListDeletesOnlyTheDroppedCopies) {
    CProject p;
    ASSERT_TRUE(p.New());
    ASSERT_TRUE(p.SetStimulusCount(4));
    QStringList names;
    for (int i = 0; i < 3; ++i)
        names.append(p.SetStimulusFile(i, Source(i), false));
    // A damaged list: slot 3 names a file outside the work folder.
    Write(Tmp(S("outside.WAV")), "x");
    (*p.GetStimuli())[3].fileName = S("../../outside.WAV");

    EXPECT_FALSE(p.SetStimulusCount(-1));
    EXPECT_TRUE(p.SetStimulusCount(4));
    EXPECT_EQ(Copies(p).size(), 3);
    EXPECT_TRUE(p.SetStimulusCount(1));
    EXPECT_EQ(p.GetStimuli()->GetCount(), 1);
    EXPECT_EQ(Copies(p), QStringList{names[0]});
    EXPECT_TRUE(QFileInfo::exists(Tmp(S("outside.WAV"))));
    EXPECT_TRUE(p.SetStimulusCount(3));
    EXPECT_EQ((*p.GetStimuli())[2], CStimulus());
}

TEST_F(ProjectFilesTest, CopyStimuliFromAnotherProject) {
    CProject source;
    ASSERT_TRUE(source.New());
    ASSERT_TRUE(source.SetStimulusCount(3));
    source.SetStimulusFile(0, Source(0), false);
    source.SetStimulusFile(2, Source(2), false);
    (*source.GetStimuli())[0].comment = S("first");
    (*source.GetStimuli())[1].comment = S("no copy");

    CProject closed;
    CProject p;
    ASSERT_TRUE(p.New());
    ASSERT_TRUE(p.SetStimulusCount(2));
    p.SetStimulusFile(1, Source(1), false);
    const QString oldCopy = (*p.GetStimuli())[1].fileName;
    EXPECT_FALSE(p.CopyStimuliFrom(nullptr));
    EXPECT_FALSE(p.CopyStimuliFrom(&closed));
    EXPECT_EQ(p.GetStimuli()->GetCount(), 2);

    ASSERT_TRUE(p.CopyStimuliFrom(&source));
    ASSERT_EQ(p.GetStimuli()->GetCount(), 3);
    const CStimulus& a = (*p.GetStimuli())[0];
    EXPECT_EQ(a.orgFileName, Source(0));
    EXPECT_EQ(a.comment, S("first"));
    EXPECT_EQ(a.orgCreateDate, (*source.GetStimuli())[0].orgCreateDate);
    EXPECT_EQ(Bytes(p.GetWorkFolder() + a.fileName), Bytes(Source(0)));
    EXPECT_EQ((*p.GetStimuli())[1], CStimulus()) << "a slot without a copy is emptied";
    EXPECT_EQ(Bytes(p.GetWorkFolder() + (*p.GetStimuli())[2].fileName), Bytes(Source(2)));
    EXPECT_EQ(Copies(p).size(), 2) << "no stray copy is left for the next pack";
    EXPECT_FALSE(Copies(p).contains(oldCopy) && (*p.GetStimuli())[0].fileName != oldCopy &&
                 (*p.GetStimuli())[2].fileName != oldCopy);

    // From itself: every copy stays.
    const QStringList copies = Copies(p);
    const CStimulus first = (*p.GetStimuli())[0];
    EXPECT_TRUE(p.CopyStimuliFrom(&p));
    EXPECT_EQ(Copies(p), copies);
    EXPECT_EQ((*p.GetStimuli())[0], first);
}

TEST_F(ProjectFilesTest, StimulusCopiesTravelWithTheArchive) {
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(4);
    ASSERT_TRUE(p.SetStimulusCount(2));
    const QString name = p.SetStimulusFile(1, Source(1), false);
    p.SetFileName(Tmp(S("w.tmv")));
    ASSERT_TRUE(p.Save());
    EXPECT_TRUE(ArchiveNames(Tmp(S("w.tmv"))).contains(name));
    EXPECT_FALSE(ArchiveNames(Tmp(S("w.tmv"))).contains(S(".tamvik-lock")));

    CProject q;
    q.SetFileName(Tmp(S("w.tmv")));
    ASSERT_TRUE(q.Open());
    EXPECT_EQ((*q.GetStimuli())[1].fileName, name);
    EXPECT_EQ(Bytes(q.GetWorkFolder() + name), Bytes(Source(1)));
}

TEST_F(ProjectFilesTest, DeleteWorkFilesKeepsAFolderWithASubfolder) {
    CProject p;
    ASSERT_TRUE(p.New());
    const QString folder = p.GetWorkFolder();
    Write(folder + S("A.INI"), "a");
    Write(folder + S("B.wav"), "b");
    Write(folder + S("C.TXT"), "c");
    ASSERT_TRUE(QDir().mkdir(folder + S("sub")));

    p.DeleteWorkFiles(S("ini"), false);
    EXPECT_EQ(Names(folder), (QStringList{S(".tamvik-lock"), S("B.wav"), S("C.TXT"), S("sub")}));
    p.DeleteWorkFiles(S("*"), true);
    EXPECT_EQ(p.GetWorkFolder(), folder);
    EXPECT_EQ(Names(folder), (QStringList{S(".tamvik-lock"), S("sub")})) << "the folder stays ours";
}

TEST_F(ProjectFilesTest, RemoveStaleWorkFoldersSparesLivingAndLinkedFolders) {
    CProject living;
    ASSERT_TRUE(living.New());
    CProject p;
    ASSERT_TRUE(p.New());
    Write(living.GetWorkFolder() + S("GENERAL.INI"), "x");

    // Left by a run that ended without closing: files only, and one with a subfolder.
    ASSERT_TRUE(QDir().mkdir(Base() + S("$TMV0001")));
    Write(Base() + S("$TMV0001/STM0001.WAV"), "x");
    Write(Base() + S("$TMV0001/.tamvik-lock"), "");
    ASSERT_TRUE(QDir().mkpath(Base() + S("$TMV0002/sub")));
    Write(Base() + S("$TMV0002/GENERAL.INI"), "x");
    // A link named like a work folder, and a plain file.
    const QString target = Tmp(S("target"));
    ASSERT_TRUE(QDir().mkdir(target));
    Write(target + S("/precious.INI"), "x");
    ASSERT_TRUE(QFile::link(target, Base() + S("$TMV0003")));
    Write(Base() + S("$TMV0004"), "x");

    p.RemoveStaleWorkFolders();
    const QString own = QFileInfo(p.GetWorkFolder().chopped(1)).fileName();
    const QString other = QFileInfo(living.GetWorkFolder().chopped(1)).fileName();
    QStringList expected{S("$TMV0002"), S("$TMV0003"), S("$TMV0004"), own, other};
    expected.sort();
    EXPECT_EQ(Names(Base()), expected);
    EXPECT_EQ(Names(Base() + S("$TMV0002")), QStringList{S("sub")});
    EXPECT_EQ(Names(target), QStringList{S("precious.INI")});
    EXPECT_EQ(Names(living.GetWorkFolder()), (QStringList{S(".tamvik-lock"), S("GENERAL.INI")}));
}

TEST_F(ProjectFilesTest, AnArchiveEntryNamedLikeTheLockIsRefused) {
    const QString src = EntryFolder(S("hostile"), 0);
    Write(src + S("/.tamvik-lock"), "x");
    // The packer takes registered extensions only, so the archive is laid out by hand.
    QByteArray data;
    std::uint32_t offset = 8 + 1048 * 3;
    QByteArray directory;
    for (const char* name : {"GENERAL.INI", "INST.TXT", ".tamvik-lock"}) {
        TMVARCHIVEFILEINFO e{};
        CTmvFile::SetEntryName(e, S(name));
        const QByteArray bytes = Bytes(src + S("/") + S(name));
        e.size = static_cast<std::uint32_t>(bytes.size());
        e.dataOffset = offset;
        offset += e.size;
        directory.append(reinterpret_cast<const char*>(&e), sizeof e);
        data.append(bytes);
    }
    const std::uint32_t header[2] = {CTmvFile::Magic, 3};
    Write(Tmp(S("hostile.tmv")), QByteArray(reinterpret_cast<const char*>(header), 8) + directory + data);

    CProject p;
    p.SetFileName(Tmp(S("hostile.tmv")));
    EXPECT_FALSE(p.Open());
    EXPECT_EQ(p.GetWorkFolder(), QString());
    EXPECT_EQ(Names(Base()), QStringList());
}
