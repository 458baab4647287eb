// Plays a movie at its frame rate for a while, as the viewer does, and says what share of one
// processor core it took: frames advanced and drawn at 800 × 600 when due, and each frame's
// sound mixed (its MP3 stream decoded by the system's codec) as a sound device would ask for
// it. The same run without sound says what the sound costs on top.
//   sound_bench.exe movie.swf seconds
#include "CFrameClock.h"
#include "CPlayer.h"
#include "CSoundMixer.h"
#include "Mp3AcmDecoder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

double Seconds(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) / 1e7;
}

double ProcessorSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

std::uint64_t NowMicroseconds()
{
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<std::uint64_t>(now.QuadPart * 1e6 / frequency.QuadPart);
}

struct Run {
    double cpu = 0;     // processor seconds
    double wall = 0;    // seconds
    int frames = 0;
    std::uint64_t soundFrames = 0;
    int loudest = 0;  // the mix's loudest sample: a stream that did not decode would be silent
};

Run Play(const std::shared_ptr<const CMovie>& movie, double seconds, bool withSound)
{
    CSoundMixer mixer(movie);
    CPlayer player(movie, withSound ? &mixer : nullptr);
    CFrameClock clock(movie->GetFrameRate());
    std::vector<std::uint32_t> pixels(800 * 600);
    std::vector<std::int16_t> sound;
    const double perFrame = CSoundMixer::kRate / (movie->GetFrameRate() > 0 ? movie->GetFrameRate() : 12);
    double owed = 0;
    Run run;
    const double cpuStart = ProcessorSeconds();
    const std::uint64_t start = NowMicroseconds();
    clock.Start(start);
    for (std::uint64_t now = start; now - start < seconds * 1e6; now = NowMicroseconds()) {
        const int due = clock.Due(now);
        if (due == 0) {
            ::Sleep(1);
            continue;
        }
        for (int i = 0; i < due; ++i) {
            player.Advance();
            ++run.frames;
            if (!withSound) continue;
            owed += perFrame;
            const auto frames = static_cast<std::size_t>(owed);
            owed -= static_cast<double>(frames);
            sound.resize(frames * 2);
            mixer.Mix(sound.data(), frames);
            run.soundFrames += frames;
            for (std::int16_t sample : sound) run.loudest = std::max(run.loudest, std::abs(int{sample}));
        }
        player.Render(pixels.data(), 800, 600);
    }
    run.wall = (NowMicroseconds() - start) / 1e6;
    run.cpu = ProcessorSeconds() - cpuStart;
    return run;
}

// The whole stream mixed as fast as it goes, without pictures: seconds of sound a processor
// second makes.
double MixingSpeed(const std::shared_ptr<const CMovie>& movie)
{
    CSoundMixer mixer(movie);
    CPlayer player(movie, &mixer);
    const double perFrame = CSoundMixer::kRate / (movie->GetFrameRate() > 0 ? movie->GetFrameRate() : 12);
    std::vector<std::int16_t> sound(static_cast<std::size_t>(perFrame + 1) * 2);
    const double cpuStart = ProcessorSeconds();
    std::uint64_t mixed = 0;
    for (int frame = 1; frame < movie->GetFrameCount(); ++frame) {
        const auto frames = static_cast<std::size_t>(frame * perFrame) - static_cast<std::size_t>((frame - 1) * perFrame);
        mixer.Mix(sound.data(), frames);
        mixed += frames;
        player.Advance();
    }
    return mixed / double(CSoundMixer::kRate) / std::max(ProcessorSeconds() - cpuStart, 1e-3);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: sound_bench movie.swf seconds\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note, {}, MakeAcmMp3Decoder);
    if (!movie) {
        std::fprintf(stderr, "sound_bench: %s\n", note.c_str());
        return 1;
    }
    const double seconds = std::atof(argv[2]);
    const Run sound = Play(movie, seconds, true);
    const Run silent = Play(movie, seconds, false);
    std::printf("movie: %s, %.0f frames a second, %d frames\n", argv[1], movie->GetFrameRate(), movie->GetFrameCount());
    std::printf("with sound:    %d frames and %.1f s of sound (loudest %.2f of full scale) in %.1f s: "
                "%.1f%% of one core (target under 25%%)\n",
                sound.frames, sound.soundFrames / double(CSoundMixer::kRate), sound.loudest / 32768.0, sound.wall,
                100 * sound.cpu / sound.wall);
    std::printf("without sound: %d frames in %.1f s: %.1f%% of one core\n", silent.frames, silent.wall,
                100 * silent.cpu / silent.wall);
    std::printf("the sound's share: %.1f%% of one core\n", 100 * (sound.cpu / sound.wall - silent.cpu / silent.wall));
    std::printf("mixing alone, as fast as it goes: %.0f s of sound per processor second\n", MixingSpeed(movie));
    return 0;
}
