#pragma once
// Sounds as they play, before mixing: frames of a decoded event sound between its in and out
// points, loop after loop, and a timeline's stream decoded block by block as it is reached.
// Every source gives stereo frames (a mono sound on both sides) at its own rate.
// Platform-neutral.
#include "SoundDecoding.h"
#include "SoundTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CSoundSource {
public:
    virtual ~CSoundSource() = default;

    virtual double Rate() const = 0;
    // Up to `frames` frames into out as left, right pairs. Fewer when the sound has ended, or
    // when what comes next is not due yet (a stream ahead of its timeline).
    virtual std::size_t Read(std::int16_t* out, std::size_t frames) = 0;
    virtual bool Ended() const = 0;
};

class CEventSource final : public CSoundSource {
public:
    // Frames [first, end) of the sound, `loops` times over.
    CEventSource(const EventSound& sound, std::size_t first, std::size_t end, int loops);

    double Rate() const override { return m_sound.rate; }
    std::size_t Read(std::int16_t* out, std::size_t frames) override;
    bool Ended() const override { return m_nLoopsLeft == 0; }

private:
    const EventSound& m_sound;  // the movie's, which the mixer keeps alive
    std::size_t m_nFirst;
    std::size_t m_nEnd;
    std::size_t m_nPos;
    int m_nLoopsLeft;
};

class CStreamSource final : public CSoundSource {
public:
    // A block of one frame decodes to at most this many frames; the rest is left silent.
    static constexpr std::size_t kMaxBlockFrames = std::size_t{1} << 17;
    // Blocks decoded in one Read: a run of empty or broken blocks costs no more than this.
    static constexpr int kMaxBlocksPerRead = 8;

    // Plays the stream from `first` (one of stream's blocks) on.
    CStreamSource(const SoundStream& stream, const StreamBlock& first, const Mp3DecoderFactory& mp3);

    double Rate() const override { return m_dRate; }
    std::size_t Read(std::int16_t* out, std::size_t frames) override;
    bool Ended() const override { return m_bEnded; }

    // The stream's sample (its own rate, counted from its start) that Read gives next.
    std::uint64_t GetPosition() const { return m_nPosition; }
    // Read gives nothing at or past `limit`; when `final`, the sound ends there.
    void SetLimit(std::uint64_t limit, bool final);

private:
    bool DecodeNextBlock();
    void DecodeMp3(const StreamBlock& block);
    void FindMp3Format();
    void FindPrimer(const StreamBlock& first);

    const SoundStream& m_stream;  // the movie's
    const Mp3DecoderFactory& m_mp3;
    std::size_t m_nNext;  // index of the next block to decode
    double m_dRate;
    int m_nChannels;
    std::unique_ptr<IMp3Decoder> m_pDecoder;
    int m_nMp3Rate = 0;
    std::vector<std::uint8_t> m_primer;  // the MP3 frame before the first, decoded and dropped
    std::int32_t m_nSkip = 0;  // decoded frames still to drop before the first block's sound
    std::vector<std::int16_t> m_decoded;  // interleaved, m_nChannels each
    std::size_t m_nDecodedPos = 0;         // frames of m_decoded already read
    std::uint64_t m_nPosition;
    std::uint64_t m_nLimit = 0;
    bool m_bFinal = false;
    bool m_bEnded = false;
};
