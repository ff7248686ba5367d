// The stand-in service as a program (what `run.sh --local-service` starts): it writes its
// account into the settings folder, and the main window gets full rights from it.
#include "MainWindowFixture.h"

#include "OptionIni.h"

#include <QFileInfo>
#include <QProcess>
#include <QToolButton>

class LocalServiceTest : public MainWindowTest {
protected:
    void TearDown() override {
        if (service.state() != QProcess::NotRunning) {
            service.terminate();
            EXPECT_TRUE(service.waitForFinished(30000)) << "the service ends on SIGTERM";
            EXPECT_EQ(service.exitCode(), 0);
        }
        MainWindowTest::TearDown();
    }
    // Starts the program with the test's settings folder and waits until Option.ini names
    // it (the window may have written the file already).
    void Start(const QStringList& arguments) {
        service.setProgram(QStringLiteral(FAKESERVICE_PROGRAM));
        service.setArguments(arguments);
        service.start();
        ASSERT_TRUE(service.waitForStarted(30000));
        ASSERT_TRUE(PumpUntil(
            [] {
                QString folder, url, id, password;
                LoadOptionSettings(folder, url, id, password, true);
                return !url.isEmpty();
            },
            30000))
            << service.readAllStandardError().toStdString();
    }
    QProcess service;
};

TEST_F(LocalServiceTest, ItsAccountGivesFullRights) {
    Start({"--write-settings", root->file("projects")});
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, true);
    EXPECT_EQ(folder, root->file("projects") + QLatin1Char('/'));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(url.startsWith(QLatin1String("http://127.0.0.1:")));
    EXPECT_EQ(id, QStringLiteral("operator"));

    w->show();
    EXPECT_TRUE(PumpUntil([&] { return w->tbtnFileOpenPrj->isVisible(); }));
    EXPECT_TRUE(w->tbtnFileOpenPrj->isEnabled());
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(LocalServiceTest, AnotherPasswordIsRefused) {
    Start({"--write-settings", root->file("projects"), "--password", "secret"});
    QString folder, url, id, password;
    LoadOptionSettings(folder, url, id, password, true);
    ASSERT_TRUE(SaveOptionSettings(folder, url, id, QStringLiteral("wrong"), QStringLiteral("0"), QString(),
                                   QString()));
    w->show();
    ASSERT_TRUE(DrainPosted());
    EXPECT_TRUE(w->tbtnFileOpenPrj->isHidden());
    EXPECT_TRUE(ui->messages.empty()) << "a refused login is no connection failure";
}
