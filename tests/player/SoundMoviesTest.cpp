// Sound movies from the demo-movie generator (tools/make-swf), played frame by frame and mixed:
// what each frame sounds like (its tone's pitch and loudness on each side, or silence) must be
// what the scene put there. The build writes the movies into SOUND_MOVIES; each name says its
// scene and coding. MP3 is decoded by the system's codec, so those movies play only in the
// Windows build (under Wine); natively there is no MP3 decoder and they are left out.
#include "CPlayer.h"
#include "CSoundMixer.h"
#include "SwfBuilder.h"

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

// The beep of the event-sound scene (440 Hz at half scale, three frames long) and its longer,
// quieter tone (880 Hz at a quarter, four frames), as a script starts them.
constexpr std::uint16_t kBeep = 2;
constexpr std::uint16_t kLowTone = 3;

TEST(SoundMixer, ScriptsStartStopAndSetVolumes)
{
    const auto movie = LoadSoundMovie("event-pcm16-22");
    ASSERT_TRUE(movie);
    const int owner = 0, other = 0;
    CSoundMixer mixer(movie);
    std::vector<std::int16_t> tick(kTickFrames * 2);
    const auto next = [&] {
        mixer.Mix(tick.data(), kTickFrames);
        return Analyse(tick, 0);
    };
    EXPECT_FALSE(mixer.Start(999, 0, 1, &owner)) << "no such sound";

    ASSERT_TRUE(mixer.Start(kBeep, 2.0 / kFps, 3, &owner));  // the last of its three frames, three times
    for (int t = 0; t < 3; ++t) EXPECT_TRUE(Sounds(next(), {440, 0.5}, 0.05)) << "loop " << t;
    EXPECT_TRUE(Sounds(next(), {}, 0)) << "three loops of one frame are over";

    mixer.Start(kBeep, 0, 1, &owner);
    mixer.SetVolume(&owner, 50);
    EXPECT_TRUE(Sounds(next(), {440, 0.25}, 0.05)) << "the owner at half";
    mixer.SetVolume(nullptr, 50);
    EXPECT_TRUE(Sounds(next(), {440, 0.125}, 0.05)) << "the owner at half of the movie at half";
    EXPECT_EQ(mixer.GetVolume(&owner), 50);
    mixer.SetVolume(nullptr, 100);

    mixer.Start(kLowTone, 0, 1, &other);
    mixer.StopAll(&owner);
    EXPECT_TRUE(Sounds(next(), {880, 0.25}, 0.05)) << "only the other owner's sound is left";
    EXPECT_TRUE(mixer.IsPlaying(kLowTone));
    mixer.Stop(kLowTone);
    EXPECT_FALSE(mixer.IsPlaying(kLowTone));
    EXPECT_TRUE(Sounds(next(), {}, 0));
}

TEST(SoundMixer, ATimelinesVolumeCoversItsOwnSoundsAndStream)
{
    // The sprite-sound scene's sprite (at depth 2) starts its beep and streams on its own
    // timeline; a script turns that timeline down to half.
    const auto movie = LoadSoundMovie("sprite-pcm16-22");
    ASSERT_TRUE(movie);
    CSoundMixer mixer(movie);
    CPlayer player(movie, &mixer);
    const CTimelineState* sprite = player.GetRoot().GetObjects().at(2).sprite.get();
    ASSERT_TRUE(sprite);
    player.GetSound()->SetVolume(sprite, 50);
    std::vector<std::int16_t> tick(kTickFrames * 2);
    for (int t = 0; t < 3; ++t) {
        mixer.Mix(tick.data(), kTickFrames);
        EXPECT_TRUE(Sounds(Analyse(tick, 0), {t == 0 ? 1500 : 500 + 100 * t, 0.25}, 0.05)) << "frame " << t;
        player.Advance();
    }
}

TEST(SoundMixer, LoudSoundsClipWithoutWrappingAndAtMostThirtyTwoPlay)
{
    const auto movie = LoadSoundMovie("event-pcm16-22");
    ASSERT_TRUE(movie);
    CSoundMixer mixer(movie);
    for (int i = 0; i < 4; ++i) mixer.Start(kBeep, 0, 1, nullptr);
    std::vector<std::int16_t> tick(kTickFrames * 2);
    mixer.Mix(tick.data(), kTickFrames);
    // Four beeps at half scale reach twice full scale: the tops are cut flat, never turned over.
    const auto [low, high] = std::minmax_element(tick.begin(), tick.end());
    EXPECT_EQ(*high, 32767);
    EXPECT_EQ(*low, -32768);
    const std::vector<std::int16_t> alone = [&] {
        CSoundMixer single(movie);
        single.Start(kBeep, 0, 1, nullptr);
        std::vector<std::int16_t> out(kTickFrames * 2);
        single.Mix(out.data(), kTickFrames);
        return out;
    }();
    for (std::size_t i = 0; i < alone.size(); ++i) {
        if (std::abs(alone[i]) > 100) {
            ASSERT_EQ(alone[i] > 0, tick[i] > 0) << "sample " << i << " changed sign";
        }
    }

    // Forty quiet copies: only thirty-two are heard.
    mixer.StopAll();
    mixer.SetVolume(nullptr, 1);
    for (int i = 0; i < 40; ++i) mixer.Start(kLowTone, 0, 1, nullptr);
    mixer.Mix(tick.data(), kTickFrames);
    EXPECT_TRUE(Sounds(Analyse(tick, 0), {880, 32 * 0.0025}, 0.05));
}

// DefineSound of 16-bit samples, 22 kHz mono, claiming `declared` samples.
Bytes SoundTag(std::uint16_t id, std::uint32_t declared, const std::vector<std::int16_t>& samples,
               std::uint8_t format = 0x3A)
{
    CBitWriter body;
    body.U16(id);
    body.U8(format);
    body.U32(declared);
    for (std::int16_t sample : samples) body.U16(static_cast<std::uint16_t>(sample));
    return Tag(14, body.Data(), true);
}

// StartSound with in point, out point and loops when given (0: none).
Bytes StartTag(std::uint16_t id, std::uint32_t in, std::uint32_t out, std::uint16_t loops)
{
    CBitWriter body;
    body.U16(id);
    body.U8(static_cast<std::uint8_t>((in ? 0x01 : 0) | (out ? 0x02 : 0) | (loops ? 0x04 : 0)));
    if (in) body.U32(in);
    if (out) body.U32(out);
    if (loops) body.U16(loops);
    return Tag(15, body.Data());
}

// The loudest sample of each of the first ticks, as a part of full scale.
std::vector<double> Peaks(const Bytes& tags, int ticks)
{
    const Bytes file = MovieFile({}, Concat({tags, ShowFrame(), EndTag()}));
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(file.data(), file.size(), note);
    if (!movie) return {};
    const auto heard = Play(movie, ticks);
    std::vector<double> peaks;
    for (const auto& tick : heard) peaks.push_back(*std::max_element(tick.begin(), tick.end()) / 32768.0);
    return peaks;
}

TEST(SoundMixer, SoundTagsThatClaimTooMuchPlayOnlyWhatTheyHold)
{
    const std::vector<std::int16_t> loud(2000, 16000), one(1, 16000);
    struct Case {
        const char* what;
        Bytes tags;
        std::vector<double> peaks;
    } cases[] = {
        {"four billion samples claimed, 2,000 held", Concat({SoundTag(1, 0xFFFFFFFF, loud), StartTag(1, 0, 0, 0)}),
         {0.49, 0.49, 0}},
        {"in point past the end", Concat({SoundTag(1, 2000, loud), StartTag(1, 0xFFFFFFF0, 0, 0)}), {0, 0, 0}},
        {"out point before the in point", Concat({SoundTag(1, 2000, loud), StartTag(1, 1000, 10, 0)}), {0, 0, 0}},
        {"a one-sample sound, 65,535 times", Concat({SoundTag(1, 1, one), StartTag(1, 0, 0, 65535)}), {0.49, 0.49, 0.49}},
        {"an empty sound, 65,535 times", Concat({SoundTag(1, 0, {}), StartTag(1, 0, 0, 65535)}), {0, 0, 0}},
        {"a Nellymoser sound", Concat({SoundTag(1, 2000, loud, 0x6A), StartTag(1, 0, 0, 0)}), {0, 0, 0}},
    };
    for (const Case& c : cases) {
        const std::vector<double> peaks = Peaks(c.tags, 3);
        ASSERT_EQ(peaks.size(), c.peaks.size()) << c.what;
        for (std::size_t t = 0; t < peaks.size(); ++t) EXPECT_NEAR(peaks[t], c.peaks[t], 0.01) << c.what << ", frame " << t;
    }
}

TEST(SoundMixer, StartSound2FindsItsSoundByItsExportedName)
{
    CBitWriter names;  // SymbolClass: one sound, named
    names.U16(1);
    names.U16(7);
    names.Append({'b', 'e', 'e', 'p', 0});
    const Bytes start = Tag(89, {'b', 'e', 'e', 'p', 0, 0});
    const Bytes unknown = Tag(89, {'b', 'o', 'o', 'p', 0, 0});
    const std::vector<std::int16_t> loud(4000, 16000);
    EXPECT_NEAR(Peaks(Concat({SoundTag(7, 4000, loud), Tag(76, names.Data()), start}), 1).at(0), 0.49, 0.01);
    EXPECT_EQ(Peaks(Concat({SoundTag(7, 4000, loud), Tag(76, names.Data()), unknown}), 1).at(0), 0);
}

TEST(SoundMixer, NellymoserAndSpeexAreSaidToBeSilent)
{
    for (std::uint8_t format : {0x4A, 0x5A, 0x6A, 0xB2}) {
        const Bytes file = MovieFile({}, Concat({SoundTag(1, 10, std::vector<std::int16_t>(10)), ShowFrame(), EndTag()}));
        const Bytes coded = MovieFile({}, Concat({SoundTag(1, 10, std::vector<std::int16_t>(10), format), ShowFrame(), EndTag()}));
        std::string note;
        EXPECT_FALSE(CMovie::Load(file.data(), file.size(), note)->HasUnplayedSounds());
        EXPECT_TRUE(CMovie::Load(coded.data(), coded.size(), note)->HasUnplayedSounds()) << int(format);
    }
}

// tests/player/played/sound.scene: its first frame's script starts the 440 Hz tone exported as
// "beep" with the movie's volume (a Sound of no clip) at half; its button (20 pixels square at
// (60, 60) of 100) sounds an 880 Hz tone, at that volume too, when the mouse rolls over it.
TEST(SoundMovies, ScriptsAndButtonsSoundThroughTheMixer)
{
    const auto movie = LoadSoundMovie("scripted-sound");
    ASSERT_TRUE(movie);
    CSoundMixer mixer(movie);
    CPlayer player(movie, &mixer);
    std::vector<std::int16_t> tick(kTickFrames * 2);
    mixer.Mix(tick.data(), kTickFrames);
    EXPECT_TRUE(Sounds(Analyse(tick, 0), {440, 0.25}, 0.05)) << "the script's Sound at half volume";
    player.OnMouse(MouseEvent::Move, 70, 70, 100, 100);
    std::fill(tick.begin(), tick.end(), 0);
    mixer.Mix(tick.data(), kTickFrames);
    EXPECT_FALSE(Sounds(Analyse(tick, 0), {440, 0.25}, 0.05)) << "the button's roll-over sound joins in";
    EXPECT_NEAR(Analyse(tick, 0).amplitude, std::sqrt(2 * 0.25 * 0.25), 0.03) << "two tones at a quarter each";
}

} // namespace
