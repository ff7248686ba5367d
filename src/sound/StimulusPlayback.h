#pragma once

#include "DeviceFormatMap.h"
#include "OutputSelection.h"
#include "Post.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CSound;
class CWaveRead;

// True when the file opens as WAV, declares at least one channel of 16 bits or more, and
// the device plays its rate with at least its channel count. Out pointers may be null;
// frames is the data size in whole frames. Every window checks stimuli with this.
bool CheckWaveFileForDevice(const DeviceFormatMap& deviceFormats, const QString& path, int* channels,
                            int* bits, int* rate, uint32_t* frames);

// Plays one stimulus file on the selected output: through the wave-out player (CSound),
// or streamed by the reader thread (CWaveRead) into libvantrel.so and refilled from its
// WM_ASIO_REMAIN reports. Every window that plays stimuli holds one and hands it the
// objects and settings the main window made; it owns none of them. Everything runs on
// the window's user-interface thread.
class StimulusPlayback {
public:
    // The main window's output selection and its players.
    OutputSelection output;
    CSound* sound = nullptr;       // wave-out path
    CWaveRead* waveRead = nullptr; // low-latency path

    // How long (in 10 ms) a play waits for the library to finish the one before; 0 fails
    // at once while it still works.
    int busyWaitTries = 0;
    // The longest wait for the reader's first fill; a reader that brings nothing by then
    // fails the play.
    int firstFillTimeoutMs = 3000;

    // The WAV check of a play; CheckWaveFile when not set. Out pointers may be null.
    using WaveCheck =
        std::function<bool(const QString& path, int* channels, int* bits, int* rate, uint32_t* frames)>;
    WaveCheck waveCheck;

    // True when the file opens as WAV, has channels, and its rate and channel count are
    // ones the output's device plays.
    bool CheckWaveFile(const QString& path, int* channels, int* bits, int* rate, uint32_t* frames) const;

    // Starts the file on the selected output; progress and the end are posted to window.
    bool Play(const QString& path, WindowHandle window);

    // Does ahead on the low-latency output what its first play would otherwise pay: the
    // reader's rings and work blocks, this object's blocks, the library's channel
    // storages, its timer threads and the driver's connections, sized for a stereo file of
    // 32-bit samples at `rate` (the rate the device is set to). Plays
    // nothing and leaves the library prepared but stopped. A no-op when done already for
    // this output (or a play on it did it); false on the wave-out path, while a play runs
    // (here or in another window), or when the library refuses.
    bool WarmUp(int rate);
    bool IsWarm() const;
    // The driver was loaded anew (its connections and buffers are gone): the next WarmUp
    // does its work again.
    void ForgetWarmUp() { m_warm.reset(); }
    // The library's WM_ASIO_REMAIN: refills the outputs once every file channel runs
    // below half a block. False when the library refused the data (the play is stopped).
    bool OnBufferDone(intptr_t wParam, intptr_t lParam);
    // The library's WM_ASIO_OUTPUT_EVENT: true when it is the stop that ends the play
    // started here (the reader is stopped then); a stale stop of an abandoned play is not.
    bool OnOutputEvent(intptr_t wParam, intptr_t lParam);
    // Ends a play early; false when the player or the library refused.
    bool Stop();

    // Frames handed to the library per output since the play began.
    uint64_t SentFrames() const { return m_sentFrames; }
    // The output channels of the current (or last) low-latency play, in output order.
    const std::vector<int>& ChannelMap() const { return m_channelMap; }
    bool IsActive() const { return m_active; }

private:
    // What the library was last prepared for on this object's behalf.
    struct WarmKey {
        int32_t device = 0;
        int rate = 0;
        int32_t blockFrames = 0;
        std::vector<int> channels;
        bool operator==(const WarmKey&) const = default;
    };
    // A stereo file of 32-bit samples (float, or 24- and 32-bit integers as they lie in
    // memory): the widest common case, and the JACK driver's own format.
    static constexpr uint32_t WarmFileChannels = 2;
    static constexpr uint32_t WarmBytesPerSample = 4;

    // The output channels a file of fileChannels plays on.
    std::vector<int> ChannelMapFor(uint32_t fileChannels) const;
    bool PlayWaveOut(const QString& path, WindowHandle window);
    bool PlayLowLatency(const QString& path, WindowHandle window);
    // Appends a planar block of `frames` to every output's backlog and offers each
    // backlog to the library; what it refuses stays for the next call. False when the
    // library refused the format.
    bool Send(const uint8_t* block, uint32_t frames);
    // Waits for the library to end the play before (woken by its stop message); false
    // when it still works after the time.
    static bool WaitLibraryIdle(std::chrono::milliseconds timeout, WindowHandle window);
    void Abandon();

    bool m_active = false;
    int32_t m_sampleFormat = -1;
    uint32_t m_bytesPerSample = 0;
    uint32_t m_fileChannels = 0;
    std::vector<int> m_channelMap;
    std::vector<uint8_t> m_channelFlags;         // a channel asked for a refill since the last one
    std::vector<std::vector<uint8_t>> m_backlog; // per output: bytes not yet accepted
    std::vector<uint8_t> m_block;
    uint64_t m_sentFrames = 0;
    std::optional<WarmKey> m_warm;
};
