#include "StimulusPlayback.h"

#include "CWaveFileIF.h"
#include "Csound.h"
#include "Cwaveread.h"
#include "vantrel.h"

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

using namespace std::chrono_literals;

namespace {
constexpr uint32_t ReadFailed = 0xFFFFFFFFu;

// Hears the library's stop message while a play waits for the one before to wind down.
// One for the process, as the library has one session.
class StopListener {
public:
    static StopListener& Get() {
        static StopListener listener;
        return listener;
    }
    WindowHandle Handle() const { return m_handle; }
    // Waits until the library no longer works, woken by its stop message; the library's
    // messages go here meanwhile and to `window` afterwards.
    bool WaitIdle(std::chrono::milliseconds timeout, WindowHandle window) {
        if (VANTREL_IsWorking() != VANTREL_TRUE)
            return true;
        VANTREL_SetWindowHandle(m_handle);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        bool idle = false;
        {
            std::unique_lock lock(m_lock);
            // The stop may fall between the first check and the handle change, so the
            // library is asked again after every wake; a stop message that raced the
            // handle change is caught by the short wait.
            while (!(idle = VANTREL_IsWorking() != VANTREL_TRUE)) {
                const auto now = std::chrono::steady_clock::now();
                if (now >= deadline)
                    break;
                m_changed.wait_for(lock, std::min<std::chrono::steady_clock::duration>(deadline - now, 50ms));
            }
        }
        if (window != 0)
            VANTREL_SetWindowHandle(window);
        return idle;
    }

private:
    StopListener() : m_handle(RegisterMessageReceiver(&Receive, this)) {}
    static void Receive(void* context, uint32_t msg, intptr_t wParam, intptr_t) {
        auto* self = static_cast<StopListener*>(context);
        if (msg != VANTREL_WM_OUTPUT_EVENT || VANTREL_MESSAGE_KIND(wParam) != VANTREL_OUTPUT_STOPPED)
            return;
        { std::lock_guard lock(self->m_lock); }
        self->m_changed.notify_all();
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    WindowHandle m_handle;
};
} // namespace

bool CheckWaveFileForDevice(const DeviceFormatMap& deviceFormats, const QString& path, int* channels,
                            int* bits, int* rate, uint32_t* frames) {
    if (!QFileInfo(path).isFile())
        return false;
    CWaveFileIF file;
    WAVEFORMATEXTENSIBLE format{};
    if (!file.OpenEx(path, 0, &format))
        return false;
    const uint32_t dataSize = file.GetDataSize();
    file.Close();
    const int fileChannels = format.Format.nChannels;
    const int fileBits = format.Format.wBitsPerSample;
    const int fileRate = int(format.Format.nSamplesPerSec);
    // 8-bit samples are refused here, before any run starts: the low-latency path takes
    // none, and a run must not start with a stimulus it cannot play on every output.
    if (fileChannels < 1 || fileBits < 16)
        return false;
    const auto device = deviceFormats.find(fileRate);
    if (device == deviceFormats.end() || device->second < fileChannels)
        return false;
    if (channels)
        *channels = fileChannels;
    if (bits)
        *bits = fileBits;
    if (rate)
        *rate = fileRate;
    if (frames)
        *frames = dataSize / (uint32_t(fileChannels) * uint32_t(fileBits / 8));
    return true;
}

bool StimulusPlayback::CheckWaveFile(const QString& path, int* channels, int* bits, int* rate,
                                     uint32_t* frames) const {
    return CheckWaveFileForDevice(output.deviceFormats, path, channels, bits, rate, frames);
}

bool StimulusPlayback::Play(const QString& path, WindowHandle window) {
    m_active = false;
    m_sentFrames = 0;
    m_active = output.useMME ? PlayWaveOut(path, window) : PlayLowLatency(path, window);
    return m_active;
}

bool StimulusPlayback::PlayWaveOut(const QString& path, WindowHandle window) {
    if (!sound)
        return false;
    try {
        sound->SetDevice(output.soundDeviceId);
    } catch (const std::exception&) {
        return false; // still playing
    }
    sound->SetNotifyWindow(window);
    return sound->Play(path);
}

bool StimulusPlayback::PlayLowLatency(const QString& path, WindowHandle window) {
    if (!waveRead || output.asioBlockFrames < 2)
        return false;
    if (!WaitLibraryIdle(std::chrono::milliseconds(10 * busyWaitTries), window))
        return false;

    int rate = 0;
    const bool checked = waveCheck ? waveCheck(path, nullptr, nullptr, &rate, nullptr)
                                   : CheckWaveFile(path, nullptr, nullptr, &rate, nullptr);
    if (!checked || rate <= 0)
        return false;
    if (!waveRead->Open({path}, 2 * uint32_t(rate)))
        return false;
    // The library takes no 8-bit samples: such a play would be silence counted as heard.
    m_sampleFormat = waveRead->GetSampleFormat();
    m_bytesPerSample = waveRead->GetBytesPerSample();
    m_fileChannels = waveRead->GetChannelCount();
    if (m_sampleFormat < 0 || m_bytesPerSample == 0 || m_fileChannels == 0)
        return false;
    waveRead->Start();

    m_channelFlags.assign(m_fileChannels, 0);
    m_channelMap = ChannelMapFor(m_fileChannels);
    const int outputs = int(m_channelMap.size());
    // The backlogs keep their memory from the play before.
    m_backlog.resize(size_t(outputs));
    for (std::vector<uint8_t>& pending : m_backlog)
        pending.clear();

    m_warm.reset();
    if (VANTREL_Prepare(0, nullptr, outputs, m_channelMap.data(), 0, output.asioBlockFrames, 0, rate,
                        0.125) != VANTREL_TRUE) {
        waveRead->Stop();
        return false;
    }
    // The library now holds what this play built: a warm-up for the same is not needed.
    m_warm = WarmKey{output.soundDeviceId, rate, output.asioBlockFrames, m_channelMap};

    // The first fill: over once the reader works on the file, has finished with it, or
    // there is nothing to read; a reader that stays silent fails the play.
    if (!waveRead->WaitFirstFill(std::chrono::milliseconds(firstFillTimeoutMs))) {
        waveRead->Stop();
        return false;
    }

    m_block.resize(size_t(m_bytesPerSample) * size_t(output.asioBlockFrames) * m_fileChannels);
    uint32_t bytes = waveRead->Read(m_block.data(), uint32_t(m_block.size()));
    if (bytes == ReadFailed)
        bytes = 0;
    if (!Send(m_block.data(), bytes / (m_bytesPerSample * m_fileChannels))) {
        waveRead->Stop();
        return false;
    }

    VANTREL_SetWindowHandle(window);
    waveRead->notifyWindow = window;
    if (VANTREL_StartEx() != VANTREL_TRUE) {
        waveRead->Stop();
        return false;
    }
    return true;
}

std::vector<int> StimulusPlayback::ChannelMapFor(uint32_t fileChannels) const {
    const int outputs = (fileChannels == 1 && output.mono2Stereo) ? 2 : int(fileChannels);
    std::vector<int> map(static_cast<size_t>(outputs));
    // An order that covers every output used is followed, also when it lists exactly as
    // many channels as the stimulus has (a swapped stereo pair on a two-output device).
    for (int i = 0; i < outputs; ++i)
        map[size_t(i)] =
            output.asioChannelOrder.size() >= size_t(outputs) ? output.asioChannelOrder[size_t(i)] : i;
    return map;
}

bool StimulusPlayback::WarmUp(int rate) {
    if (output.useMME || !waveRead || output.asioBlockFrames < 2 || rate <= 0 || m_active)
        return false;
    const auto device = output.deviceFormats.find(rate);
    if (device == output.deviceFormats.end() || device->second < 1)
        return false;
    // A stereo file (or a mono one on two outputs); one output where the device has one.
    WarmKey key{output.soundDeviceId, rate, output.asioBlockFrames, ChannelMapFor(WarmFileChannels)};
    if (device->second < 2)
        key.channels.resize(1);
    const uint32_t ringFrames = 2 * uint32_t(rate);
    const bool readerWarm = waveRead->IsWarm(WarmFileChannels, ringFrames, WarmBytesPerSample);
    if (readerWarm && m_warm == key)
        return true;
    if (VANTREL_IsWorking() == VANTREL_TRUE || waveRead->IsBusy())
        return false;
    if (!readerWarm && !waveRead->WarmUp(WarmFileChannels, ringFrames, WarmBytesPerSample))
        return false;
    // The block of a play's first read, touched now (a resize later within it is free).
    const size_t blockBytes = size_t(WarmBytesPerSample) * size_t(output.asioBlockFrames) * WarmFileChannels;
    if (m_block.capacity() < blockBytes)
        m_block.assign(blockBytes, 0);
    if (m_warm == key)
        return true;
    // Preparing the stream a play would prepare makes the storages (their memory is kept
    // for a prepare of the same size), the library's timer threads and the driver's
    // buffers and connections; nothing plays until a start.
    std::vector<int> channels = key.channels;
    if (VANTREL_Prepare(0, nullptr, int(channels.size()), channels.data(), 0, output.asioBlockFrames, 0, rate,
                        0.125) != VANTREL_TRUE)
        return false;
    m_warm = key;
    return true;
}

bool StimulusPlayback::IsWarm() const {
    return m_warm.has_value() && waveRead &&
           waveRead->IsWarm(WarmFileChannels, 2 * uint32_t(m_warm->rate), WarmBytesPerSample);
}

bool StimulusPlayback::WaitLibraryIdle(std::chrono::milliseconds timeout, WindowHandle window) {
    return StopListener::Get().WaitIdle(timeout, window);
}

bool StimulusPlayback::Send(const uint8_t* block, uint32_t frames) {
    const size_t channelBytes = size_t(frames) * m_bytesPerSample;
    for (size_t j = 0; j < m_backlog.size(); ++j) {
        // A mono file feeds every output (mono to stereo); else output j plays channel j.
        const size_t source = m_fileChannels == 1 ? 0 : j;
        const uint8_t* fresh = block + source * channelBytes;
        std::vector<uint8_t>& pending = m_backlog[j];
        if (pending.empty()) {
            if (frames == 0)
                continue;
            // Nothing waits before the fresh samples: they go to the library straight from
            // the block, and only what it has no room for is kept.
            const int accepted =
                VANTREL_SetOutputWaveData(int(j), const_cast<uint8_t*>(fresh), int(frames), m_sampleFormat);
            if (accepted < 0)
                return false;
            pending.assign(fresh + size_t(accepted) * m_bytesPerSample, fresh + channelBytes);
            if (j == 0)
                m_sentFrames += uint64_t(accepted);
            continue;
        }
        if (frames > 0)
            pending.insert(pending.end(), fresh, fresh + channelBytes);
        const int accepted = VANTREL_SetOutputWaveData(
            int(j), pending.data(), int(pending.size() / m_bytesPerSample), m_sampleFormat);
        if (accepted < 0)
            return false;
        // What the storage had no room for goes first next time.
        pending.erase(pending.begin(), pending.begin() + ptrdiff_t(size_t(accepted) * m_bytesPerSample));
        if (j == 0)
            m_sentFrames += uint64_t(accepted);
    }
    return true;
}

bool StimulusPlayback::OnBufferDone(intptr_t wParam, intptr_t lParam) {
    if (!m_active || output.useMME || !waveRead)
        return true;
    const int kind = VANTREL_MESSAGE_KIND(wParam);
    const uint32_t channel = uint32_t(VANTREL_MESSAGE_CHANNEL(wParam));
    if (kind != VANTREL_REMAIN_OUTPUT || channel >= m_fileChannels)
        return true;
    if (lParam < output.asioBlockFrames / 2)
        m_channelFlags[channel] = 1;
    if (std::find(m_channelFlags.begin(), m_channelFlags.end(), 0) != m_channelFlags.end())
        return true;
    std::fill(m_channelFlags.begin(), m_channelFlags.end(), 0);

    const uint32_t half = uint32_t(output.asioBlockFrames - output.asioBlockFrames / 2);
    m_block.resize(size_t(m_bytesPerSample) * half * m_fileChannels);
    uint32_t bytes = waveRead->Read(m_block.data(), uint32_t(m_block.size()));
    if (bytes == ReadFailed)
        bytes = 0;
    if (Send(m_block.data(), bytes / (m_bytesPerSample * m_fileChannels)))
        return true;
    Abandon();
    return false;
}

bool StimulusPlayback::OnOutputEvent(intptr_t wParam, intptr_t) {
    if (VANTREL_MESSAGE_KIND(wParam) != VANTREL_OUTPUT_STOPPED || !m_active || output.useMME)
        return false;
    m_active = false;
    if (waveRead)
        waveRead->Stop();
    return true;
}

bool StimulusPlayback::Stop() {
    m_active = false;
    if (output.useMME)
        return !(sound && sound->IsPlaying()) || sound->Stop();
    bool stopped = true;
    if (VANTREL_IsWorking() == VANTREL_TRUE)
        stopped = VANTREL_Stop() == VANTREL_TRUE;
    if (waveRead)
        waveRead->Stop();
    return stopped;
}

void StimulusPlayback::Abandon() {
    m_active = false;
    if (VANTREL_IsWorking() == VANTREL_TRUE)
        VANTREL_Stop();
    if (waveRead)
        waveRead->Stop();
}
