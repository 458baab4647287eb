#pragma once
// Turns the sound data movies carry into interleaved 16-bit samples: uncompressed samples, the
// movie format's own ADPCM, and MP3 through a decoder the platform supplies. Platform-neutral.
#include "SoundTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Appends the uncompressed samples in `data` (8-bit unsigned or 16-bit little-endian) to out,
// at most maxFrames frames; returns the frames appended. A trailing part frame is dropped.
std::size_t DecodePcm(const std::uint8_t* data, std::size_t size, const SoundFormat& format,
                      std::vector<std::int16_t>& out, std::size_t maxFrames);
// Frames DecodePcm would give for `size` bytes.
std::size_t PcmFrames(std::size_t size, const SoundFormat& format);

// Appends the samples of ADPCM sound data (its code size, then packets of 4,096 frames each,
// the last one possibly shorter) to out, at most maxFrames frames; returns the frames appended.
std::size_t DecodeAdpcm(const std::uint8_t* data, std::size_t size, int channels, std::vector<std::int16_t>& out,
                        std::size_t maxFrames);
// Frames DecodeAdpcm would give, counted without decoding.
std::size_t AdpcmFrames(const std::uint8_t* data, std::size_t size, int channels);

// One MPEG audio frame header (layer III, MPEG 1, 2 or 2.5).
struct Mp3FrameHeader {
    std::size_t size = 0;  // bytes of the whole frame, header included
    int rate = 0;          // samples per second
    int channels = 0;
    int samples = 0;       // per channel: 1152 for MPEG 1, 576 otherwise
};

// True when `data` starts with a layer III frame header that fits in `size` bytes.
bool ReadMp3FrameHeader(const std::uint8_t* data, std::size_t size, Mp3FrameHeader& header);

// Walks the MP3 frames in a block of data, passing over bytes that are no frame. Only frames
// like the first one found (same rate and channels) are given, so a decoder set up for that
// format never sees another.
class CMp3FrameWalker {
public:
    CMp3FrameWalker(const std::uint8_t* data, std::size_t size) : m_pData(data), m_nSize(size) {}

    // The next frame's bytes and header; false at the end of the data.
    bool Next(const std::uint8_t*& frame, Mp3FrameHeader& header);
    // Set once a frame was found: the format every later frame has.
    void Expect(int rate, int channels)
    {
        m_nRate = rate;
        m_nChannels = channels;
    }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
    int m_nRate = 0;
    int m_nChannels = 0;
};

// An MP3 decoder for one run of frames of one format, fed frames in order. Decoders may hold
// samples back (the codec's delay) and give them with later frames.
class IMp3Decoder {
public:
    virtual ~IMp3Decoder() = default;
    // Appends the samples of whole frames to out (interleaved, 16-bit); false when the decoder
    // failed for good.
    virtual bool Decode(const std::uint8_t* frames, std::size_t size, std::vector<std::int16_t>& out) = 0;
};

// Makes a decoder for frames of this rate and channel count; null when there is none.
using Mp3DecoderFactory = std::function<std::unique_ptr<IMp3Decoder>(int rate, int channels)>;
