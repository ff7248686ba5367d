#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "CWaveFileIF.h"
#include "ManualResetEvent.h"
#include "Post.h"

typedef struct _snd_pcm snd_pcm_t;

// wParam of WM_SOUND_STATUS.
enum SoundStatus : int {
    SoundStarted = 1,  // the device started after priming
    SoundProgress = 2, // one block played; lParam the whole percentage of the data played
    SoundFinished = 3, // every block played (never after a stop)
    SoundStopped = 4,  // stopped by CSound::Stop
    SoundRefused = 5,  // bad format, device refused it, or the device failed while playing
};

// Plays one WAV file at a time on an ALSA output from a thread of its own and reports to
// a window by WM_SOUND_STATUS. The main window owns it on the wave-out path; its callers
// use it from the user-interface thread.
class CSound {
public:
    // Throws std::runtime_error "CSound : cannot allocate memory!!" when the blocks cannot
    // be allocated.
    CSound();
    ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    // Throws std::runtime_error "device is busy!!" while playing.
    void SetDevice(int deviceId);
    int GetDevice() const { return m_deviceId.load(); }
    void SetNotifyWindow(WindowHandle window) { m_notifyWindow = window; }
    bool Play(const QString& path);
    bool Stop();
    bool IsPlaying() const { return m_playEvent.IsSet(); }
    void Notify(int status);

    static constexpr int BlockCount = 16;
    static constexpr uint32_t BlockSize = 0x8000;

private:
    void Execute();
    // Plays the open file on the device; returns the status that ended it (3, 4 or 5).
    int PlayFile();
    bool OpenDevice(const WAVEFORMATEXTENSIBLE& format);
    // Hands the device whole frames of the queued blocks, as many as its buffer takes.
    bool Feed();
    // Updates the bytes the device has played; false on a device error.
    bool Poll();
    bool StartDevice();
    bool StopRequested();
    // Waits until the device has played block `index`, feeding it meanwhile; returns 0
    // when done, else the status that ends the play.
    int AwaitBlock(uint32_t index);
    // Sleeps until the device can take more (or changes state), until about `untilEnd`
    // bytes have played when nothing is left to hand it, or until Stop wakes the player.
    void WaitForDevice(uint64_t untilEnd);

    ManualResetEvent m_playEvent;
    // Guards m_stopRequest, m_bytesPlayed and the end of a play.
    std::mutex m_lock;
    std::atomic<int> m_deviceId{-1};
    CWaveFileIF m_file;
    std::atomic<WindowHandle> m_notifyWindow{0};
    snd_pcm_t* m_device = nullptr;
    WAVEFORMATEXTENSIBLE m_format{};
    std::vector<std::vector<uint8_t>> m_blocks;
    uint32_t m_blockLength[BlockCount] = {};
    uint32_t m_blockSize = 0;
    uint32_t m_bytesPlayed = 0;
    bool m_stopRequest = false;
    std::atomic<bool> m_terminate{false};
    int m_wakeFd = -1; // eventfd: Stop wakes the player's device wait

    // Player-thread state of the current play.
    uint32_t m_frameBytes = 0;
    uint64_t m_queued = 0;        // data bytes read into blocks
    uint64_t m_handed = 0;        // data bytes given to the device (whole frames)
    uint64_t m_consumed = 0;      // data bytes the device has played
    uint64_t m_playable = 0;      // whole-frame bytes of the data chunk
    std::vector<uint8_t> m_carry; // one frame that straddles two blocks

    std::thread m_thread;
};

// The output devices: -1 is "default", 0..count-1 the output PCMs ALSA's name hints list
// (those `aplay -L` lists), each known by its ALSA name.
int GetWaveOutDeviceCount();
QString GetWaveOutDeviceName(int deviceId);

struct WaveOutCaps {
    QString productName; // what the windows show: the ALSA name too
    QString pcmName;     // the ALSA name
};
bool GetWaveOutDeviceCaps(int deviceId, WaveOutCaps* caps);
// True when the file is a WAV file whose format the device accepts.
bool CanPlayWaveFile(int deviceId, const QString& path);
// Every output device in one listing (device i is entry i), for lists shown to the user.
std::vector<WaveOutCaps> ListWaveOutDevices();
// The rates of the list that the device plays with these channels and bits, asked of its
// hardware parameters in one open; empty when it cannot be opened.
std::vector<int> PlayableRates(int deviceId, const std::vector<int>& rates, int channels, int bitsPerSample);
