// Packs and unpacks a folder of 100 WAV-like files (500 MB in all) with the page cache warm,
// and compares each with cat writing the same bytes into one file, timed in the same run.
// Prints the two ratios (archive throughput / cat throughput; 1 means as fast as cat) and
// the peak memory of the process, which must stay flat whatever the data size.
#include "Ctmvfile.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
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

Fixture* fixture = nullptr;
std::map<std::string, std::vector<double>> seconds;

// Times work() only; prepare() clears the previous output first, outside the timing.
template <typename Prepare, typename Work>
void Timed(benchmark::State& state, const char* name, Prepare prepare, Work work) {
    for (auto _ : state) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        seconds[name].push_back(took.count());
        if (!ok) {
            state.SkipWithError("operation failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes);
}

void RemoveOutputs() {
    ::unlink(fixture->catOutput().c_str());
    QFile::remove(fixture->archive());
    QDir(fixture->unpacked()).removeRecursively();
}

bool RunCat() {
    std::vector<char*> argv{const_cast<char*>("cat")};
    for (const std::string& file : fixture->files)
        argv.push_back(const_cast<char*>(file.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, fixture->catOutput().c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    int status = 1;
    const bool started = posix_spawnp(&pid, "cat", &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_Cat(benchmark::State& state) {
    RemoveOutputs();
    Timed(
        state, "cat", [] { ::unlink(fixture->catOutput().c_str()); }, RunCat);
}

void BM_Pack(benchmark::State& state) {
    RemoveOutputs();
    CTmvFile tmv;
    tmv.SetExtensions({"INI", "WAV", "TXT"});
    Timed(
        state, "pack", [] { QFile::remove(fixture->archive()); },
        [&] { return tmv.Pack(fixture->folder, fixture->archive(), false); });
}

void BM_Unpack(benchmark::State& state) {
    CTmvFile tmv;
    tmv.SetExtensions({"INI", "WAV", "TXT"});
    if (!QFileInfo::exists(fixture->archive()))
        tmv.Pack(fixture->folder, fixture->archive(), false);
    Timed(
        state, "unpack", [] { QDir(fixture->unpacked()).removeRecursively(); },
        [&] { return tmv.Unpack(fixture->archive(), fixture->unpacked()); });
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

// Interleaved so that cat and the archive see the same state of the machine.
BENCHMARK(BM_Cat)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pack)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Unpack)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cat)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Fixture data;
    fixture = &data;
    // Warm the page cache with every source byte before anything is timed.
    RunCat();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double cat = Median(seconds["cat"]);
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("pack/cat throughput ratio:   %.2f\n", cat / Median(seconds["pack"]));
    std::printf("unpack/cat throughput ratio: %.2f\n", cat / Median(seconds["unpack"]));
    std::printf("peak memory: %.1f MB for %.0f MB of data\n", usage.ru_maxrss / 1024.0, TotalBytes / 1e6);
    return 0;
}
