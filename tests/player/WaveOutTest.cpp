// The sound output under Wine: CTest runs this twice, once with ALSA's null device standing in
// for a sound card (it plays nothing, but takes sound at the card's pace) and once with every
// Wine sound driver turned off, as on a machine without sound.
#include "CMovieWindow.h"
#include "CWaveOut.h"
#include "OwnerWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>

using namespace std::chrono_literals;

namespace {

// Renders silence, counting what it was asked for and on which thread.
struct CountingRenderer {
    std::atomic<std::uint64_t> frames{0};
    std::atomic<DWORD> thread{0};
    HANDLE second = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);  // a second's worth asked for

    ~CountingRenderer() { ::CloseHandle(second); }
    CWaveOut::Renderer Get()
    {
        return [this](std::int16_t* out, std::size_t count) {
            std::memset(out, 0, count * 2 * sizeof *out);
            thread = ::GetCurrentThreadId();
            if ((frames += count) >= CWaveOut::kRate) ::SetEvent(second);
        };
    }
};

TEST(WithSoundDevice, TheOutputKeepsAskingForSoundUntilClosed)
{
    CountingRenderer renderer;
    CWaveOut output;
    ASSERT_TRUE(output.Open(renderer.Get())) << "the null device opens";
    ASSERT_EQ(::WaitForSingleObject(renderer.second, 30000), WAIT_OBJECT_0) << "a second of sound was asked for";
    EXPECT_NE(renderer.thread.load(), ::GetCurrentThreadId()) << "sound is made on the output's own thread";
    output.Close();
    EXPECT_FALSE(output.IsOpen());
    const std::uint64_t closed = renderer.frames;
    EXPECT_EQ(output.GetRenderedFrames(), closed);

    CountingRenderer again;
    ASSERT_TRUE(output.Open(again.Get())) << "an output opens again after closing";
    EXPECT_EQ(::WaitForSingleObject(again.second, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(renderer.frames, closed) << "the first renderer is not called after Close";
}

// The movie window plays the stream movie for a few frames and is closed while it plays.
void PlaySoundMovieAndClose()
{
    ASSERT_TRUE(MovieWindow::Register());
    HWND player = ::CreateWindowExA(0, MovieWindow::kClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                                    nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(player);
    ::SendMessageA(player, PLAYER_SETMOVIE, 0, reinterpret_cast<LPARAM>(SOUND_MOVIE));
    ::SendMessageA(player, PLAYER_PLAY, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return ::SendMessageA(player, PLAYER_GETFRAME, 0, 0) >= 6; }, 30s))
        << "the movie plays on";
    EXPECT_TRUE(::DestroyWindow(player));
}

TEST(WithSoundDevice, TheViewerPlaysASoundMovieAndClosesWithItsSoundPlaying)
{
    PlaySoundMovieAndClose();
}

TEST(WithoutSoundDevice, OpeningFailsAndMoviesPlaySilently)
{
    CountingRenderer renderer;
    CWaveOut output;
    EXPECT_FALSE(output.Open(renderer.Get()));
    EXPECT_FALSE(output.IsOpen());
    EXPECT_EQ(renderer.frames, 0u);
    PlaySoundMovieAndClose();
}

} // namespace
