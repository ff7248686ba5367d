#include "Csound.h"

#include "Messages.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <stdexcept>
#include <system_error>

using namespace std::chrono_literals;

namespace {

// A running device whose play position does not move for this long is taken for stalled
// (a server gone, a device unplugged without an error).
constexpr auto StallTimeout = 3000ms;
// Stop gives the player this long to end the play.
constexpr auto StopTimeout = 5000ms;

// The output PCMs of ALSA's name hints, by name, in hint order: those for output only
// and those without a direction (both ways), as `aplay -L` lists them. A device is shown
// by its name: a hint's description often describes a plug-in ("Rate Converter Plugin
// Using ..."), or repeats the card's name for each of its PCMs, and picks out no device.
std::vector<QString> outputPcms() {
    std::vector<QString> result;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr)
        return result;
    for (void** h = hints; *h != nullptr; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* ioid = snd_device_name_get_hint(*h, "IOID");
        if (name != nullptr && (ioid == nullptr || std::strcmp(ioid, "Output") == 0))
            result.push_back(QString::fromUtf8(name));
        free(name);
        free(ioid);
    }
    snd_device_name_free_hint(hints);
    return result;
}

// The ALSA sample format of a WAV format, after checking it can be divided by; UNKNOWN
// for anything unusable.
snd_pcm_format_t alsaFormatOf(const WAVEFORMATEXTENSIBLE& format) {
    const WAVEFORMATEX& f = format.Format;
    if (f.nChannels < 1 || f.nSamplesPerSec == 0 || f.wBitsPerSample == 0 || f.wBitsPerSample % 8 != 0 ||
        f.nBlockAlign != f.nChannels * (f.wBitsPerSample / 8))
        return SND_PCM_FORMAT_UNKNOWN;
    bool isFloat;
    if (f.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        if (format.SubFormat == KSDATAFORMAT_SUBTYPE_PCM)
            isFloat = false;
        else if (format.SubFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT)
            isFloat = true;
        else
            return SND_PCM_FORMAT_UNKNOWN;
    } else if (f.wFormatTag == WAVE_FORMAT_PCM) {
        isFloat = false;
    } else if (f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
        isFloat = true;
    } else {
        return SND_PCM_FORMAT_UNKNOWN;
    }
    if (isFloat)
        return f.wBitsPerSample == 32   ? SND_PCM_FORMAT_FLOAT_LE
               : f.wBitsPerSample == 64 ? SND_PCM_FORMAT_FLOAT64_LE
                                        : SND_PCM_FORMAT_UNKNOWN;
    switch (f.wBitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

// Restricts hw to the file's access, format, channels and exact rate; false when the
// device cannot play it.
bool restrictToFormat(snd_pcm_t* pcm, snd_pcm_hw_params_t* hw, const WAVEFORMATEXTENSIBLE& format) {
    const snd_pcm_format_t alsaFormat = alsaFormatOf(format);
    return alsaFormat != SND_PCM_FORMAT_UNKNOWN && snd_pcm_hw_params_any(pcm, hw) >= 0 &&
           snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
           snd_pcm_hw_params_set_format(pcm, hw, alsaFormat) >= 0 &&
           snd_pcm_hw_params_set_channels(pcm, hw, format.Format.nChannels) >= 0 &&
           snd_pcm_hw_params_set_rate(pcm, hw, format.Format.nSamplesPerSec, 0) >= 0;
}

snd_pcm_t* openPcm(int deviceId) {
    const QString name = GetWaveOutDeviceName(deviceId);
    snd_pcm_t* pcm = nullptr;
    // Non-blocking: a busy device is refused at once, and no write ever waits.
    if (name.isEmpty() ||
        snd_pcm_open(&pcm, name.toUtf8().constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return nullptr;
    return pcm;
}

} // namespace

int GetWaveOutDeviceCount() {
    return int(outputPcms().size());
}

QString GetWaveOutDeviceName(int deviceId) {
    if (deviceId == -1)
        return QStringLiteral("default");
    if (deviceId < 0)
        return {};
    const std::vector<QString> pcms = outputPcms();
    return size_t(deviceId) < pcms.size() ? pcms[size_t(deviceId)] : QString();
}

bool GetWaveOutDeviceCaps(int deviceId, WaveOutCaps* caps) {
    if (caps == nullptr)
        return false;
    const QString name = GetWaveOutDeviceName(deviceId);
    if (name.isEmpty())
        return false;
    caps->pcmName = name;
    caps->productName = name;
    return true;
}

std::vector<WaveOutCaps> ListWaveOutDevices() {
    std::vector<WaveOutCaps> devices;
    for (const QString& name : outputPcms())
        devices.push_back({name, name});
    return devices;
}

std::vector<int> PlayableRates(int deviceId, const std::vector<int>& rates, int channels, int bitsPerSample) {
    std::vector<int> playable;
    WAVEFORMATEXTENSIBLE format{};
    format.Format.wFormatTag = WAVE_FORMAT_PCM;
    format.Format.nChannels = static_cast<uint16_t>(channels);
    format.Format.wBitsPerSample = static_cast<uint16_t>(bitsPerSample);
    format.Format.nBlockAlign = static_cast<uint16_t>(channels * (bitsPerSample / 8));
    format.Format.nSamplesPerSec = 44100; // any: the rates are tried one by one below
    const snd_pcm_format_t alsaFormat = alsaFormatOf(format);
    snd_pcm_t* pcm = openPcm(deviceId);
    if (pcm == nullptr || alsaFormat == SND_PCM_FORMAT_UNKNOWN) {
        if (pcm)
            snd_pcm_close(pcm);
        return playable;
    }
    // One open and one set of hardware parameters for every rate.
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm, hw) >= 0 &&
        snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
        snd_pcm_hw_params_set_format(pcm, hw, alsaFormat) >= 0 &&
        snd_pcm_hw_params_set_channels(pcm, hw, static_cast<unsigned>(channels)) >= 0) {
        for (int rate : rates)
            if (snd_pcm_hw_params_test_rate(pcm, hw, static_cast<unsigned>(rate), 0) == 0)
                playable.push_back(rate);
    }
    snd_pcm_close(pcm);
    return playable;
}

bool CanPlayWaveFile(int deviceId, const QString& path) {
    WAVEFORMATEXTENSIBLE format{};
    {
        CWaveFileIF file;
        if (!file.OpenEx(path, 0, &format))
            return false;
    }
    snd_pcm_t* pcm = openPcm(deviceId);
    if (pcm == nullptr)
        return false;
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    const bool ok = restrictToFormat(pcm, hw, format);
    snd_pcm_close(pcm);
    return ok;
}

CSound::CSound() {
    try {
        m_blocks.assign(BlockCount, std::vector<uint8_t>(BlockSize, 0));
        m_carry.resize(64);
    } catch (const std::bad_alloc&) {
        m_blocks.clear();
        throw std::runtime_error("CSound : cannot allocate memory!!");
    }
    m_blockSize = BlockSize;
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    try {
        m_thread = std::thread(&CSound::Execute, this);
    } catch (const std::system_error&) {
        throw std::runtime_error("CSound : cannot create sync. object!!");
    }
}

CSound::~CSound() {
    Stop();
    m_terminate = true;
    m_playEvent.Set(); // wakes the thread to see the request
    m_thread.join();
    m_file.Close();
    if (m_device)
        snd_pcm_close(m_device);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void CSound::SetDevice(int deviceId) {
    if (m_playEvent.IsSet())
        throw std::runtime_error("device is busy!!");
    m_deviceId = deviceId;
}

bool CSound::Play(const QString& path) {
    std::lock_guard guard(m_lock);
    if (m_playEvent.IsSet())
        return false;
    m_format = {};
    if (!m_file.OpenEx(path, 0, &m_format))
        return false;
    m_playEvent.Set();
    return true;
}

bool CSound::Stop() {
    if (!m_playEvent.IsSet())
        return false;
    {
        std::lock_guard guard(m_lock);
        m_stopRequest = true;
    }
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
    // The player sees the request at its next wake-up, which the write above brings at
    // once; a player stuck in the device is given up on after the bound.
    const bool ended = m_playEvent.WaitForReset(StopTimeout);
    std::lock_guard guard(m_lock);
    m_stopRequest = false;
    return ended;
}

void CSound::Notify(int status) {
    const WindowHandle window = m_notifyWindow.load();
    if (window == 0)
        return;
    intptr_t lParam = 0;
    if (status == SoundProgress) {
        std::lock_guard guard(m_lock);
        const uint32_t size = m_file.GetDataSize();
        if (size != 0 && size != 0xFFFFFFFFu)
            lParam = intptr_t(double(m_bytesPlayed) / double(size) * 100.0);
    }
    PostMessage(window, WM_SOUND_STATUS, status, lParam);
}

bool CSound::StopRequested() {
    std::lock_guard guard(m_lock);
    return m_stopRequest;
}

void CSound::Execute() {
    for (;;) {
        {
            std::lock_guard guard(m_lock);
            m_bytesPlayed = 0;
        }
        m_playEvent.Wait();
        if (m_terminate)
            return;
        const int status = PlayFile();
        if (m_device) {
            snd_pcm_drop(m_device);
            snd_pcm_close(m_device);
            m_device = nullptr;
        }
        // The window may call Play again on the final message: the play must be over
        // (file closed, event reset) before it is posted, and no new play may begin
        // between the reset and the message.
        std::lock_guard guard(m_lock);
        m_file.Close();
        m_format = {};
        m_stopRequest = false;
        m_playEvent.Reset();
        if (status == SoundRefused || status == SoundFinished) {
            const WindowHandle window = m_notifyWindow.load();
            if (window != 0)
                PostMessage(window, WM_SOUND_STATUS, status, 0);
        }
    }
}

bool CSound::OpenDevice(const WAVEFORMATEXTENSIBLE& format) {
    m_device = openPcm(m_deviceId.load());
    if (m_device == nullptr)
        return false;
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    if (!restrictToFormat(m_device, hw, format))
        return false;
    // About half a second of device buffer in four periods; the rest of the 16-block
    // queue stays with us. Some plug-in chains refuse the sizes once combined: then take
    // the device's own.
    unsigned periodTime = 125000;
    unsigned bufferTime = 500000;
    int dir = 0;
    snd_pcm_hw_params_set_period_time_near(m_device, hw, &periodTime, &dir);
    snd_pcm_hw_params_set_buffer_time_near(m_device, hw, &bufferTime, &dir);
    if (snd_pcm_hw_params(m_device, hw) < 0 &&
        (!restrictToFormat(m_device, hw, format) || snd_pcm_hw_params(m_device, hw) < 0))
        return false;
    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_uframes_t boundary = 0;
    // We start the device ourselves once the queue is primed; an automatic start
    // threshold above what the buffer holds would never be reached.
    return snd_pcm_sw_params_current(m_device, sw) >= 0 &&
           snd_pcm_sw_params_get_boundary(sw, &boundary) >= 0 &&
           snd_pcm_sw_params_set_start_threshold(m_device, sw, boundary) >= 0 &&
           snd_pcm_sw_params(m_device, sw) >= 0;
}

int CSound::PlayFile() {
    const WAVEFORMATEXTENSIBLE format = m_format;
    if (!OpenDevice(format))
        return SoundRefused;
    m_frameBytes = format.Format.nBlockAlign;
    if (m_carry.size() < m_frameBytes)
        m_carry.resize(m_frameBytes);
    const uint32_t dataSize = m_file.GetDataSize();
    m_playable = dataSize - dataSize % m_frameBytes;
    m_queued = m_handed = m_consumed = 0;

    uint32_t i = 0;
    for (;; ++i) {
        if (StopRequested()) {
            snd_pcm_drop(m_device);
            Notify(SoundStopped);
            return SoundStopped;
        }
        const uint32_t s = i % BlockCount;
        if (i >= BlockCount) {
            if (int status = AwaitBlock(i - BlockCount))
                return status;
        }
        const int32_t got = m_file.ReadAt(m_blocks[s].data(), i * m_blockSize, m_blockSize);
        if (got <= 0) {
            if (i < BlockCount) {
                if (!StartDevice())
                    return SoundRefused;
                Notify(SoundStarted);
            }
            break;
        }
        m_blockLength[s] = uint32_t(got);
        m_queued = uint64_t(i) * m_blockSize + uint32_t(got);
        if (!Feed())
            return SoundRefused;
        if (i == BlockCount - 1) {
            if (!StartDevice())
                return SoundRefused;
            Notify(SoundStarted);
        }
    }
    // Drain: the blocks still queued, oldest first.
    const uint32_t n = i;
    const uint32_t first = n >= BlockCount ? n - BlockCount + 1 : 0;
    for (uint32_t b = first; b < n; ++b) {
        if (StopRequested()) {
            snd_pcm_drop(m_device);
            Notify(SoundStopped);
            return SoundStopped;
        }
        if (int status = AwaitBlock(b))
            return status;
    }
    return SoundFinished;
}

int CSound::AwaitBlock(uint32_t index) {
    const uint32_t s = index % BlockCount;
    // A trailing partial frame is never played, so the last block ends at the last frame.
    const uint64_t end = std::min<uint64_t>(uint64_t(index) * m_blockSize + m_blockLength[s], m_playable);
    uint64_t lastConsumed = m_consumed;
    auto lastProgress = std::chrono::steady_clock::now();
    for (;;) {
        if (!Feed() || !Poll())
            return SoundRefused;
        if (m_consumed >= end)
            break;
        if (StopRequested()) {
            snd_pcm_drop(m_device);
            Notify(SoundStopped);
            return SoundStopped;
        }
        const auto now = std::chrono::steady_clock::now();
        if (m_consumed != lastConsumed) {
            lastConsumed = m_consumed;
            lastProgress = now;
        } else if (now - lastProgress > StallTimeout) {
            return SoundRefused;
        }
        WaitForDevice(end);
    }
    {
        std::lock_guard guard(m_lock);
        m_bytesPlayed += m_blockLength[s];
    }
    Notify(SoundProgress);
    return 0;
}

void CSound::WaitForDevice(uint64_t untilEnd) {
    pollfd fds[9];
    int count = 0;
    int timeoutMs = 50; // also how soon a stall is noticed
    if (std::min(m_queued, m_playable) - m_handed >= m_frameBytes) {
        // Data waits for room: the device's descriptors wake us when a period has played.
        count = snd_pcm_poll_descriptors(m_device, fds, 8);
        if (count < 0)
            count = 0;
    } else {
        // All handed over: sleep about as long as the rest of the block takes to play.
        const uint64_t bytesPerSecond = uint64_t(m_format.Format.nAvgBytesPerSec);
        if (bytesPerSecond > 0 && untilEnd > m_consumed)
            timeoutMs = int(std::clamp<uint64_t>((untilEnd - m_consumed) * 1000 / bytesPerSecond, 1, 50));
    }
    if (m_wakeFd >= 0)
        fds[count++] = pollfd{m_wakeFd, POLLIN, 0};
    ::poll(fds, nfds_t(count), timeoutMs);
    uint64_t drained = 0;
    if (m_wakeFd >= 0) [[maybe_unused]]
        const ssize_t n = ::read(m_wakeFd, &drained, sizeof drained);
}

bool CSound::Feed() {
    for (;;) {
        const uint64_t pending = std::min(m_queued, m_playable) - m_handed;
        if (pending < m_frameBytes)
            return true;
        snd_pcm_sframes_t room = snd_pcm_avail_update(m_device);
        if (room == -EPIPE) {
            // Ran dry between our polls: what was written has played; go on from here.
            m_consumed = m_handed;
            if (snd_pcm_prepare(m_device) < 0)
                return false;
            room = snd_pcm_avail_update(m_device);
        }
        if (room < 0)
            return false;
        if (room == 0)
            return true;
        const uint32_t at = uint32_t(m_handed % m_blockSize);
        const uint32_t s = uint32_t(m_handed / m_blockSize) % BlockCount;
        const uint64_t inBlock = std::min<uint64_t>(m_blockLength[s] - at, pending);
        const uint8_t* data;
        snd_pcm_uframes_t frames;
        if (inBlock >= m_frameBytes) {
            data = m_blocks[s].data() + at;
            frames = std::min<uint64_t>(inBlock / m_frameBytes, uint64_t(room));
        } else {
            // The frame runs on into the next block: hand it over from a copy.
            std::memcpy(m_carry.data(), m_blocks[s].data() + at, inBlock);
            std::memcpy(m_carry.data() + inBlock, m_blocks[(s + 1) % BlockCount].data(),
                        m_frameBytes - inBlock);
            data = m_carry.data();
            frames = 1;
        }
        const snd_pcm_sframes_t written = snd_pcm_writei(m_device, data, frames);
        if (written == -EAGAIN)
            return true;
        if (written == -EPIPE) {
            m_consumed = m_handed;
            if (snd_pcm_prepare(m_device) < 0)
                return false;
            continue;
        }
        if (written < 0)
            return false;
        m_handed += uint64_t(written) * m_frameBytes;
    }
}

bool CSound::StartDevice() {
    if (!Feed())
        return false;
    if (snd_pcm_state(m_device) == SND_PCM_STATE_PREPARED && m_handed > m_consumed)
        return snd_pcm_start(m_device) >= 0;
    return true;
}

bool CSound::Poll() {
    const snd_pcm_state_t state = snd_pcm_state(m_device);
    if (state == SND_PCM_STATE_DISCONNECTED || state == SND_PCM_STATE_SUSPENDED)
        return false;
    if (state == SND_PCM_STATE_XRUN) {
        m_consumed = m_handed;
        return snd_pcm_prepare(m_device) >= 0 && StartDevice();
    }
    if (state == SND_PCM_STATE_PREPARED) {
        // Re-primed after an underrun, or nothing handed yet.
        return StartDevice();
    }
    snd_pcm_sframes_t delay = 0;
    const int err = snd_pcm_delay(m_device, &delay);
    if (err == -EPIPE) {
        m_consumed = m_handed;
        return snd_pcm_prepare(m_device) >= 0 && StartDevice();
    }
    if (err < 0)
        return false;
    const uint64_t queuedInDevice = uint64_t(std::max<snd_pcm_sframes_t>(delay, 0)) * m_frameBytes;
    const uint64_t consumed = m_handed - std::min(queuedInDevice, m_handed);
    m_consumed = std::max(m_consumed, consumed);
    return true;
}
