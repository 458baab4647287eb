// Sound movies from the demo-movie generator (tools/make-swf), played frame by frame and mixed:
// what each frame sounds like (its tone's pitch and loudness on each side, or silence) must be
// what the scene put there. The build writes the movies into SOUND_MOVIES; each name says its
// scene and coding. MP3 is decoded by the system's codec, so those movies play only in the
// Windows build (under Wine); natively there is no MP3 decoder and they are left out.
#include "CPlayer.h"
#include "CSoundMixer.h"

#ifdef _WIN32
#include "Mp3AcmDecoder.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kFps = 12;
constexpr std::size_t kTickFrames = CSoundMixer::kRate / kFps;

struct Tone {
    int hz = 0;  // 0: silence
    double amplitude = 0;
};
struct Heard {
    Tone left;
    Tone right;
};

// What one tick of mixing sounds like on one side: the pitch by rising zero crossings, the
// loudness as the peak of a sine with the same power. The first and last tenth are left out,
// where a tone may change.
Tone Analyse(const std::vector<std::int16_t>& stereo, int side)
{
    const std::size_t first = kTickFrames / 10, last = kTickFrames - kTickFrames / 10;
    double power = 0;
    for (std::size_t i = first; i < last; ++i) power += double(stereo[2 * i + side]) * stereo[2 * i + side];
    Tone tone;
    tone.amplitude = std::sqrt(2 * power / double(last - first)) / 32768;
    if (tone.amplitude < 0.01) return {0, tone.amplitude};
    // A crossing counts once the signal was clearly below zero, so that noise near zero does not.
    const double low = -0.2 * tone.amplitude * 32768;
    bool armed = false;
    double firstCrossing = -1, lastCrossing = -1;
    int crossings = 0;
    for (std::size_t i = first + 1; i < last; ++i) {
        const double a = stereo[2 * (i - 1) + side], b = stereo[2 * i + side];
        if (a < low) armed = true;
        if (armed && a < 0 && b >= 0) {
            const double at = double(i - 1) + a / (a - b);
            if (crossings++ == 0) firstCrossing = at;
            lastCrossing = at;
            armed = false;
        }
    }
    if (crossings >= 2) tone.hz = static_cast<int>(std::lround((crossings - 1) * CSoundMixer::kRate / (lastCrossing - firstCrossing)));
    return tone;
}

::testing::AssertionResult Sounds(const Tone& heard, const Tone& expected, double tolerance)
{
    if (expected.hz == 0 && heard.hz == 0) return ::testing::AssertionSuccess();
    const bool pitch = std::abs(heard.hz - expected.hz) <= std::max(8.0, expected.hz * 0.02);
    const bool loudness = std::abs(heard.amplitude - expected.amplitude) <= expected.amplitude * tolerance;
    if (expected.hz != 0 && pitch && loudness) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "heard " << heard.hz << " Hz at " << heard.amplitude << ", expected "
                                         << expected.hz << " Hz at " << expected.amplitude;
}

// The event-sound scene, tick by tick (see tools/make-swf).
std::vector<Heard> EventScene(bool stereo)
{
    const Tone beep{440, 0.5}, beepRight = stereo ? Tone{660, 0.25} : beep, low{880, 0.25}, none;
    std::vector<Heard> ticks(30, Heard{none, none});
    for (int t : {0, 1, 2, 19, 20, 21}) ticks[t] = {beep, beepRight};
    for (int t = 4; t <= 9; ++t) ticks[t] = {beep, none};  // two loops, the envelope silences the right
    for (int t : {11, 12, 14, 15, 16}) ticks[t] = {low, low};
    // Fading in over three frames: the analysed part of frame k rises from (k + 0.1)/3 to
    // (k + 0.9)/3 of full, and a sine under a straight rise from a to b has the power of
    // one at the root mean square of the rise.
    for (int k = 0; k < 3; ++k) {
        const double a = (k + 0.1) / 3, b = (k + 0.9) / 3, level = std::sqrt((a * a + a * b + b * b) / 3);
        ticks[23 + k] = {{440, 0.5 * level}, {beepRight.hz, beepRight.amplitude * level}};
    }
    return ticks;
}

// The stream-sound scene: frame k sounds 300 + 50·k Hz, frames 12 and 13 are silent, the
// movie stops at frame 15.
std::vector<Heard> StreamScene(bool stereo)
{
    std::vector<Heard> ticks(20);
    for (int t = 0; t < 16; ++t) {
        if (t == 12 || t == 13) continue;
        const int hz = 300 + 50 * t;
        ticks[t] = {{hz, 0.5}, {hz, stereo ? 0.25 : 0.5}};
    }
    return ticks;
}

// The sprite-sound scene: the sprite's own event sound, then its stream through a jump back,
// then nothing once the sprite is removed.
std::vector<Heard> SpriteScene()
{
    std::vector<Heard> ticks(12);
    const int spriteFrames[] = {-1, 1, 2, 3, 4, 2, 3, 4, 2};
    ticks[0] = {{1500, 0.5}, {1500, 0.5}};
    for (int t = 1; t < 9; ++t) {
        const Tone tone{500 + 100 * spriteFrames[t], 0.5};
        ticks[t] = {tone, tone};
    }
    return ticks;
}

struct SoundMovie {
    const char* name;
    // Of the loudness, as a part of it: MP3 is less exact, and upsampling 5.5 kHz sound by
    // straight lines between samples softens its higher tones.
    double tolerance;
};

const SoundMovie kMovies[] = {
    {"event-pcm16-22", 0.05},        {"stream-pcm16-22", 0.05},        {"sprite-pcm16-22", 0.05},
    {"event-pcm8-11-stereo", 0.05},  {"stream-pcm8-11-stereo", 0.05},  {"event-native-44", 0.05},
    {"stream-native-5", 0.15},       {"event-adpcm2-22", 0.05},        {"stream-adpcm3-11", 0.05},
    {"event-adpcm4-44-stereo", 0.05}, {"stream-adpcm5-22-stereo", 0.05}, {"sprite-adpcm4-5", 0.25},
#ifdef _WIN32
    {"event-mp3-22", 0.12},          {"stream-mp3-22", 0.12},          {"sprite-mp3-11", 0.12},
    {"stream-mp3-44-stereo", 0.12},
#endif
};

std::shared_ptr<const CMovie> LoadSoundMovie(const std::string& name)
{
    std::ifstream in(std::string(SOUND_MOVIES) + "/" + name + ".swf", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
#ifdef _WIN32
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note, {}, MakeAcmMp3Decoder);
#else
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note);
#endif
    EXPECT_TRUE(movie && movie->IsComplete()) << name << ": " << note;
    return movie;
}

// Plays `ticks` frames, mixing one frame's worth of output after each is shown.
std::vector<std::vector<std::int16_t>> Play(const std::shared_ptr<const CMovie>& movie, std::size_t ticks)
{
    CSoundMixer mixer(movie);
    mixer.SetLead(CSoundMixer::kRate / 5);
    CPlayer player(movie, &mixer);
    std::vector<std::vector<std::int16_t>> heard;
    for (std::size_t t = 0; t < ticks; ++t) {
        heard.emplace_back(kTickFrames * 2);
        mixer.Mix(heard.back().data(), kTickFrames);
        player.Advance();
    }
    return heard;
}

TEST(SoundMovies, EachFrameSoundsAsTheSceneSays)
{
    for (const SoundMovie& entry : kMovies) {
        const std::string name = entry.name;
        const bool stereo = name.find("stereo") != std::string::npos;
        const std::vector<Heard> expected = name.starts_with("event")    ? EventScene(stereo)
                                            : name.starts_with("stream") ? StreamScene(stereo)
                                                                         : SpriteScene();
        const auto movie = LoadSoundMovie(name);
        if (!movie) continue;
        const auto heard = Play(movie, expected.size());
        for (std::size_t t = 0; t < expected.size(); ++t) {
            EXPECT_TRUE(Sounds(Analyse(heard[t], 0), expected[t].left, entry.tolerance)) << name << ", frame " << t << ", left";
            EXPECT_TRUE(Sounds(Analyse(heard[t], 1), expected[t].right, entry.tolerance)) << name << ", frame " << t << ", right";
        }
    }
}

} // namespace
