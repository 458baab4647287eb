#include "SoundDecoding.h"

#include "CBitReader.h"

#include <algorithm>

namespace {

constexpr std::size_t kAdpcmPacketFrames = 4096;  // the initial sample and 4,095 codes

constexpr int kAdpcmSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// How the step index moves after a code, by the code's magnitude bits, for 2 to 5 bits a code.
constexpr int kAdpcmIndex2[] = {-1, 2};
constexpr int kAdpcmIndex3[] = {-1, -1, 2, 4};
constexpr int kAdpcmIndex4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kAdpcmIndex5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
constexpr const int* kAdpcmIndexTables[] = {kAdpcmIndex2, kAdpcmIndex3, kAdpcmIndex4, kAdpcmIndex5};

struct AdpcmChannel {
    int sample = 0;
    int index = 0;

    std::int16_t Decode(std::uint32_t code, int bits)
    {
        const std::uint32_t sign = 1u << (bits - 1);
        int step = kAdpcmSteps[index];
        // The magnitude bits add the step, half of it, a quarter… and half a bit's worth more.
        int difference = 0;
        for (std::uint32_t bit = sign >> 1; bit != 0; bit >>= 1) {
            if (code & bit) difference += step;
            step >>= 1;
        }
        difference += step;
        sample = std::clamp(code & sign ? sample - difference : sample + difference, -32768, 32767);
        index = std::clamp(index + kAdpcmIndexTables[bits - 2][code & (sign - 1)], 0, 88);
        return static_cast<std::int16_t>(sample);
    }
};

} // namespace

std::size_t PcmFrames(std::size_t size, const SoundFormat& format)
{
    return size / (static_cast<std::size_t>(format.sixteenBit ? 2 : 1) * format.Channels());
}

std::size_t DecodePcm(const std::uint8_t* data, std::size_t size, const SoundFormat& format,
                      std::vector<std::int16_t>& out, std::size_t maxFrames)
{
    const std::size_t frames = std::min(PcmFrames(size, format), maxFrames);
    const std::size_t count = frames * format.Channels();
    out.reserve(out.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        if (format.sixteenBit) {
            out.push_back(static_cast<std::int16_t>(data[2 * i] | data[2 * i + 1] << 8));
        } else {
            out.push_back(static_cast<std::int16_t>((data[i] - 128) * 256));
        }
    }
    return frames;
}

std::size_t AdpcmFrames(const std::uint8_t* data, std::size_t size, int channels)
{
    if (size == 0) return 0;
    const std::size_t bits = (data[0] >> 6) + 2u;
    const std::size_t header = 22u * channels;  // initial sample and step index per channel
    const std::size_t code = bits * channels;
    std::size_t left = size * 8 - 2;
    std::size_t frames = 0;
    while (left >= header) {
        left -= header;
        const std::size_t codes = std::min(kAdpcmPacketFrames - 1, left / code);
        frames += 1 + codes;
        left -= codes * code;
        if (codes < kAdpcmPacketFrames - 1) break;
    }
    return frames;
}

std::size_t DecodeAdpcm(const std::uint8_t* data, std::size_t size, int channels, std::vector<std::int16_t>& out,
                        std::size_t maxFrames)
{
    CBitReader reader(data, size);
    const int bits = static_cast<int>(reader.UB(2)) + 2;
    const std::size_t frames = std::min(AdpcmFrames(data, size, channels), maxFrames);
    out.reserve(out.size() + frames * channels);
    AdpcmChannel state[2];
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const bool packetStart = frame % kAdpcmPacketFrames == 0;
        for (int c = 0; c < channels; ++c) {
            if (packetStart) {
                state[c].sample = reader.SB(16);
                state[c].index = static_cast<int>(reader.UB(6));
                out.push_back(static_cast<std::int16_t>(state[c].sample));
            } else {
                out.push_back(state[c].Decode(reader.UB(bits), bits));
            }
        }
    }
    return frames;
}

bool ReadMp3FrameHeader(const std::uint8_t* data, std::size_t size, Mp3FrameHeader& header)
{
    static constexpr int kBitratesMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static constexpr int kBitratesMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static constexpr int kRatesMpeg1[4] = {44100, 48000, 32000, 0};
    if (size < 4 || data[0] != 0xFF || (data[1] & 0xE0) != 0xE0) return false;
    const int version = (data[1] >> 3) & 3;  // 0: MPEG 2.5, 1: reserved, 2: MPEG 2, 3: MPEG 1
    const int layer = (data[1] >> 1) & 3;    // 1: layer III
    const int bitrateIndex = data[2] >> 4;
    const int rateIndex = (data[2] >> 2) & 3;
    if (version == 1 || layer != 1 || rateIndex == 3) return false;
    const bool mpeg1 = version == 3;
    const int kbps = (mpeg1 ? kBitratesMpeg1 : kBitratesMpeg2)[bitrateIndex];
    if (kbps == 0) return false;  // free format and the forbidden index are not played
    header.rate = kRatesMpeg1[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    header.channels = (data[3] >> 6) == 3 ? 1 : 2;
    header.samples = mpeg1 ? 1152 : 576;
    const int padding = (data[2] >> 1) & 1;
    header.size = static_cast<std::size_t>((mpeg1 ? 144000 : 72000) * kbps / header.rate + padding);
    return header.size <= size;
}

bool CMp3FrameWalker::Next(const std::uint8_t*& frame, Mp3FrameHeader& header)
{
    for (; m_nPos + 4 <= m_nSize; ++m_nPos) {
        if (!ReadMp3FrameHeader(m_pData + m_nPos, m_nSize - m_nPos, header)) continue;
        if (m_nRate != 0 && (header.rate != m_nRate || header.channels != m_nChannels)) continue;
        frame = m_pData + m_nPos;
        m_nPos += header.size;
        return true;
    }
    return false;
}
