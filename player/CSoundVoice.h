#pragma once
// One sound being played: its source resampled to the output rate (straight-line
// interpolation between neighbouring frames), scaled by a gain and its envelope, added into the
// mix. Platform-neutral.
#include "SoundSources.h"

#include <cstdint>
#include <memory>
#include <vector>

class CSoundVoice {
public:
    CSoundVoice(std::unique_ptr<CSoundSource> source, int outputRate);

    // Adds `frames` output frames (left, right pairs) into mix, each sample times gain/32768
    // and the envelope's level. False once the sound has played to its end.
    bool MixInto(std::int32_t* mix, std::size_t frames, int gain);

    // The envelope's positions count output frames from the voice's start; null for none.
    void SetEnvelope(const std::vector<SoundEnvelopePoint>* envelope) { m_pEnvelope = envelope; }
    CSoundSource& GetSource() { return *m_pSource; }

private:
    bool Step();
    bool Pull(std::int16_t frame[2]);
    int Level(bool right);

    std::unique_ptr<CSoundSource> m_pSource;
    std::uint64_t m_nStep;             // source frames per output frame, 32.32 fixed point
    std::uint64_t m_nPhase;            // between m_current and m_next, 32.32
    std::int16_t m_current[2] = {0, 0};
    std::int16_t m_next[2] = {0, 0};
    bool m_bPrimed = false;
    bool m_bLast = false;
    std::vector<std::int16_t> m_buffer;  // frames read ahead from the source
    std::size_t m_nBufferPos = 0;
    std::size_t m_nBufferEnd = 0;
    const std::vector<SoundEnvelopePoint>* m_pEnvelope = nullptr;  // the movie's
    std::size_t m_nEnvelopePoint = 0;
    std::uint64_t m_nPlayed = 0;  // output frames so far
};
