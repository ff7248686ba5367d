// Download and upload of a 200 MB project over loopback: the library client (streamed to a
// temporary file, multipart from disk, the window's events pumped as the dialogs do) against
// the curl command line, against the same fake service in the same run, as A-B-B-A pairs.
// Each transfer runs in a child process, so its peak memory is its own. The files lie in
// the temporary folder: with TMPDIR on a tmpfs the figures are those of the transfer;
// on a disk the client's download also waits for its file to reach the disk (fsync),
// which curl does not do.
//
//   bench_library_transfer [megabytes]     (default 200)
#include "PairedRatios.h"

#include "Ctmvfile.h"
#include "FakeService.h"
#include "LibraryFiles.h"
#include "ServiceClient.h"
#include "ServiceForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// A sound archive of one entry of the given size.
bool WriteArchive(const QString& path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const std::uint32_t header[2] = {CTmvFile::Magic, 1};
    TMVARCHIVEFILEINFO entry{};
    CTmvFile::SetEntryName(entry, QStringLiteral("big.wav"));
    entry.size = static_cast<std::uint32_t>(bytes);
    entry.dataOffset = CTmvFile::HeaderSize + CTmvFile::EntrySize;
    file.write(reinterpret_cast<const char*>(header), sizeof header);
    file.write(reinterpret_cast<const char*>(&entry), sizeof entry);
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 131) ^ (i >> 7));
    for (qint64 left = bytes; left > 0; left -= block.size())
        if (file.write(block.constData(), std::min<qint64>(left, block.size())) < 0)
            return false;
    return file.flush();
}

long PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// The client side, in a child: the transfer as the dialogs run it.
int RunClient(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const QString url = QString::fromLocal8Bit(argv[3]);
    tamvik::ServiceClient client;
    client.SetReadTimeout(108000);
    // The dialogs pump the window's events while a transfer runs.
    QElapsedTimer sincePump;
    sincePump.start();
    client.SetAbortCheck([&] {
        if (sincePump.elapsed() >= 10) {
            sincePump.restart();
            QCoreApplication::processEvents();
        }
        return false;
    });
    qint64 lastProgress = 0;
    client.SetProgress([&](const tamvik::ServiceProgress& p) { lastProgress = p.downloaded + p.uploaded; });
    bool ok = false;
    if (mode == QLatin1String("download")) {
        ok = DownloadProjectFile(client, url,
                                 {QStringLiteral("USER_ID=u"), QStringLiteral("USER_PWD=p"),
                                  QStringLiteral("OP_KBN=2"), QStringLiteral("PROJECT_SEQ=1")},
                                 QString::fromLocal8Bit(argv[4])) == DownloadOutcome::Saved;
    } else {
        const QString file = QString::fromLocal8Bit(argv[4]);
        const QString info = QString::fromLocal8Bit(argv[5]);
        ok = client
                 .PostMultipart(url, {{QStringLiteral("PROJECT_FILE"), file, file,
                                       QStringLiteral("application/octet-stream")},
                                      {QStringLiteral("PROJECT_INFO"), info, info, QString()}})
                 .ok();
    }
    std::printf("%ld\n", PeakKiB());
    return ok && lastProgress > 0 ? 0 : 1;
}

struct Child {
    double seconds = 0;
    long peakKiB = 0;
};

// Runs a program, returns its time and peak memory; false on failure.
bool Run(const std::vector<std::string>& args, Child& out, bool peakFromOutput) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return false;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string output;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    out.seconds = timer.nsecsElapsed() / 1e9;
    out.peakKiB = peakFromOutput ? std::atol(output.c_str()) : usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "--client") == 0)
        return RunClient(argc, argv);
    const qint64 megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("project.TMV"));
    const QString info = dir.filePath(QStringLiteral("tempParameter.ini"));
    if (!WriteArchive(archive, megabytes << 20)) {
        std::fprintf(stderr, "cannot write the project\n");
        return 1;
    }
    QFile infoFile(info);
    if (!infoFile.open(QIODevice::WriteOnly) || infoFile.write("[Parameter]\r\nUSER_ID=u\r\n\r\n") < 0)
        return 1;
    infoFile.close();

    fake::FakeService service;
    service.SetPartLimit(0); // received parts are counted, not kept
    service.SetReply("getProjectInfo", fake::FakeReply::File(archive.toStdString()));
    const std::string download = service.OperationUrl("getProjectInfo");
    const std::string upload = service.OperationUrl("setProjectInfo");
    char selfPath[4096] = {};
    if (::readlink("/proc/self/exe", selfPath, sizeof selfPath - 1) <= 0)
        return 1;
    const std::string self = selfPath;
    const std::string target = dir.filePath(QStringLiteral("library.TMV")).toStdString();
    const std::string curlTarget = dir.filePath(QStringLiteral("curl.TMV")).toStdString();

    Child child;
    long ourDownloadPeak = 0, curlDownloadPeak = 0, ourUploadPeak = 0, curlUploadPeak = 0;
    const auto step = [&](const std::vector<std::string>& args, bool ours, long& peak) {
        return [&, args, ours] {
            const bool ok = Run(args, child, ours);
            peak = std::max(peak, child.peakKiB);
            return ok;
        };
    };
    const auto nothing = [] {};
    const int rounds = 3;
    const std::vector<std::string> ourDownload{self, "--client", "download", download, target};
    const std::vector<std::string> curlDownload{
        "curl",    "-s",       "-f",
        "-o",      curlTarget, "-H",
        "Expect:", "--data",   "USER_ID=u&USER_PWD=p&OP_KBN=2&PROJECT_SEQ=1",
        download};
    const std::vector<std::string> ourUpload{
        self, "--client", "upload", upload, archive.toStdString(), info.toStdString()};
    const std::vector<std::string> curlUpload{"curl",
                                              "-s",
                                              "-f",
                                              "-o",
                                              "/dev/null",
                                              "-H",
                                              "Expect:",
                                              "-F",
                                              "PROJECT_FILE=@" + archive.toStdString() +
                                                  ";type=application/octet-stream",
                                              "-F",
                                              "PROJECT_INFO=@" + info.toStdString(),
                                              upload};
    // Each step is timed from here, process start-up included on both sides; the child's
    // own figure only gives its peak memory.
    const bench::Pairs down = bench::AbbaRounds(rounds, nothing, step(ourDownload, true, ourDownloadPeak),
                                                nothing, step(curlDownload, false, curlDownloadPeak));
    const bench::Pairs up = bench::AbbaRounds(rounds, nothing, step(ourUpload, true, ourUploadPeak), nothing,
                                              step(curlUpload, false, curlUploadPeak));
    std::printf("project of %lld MB over loopback, files in %s\n", static_cast<long long>(megabytes),
                QDir::tempPath().toLocal8Bit().constData());
    bench::Print("download time, client", "curl", down);
    bench::Print("upload time, client", "curl", up);
    std::printf("throughput vs curl (median, goal >= 0.80): download %.2f, upload %.2f\n",
                1.0 / bench::Median(down.ratios), 1.0 / bench::Median(up.ratios));
    std::printf("peak memory KiB: client download %ld, upload %ld; curl download %ld, upload %ld\n",
                ourDownloadPeak, ourUploadPeak, curlDownloadPeak, curlUploadPeak);
    return 0;
}
