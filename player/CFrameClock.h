#pragma once
// Counts the frames due by a clock, so that a movie keeps its frame rate however its timer
// happens to fire: a late tick catches up, an early one waits. Its streamed sound, which plays
// by the sound device's clock, then stays in step. Platform-neutral.
#include <cstdint>

class CFrameClock {
public:
    // After a stall (a modal loop, a slow frame) the movie goes on from where it stood rather
    // than race through what it missed: at most this many frames at once.
    static constexpr int kMaxCatchUp = 4;

    // The movie's rate as its header gives it: 0 counts as 12 frames a second, and none runs
    // faster than 100 or slower than one frame in 256 seconds.
    explicit CFrameClock(double framesPerSecond);

    void Start(std::uint64_t microseconds);
    // Frames to advance now.
    int Due(std::uint64_t microseconds);

private:
    double m_dRate;
    std::uint64_t m_nStart = 0;
    std::uint64_t m_nCounted = 0;  // frames given since Start
};
