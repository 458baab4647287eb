#pragma once
// Plays what a renderer makes through the default waveOut device: 16-bit stereo at 44,100
// frames a second, a few buffers kept queued by a thread of its own that the device's event
// wakes as each buffer finishes. Without a device, Open fails and nothing plays.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include <windows.h>
#include <mmsystem.h>

class CWaveOut {
public:
    // Fills `frames` frames (left, right) on the output's thread.
    using Renderer = std::function<void(std::int16_t* out, std::size_t frames)>;

    static constexpr int kRate = 44100;
    static constexpr std::size_t kBufferFrames = 2048;  // about 46 ms
    static constexpr int kBuffers = 4;

    CWaveOut() = default;
    ~CWaveOut() { Close(); }
    CWaveOut(const CWaveOut&) = delete;
    CWaveOut& operator=(const CWaveOut&) = delete;

    // False when there is no sound device or it cannot be opened.
    bool Open(Renderer renderer);
    // Stops at once (what is queued is dropped) and waits for the thread; nothing is rendered
    // after it returns.
    void Close();
    bool IsOpen() const { return m_hWave != nullptr; }
    // Frames rendered since Open.
    std::uint64_t GetRenderedFrames() const { return m_nRendered.load(); }
    // How far ahead of what is heard the renderer runs: the most frames ever waiting to be
    // heard, and the buffer being made. The queued buffers at least; more where the system
    // keeps a queue of its own behind waveOut (as Wine does). For the renderer to call.
    std::size_t GetLead();

private:
    struct Buffer {
        WAVEHDR header{};
        std::vector<std::int16_t> samples;
        bool queued = false;
    };

    void Run();

    Renderer m_renderer;
    HWAVEOUT m_hWave = nullptr;
    HANDLE m_hDone = nullptr;  // set by the device as buffers finish, and by Close
    Buffer m_buffers[kBuffers];
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<std::uint64_t> m_nRendered{0};
    std::size_t m_nLead = 0;  // the output thread's
};
