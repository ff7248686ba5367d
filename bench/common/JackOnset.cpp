#include "JackOnset.h"

#include "vantrel.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtGlobal>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fstream>

namespace {

double prepareSeconds = 0;
double startSeconds = 0;
double startedAt = 0;

template <typename Fn> Fn Real(const char* name) {
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

double Seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) * 1e-9;
}

} // namespace

// Interposed on the library's exports: the windows' plays call these, which time the real
// calls.
extern "C" int VANTREL_Prepare(int inputCount, int* inputChannels, int outputCount, int* outputChannels,
                               int inputStoreSamples, int outputStoreSamples, int loop, int rate,
                               double levelTimeConstant) {
    using Prepare = int (*)(int, int*, int, int*, int, int, int, int, double);
    static const auto real = Real<Prepare>("VANTREL_Prepare");
    QElapsedTimer timer;
    timer.start();
    const int result = real(inputCount, inputChannels, outputCount, outputChannels, inputStoreSamples,
                            outputStoreSamples, loop, rate, levelTimeConstant);
    prepareSeconds = Seconds(timer);
    startSeconds = 0;
    return result;
}

extern "C" int VANTREL_StartEx(void) {
    static const auto real = Real<int (*)()>("VANTREL_StartEx");
    QElapsedTimer timer;
    timer.start();
    const int result = real();
    startSeconds = Seconds(timer);
    startedAt = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    return result;
}

namespace bench {

double LastConnectSeconds() {
    return prepareSeconds + startSeconds;
}

double LastStartedAt() {
    return startedAt;
}

bool JackOnsetRig::Start(const QTemporaryDir& folder, int ports) {
    std::string error;
    if (!server.Start(&error) || !Reopen(ports)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    const std::string registry = folder.filePath(QStringLiteral("drivers.ini")).toStdString();
    std::ofstream(registry) << "[JACK]\nclsid=vantrel.jack\npath=" VANTREL_JACK_PLUGIN
                               "\ndescription=JACK\nserver="
                            << server.Name() << "\nconnect=^recorder:in_\noutputs=2\n";
    qputenv("VANTREL_DRIVERS", QByteArray::fromStdString(registry));
    return true;
}

bool JackOnsetRig::Reopen(int ports) {
    recorder.reset();
    recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", ports, Rate * 120);
    std::string error;
    if (recorder->Open(&error))
        return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
}

std::vector<uint8_t> OnsetStimulus() {
    std::vector<float> signal(9600);
    for (size_t i = 0; i < signal.size(); ++i)
        signal[i] = 0.25f + 0.25f * float(i % 97) / 97.0f;
    std::vector<uint8_t> data(signal.size() * 4);
    std::memcpy(data.data(), signal.data(), data.size());
    return data;
}

} // namespace bench
