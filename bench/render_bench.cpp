// Frames per second of playing and drawing movies at 800 × 600: each movie given on the command
// line plays every frame in turn (Advance, then Render) for a few seconds, against a target of
// 60 frames per second. Both clock time and the thread's processor time are given: on a shared,
// busy machine the second says what one free core would do. On Windows the system's fonts and
// image decoder serve the movies; the native build uses the stand-in fonts.
#include "CPlayer.h"

#ifdef _WIN32
#include "GdiDeviceFonts.h"
#include "WicImageDecoder.h"
#include <windows.h>
#else
#include "CStandInFonts.h"
#include <time.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr double kTargetFps = 60.0;
constexpr double kSeconds = 3.0;

std::shared_ptr<IDeviceFonts> MakeFonts()
{
#ifdef _WIN32
    return std::make_shared<CGdiDeviceFonts>();
#else
    return std::make_shared<CStandInFonts>();
#endif
}

// Seconds of processor time this thread has used.
double ThreadSeconds()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
#endif
}

// False when the movie cannot be read.
bool Measure(const char* path, double& fps, double& cpuFps)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
#ifdef _WIN32
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note, DecodeImageWithWic);
#else
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note);
#endif
    if (!movie) return false;
    CPlayer player(movie, MakeFonts());
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    player.Render(pixels.data(), kWidth, kHeight);  // warm caches (glyphs, layouts)
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadSeconds();
    int frames = 0;
    double elapsed = 0;
    while (elapsed < kSeconds) {
        player.Advance();
        player.Render(pixels.data(), kWidth, kHeight);
        ++frames;
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    fps = frames / elapsed;
    cpuFps = frames / std::max(ThreadSeconds() - cpuStart, 1e-6);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        double fps = 0;
        double cpuFps = 0;
        if (!Measure(argv[i], fps, cpuFps)) {
            std::printf("%s: not a movie\n", argv[i]);
            status = 1;
            continue;
        }
        std::printf("%-34s %dx%d: %6.1f frames/s by the clock, %6.1f per processor second  (target %.0f: ratios %.2f, %.2f)\n",
                    argv[i], kWidth, kHeight, fps, cpuFps, kTargetFps, fps / kTargetFps, cpuFps / kTargetFps);
        if (cpuFps < kTargetFps) status = 1;
    }
    return status;
}
