#include "Cwaveread.h"

#include "Messages.h"

#include <algorithm>
#include <chrono>
#include <cstring>

using namespace std::chrono_literals;

namespace {
// How long a Read waits for the reader to bring a lagging file's first frames before it
// gives up and plays that file as silence for this block.
constexpr auto LaggingFileWait = 1000ms;
} // namespace

CWaveRead::CWaveRead() : m_thread(&CWaveRead::Execute, this) {}

CWaveRead::~CWaveRead() {
    m_terminate = true;
    m_workEvent.Set(); // wakes the thread wherever it waits
    m_thread.join();
}

bool CWaveRead::Open(const QStringList& paths, uint32_t ringFrames) {
    if (m_workEvent.IsSet() || paths.isEmpty())
        return false;
    std::lock_guard guard(m_lock);
    // The file buffers of the play before serve again (their rings are reused).
    m_files.resize(size_t(paths.size()));
    m_reading = false;
    m_longestFrames = 0;
    m_totalChannels = 0;
    m_fileCount = int32_t(paths.size());
    bool usable = true;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        std::unique_ptr<CWaveFileBuffer>& file = m_files[size_t(i)];
        if (!file)
            file = std::make_unique<CWaveFileBuffer>();
        if (file->Open(paths[i], ringFrames)) {
            const CWaveFileBuffer& first = *m_files.front();
            if (file->GetSampleRate() == first.GetSampleRate() &&
                file->GetSampleFormat() == first.GetSampleFormat()) {
                m_longestFrames = std::max(m_longestFrames, file->GetTotalFrames());
                m_totalChannels += file->GetChannelCount();
            } else {
                usable = false;
            }
        } else {
            usable = false;
        }
    }
    if (!usable) {
        for (auto& file : m_files)
            file->Clear();
        // Nothing usable is open: the counters must not suggest otherwise to Read.
        m_longestFrames = 0;
        m_totalChannels = 0;
        m_fileCount = 0;
        return false;
    }
    m_ringFrames = ringFrames;
    m_workEvent.Reset();
    m_stopEvent.Reset();
    return true;
}

bool CWaveRead::WarmUp(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample) {
    if (m_workEvent.IsSet())
        return false;
    if (IsWarm(channels, ringFrames, bytesPerSample))
        return true;
    std::lock_guard guard(m_lock);
    if (m_files.empty())
        m_files.push_back(std::make_unique<CWaveFileBuffer>());
    // Reserving forgets the file it held: nothing may look opened to a Read now.
    m_longestFrames = 0;
    m_totalChannels = 0;
    m_fileCount = 0;
    m_reading = false;
    for (size_t i = 1; i < m_files.size(); ++i)
        m_files[i]->CloseFile();
    return m_files.front()->Reserve(channels, ringFrames, bytesPerSample);
}

bool CWaveRead::IsWarm(uint32_t channels, uint32_t ringFrames, uint32_t bytesPerSample) const {
    std::lock_guard guard(m_lock);
    return !m_files.empty() && m_files.front()->HasReserved(channels, ringFrames, bytesPerSample);
}

bool CWaveRead::Start() {
    if (!m_workEvent.IsSet()) {
        m_stopEvent.Reset();
        m_workEvent.Set();
    }
    return true;
}

bool CWaveRead::Stop() {
    m_stopEvent.Set();
    // The thread acknowledges by resetting workEvent at the end of its cycle.
    while (!m_workEvent.WaitForReset(1ms)) {
    }
    std::lock_guard guard(m_lock);
    for (auto& file : m_files)
        file->CloseFile();
    return true;
}

int32_t CWaveRead::GetSampleFormat() const {
    std::lock_guard guard(m_lock);
    return m_files.empty() ? -1 : m_files.front()->GetSampleFormat();
}

uint32_t CWaveRead::GetBytesPerSample() const {
    std::lock_guard guard(m_lock);
    return m_files.empty() ? 0 : m_files.front()->GetBytesPerSample();
}

void CWaveRead::Execute() {
    while (!m_terminate) {
        m_workEvent.Wait();
        if (m_terminate)
            break;
        if (!FillCycle())
            break;
    }
    m_reading = false;
}

bool CWaveRead::FillCycle() {
    for (;;) {
        if (m_terminate)
            return false;
        // Rings were full at the end of the last pass: wait for a Read to ask for more.
        m_workEvent.Wait();
        if (m_terminate)
            return false;
        if (m_stopEvent.IsSet()) {
            m_reading = false;
            break;
        }
        uint32_t sum = 0;
        size_t loaded = 0;
        size_t count = 0;
        for (size_t i = 0;; ++i) {
            int32_t filled = 0;
            {
                std::lock_guard guard(m_lock);
                count = m_files.size();
                if (i >= count)
                    break;
                CWaveFileBuffer& file = *m_files[i];
                if (!file.IsOpened() || file.GetWrittenFrames() == file.GetTotalFrames()) {
                    ++loaded;
                    continue;
                }
                m_reading = true;
                filled = file.Fill(0);
            }
            m_progress.notify_all();
            if (filled > 0) {
                PostMessage(notifyWindow.load(), WM_WAVEREAD_FILLED, filled, 0);
                sum += uint32_t(filled);
            }
        }
        if (sum != 0)
            continue;
        if (loaded == count) {
            m_stopEvent.Reset();
            break;
        }
        m_workEvent.Reset();
        NotifyProgress();
    }
    if (m_stopEvent.IsSet()) {
        m_reading = false;
    } else {
        // Everything is in the rings: the files are no longer needed.
        std::lock_guard guard(m_lock);
        for (auto& file : m_files)
            file->CloseFile();
    }
    m_workEvent.Reset();
    m_stopEvent.Reset();
    NotifyProgress();
    return true;
}

void CWaveRead::NotifyProgress() {
    // Taking the lock orders this wake after a waiter's check of the condition.
    { std::lock_guard guard(m_lock); }
    m_progress.notify_all();
}

bool CWaveRead::WaitFirstFill(std::chrono::milliseconds timeout) {
    std::unique_lock guard(m_lock);
    return m_progress.wait_for(
        guard, timeout, [this] { return m_reading.load() || !m_workEvent.IsSet() || m_longestFrames == 0; });
}

std::vector<CWaveRead::FileState> CWaveRead::Snapshot() {
    std::lock_guard guard(m_lock);
    return SnapshotLocked();
}

std::vector<CWaveRead::FileState> CWaveRead::SnapshotLocked() const {
    std::vector<FileState> states(m_files.size());
    for (size_t i = 0; i < m_files.size(); ++i) {
        const CWaveFileBuffer& file = *m_files[i];
        const uint32_t read = file.GetReadFrames();
        const uint32_t written = file.GetWrittenFrames();
        const uint32_t left = file.GetTotalFrames() - written;
        states[i] = {written - read, left, file.GetTotalFrames() - read, left > 0 && file.IsFileOpen()};
    }
    return states;
}

uint32_t CWaveRead::Read(void* destination, uint32_t bytes) {
    if (!HasOpenFiles() || destination == nullptr)
        return 0xFFFFFFFFu;
    const uint32_t bytesPerSample = GetBytesPerSample();
    if (bytesPerSample == 0)
        return 0xFFFFFFFFu;

    // Every file that still has frames to deliver must deliver the same number, or its
    // channels would slip against the others'. A file whose rings are empty while the
    // thread is still loading it (the first fill of a later file) is waited for briefly.
    std::vector<FileState> states = Snapshot();
    const auto lagging = [](const std::vector<FileState>& s) {
        return std::any_of(s.begin(), s.end(),
                           [](const FileState& f) { return f.loading && f.pending > 0 && f.available == 0; });
    };
    if (lagging(states)) {
        std::unique_lock guard(m_lock);
        m_progress.wait_for(guard, LaggingFileWait, [&] {
            states = SnapshotLocked();
            if (!lagging(states) || m_stopEvent.IsSet())
                return true;
            // The reader may have gone idle with full rings of the other files: wake it.
            if (!m_workEvent.IsSet())
                m_workEvent.Set();
            return false;
        });
    }

    uint32_t maxAvailable = 0;
    uint32_t maxLeft = 0;
    uint32_t commonAvailable = UINT32_MAX;
    for (const FileState& f : states) {
        maxAvailable = std::max(maxAvailable, f.available);
        maxLeft = std::max(maxLeft, f.left);
        // A file that ran dry anyway (stopped, or a stalled disk) plays silence instead of
        // holding the others back.
        if (f.pending > 0 && f.available > 0)
            commonAvailable = std::min(commonAvailable, f.available);
    }
    uint32_t frames = bytes / (bytesPerSample * m_totalChannels);
    frames = std::min({frames, m_ringFrames, maxAvailable, commonAvailable});

    if (maxAvailable == 0 && maxLeft == 0)
        return 0;

    auto* out = static_cast<uint8_t*>(destination);
    const size_t channelBlock = size_t(frames) * bytesPerSample;
    // Only the block handed back is zeroed (a file that ran dry leaves silence in it): a
    // caller's buffer sized for a long block is not touched beyond, which on a first play
    // would fault in pages for nothing.
    std::memset(destination, 0, channelBlock * m_totalChannels);
    if (frames > 0) {
        std::vector<uint8_t> block;
        size_t channel = 0;
        std::lock_guard guard(m_lock);
        for (auto& file : m_files) {
            const uint32_t channels = file->GetChannelCount();
            if (file->GetReadFrames() < file->GetTotalFrames()) {
                block.resize(channelBlock * channels);
                const int32_t n = file->Read(block.data(), uint32_t(block.size()));
                const size_t delivered = n > 0 ? size_t(n) / channels : 0;
                for (uint32_t k = 0; k < channels; ++k)
                    std::memcpy(out + (channel + k) * channelBlock, block.data() + k * delivered, delivered);
            }
            channel += channels;
        }
    }

    {
        std::lock_guard guard(m_lock);
        for (auto& file : m_files) {
            const uint32_t available = file->GetWrittenFrames() - file->GetReadFrames();
            if (available < m_ringFrames / 4 && maxLeft != 0 && !m_workEvent.IsSet()) {
                m_workEvent.Set();
                break;
            }
        }
    }
    return uint32_t(size_t(frames) * bytesPerSample * m_totalChannels);
}
