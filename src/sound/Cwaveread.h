#pragma once

#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Cwavefilebuffer.h"
#include "ManualResetEvent.h"
#include "Post.h"

// Streams the WAV files of one stimulus (one file per group of output channels, all of
// one rate and sample format) into per-channel rings on a thread of its own, and hands
// the caller planar blocks of all channels in file order. Owned by the main window on the
// low-latency path; its users call it from the user-interface thread.
class CWaveRead {
public:
    CWaveRead();
    ~CWaveRead();
    CWaveRead(const CWaveRead&) = delete;
    CWaveRead& operator=(const CWaveRead&) = delete;

    bool Open(const QStringList& paths, uint32_t ringFrames);
    // Makes now the memory a play of one file of `channels` channels and `bytesPerSample`
    // bytes a sample (in memory) with rings of ringFrames would make, so that the play
    // takes it ready; a file of fewer channels or the same layout reuses it. Not while the
    // reader works (false); when not yet warm for these sizes it forgets the files of the
    // play before. Cheap when warm already.
    bool WarmUp(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample);
    bool IsWarm(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample) const;
    bool Start();
    bool Stop();
    bool IsBusy() const { return m_workEvent.IsSet(); }
    // Fills destination with a planar block; returns its bytes (0 when every file is
    // played out, 0xFFFFFFFF without open files). Bytes beyond those returned are left as
    // they were.
    uint32_t Read(void* destination, uint32_t bytes);
    int32_t GetSampleFormat() const;
    uint32_t GetMaxFrames() const { return m_longestFrames; }
    uint32_t GetChannelCount() const { return m_totalChannels; }
    bool IsReading() const { return m_reading.load(); }
    // After Start: waits until the reader works on the files (a Read then gets their first
    // frames), has finished with them, or has nothing to read. False when none of that
    // happens within the time.
    bool WaitFirstFill(std::chrono::milliseconds timeout);
    uint32_t GetBytesPerSample() const;

    // Receives WM_WAVEREAD_FILLED (wParam the frames filled) after each fill of one file.
    std::atomic<WindowHandle> notifyWindow{0};

private:
    struct FileState {
        uint32_t available = 0; // in the rings, not yet read
        uint32_t left = 0;      // in the file, not yet in the rings
        uint32_t pending = 0;   // not yet delivered to the caller
        bool loading = false;   // the thread can still bring more
    };

    void Execute();
    // Runs one fill cycle; false when the thread is to end.
    bool FillCycle();
    std::vector<FileState> Snapshot();
    std::vector<FileState> SnapshotLocked() const;
    // Wakes the waits on the reader's progress (after a fill, and when a cycle ends).
    void NotifyProgress();
    bool HasOpenFiles() const { return m_fileCount > 0 && m_totalChannels > 0; }

    std::vector<std::unique_ptr<CWaveFileBuffer>> m_files;
    uint32_t m_longestFrames = 0;
    uint32_t m_totalChannels = 0;
    int32_t m_fileCount = 0;
    uint32_t m_ringFrames = 0;
    std::atomic<bool> m_reading{false};
    ManualResetEvent m_workEvent;
    ManualResetEvent m_stopEvent;
    // Guards the file buffers, their rings and the file array.
    mutable std::mutex m_lock;
    // With m_lock: signalled after every fill and at the end of every cycle.
    std::condition_variable m_progress;
    std::atomic<bool> m_terminate{false};
    std::thread m_thread;
};
