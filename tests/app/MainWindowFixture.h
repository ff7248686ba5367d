#pragma once

#include "FakeService.h"
#include "MainUnit.h"
#include "OptionIni.h"
#include "ScriptedUiServices.h"
#include "TestDir.h"
#include "TextTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// A main window in a world of its own: settings, runtime, temporary and home folders in
// a fresh folder, English texts, and dialogs answered by the test.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const QByteArray originalTmp = qgetenv("TMPDIR");
        if (originalTmp.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", originalTmp);
        root = std::make_unique<TestDir>();
        ASSERT_TRUE(root->isValid());
        for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR", "HOME"}) {
            const QString folder = root->file(QString::fromLatin1(var).toLower());
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv(var, folder.toLocal8Bit());
        }
        TextTable::Instance().setLanguage(TextTable::Language::English);
        ui = std::make_unique<ScriptedUiServices>();
        BeforeWindow();
        MakeWindow();
    }

    // A new main window as the program has it once shown: the output path is found after
    // the first paint.
    void MakeWindow() {
        w = std::make_unique<TfrmMain>();
        w->PrepareOutput();
    }

    // What a test needs in place before the window is made (an ALSA configuration, say).
    virtual void BeforeWindow() {}

    void TearDown() override {
        w.reset();
        ui.reset();
        service.reset();
    }

    template <typename T> T* Find(const char* name) const {
        T* found = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no control named " << name;
        return found;
    }

    // Runs the event loop until done() or the time is up.
    static bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        return true;
    }

    // Handles every event and message posted so far: a queued marker comes after them.
    static bool DrainPosted() {
        bool reached = false;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&reached] { reached = true; }, Qt::QueuedConnection);
        return PumpUntil([&] { return reached; });
    }

    // For what must not happen: runs the event loop for the window and is true when
    // `happened` stayed false all along.
    static bool StaysFalse(const std::function<bool()>& happened, int windowMs) {
        return !PumpUntil(happened, windowMs);
    }

    static void Pump(int ms = 30) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    // Option.ini names an account that the fake service gives full rights.
    void LogInWithFullRights() {
        service = std::make_unique<fake::FakeService>();
        service->SetReply("userAuth", "API_RESULT=0,USER_AUTH=0");
        ASSERT_TRUE(SaveOptionSettings(QString(), QString::fromStdString(service->BaseUrl()),
                                       QStringLiteral("user"), QStringLiteral("secret"), QStringLiteral("0"),
                                       QString(), QString()));
    }

    QStringList ShownTexts() const {
        QStringList texts;
        for (const auto& m : ui->messages)
            texts << m.text;
        return texts;
    }

    // The system's own text of each message shown, without the line that says what failed.
    QStringList ShownHeadlines() const {
        QStringList texts;
        for (const auto& m : ui->messages)
            texts << m.text.section(QLatin1Char('\n'), 0, 0);
        return texts;
    }

    std::unique_ptr<TestDir> root;
    std::unique_ptr<ScriptedUiServices> ui;
    std::unique_ptr<TfrmMain> w;
    std::unique_ptr<fake::FakeService> service;
};
