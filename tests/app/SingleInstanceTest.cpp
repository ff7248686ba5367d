// A second start of the real program hands its project to the first and ends.
#include "MainWindowFixture.h"

#include "SingleInstance.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>

namespace {

void WriteProject(const QString& path) {
    CProject p;
    ASSERT_TRUE(p.New());
    p.SetMethod(1);
    p.GetGeneral()->title = QStringLiteral("Handed over");
    p.SetFileName(path);
    ASSERT_TRUE(p.Save());
}

// Whether the running process ignores the signal, from its SigIgn mask in /proc.
bool IgnoresSignal(qint64 pid, int signal) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigIgn:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

} // namespace

class SingleInstanceTest : public MainWindowTest {
protected:
    // Starts the program as a later start and waits until it has ended, serving this
    // process's events meanwhile (this process is the first instance).
    int SecondStart(const QStringList& arguments) {
        QProcess second;
        second.setWorkingDirectory(root->path());
        second.start(QStringLiteral(TAMVIK_PROGRAM), arguments);
        EXPECT_TRUE(second.waitForStarted(10000));
        EXPECT_TRUE(PumpUntil([&] { return second.state() == QProcess::NotRunning; }, 30000))
            << "the second start did not end";
        if (second.state() != QProcess::NotRunning) {
            second.kill();
            second.waitForFinished();
        }
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        return second.exitCode();
    }
};

TEST_F(SingleInstanceTest, ASecondStartHandsItsProjectToTheFirstAndEnds) {
    SingleInstance first(SingleInstance::RuntimeFolder());
    ASSERT_TRUE(first.Listen());
    ASSERT_TRUE(first.IsFirst());
    EXPECT_FALSE(SingleInstance(SingleInstance::RuntimeFolder()).IsFirst()) << "one lock per user";
    QObject::connect(&first, &SingleInstance::pathReceived, w.get(), &TfrmMain::OpenCopyDataPath);
    LogInWithFullRights();
    w->show();
    const QString project = root->file(QStringLiteral("study.TMV"));
    WriteProject(project);
    QFile note(root->file(QStringLiteral("note.txt")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.close();

    struct Case {
        const char* what;
        QStringList arguments;
        bool opens;
    };
    const Case cases[] = {
        {"only a text file", {QStringLiteral("note.txt")}, false},
        {"a missing project", {QStringLiteral("gone.tmv")}, false},
        {"a relative name after a text file, extension in capitals",
         {QStringLiteral("note.txt"), QStringLiteral("study.TMV")},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SecondStart(c.arguments), 0);
        if (c.opens)
            EXPECT_TRUE(PumpUntil([&] { return w->project.GetFileName() == project; }, 10000));
        else
            EXPECT_TRUE(w->project.GetFileName().isEmpty());
    }
    EXPECT_TRUE(ui->messages.empty()) << ShownTexts().join(QLatin1Char('|')).toStdString();
}

TEST_F(SingleInstanceTest, AProjectHandedOverWhileADialogIsOpenWaitsForIt) {
    SingleInstance first(SingleInstance::RuntimeFolder());
    ASSERT_TRUE(first.Listen());
    QObject::connect(&first, &SingleInstance::pathReceived, w.get(), &TfrmMain::OpenCopyDataPath);
    LogInWithFullRights();
    w->show();
    const QString project = root->file(QStringLiteral("later.tmv"));
    WriteProject(project);
    QDialog dialog(w.get());
    dialog.setModal(true);
    dialog.show();
    ASSERT_TRUE(PumpUntil([] { return QApplication::activeModalWidget() != nullptr; }));
    bool received = false;
    QObject::connect(&first, &SingleInstance::pathReceived, w.get(), [&received] { received = true; });
    EXPECT_EQ(SecondStart({project}), 0);
    ASSERT_TRUE(PumpUntil([&] { return received; }, 10000)) << "the hand-over arrives";
    EXPECT_TRUE(w->project.GetFileName().isEmpty()) << "opened behind an open dialog";
    dialog.close();
    EXPECT_TRUE(PumpUntil([&] { return w->project.GetFileName() == project; }, 10000));
}

// The real program as the first: it takes hand-overs once its window is up, and a later
// start that hands over ends with 0.
TEST_F(SingleInstanceTest, TheRunningProgramTakesAHandOverOnceItsWindowIsUp) {
    const QString project = root->file(QStringLiteral("study.tmv"));
    WriteProject(project);
    QProcess first;
    first.setWorkingDirectory(root->path());
    first.start(QStringLiteral(TAMVIK_PROGRAM), QStringList{});
    ASSERT_TRUE(first.waitForStarted(10000));
    const QString socket = QDir(SingleInstance::RuntimeFolder()).filePath(QStringLiteral("tamvik.socket"));
    EXPECT_TRUE(
        PumpUntil([&] { return QFileInfo::exists(socket) || first.state() == QProcess::NotRunning; }, 30000))
        << "the first start listens";
    EXPECT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();
    // A save that meets a file-size limit fails with a message instead of ending the program.
    EXPECT_TRUE(IgnoresSignal(first.processId(), SIGXFSZ));
    EXPECT_EQ(SecondStart({project}), 0);
    first.terminate();
    if (!first.waitForFinished(10000)) {
        first.kill();
        first.waitForFinished();
    }
}
