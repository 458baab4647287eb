// Movies from the demo-movie generator (tools/make-swf), played and drawn: the generator and the
// player must agree on what a movie shows. CTest writes the movies into the folder named by
// PLAYER_MOVIES before this runs; each is 100 × 100 pixels, red on navy, so one scene unit
// (an eighth of the stage) is 12.5 pixels.
#include "CPlayer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const Rgba kRed{255, 0, 0, 255};
const Rgba kCyan{0, 255, 255, 255};  // the generator's contrast to red
const Rgba kNavy{0, 0, 128, 255};

std::shared_ptr<const CMovie> LoadGenerated(const std::string& name)
{
    const char* folder = std::getenv("PLAYER_MOVIES");
    if (!folder) {
        ADD_FAILURE() << "PLAYER_MOVIES is not set";
        return nullptr;
    }
    std::ifstream in(std::string(folder) + "/" + name, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note);
    EXPECT_TRUE(movie) << name << ": " << note;
    if (movie) EXPECT_TRUE(movie->IsComplete()) << name;
    return movie;
}

Rgba PixelAt(const CPlayer& player, int x, int y)
{
    std::vector<std::uint32_t> pixels(100 * 100);
    player.Render(pixels.data(), 100, 100);
    const std::uint32_t p = pixels[static_cast<std::size_t>(y) * 100 + x];
    return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p), 255};
}

::testing::AssertionResult Near(Rgba actual, Rgba expected, int tolerance = 8)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "saw " << int(actual.r) << "," << int(actual.g) << "," << int(actual.b)
                                         << " expected " << int(expected.r) << "," << int(expected.g) << ","
                                         << int(expected.b);
}

TEST(GeneratedMovies, FramesPlaceRemoveAndStop)
{
    for (const char* name : {"frames.swf", "frames-compressed.swf"}) {
        const auto movie = LoadGenerated(name);
        ASSERT_TRUE(movie);
        EXPECT_EQ(movie->GetFrameCount(), 12);
        EXPECT_EQ(movie->GetBackground(), kNavy);
        CPlayer player(movie);
        EXPECT_TRUE(Near(PixelAt(player, 5, 18), kRed)) << name << ": the sliding square at its start";
        EXPECT_TRUE(Near(PixelAt(player, 55, 55), kCyan)) << name << ": the second square";
        for (int i = 0; i < 6; ++i) player.Advance();
        EXPECT_TRUE(Near(PixelAt(player, 5, 18), kNavy)) << name << ": the first square slid away";
        EXPECT_TRUE(Near(PixelAt(player, 55, 55), kNavy)) << name << ": the second square removed half way";
        for (int i = 0; i < 20; ++i) player.Advance();
        EXPECT_EQ(player.GetFrame(), 11) << name << ": the last frame stops the movie";
        EXPECT_FALSE(player.IsPlaying());
    }
}

TEST(GeneratedMovies, ShapesGradientsAndAHole)
{
    const auto movie = LoadGenerated("shapes.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie);
    EXPECT_TRUE(Near(PixelAt(player, 15, 15), kRed)) << "solid square";
    EXPECT_TRUE(Near(PixelAt(player, 12, 62), kCyan)) << "ring";
    EXPECT_TRUE(Near(PixelAt(player, 25, 75), kNavy)) << "the ring's hole";
    EXPECT_TRUE(Near(PixelAt(player, 38, 18), kRed, 24)) << "gradient's first colour";
    EXPECT_TRUE(Near(PixelAt(player, 86, 18), Rgba{0, 64, 255, 255}, 24)) << "gradient's last colour";
    EXPECT_TRUE(Near(PixelAt(player, 62, 18), Rgba{255, 255, 0, 255}, 24)) << "gradient's middle colour";
}

TEST(GeneratedMovies, SpriteMovesOnItsOwnTimeline)
{
    const auto movie = LoadGenerated("sprites.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie);
    EXPECT_TRUE(Near(PixelAt(player, 52, 45), kRed)) << "the square right of the sprite's centre";
    for (int i = 0; i < 4; ++i) player.Advance();
    EXPECT_TRUE(Near(PixelAt(player, 52, 45), kNavy)) << "half a turn later it is left of it";
    EXPECT_TRUE(Near(PixelAt(player, 15, 45), kRed));
}

TEST(GeneratedMovies, BitmapsAndTheGallery)
{
    const auto bitmaps = LoadGenerated("bitmaps.swf");
    ASSERT_TRUE(bitmaps);
    CPlayer player(bitmaps);
    EXPECT_TRUE(Near(PixelAt(player, 8, 8), kRed)) << "first square of the board";
    EXPECT_TRUE(Near(PixelAt(player, 15, 8), kCyan)) << "second square of the board";

    for (const char* name : {"gallery-compressed.swf", "gallery-lzma.swf"}) {
        const auto gallery = LoadGenerated(name);
        ASSERT_TRUE(gallery);
        CPlayer all(gallery);
        EXPECT_EQ(all.GetRoot().GetObjects().size(), 4u) << name;
        EXPECT_TRUE(Near(PixelAt(all, 4, 4), kRed)) << name << ": the board, at half size in the top left quarter";
    }
}

} // namespace
