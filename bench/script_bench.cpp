// The script engine's share of a script-heavy movie: 1,000 clips moved by onEnterFrame
// (bench/scripts/clips.scene, made into a movie by tools/make-swf) on the tests' stand-in
// stage, timed over many frames. Prints frames per second of script alone.
//   script_bench MOVIE [FRAMES]
#include "ScriptStage.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: script_bench MOVIE [FRAMES]\n");
        return 2;
    }
    const int frames = argc > 2 ? std::atoi(argv[2]) : 600;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note);
    if (!movie) {
        std::fprintf(stderr, "%s: %s\n", argv[1], note.c_str());
        return 1;
    }
    CScriptStage stage(movie, {});
    stage.Start();
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < frames; ++frame) stage.Tick();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (stage.Vm().IsStopped()) {
        std::fprintf(stderr, "scripts stopped: %s\n", stage.Vm().StopReason().c_str());
        return 1;
    }
    std::printf("%d frames of 1,000 onEnterFrame handlers in %.3f s: %.0f frames/s (%.3f ms a frame)\n", frames,
                seconds, frames / seconds, 1000 * seconds / frames);
    return 0;
}
