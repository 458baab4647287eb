#include "CSoundVoice.h"

#include <cmath>

namespace {

constexpr std::uint64_t kOne = std::uint64_t{1} << 32;
constexpr std::size_t kBufferFrames = 256;
constexpr int kFullLevel = 32768;

} // namespace

CSoundVoice::CSoundVoice(std::unique_ptr<CSoundSource> source, int outputRate)
    : m_pSource(std::move(source)),
      m_nStep(static_cast<std::uint64_t>(std::llround(m_pSource->Rate() / outputRate * static_cast<double>(kOne)))),
      m_nPhase(kOne), m_buffer(2 * kBufferFrames)
{
}

bool CSoundVoice::Pull(std::int16_t frame[2])
{
    if (m_nBufferPos == m_nBufferEnd) {
        m_nBufferPos = 0;
        m_nBufferEnd = m_pSource->Read(m_buffer.data(), kBufferFrames);
        if (m_nBufferEnd == 0) return false;
    }
    frame[0] = m_buffer[2 * m_nBufferPos];
    frame[1] = m_buffer[2 * m_nBufferPos + 1];
    ++m_nBufferPos;
    return true;
}

// One source frame on. False when there is none now: the sound ended, or a stream waits for
// its timeline (then the voice stays where it is and goes on when it may).
bool CSoundVoice::Step()
{
    if (!m_bPrimed) {
        if (!Pull(m_next)) return false;
        m_bPrimed = true;
    }
    std::int16_t frame[2];
    if (Pull(frame)) {
        m_current[0] = m_next[0];
        m_current[1] = m_next[1];
        m_next[0] = frame[0];
        m_next[1] = frame[1];
        return true;
    }
    if (!m_pSource->Ended() || m_bLast) return false;
    // The final frame is still heard, held rather than faded to the next.
    m_current[0] = m_next[0];
    m_current[1] = m_next[1];
    m_bLast = true;
    return true;
}

int CSoundVoice::Level(bool right)
{
    if (!m_pEnvelope || m_pEnvelope->empty()) return kFullLevel;
    const std::vector<SoundEnvelopePoint>& points = *m_pEnvelope;
    while (m_nEnvelopePoint + 1 < points.size() && m_nPlayed >= points[m_nEnvelopePoint + 1].position44)
        ++m_nEnvelopePoint;
    const SoundEnvelopePoint& from = points[m_nEnvelopePoint];
    const int fromLevel = right ? from.right : from.left;
    if (m_nEnvelopePoint + 1 == points.size() || m_nPlayed <= from.position44) return fromLevel;
    const SoundEnvelopePoint& to = points[m_nEnvelopePoint + 1];
    const int toLevel = right ? to.right : to.left;
    const std::int64_t span = static_cast<std::int64_t>(to.position44) - from.position44;
    const std::int64_t into = static_cast<std::int64_t>(m_nPlayed - from.position44);
    return static_cast<int>(fromLevel + (toLevel - fromLevel) * into / span);
}

bool CSoundVoice::MixInto(std::int32_t* mix, std::size_t frames, int gain)
{
    for (std::size_t i = 0; i < frames; ++i) {
        while (m_nPhase >= kOne) {
            if (!Step()) return !m_pSource->Ended();
            m_nPhase -= kOne;
        }
        const std::int64_t fraction = static_cast<std::int64_t>(m_nPhase >> 16);
        for (int side = 0; side < 2; ++side) {
            const std::int64_t sample = m_current[side] + ((m_next[side] - m_current[side]) * fraction >> 16);
            const std::int64_t level = static_cast<std::int64_t>(gain) * Level(side == 1) >> 15;
            mix[2 * i + side] += static_cast<std::int32_t>(sample * level >> 15);
        }
        m_nPhase += m_nStep;
        ++m_nPlayed;
    }
    return true;
}
