// The script engine in a script-heavy movie: 1,000 clips moved by onEnterFrame, timed over many
// frames. Prints frames per second of script alone (bench/scripts/clips.scene on the tests'
// stand-in stage), and, given a second movie, of script plus drawing on the player itself
// (bench/scripts/clips-drawn.scene: the clips are squares, drawn at 800 × 600 each frame).
//   script_bench MOVIE [FRAMES [DRAWN-MOVIE]]
#include "CPlayer.h"
#include "ScriptStage.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::shared_ptr<const CMovie> Load(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note);
    if (!movie) std::fprintf(stderr, "%s: %s\n", path, note.c_str());
    return movie;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int ScriptAlone(const char* path, int frames)
{
    const std::shared_ptr<const CMovie> movie = Load(path);
    if (!movie) return 1;
    CScriptStage stage(movie, {});
    stage.Start();
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < frames; ++frame) stage.Tick();
    const double seconds = Seconds(start);
    if (stage.Vm().IsStopped()) {
        std::fprintf(stderr, "scripts stopped: %s\n", stage.Vm().StopReason().c_str());
        return 1;
    }
    std::printf("script alone: %d frames of 1,000 onEnterFrame handlers in %.3f s: %.0f frames/s (%.3f ms a frame)\n",
                frames, seconds, frames / seconds, 1000 * seconds / frames);
    return 0;
}

int ScriptAndDrawing(const char* path, int frames)
{
    const std::shared_ptr<const CMovie> movie = Load(path);
    if (!movie) return 1;
    constexpr int kWidth = 800, kHeight = 600;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    CPlayer player(movie);
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < frames; ++frame) {
        player.Advance();
        player.Render(pixels.data(), kWidth, kHeight);
    }
    const double seconds = Seconds(start);
    if (!player.GetScriptNote().empty()) {
        std::fprintf(stderr, "%s\n", player.GetScriptNote().c_str());
        return 1;
    }
    std::printf("script + drawing at %dx%d: %d frames of 1,000 clips in %.3f s: %.0f frames/s (%.3f ms a frame)\n",
                kWidth, kHeight, frames, seconds, frames / seconds, 1000 * seconds / frames);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: script_bench MOVIE [FRAMES [DRAWN-MOVIE]]\n");
        return 2;
    }
    const int frames = argc > 2 ? std::atoi(argv[2]) : 600;
    int status = ScriptAlone(argv[1], frames);
    if (argc > 3) status |= ScriptAndDrawing(argv[3], frames);
    return status;
}
