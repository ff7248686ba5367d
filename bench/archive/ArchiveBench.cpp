// Pack and unpack of a folder of 100 WAV-like files (500 MB in all) with the page cache warm,
// each paired A-B-B-A in the same run with cat writing the same bytes into one file. Pack
// replaces an existing archive, as every save does, and makes it durable, so its reference
// is cat followed by "sync -f" of the output; unpack's is cat alone. Prints min / median /
// max of the per-pair time ratios (archive / cat; 1 means as fast as cat) and the peak
// memory of the process, which must stay flat whatever the data size.
#include "Ctmvfile.h"
#include "PairedRatios.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int FileCount = 100;
constexpr std::int64_t TotalBytes = 500'000'000;
constexpr int Rounds = 3;

struct Fixture {
    QString root;
    QString folder;
    std::vector<std::string> files;

    Fixture() {
        root = QDir::tempPath() + QStringLiteral("/tamvik-archive-bench-") + QString::number(::getpid());
        folder = root + QStringLiteral("/work");
        QDir().mkpath(folder);
        // Sizes vary around 5 MB like real stimuli; the data is noise so nothing compresses.
        std::vector<char> block(1 << 20);
        std::uint32_t noise = 12345;
        for (char& c : block) {
            noise = noise * 1664525u + 1013904223u;
            c = static_cast<char>(noise >> 24);
        }
        std::int64_t left = TotalBytes;
        for (int i = 0; i < FileCount; ++i) {
            const std::int64_t size =
                i == FileCount - 1 ? left : TotalBytes / FileCount + (i % 7 - 3) * 100'000;
            left -= size;
            char name[32];
            std::snprintf(name, sizeof name, "/STM%04d.WAV", i);
            const std::string path = folder.toStdString() + name;
            files.push_back(path);
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
            bool ok = fd >= 0 && ::write(fd, header, sizeof header) == sizeof header;
            for (std::int64_t done = sizeof header; ok && done < size;) {
                const std::size_t n =
                    static_cast<std::size_t>(std::min<std::int64_t>(size - done, block.size()));
                const ssize_t written = ::write(fd, block.data(), n);
                ok = written > 0;
                done += written;
            }
            ::close(fd);
        }
    }
    ~Fixture() { QDir(root).removeRecursively(); }
    QString archive() const { return root + QStringLiteral("/p.tmv"); }
    QString unpacked() const { return root + QStringLiteral("/out"); }
    std::string catOutput() const { return (root + QStringLiteral("/cat.out")).toStdString(); }
};

bool Spawn(const std::vector<std::string>& args, const std::string& output) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty())
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    int status = 1;
    const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunCat(const Fixture& f) {
    std::vector<std::string> args{"cat"};
    args.insert(args.end(), f.files.begin(), f.files.end());
    return Spawn(args, f.catOutput());
}

} // namespace

int main() {
    Fixture f;
    CTmvFile tmv;
    tmv.SetExtensions({"INI", "WAV", "TXT"});
    // Warm the page cache with every source byte, and leave an archive to be replaced.
    if (!RunCat(f) || !tmv.Pack(f.folder, f.archive(), false))
        return 1;
    ::sync();

    const auto none = [] {};
    const auto removeCatOutput = [&] { ::unlink(f.catOutput().c_str()); };
    const bench::Pairs pack = bench::AbbaRounds(
        Rounds, none, [&] { return tmv.Pack(f.folder, f.archive(), false); }, removeCatOutput,
        [&] {
            return RunCat(f) && Spawn({"sync", "-f", f.catOutput()}, std::string());
        });
    const bench::Pairs unpack = bench::AbbaRounds(
        Rounds, [&] { QDir(f.unpacked()).removeRecursively(); },
        [&] { return tmv.Unpack(f.archive(), f.unpacked()); }, removeCatOutput, [&] { return RunCat(f); });

    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("folder of %d files, %.0f MB\n", FileCount, TotalBytes / 1e6);
    bench::Print("pack (replacing, synced)", "cat + sync -f", pack);
    bench::Print("unpack", "cat", unpack);
    std::printf("peak memory: %.1f MB for %.0f MB of data\n", usage.ru_maxrss / 1024.0, TotalBytes / 1e6);
    return 0;
}
