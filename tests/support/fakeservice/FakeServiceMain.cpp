// tamvik-fakeservice: the tests' stand-in answer service as a program, so the program can
// be tried without a real service. It serves on 127.0.0.1 with one account that has full
// rights, and can write that account into the settings folder of XDG_CONFIG_HOME.
#include "FakeService.h"
#include "OptionIni.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <pthread.h>
#include <string>

namespace {

void Usage() {
    std::fputs("usage: tamvik-fakeservice [--port N] [--user ID] [--password PASSWORD]\n"
               "                          [--write-settings PROJECT_FOLDER]\n"
               "Serves the answer service's operations on 127.0.0.1 (port N, or a free one).\n"
               "The account ID/PASSWORD (default operator/tamvik) has full rights; other\n"
               "logins are refused. --write-settings stores the service address, the account\n"
               "and PROJECT_FOLDER in Option.ini of the settings folder ($XDG_CONFIG_HOME).\n",
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

    const QString url = QString::fromStdString(service->BaseUrl());
    if (writeSettings) {
        QDir().mkpath(projectFolder);
        if (!SaveOptionSettings(projectFolder + QLatin1Char('/'), url, QString::fromStdString(user),
                                QString::fromStdString(password), QStringLiteral("0"), QString(),
                                QString())) {
            std::fputs("tamvik-fakeservice: cannot write Option.ini (is XDG_CONFIG_HOME or HOME set?)\n",
                       stderr);
            return 1;
        }
    }
    std::printf("Answer service at %s, account %s / %s\n", url.toLocal8Bit().constData(), user.c_str(),
                password.c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    service->Stop();
    return 0;
}
