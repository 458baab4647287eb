#pragma once
// Sounds as the reader leaves them: event sounds decoded to 16-bit samples, what a frame's
// StartSound tags ask for, and a timeline's streamed sound as its encoded blocks, one per frame.
// Platform-neutral.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The coding field of DefineSound and SoundStreamHead.
enum class SoundCoding : std::uint8_t {
    PcmNative = 0,    // uncompressed; written by little-endian machines in practice
    Adpcm = 1,
    Mp3 = 2,
    PcmLittle = 3,
    Nellymoser16k = 4,
    Nellymoser8k = 5,
    Nellymoser = 6,
    Speex = 11,
};

struct SoundFormat {
    SoundCoding coding = SoundCoding::PcmLittle;
    double rate = 44100;       // samples per second: 5512.5, 11025, 22050 or 44100
    bool sixteenBit = true;    // uncompressed samples only; 8-bit samples are unsigned
    bool stereo = false;

    int Channels() const { return stereo ? 2 : 1; }
};

// An event sound ready to play: interleaved samples, one per channel per frame.
struct EventSound {
    double rate = 44100;
    int channels = 1;
    std::vector<std::int16_t> samples;

    std::size_t Frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

// One point of a sound's envelope: from here on the levels (0 silent to 32768 full) move in a
// straight line to the next point's.
struct SoundEnvelopePoint {
    std::uint32_t position44 = 0;  // in samples at 44,100 per second from the sound's start
    std::uint16_t left = 32768;
    std::uint16_t right = 32768;
};

// A StartSound or StartSound2 tag: which sound and how it plays.
struct SoundStart {
    std::uint16_t soundId = 0;
    std::string className;   // StartSound2: the sound's exported name instead of its id
    bool stop = false;       // stops every playing copy of the sound instead
    bool noMultiple = false; // not started when a copy already plays
    // Where playing starts and ends, in samples at 44,100 per second, as the envelope counts.
    std::uint32_t inPoint = 0;
    bool hasOutPoint = false;
    std::uint32_t outPoint = 0;
    std::uint16_t loops = 1;
    std::vector<SoundEnvelopePoint> envelope;
};

// The sound data of one frame of a streamed sound, still encoded.
struct StreamBlock {
    int frame = 0;                   // the timeline's frame, from 0
    std::uint64_t position = 0;      // the stream's samples before this block
    std::uint32_t samples = 0;       // samples (per channel) the frame's sound lasts
    std::int32_t seek = 0;           // MP3: decoded samples of the block's first frame that belong
                                     // to the frame before (negative: silence before the block)
    std::vector<std::uint8_t> data;  // PCM or ADPCM data, or whole MP3 frames
};

// A timeline's streamed sound (SoundStreamHead and its SoundStreamBlocks).
struct SoundStream {
    SoundFormat format;
    std::vector<StreamBlock> blocks;  // by rising frame, at most one per frame

    // The block of `frame`, or null when that frame carries no sound.
    const StreamBlock* BlockOf(int frame) const;
};
