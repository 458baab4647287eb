#include "CFrameClock.h"

#include <algorithm>

CFrameClock::CFrameClock(double framesPerSecond)
    : m_dRate(framesPerSecond > 0 ? std::clamp(framesPerSecond, 1.0 / 256, 100.0) : 12.0)
{
}

void CFrameClock::Start(std::uint64_t microseconds)
{
    m_nStart = microseconds;
    m_nCounted = 0;
}

int CFrameClock::Due(std::uint64_t microseconds)
{
    const double elapsed = microseconds > m_nStart ? static_cast<double>(microseconds - m_nStart) / 1e6 : 0;
    const auto reached = static_cast<std::uint64_t>(elapsed * m_dRate);
    if (reached <= m_nCounted) return 0;
    const std::uint64_t due = reached - m_nCounted;
    if (due > kMaxCatchUp) {
        // Counted from now on, as if the missed frames had been shown in time.
        m_nStart = microseconds - static_cast<std::uint64_t>((m_nCounted + kMaxCatchUp) / m_dRate * 1e6);
    }
    const auto given = static_cast<int>(std::min<std::uint64_t>(due, kMaxCatchUp));
    m_nCounted += given;
    return given;
}
