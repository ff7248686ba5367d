// Goes through the real libvantrel.so (loaded with dlopen, as a host would bind it)
// and the real libtamvik_post.so shared with the library.

#include "MessageRecorder.h"
#include "NullDriver.h"
#include "VantrelTestKit.h"
#include "WaitUntil.h"
#include "vantrel.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using vantrel_test::DriverRegistry;
using MessageLog = MessageRecorder;
using vantrel_test::NullSection;

namespace {

void* g_library = nullptr;
std::unique_ptr<DriverRegistry> g_registry;

template <typename F> F* Export(const char* name) {
    void* symbol = ::dlsym(g_library, name);
    if (symbol == nullptr)
        throw std::runtime_error(std::string("missing export ") + name);
    return reinterpret_cast<F*>(symbol);
}
#define VT(name) Export<decltype(name)>(#name)

const char* kLongName = "A driver name of forty characters, long!";

class Exports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_registry =
            std::make_unique<DriverRegistry>(NullSection("Null", "clockSources=3") + NullSection(kLongName));
        g_library = ::dlopen(VANTREL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(g_library, nullptr) << ::dlerror();
    }
    static void TearDownTestSuite() {
        if (g_library != nullptr)
            VT(VANTREL_Stop)();
    }
};

} // namespace

// Runs first: nothing is selected yet in this process.
TEST_F(Exports, BeforeAnyDriverIsSelected) {
    int16_t data[4] = {};
    EXPECT_EQ(VT(VANTREL_SetOutputWaveData)(0, data, 0, 0), 0) << "count 0 gives 0 without a driver";
    EXPECT_EQ(VT(VANTREL_SetOutputWaveData)(0, data, 4, 0), -1);
    EXPECT_EQ(VT(VANTREL_GetNumberOfClockSources)(), -1);
    EXPECT_EQ(VT(VANTREL_StartEx)(), 0);
    EXPECT_EQ(VT(VANTREL_Stop)(), 0);
    EXPECT_EQ(VT(VANTREL_IsWorking)(), 0);
    EXPECT_EQ(VT(VANTREL_GetCurrentInputLevel)(0), VANTREL_LEVEL_UNAVAILABLE);
    int out = 0;
    EXPECT_EQ(VT(VANTREL_Prepare)(0, nullptr, 1, &out, 0, 100, 0, 48000, 0), 0);
}

TEST_F(Exports, DriverNamesStayInsideTheCallersBuffer) {
    ASSERT_EQ(VT(VANTREL_GetNumberOfAsioDrivers)(), 2);
    auto name = VT(VANTREL_GetAsioDriverName);
    char buffer[256];
    EXPECT_EQ(name(0, buffer, 256), 4);
    EXPECT_STREQ(buffer, "Null");
    EXPECT_EQ(name(1, buffer, 256), 31);
    EXPECT_EQ(std::string(buffer), std::string(kLongName).substr(0, 28) + "...");
    EXPECT_EQ(name(0, buffer, 3), 2);
    EXPECT_STREQ(buffer, "Nu");

    std::strcpy(buffer, "abc");
    EXPECT_EQ(name(-1, buffer, 256), 3) << "an unknown index reports what the buffer held";
    EXPECT_STREQ(buffer, "abc");

    // Canaries around a small buffer: nothing written before it or past its length,
    // nothing read past it when it holds no terminator.
    char guarded[16];
    std::memset(guarded, '#', sizeof guarded);
    EXPECT_EQ(name(0, guarded + 4, 0), 0);
    EXPECT_EQ(name(0, guarded + 4, -5), 0);
    EXPECT_EQ(name(9, guarded + 4, 6), 6) << "length bounded by the buffer";
    EXPECT_EQ(std::string(guarded, 16), std::string(16, '#'));
    EXPECT_EQ(name(0, nullptr, 10), 0);
}

TEST_F(Exports, DriverQueries) {
    EXPECT_EQ(VT(VANTREL_AsioDriverInitialize)(-1), 0);
    EXPECT_EQ(VT(VANTREL_AsioDriverInitialize)(2), 0);
    ASSERT_EQ(VT(VANTREL_AsioDriverInitialize)(0), 1);
    int inputs = 0, outputs = 0;
    ASSERT_EQ(VT(VANTREL_GetNumberOfChannels)(&inputs, &outputs), 1);
    EXPECT_EQ(inputs, 2);
    EXPECT_EQ(outputs, 2);
    EXPECT_EQ(VT(VANTREL_GetNumberOfChannels)(nullptr, &outputs), 0);

    static_assert(sizeof(ChannelInformation) == 48 && sizeof(ClockSourceInformation) == 48);
    ChannelInformation info;
    std::memset(&info, 0x7F, sizeof info);
    ASSERT_EQ(VT(VANTREL_GetOutputChannelInformation)(1, &info), 1);
    EXPECT_EQ(info.channel, 1);
    EXPECT_EQ(info.sampleType, 19);
    EXPECT_STREQ(info.name, "Null Out 2");
    EXPECT_EQ(info.name[31], 0) << "zero-filled";
    EXPECT_EQ(VT(VANTREL_GetOutputChannelInformation)(2, &info), 0) << "beyond the output count";
    EXPECT_EQ(VT(VANTREL_GetOutputChannelInformation)(-1, &info), 0);
    EXPECT_EQ(VT(VANTREL_GetInputChannelInformation)(0, nullptr), 0);

    EXPECT_EQ(VT(VANTREL_CanSample)(48000), 1);
    EXPECT_EQ(VT(VANTREL_CanSample)(12345), 0);
    EXPECT_EQ(VT(VANTREL_GetNumberOfClockSources)(), 3);
    EXPECT_EQ(VT(VANTREL_SetClockSource)(3), 1) << "the index equal to the count is accepted";
    EXPECT_EQ(VT(VANTREL_SetClockSource)(4), 0);
    EXPECT_EQ(VT(VANTREL_SetClockSource)(-1), 0);
    ClockSourceInformation clock;
    clock.reserved = 77;
    ASSERT_EQ(VT(VANTREL_GetClockSourceInformation)(1, &clock), 1);
    EXPECT_EQ(clock.reserved, 77);
    EXPECT_EQ(clock.isCurrent, 0);
    EXPECT_STREQ(clock.name, "External 1");
    EXPECT_EQ(VT(VANTREL_GetClockSourceInformation)(3, &clock), 0);
    int in = 0, out = 0;
    EXPECT_EQ(VT(VANTREL_GetLatencies)(&in, &out), 1);
    EXPECT_EQ(out, 256);
}

TEST_F(Exports, BadArgumentsGiveEachExportsFailureResult) {
    ASSERT_EQ(VT(VANTREL_AsioDriverInitialize)(0), 1);
    int channels[2] = {0, 1};
    ASSERT_EQ(VT(VANTREL_Prepare)(0, nullptr, 2, channels, 0, 1000, 0, 48000, 0.125), 1);
    int16_t data[8] = {};
    double samples[8] = {};
    EXPECT_EQ(VT(VANTREL_SetOutputWaveData)(0, data, 8, 4), -1) << "type 4";
    EXPECT_EQ(VT(VANTREL_SetOutputWaveData)(0, data, -8, 0), -1) << "negative count";
    EXPECT_EQ(VT(VANTREL_SetOutputWaveData)(-1, data, 8, 0), -1) << "negative channel";
    EXPECT_EQ(VT(VANTREL_SetOutputWaveData)(2, data, 8, 0), -1) << "not a prepared output";
    EXPECT_EQ(VT(VANTREL_SetOutputWaveData)(0, nullptr, 8, 0), 0);
    EXPECT_EQ(VT(VANTREL_SetOutputData)(0, samples, -1), -1);
    EXPECT_EQ(VT(VANTREL_SetOutputData)(-1, samples, 8), -1);
    EXPECT_EQ(VT(VANTREL_GetInputData)(0, samples, -1), -1);
    EXPECT_EQ(VT(VANTREL_GetInputData)(-1, samples, 8), -1);
    EXPECT_EQ(VT(VANTREL_GetInputDataSize)(-1), -1);
    EXPECT_EQ(VT(VANTREL_GetInputPointerState)(-1), 0);
    EXPECT_EQ(VT(VANTREL_GetOutputRemainSample)(-1), 0);
    EXPECT_EQ(VT(VANTREL_GetCurrentInputLevel)(-1), VANTREL_LEVEL_UNAVAILABLE);
    EXPECT_EQ(VT(VANTREL_GetCurrentInputLevelLin)(-1), VANTREL_LEVEL_UNAVAILABLE);
    EXPECT_EQ(VT(VANTREL_GetMaximumInputLevel)(-1), VANTREL_LEVEL_UNAVAILABLE);
    EXPECT_EQ(VT(VANTREL_ResetMaximumInputLevel)(-1), 0);
    EXPECT_EQ(VT(VANTREL_Prepare)(-1, nullptr, 2, channels, 0, 1000, 0, 48000, 0), 0);
    EXPECT_EQ(VT(VANTREL_Prepare)(0, nullptr, -2, channels, 0, 1000, 0, 48000, 0), 0);
    int negative = -3;
    EXPECT_EQ(VT(VANTREL_Prepare)(0, nullptr, 1, &negative, 0, 1000, 0, 48000, 0), 0);
    EXPECT_EQ(VT(VANTREL_SetWindowHandle)(0), 0);
    EXPECT_EQ(VT(VANTREL_SetOutputWaveData)(1, data, 8, 0), 8) << "the last good prepare still holds";
}

// The host's one play: prepare, fill, start, refill on REMAIN, end on the stopped
// message; the messages cross from libvantrel.so through libtamvik_post.so.
TEST_F(Exports, PlayThroughTheRealLibraries) {
    MessageLog log;
    ASSERT_EQ(VT(VANTREL_SetNotifyFlag)(0x103), 1);
    ASSERT_EQ(VT(VANTREL_AsioDriverInitialize)(0), 1);
    int map[2] = {1, 0};
    ASSERT_EQ(VT(VANTREL_Prepare)(0, nullptr, 2, map, 0, 96000, 0, 48000, 0.125), 1);
    std::vector<int16_t> block(4800);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = int16_t(i + 1);
    ASSERT_EQ(VT(VANTREL_SetOutputWaveData)(0, block.data(), 4800, 0), 4800);
    ASSERT_EQ(VT(VANTREL_SetOutputWaveData)(1, block.data(), 2400, 0), 2400);
    EXPECT_EQ(VT(VANTREL_GetOutputRemainSample)(0), 4800);
    ASSERT_EQ(VT(VANTREL_SetWindowHandle)(log.Handle()), 1);
    ASSERT_EQ(VT(VANTREL_StartEx)(), 1);
    EXPECT_EQ(VT(VANTREL_IsWorking)(), 1);
    ASSERT_TRUE(log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, 0x40000, 10s)) << "no stopped message arrived";
    EXPECT_EQ(VT(VANTREL_IsWorking)(), 0);
    EXPECT_EQ(VT(VANTREL_IsTimeouted)(), 0);
    EXPECT_EQ(log.Count(WM_ASIO_OUTPUT_EVENT, 0x10000), 1u);
    EXPECT_EQ(log.Count(WM_ASIO_OUTPUT_EVENT, 0x30000), 1u);
    EXPECT_EQ(log.Count(WM_ASIO_OUTPUT_EVENT, 0x30001), 1u);
    EXPECT_GE(log.Count(WM_ASIO_REMAIN, 0x10000), 1u);

    // Prepared output 0 is driver channel 1: it played the int16 block as floats.
    void* plugin = ::dlopen(VANTREL_NULL_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(plugin, nullptr);
    auto played = reinterpret_cast<decltype(&vantrel_null_played)>(::dlsym(plugin, "vantrel_null_played"));
    std::vector<float> got(4800);
    ASSERT_EQ(played(1, got.data(), got.size() * sizeof(float)), got.size() * sizeof(float));
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], float(block[i] * 3.051850947599719e-05)) << i;
    ::dlclose(plugin);

    // Right after the stop (which released the driver) the same prepare works again.
    ASSERT_EQ(VT(VANTREL_Prepare)(0, nullptr, 2, map, 0, 96000, 0, 48000, 0.125), 1);
    double loopBlock[1000];
    for (int i = 0; i < 1000; ++i)
        loopBlock[i] = i / 1000.0;
    int one = 0;
    ASSERT_EQ(VT(VANTREL_Start)(0, nullptr, 1, &one, 1000, loopBlock, 48000, 0), 1);
    // Several times the block's 21 ms: a stream that ended with its data would have.
    EXPECT_TRUE(tamvik_test::StaysFalse([&] { return VT(VANTREL_IsWorking)() != 1; }, 150ms))
        << "a looping block plays until stopped";
    EXPECT_EQ(VT(VANTREL_Prepare)(0, nullptr, 2, map, 0, 96000, 0, 48000, 0.125), 0) << "not while running";
    EXPECT_EQ(VT(VANTREL_Stop)(), 1);
    EXPECT_EQ(VT(VANTREL_IsWorking)(), 0);
}
