#include "EntryText.h"
#include "FileSizeSignal.h"
#include "ProjectTestSupport.h"
#include "RadixLocale.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// A project with method 0 and the given schedules, saved to path.
void SaveProject(const QString& path, const QStringList& scheduleNames) {
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(0);
    for (const QString& name : scheduleNames) {
        CSchedule* s = p.AddSchedule(nullptr);
        s->name = name;
        s->SetStimulusCount(2);
        s->SetTrialCount(3);
    }
    p.SetFileName(path);
    ASSERT_TRUE(p.Save());
}

// How a save in a process of its own meets a file-size limit of 64 KiB: with the signal's
// default action (the process ends part way, as a killed save does), ignored as the
// program ignores it (the write fails), or halted part way, alive (a save still running).
enum class LimitedSave { Killed, Ignored, Halted };

// Opens the project in a child process, adds a stimulus copy larger than the limit and
// saves under the limit. The child exits with 0 when the save reported failure.
pid_t SaveInChild(const QString& path, LimitedSave how) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    int code = 2;
    {
        CProject p;
        p.SetFileName(path);
        QFile wave(p.Open() ? p.GetWorkFolder() + QStringLiteral("STM0002.WAV") : QString());
        if (wave.open(QIODevice::WriteOnly) && wave.write(QByteArray(256 * 1024, 'w')) == 256 * 1024) {
            wave.close();
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            if (how == LimitedSave::Ignored)
                IgnoreFileSizeSignal();
            if (how == LimitedSave::Halted)
                std::signal(SIGXFSZ, [](int) { ::raise(SIGSTOP); });
            const rlimit limit{64 * 1024, 64 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            code = p.Save() ? 1 : 0;
        }
    }
    ::_exit(code);
}

// Kills a child that a failed assertion would leave halted.
struct ChildGuard {
    pid_t pid;
    ~ChildGuard() {
        if (pid > 0 && ::kill(pid, SIGKILL) == 0)
            ::waitpid(pid, nullptr, 0);
    }
};

void AgeByAnHour(const QString& path) {
    const std::time_t then = std::time(nullptr) - 3600;
    const timespec times[2] = {{then, 0}, {then, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::string What(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "<no exception>";
}

} // namespace

TEST_F(ProjectTest, SaveWritesTheEntriesAndReopensInASecondProject) {
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(0);
    CSchedule* schedule = p.AddSchedule(nullptr);
    schedule->name = S("Schedule A");
    schedule->SetStimulusCount(1);
    schedule->SetTrialCount(2);
    p.GetInstruction()->lines = QStringList{S("Listen.")};

    // Without a file name every entry is written, and the save fails.
    EXPECT_FALSE(p.Save());
    EXPECT_EQ(Names(p.GetWorkFolder()),
              (QStringList{S(".tamvik-lock"), S("EXP.INI"), S("GENERAL.INI"), S("INST.TXT"), S("QSL.INI"),
                           S("SCH0000.INI"), S("STIMULI.INI"), S("TERM.INI")}));

    const QString path = Tmp(S("one.tmv"));
    p.SetFileName(path);
    ASSERT_TRUE(p.Save());
    std::vector<TMVARCHIVEFILEINFO> entries;
    EXPECT_EQ(ArchiveNames(path, &entries),
              (QStringList{S("EXP.INI"), S("GENERAL.INI"), S("QSL.INI"), S("SCH0000.INI"), S("STIMULI.INI"),
                           S("TERM.INI"), S("INST.TXT")}));
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries[0].dataOffset, 7344u);
    EXPECT_TRUE(ReadEntryText(p.GetWorkFolder() + S("GENERAL.INI")).contains(S("METHOD=TRAINING")));

    CProject q;
    q.SetFileName(path);
    ASSERT_TRUE(q.Open());
    EXPECT_EQ(q.GetMethod(), 0);
    EXPECT_EQ(q.GetExperimentParameter()->GetMethod(), 0);
    ASSERT_EQ(q.GetScheduleCount(), 1);
    EXPECT_EQ(q.GetSchedule(0)->name, S("Schedule A"));
    EXPECT_EQ(q.GetInstruction()->lines, QStringList{S("Listen.")});
    EXPECT_EQ(q.GetFileName(), path);
    EXPECT_NE(q.GetWorkFolder(), p.GetWorkFolder());
}

TEST_F(ProjectTest, ADeletedScheduleLeavesNoStaleEntry) {
    const QString path = Tmp(S("three.tmv"));
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(1);
    for (const char* name : {"s0", "s1", "s2"}) {
        CSchedule* s = p.AddSchedule(nullptr);
        s->name = S(name);
        s->SetTrialCount(1);
    }
    p.SetFileName(path);
    ASSERT_TRUE(p.Save());
    ASSERT_TRUE(p.DeleteSchedule(1));
    // Entries are rewritten in place: whatever this save does not write must go, the entry
    // of a cleared method and stray INI and TXT files included, while stimulus copies stay.
    p.ClearExperimentParameter();
    Write(p.GetWorkFolder() + S("Stray.ini"), "[X]\r\n");
    Write(p.GetWorkFolder() + S("notes.txt"), "x");
    Write(p.GetWorkFolder() + S("STM0001.WAV"), "RIFF");
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(ArchiveNames(path),
              (QStringList{S("GENERAL.INI"), S("QSL.INI"), S("SCH0000.INI"), S("SCH0001.INI"),
                           S("STIMULI.INI"), S("TERM.INI"), S("STM0001.WAV"), S("INST.TXT")}));

    CProject q;
    q.SetFileName(path);
    ASSERT_TRUE(q.Open());
    ASSERT_EQ(q.GetScheduleCount(), 2);
    EXPECT_EQ(q.GetSchedule(0)->name, S("s0"));
    EXPECT_EQ(q.GetSchedule(1)->name, S("s2"));
}

TEST_F(ProjectTest, NumberedEntriesAreReadInTheOrderOfTheirNumbers) {
    // Entries as another writer may leave them: five-digit counters, mixed case.
    const QString folder = EntryFolder(S("src"), 2);
    const char* names[] = {"SCH10000.INI", "sch9999.ini", "SCH0002.INI", "SCH1000.INI"};
    for (const char* name : names) {
        CSchedule s;
        s.name = S(name);
        s.SetTrialCount(1);
        s.Save(folder + S("/") + S(name), true);
    }
    ASSERT_TRUE(PackFolder(folder, Tmp(S("many.tmv"))));

    CProject p;
    p.SetFileName(Tmp(S("many.tmv")));
    ASSERT_TRUE(p.Open());
    ASSERT_EQ(p.GetScheduleCount(), 4);
    QStringList order;
    for (int i = 0; i < 4; ++i)
        order.append(p.GetSchedule(i)->name);
    EXPECT_EQ(order, (QStringList{S("SCH0002.INI"), S("SCH1000.INI"), S("sch9999.ini"), S("SCH10000.INI")}));

    // Written back with four-digit counters from 0000.
    p.SetFileName(Tmp(S("renumbered.tmv")));
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(ArchiveNames(Tmp(S("renumbered.tmv"))).filter(S("SCH")),
              (QStringList{S("SCH0000.INI"), S("SCH0001.INI"), S("SCH0002.INI"), S("SCH0003.INI")}));
}

TEST_F(ProjectTest, FixedEntriesAreFoundWhateverTheirCase) {
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(0);
    p.GetExperimentParameter()->GetTraining()->fontSize = 20;
    p.GetTerminalInfo()->SetTerminalCount(3);
    p.GetStimuli()->SetCount(1);
    (*p.GetStimuli())[0].fileName = S("S0.WAV");
    (*p.GetStimuli())[0].comment = S("kept");
    p.GetQuestionnaire()->name = S("survey");
    p.GetInstruction()->lines = QStringList{S("listen")};
    p.SetFileName(Tmp(S("upper.tmv")));
    ASSERT_TRUE(p.Save());

    // The same entries as another system may spell them.
    const QString folder = Tmp(S("mixed"));
    CTmvFile tmv;
    ASSERT_TRUE(tmv.Unpack(Tmp(S("upper.tmv")), folder));
    const char* renames[][2] = {{"GENERAL.INI", "General.ini"}, {"TERM.INI", "term.INI"},
                                {"STIMULI.INI", "Stimuli.ini"}, {"EXP.INI", "Exp.Ini"},
                                {"QSL.INI", "qsl.ini"},         {"INST.TXT", "Inst.txt"}};
    for (const auto& r : renames)
        ASSERT_TRUE(QFile::rename(folder + S("/") + S(r[0]), folder + S("/") + S(r[1]))) << r[0];
    ASSERT_TRUE(PackFolder(folder, Tmp(S("mixed.tmv"))));

    CProject q;
    q.SetFileName(Tmp(S("mixed.tmv")));
    ASSERT_TRUE(q.Open());
    EXPECT_EQ(q.GetMethod(), 0);
    EXPECT_EQ(q.GetExperimentParameter()->GetTraining()->fontSize, 20);
    EXPECT_EQ(q.GetTerminalInfo()->GetTerminalCount(), 3);
    ASSERT_EQ(q.GetStimuli()->GetCount(), 1);
    EXPECT_EQ((*q.GetStimuli())[0].comment, S("kept"));
    EXPECT_EQ(q.GetQuestionnaire()->name, S("survey"));
    EXPECT_EQ(q.GetInstruction()->lines, QStringList{S("listen")});

    // Saved back under the names of the format, each once.
    ASSERT_TRUE(q.Save());
    EXPECT_EQ(ArchiveNames(Tmp(S("mixed.tmv"))),
              (QStringList{S("EXP.INI"), S("GENERAL.INI"), S("QSL.INI"), S("STIMULI.INI"), S("TERM.INI"),
                           S("INST.TXT")}));
}

TEST_F(ProjectTest, AFailedOpenKeepsTheOpenProject) {
    const QString good = Tmp(S("good.tmv"));
    SaveProject(good, {S("kept")});

    // Archives that fail at each stage: not an archive, no method, no instruction.
    const QString garbage = Tmp(S("garbage.tmv"));
    Write(garbage, "not an archive at all");
    ASSERT_TRUE(PackFolder(EntryFolder(S("nomethod"), -1), Tmp(S("nomethod.tmv"))));
    const QString noInstruction = EntryFolder(S("noinst"), 1);
    QFile::remove(noInstruction + S("/INST.TXT"));
    ASSERT_TRUE(PackFolder(noInstruction, Tmp(S("noinst.tmv"))));

    CProject p;
    p.SetFileName(good);
    ASSERT_TRUE(p.Open());
    const QString folder = p.GetWorkFolder();
    const QStringList before = Names(folder);

    const struct {
        const char* file;
        const char* error; // "" when Open answers false
    } cases[] = {
        {"garbage.tmv", ""},
        {"missing.tmv", ""},
        {"nomethod.tmv", "invalid method!!"},
        {"noinst.tmv", "Cannot open file"},
    };
    for (const auto& c : cases) {
        p.SetFileName(Tmp(S(c.file)));
        if (*c.error)
            EXPECT_NE(What([&] { p.Open(); }).find(c.error), std::string::npos) << c.file;
        else
            EXPECT_FALSE(p.Open()) << c.file;
        EXPECT_EQ(p.GetFileName(), good) << c.file;
        EXPECT_EQ(p.GetWorkFolder(), folder) << c.file;
        EXPECT_EQ(Names(folder), before) << c.file;
        EXPECT_EQ(p.GetMethod(), 0) << c.file;
        EXPECT_EQ(p.GetExperimentParameter()->GetMethod(), 0) << c.file;
        ASSERT_EQ(p.GetScheduleCount(), 1) << c.file;
        EXPECT_EQ(p.GetSchedule(0)->name, S("kept")) << c.file;
    }
    // Only the open project's work folder is left.
    EXPECT_EQ(Names(Base()), QStringList{QFileInfo(folder.chopped(1)).fileName()});
}

TEST_F(ProjectTest, AFailedSaveLeavesTheOldArchive) {
    const QString path = Tmp(S("keep.tmv"));
    SaveProject(path, {S("old")});
    const QByteArray before = Bytes(path);

    CProject p;
    p.SetFileName(path);
    ASSERT_TRUE(p.Open());
    p.GetSchedule(0)->name = S("new");
    // A stimulus copy of 4 GiB cannot be stored: the pack fails part way.
    const QString huge = p.GetWorkFolder() + S("STM0001.WAV");
    const int fd = ::open(QFile::encodeName(huge).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 4LL * 1024 * 1024 * 1024), 0);
    ::close(fd);
    EXPECT_FALSE(p.Save());
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(Names(Tmp(S(""))).filter(S("keep")), QStringList{S("keep.tmv")})
        << "a temporary archive was left";
}

TEST_F(ProjectTest, AccessorsRefuseBadIndicesAndMethods) {
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(3);
    p.AddSchedule(nullptr);
    p.AddResponse();
    p.AddQuestionnaireResults();
    const struct {
        std::function<void()> call;
        const char* message;
    } throwing[] = {
        {[&] { p.GetSchedule(1); }, "Invalid index for schedule!!"},
        {[&] { p.GetSchedule(-1); }, "Invalid index for schedule!!"},
        {[&] { p.GetResponse(1); }, "Invalid index for response!!"},
        {[&] { p.GetResponse(-1); }, "Invalid index for response!!"},
        {[&] { p.GetQuestionnaireResults(1); }, "Invalid index for questionnaire response!!"},
        {[&] { p.GetQuestionnaireResults(-1); }, "Invalid index for questionnaire response!!"},
        {[&] { p.SetMethod(5); }, "invalid method!!"},
        {[&] { p.SetMethod(-1); }, "invalid method!!"},
    };
    for (const auto& t : throwing)
        EXPECT_EQ(What(t.call), t.message);
    EXPECT_EQ(p.GetMethod(), 3);
    EXPECT_EQ(p.GetExperimentParameter()->GetMethod(), 3);

    EXPECT_FALSE(p.DeleteSchedule(1));
    EXPECT_FALSE(p.DeleteResponse(-1));
    EXPECT_FALSE(p.DeleteQuestionnaireResults(1));
    EXPECT_EQ(p.GetScheduleCount() + p.GetResponseCount() + p.GetQuestionnaireResultsCount(), 3);
}

TEST_F(ProjectTest, CopyAndAddSchedule) {
    CProject p;
    CSchedule source;
    source.name = S("n");
    source.comment = S("c");
    source.SetStimulusCount(3);
    source.SetTrialCount(2);
    source.trials[1].stimuli = {3, 2, 1};
    source.trials[1].repeatCount = -1;

    CSchedule* copy = p.AddSchedule(&source);
    EXPECT_EQ(*copy, source);
    CSchedule* empty = p.AddSchedule(nullptr);
    EXPECT_EQ(*empty, CSchedule());

    EXPECT_TRUE(p.CopySchedule(copy, 0, copy));
    EXPECT_EQ(*copy, source);
    EXPECT_FALSE(p.CopySchedule(&source, 2, nullptr));
    EXPECT_FALSE(p.CopySchedule(nullptr, 0, nullptr));
    EXPECT_TRUE(p.CopySchedule(&source, 1, nullptr));
    EXPECT_EQ(*p.GetSchedule(1), source);
}

TEST_F(ProjectTest, NewAndCloseKeepWhatTheyShould) {
    CProject p;
    EXPECT_FALSE(p.Close()) << "no work folder yet";
    EXPECT_FALSE(p.Save());

    const QString path = Tmp(S("p.tmv"));
    SaveProject(path, {S("a")});
    p.SetFileName(path);
    ASSERT_TRUE(p.Open());
    p.GetInstruction()->lines = QStringList{S("kept")};
    const QString folder = p.GetWorkFolder();
    ASSERT_TRUE(p.Close());
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(p.GetWorkFolder(), QString());
    EXPECT_EQ(p.GetFileName(), path);
    EXPECT_EQ(p.GetScheduleCount(), 0);
    EXPECT_EQ(p.GetMethod(), -1);
    EXPECT_EQ(p.GetExperimentParameter()->GetMethod(), -1);
    EXPECT_EQ(p.GetInstruction()->lines, QStringList{S("kept")});
    EXPECT_FALSE(p.Close());

    ASSERT_TRUE(p.New());
    EXPECT_EQ(p.GetFileName(), QString());
    EXPECT_EQ(p.GetInstruction()->lines, QStringList{S("kept")});
    EXPECT_TRUE(QFileInfo(p.GetWorkFolder()).isDir());
}

TEST_F(ProjectTest, AResponseItsReaderRefusesIsDropped) {
    const QString src = EntryFolder(S("src"), 0);
    WriteEntry(src + S("/RSP0000.INI"), S("[RESPONSE]\nDATE=1\nID=5\nRESPONSE=a\n"));
    WriteEntry(src + S("/RSP0001.INI"), S("[RESPONSE]\nDATE=2\n"));
    WriteEntry(src + S("/RSP0002.INI"), S("[RESPONSE]\nDATE=3\nID=7\nRESPONSE=b\n"));
    ASSERT_TRUE(PackFolder(src, Tmp(S("r.tmv"))));

    CProject p;
    p.SetFileName(Tmp(S("r.tmv")));
    ASSERT_TRUE(p.Open());
    ASSERT_EQ(p.GetResponseCount(), 2);
    EXPECT_EQ(p.GetResponse(0)->date, 1.0);
    EXPECT_EQ(p.GetResponse(1)->date, 3.0);
}

TEST_F(ProjectTest, EntriesUseAPointWhateverTheUsersLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // The C library's locale too: a session may bring one whose decimal point is several bytes.
    RadixLocale radix;
    if (!radix.active())
        std::printf("note: only the Qt locale is set; no multi-byte decimal point locale available\n");
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(0);
    CSchedule* s = p.AddSchedule(nullptr);
    s->SetStimulusCount(1);
    s->SetTrialCount(1);
    s->trials[0].responseWait = 0.5;
    p.SetFileName(Tmp(S("de.tmv")));
    ASSERT_TRUE(p.Save());
    EXPECT_TRUE(ReadEntryText(p.GetWorkFolder() + S("SCH0000.INI")).contains(S("0.5")));
    EXPECT_EQ(QLocale().decimalPoint(), S(","));

    CProject q;
    q.SetFileName(Tmp(S("de.tmv")));
    ASSERT_TRUE(q.Open());
    EXPECT_EQ(q.GetSchedule(0)->trials[0].responseWait, 0.5);
    QLocale::setDefault(before);
}

// A file-size limit makes the write fail: the save says so and leaves the old archive,
// and the process goes on.
TEST_F(ProjectTest, ASaveOverTheFileSizeLimitFailsInsteadOfEndingTheProcess) {
    ASSERT_TRUE(QDir().mkdir(Tmp(S("projects"))));
    const QString path = Tmp(S("projects/study.tmv"));
    SaveProject(path, {S("s")});
    const QByteArray saved = Bytes(path);
    const pid_t child = SaveInChild(path, LimitedSave::Ignored);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported its failure";
    EXPECT_EQ(Bytes(path), saved);
    EXPECT_EQ(Names(Tmp(S("projects"))), QStringList{S("study.tmv")}) << "a temporary archive was left";
}

// A killed save leaves its temporary archive; the next open or save of the project removes
// it, but never the temporary archive of a save still running elsewhere, nor files that
// are no leftovers of this project.
TEST_F(ProjectTest, TemporaryArchivesOfKilledSavesGoWhenTheProjectIsNextOpenedOrSaved) {
    const QString folder = Tmp(S("projects"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString path = folder + S("/study.tmv");
    SaveProject(path, {S("s")});
    const QByteArray saved = Bytes(path);
    int status = 0;
    const pid_t killed = SaveInChild(path, LimitedSave::Killed);
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
    ChildGuard running{SaveInChild(path, LimitedSave::Halted)};
    ASSERT_EQ(::waitpid(running.pid, &status, WUNTRACED), running.pid);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the save halts part way, status " << status;
    EXPECT_EQ(Bytes(path), saved);
    const QRegularExpression temporary(S("^\\.study\\.tmv\\.[0-9a-f]+\\.tmp$"));
    const QStringList temporaries = Names(folder).filter(temporary);
    ASSERT_EQ(temporaries.size(), 2) << Names(folder).join(S(" ")).toStdString();
    const QStringList others = {S(".other.tmv.1a2b.tmp"), S(".study.tmv.notes.tmp"), S("study.tmv.1a2b.tmp")};
    for (const QString& name : others)
        Write(folder + S("/") + name, "x");
    // As if the saves had been an hour ago.
    for (const QString& name : Names(folder))
        AgeByAnHour(folder + S("/") + name);

    CProject q;
    q.SetFileName(path);
    ASSERT_TRUE(q.Open());
    const QStringList kept = Names(folder).filter(temporary);
    ASSERT_EQ(kept.size(), 1) << "the killed save's went, the running one's stays";
    for (const QString& name : others)
        EXPECT_TRUE(QFileInfo::exists(folder + S("/") + name)) << name.toStdString();

    // The running save is killed in its turn: the next save removes what it left.
    ::kill(running.pid, SIGKILL);
    ASSERT_GT(::waitpid(std::exchange(running.pid, 0), &status, 0), 0);
    AgeByAnHour(folder + S("/") + kept.front());
    ASSERT_TRUE(q.Save());
    EXPECT_TRUE(Names(folder).filter(temporary).isEmpty()) << Names(folder).join(S(" ")).toStdString();
    for (const QString& name : others)
        EXPECT_TRUE(QFileInfo::exists(folder + S("/") + name)) << name.toStdString();
}
