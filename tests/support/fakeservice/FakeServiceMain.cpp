// tamvik-fakeservice: the tests' stand-in answer service as a program, so the program can
// be tried without a real service. It serves on 127.0.0.1 with one account that has full
// rights, keeps a project library for its lifetime, lets simulated subjects answer the
// test runs, and can write the account into the settings folder of XDG_CONFIG_HOME.
#include "FakeService.h"
#include "LocalLibrary.h"
#include "OptionIni.h"
#include "SimulatedSubjects.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace {

void Usage() {
    std::fputs("usage: tamvik-fakeservice [--port N] [--user ID] [--password PASSWORD]\n"
               "                          [--subjects N] [--library FOLDER]\n"
               "                          [--write-settings PROJECT_FOLDER]\n"
               "Serves the answer service's operations on 127.0.0.1 (port N, or a free one).\n"
               "The account ID/PASSWORD (default operator/tamvik) has full rights; other\n"
               "logins are refused. --subjects N lets N simulated subjects (default 0) join\n"
               "every test run and answer its trials; SIGUSR1 adds one more while it runs.\n"
               "The project library (categories, uploaded projects, saved results) lives as\n"
               "long as the service; its archives are kept in FOLDER (default: a temporary\n"
               "folder). --write-settings stores the service address, the account and\n"
               "PROJECT_FOLDER in Option.ini of the settings folder ($XDG_CONFIG_HOME).\n",
               stderr);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int port = 0;
    std::string user = "operator";
    std::string password = "tamvik";
    QString projectFolder;
    bool writeSettings = false;
    int subjects = 0;
    QString libraryFolder;
    for (int i = 1; i < argc; ++i) {
        const auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                Usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (!std::strcmp(argv[i], "--port")) {
            port = std::atoi(value());
        } else if (!std::strcmp(argv[i], "--user")) {
            user = value();
        } else if (!std::strcmp(argv[i], "--password")) {
            password = value();
        } else if (!std::strcmp(argv[i], "--subjects")) {
            subjects = std::atoi(value());
        } else if (!std::strcmp(argv[i], "--library")) {
            libraryFolder = QDir(QString::fromLocal8Bit(value())).absolutePath();
        } else if (!std::strcmp(argv[i], "--write-settings")) {
            projectFolder = QDir(QString::fromLocal8Bit(value())).absolutePath();
            writeSettings = true;
        } else {
            Usage();
            return !std::strcmp(argv[i], "--help") ? 0 : 2;
        }
    }

    // Blocked before the server's threads start, so that they inherit the mask and only
    // the wait below takes the signal.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::unique_ptr<fake::FakeService> service;
    try {
        service = std::make_unique<fake::FakeService>(port);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamvik-fakeservice: %s\n", e.what());
        return 1;
    }
    service->SetHandler("userAuth", [user, password](const fake::FakeRequest& request) {
        const bool known = request.Field("USER_ID") == user && request.Field("USER_PWD") == password;
        return fake::FakeReply::Text(known ? "API_RESULT=0,API_MESSAGE=,USER_AUTH=0"
                                           : "API_RESULT=1,API_MESSAGE=E00031,USER_AUTH=1");
    });

    QTemporaryDir temporaryLibrary;
    if (libraryFolder.isEmpty()) {
        if (!temporaryLibrary.isValid()) {
            std::fputs("tamvik-fakeservice: cannot make a folder for the library; name one with --library\n",
                       stderr);
            return 1;
        }
        libraryFolder = temporaryLibrary.path();
    }
    fake::LocalLibrary library(*service, libraryFolder);
    fake::SimulatedSubjects subjectPool(
        *service, subjects, [&library](int projectSeq) { return library.StyleOf(projectSeq); },
        [&library](fake::SavedRun run) { library.Keep(std::move(run)); }, {});

    const QString url = QString::fromStdString(service->BaseUrl());
    if (writeSettings) {
        QDir().mkpath(projectFolder);
        if (!SaveOptionSettings(projectFolder + QLatin1Char('/'), url, QString::fromStdString(user),
                                QString::fromStdString(password), QStringLiteral("0"), QString(),
                                QString())) {
            std::fputs("tamvik-fakeservice: cannot write Option.ini (is XDG_CONFIG_HOME or HOME set?)\n",
                       stderr);
            service->Stop();
            return 1;
        }
    }
    std::printf("Answer service at %s, account %s / %s\n", url.toLocal8Bit().constData(), user.c_str(),
                password.c_str());
    std::printf("%d simulated subject(s); kill -USR1 %d adds one\n", subjects, int(getpid()));
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&stopSignals, &signal) == 0 && signal == SIGUSR1) {
        subjectPool.AddSubject();
        std::printf("%d simulated subject(s)\n", subjectPool.Count());
        std::fflush(stdout);
    }
    // The handlers use the library and the subjects: no request may run past them.
    service->Stop();
    return 0;
}
