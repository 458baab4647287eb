// Movies from the demo-movie generator (tools/make-swf), played and drawn: the generator and the
// player must agree on what a movie shows. CTest writes the movies into the folder named by
// PLAYER_MOVIES before this runs; each is 100 × 100 pixels, red on navy, so one scene unit
// (an eighth of the stage) is 12.5 pixels.
#include "CPlayer.h"
#include "CStandInFonts.h"
#include "TextReader.h"

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

// The scenes of single features, drawn four times larger (400 × 400) so that one scene unit is
// 50 pixels and a block letter's cell a little over 6.
namespace {

const Rgba kGreen{0, 255, 0, 255};
const Rgba kBlue{0, 0, 255, 255};
const Rgba kWhite{255, 255, 255, 255};
const Rgba kBlack{0, 0, 0, 255};

class CLargePicture {
public:
    explicit CLargePicture(const CPlayer& player) : m_pixels(400 * 400) { player.Render(m_pixels.data(), 400, 400); }

    Rgba At(int x, int y) const
    {
        const std::uint32_t p = m_pixels.at(static_cast<std::size_t>(y) * 400 + x);
        return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p), 255};
    }

private:
    std::vector<std::uint32_t> m_pixels;
};

struct PixelCase {
    int x;
    int y;
    Rgba colour;
    const char* what;
};

void ExpectPixels(const CPlayer& player, std::initializer_list<PixelCase> cases, const char* name)
{
    const CLargePicture picture(player);
    for (const PixelCase& c : cases) EXPECT_TRUE(Near(picture.At(c.x, c.y), c.colour)) << name << ": " << c.what;
}

// Stands in for the system's decoder: a JPEG that is one plain stream (start of image first,
// end of image last, no other such marker, tables before the frame and scan) decodes to
// green; anything else to magenta.
bool DecodeWholeJpegsGreen(const std::uint8_t* data, std::size_t size, Bitmap& image)
{
    std::string stream(reinterpret_cast<const char*>(data), size);
    const auto count = [&](const char* marker) {
        std::size_t found = 0;
        for (std::size_t at = stream.find(marker, 0, 2); at != std::string::npos; at = stream.find(marker, at + 1, 2)) ++found;
        return found;
    };
    const bool whole = stream.rfind("\xFF\xD8", 0) == 0 && stream.size() > 4 && stream.compare(size - 2, 2, "\xFF\xD9") == 0 &&
                       count("\xFF\xD8") == 1 && count("\xFF\xD9") == 1 && stream.find("\xFF\xDB", 0, 2) < stream.find("\xFF\xC0", 0, 2) &&
                       stream.find("\xFF\xC4", 0, 2) < stream.find("\xFF\xDA", 0, 2);
    image.width = image.height = 16;
    image.pixels.assign(256, whole ? kGreen : Rgba{255, 0, 255, 255});
    return true;
}

TEST(GeneratedMovies, TextInEmbeddedAndDeviceFonts)
{
    const auto movie = LoadGenerated("text.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie, std::make_shared<CStandInFonts>());
    ExpectPixels(player,
                 {{28, 80, kRed, "static text: the left stem of H"},
                  {40, 62, kNavy, "static text: between the stems of H"},
                  {40, 78, kRed, "static text: the bar of H"},
                  {100, 230, kWhite, "the bordered field's background"},
                  {25, 200, kBlack, "the bordered field's border"},
                  {45, 185, kBlack, "the device font's first letter"},
                  {100, 310, kNavy, "the HTML field is empty on its left"},
                  {270, 310, kGreen, "the right aligned green H"},
                  {320, 310, kGreen, "the right aligned green I"},
                  {228, 80, kBlue, "static text tinted by its placement"},
                  {228, 380, kRed, "DefineFont3: the left stem of H, at the same size"},
                  {240, 362, kNavy, "DefineFont3: between the stems of H"}},
                 "text.swf");
}

// What a script does to a text field, seen in the picture and in the text it reads back.
TEST(GeneratedMovies, TextFieldsTakeNewTextColourAndSize)
{
    const auto movie = LoadGenerated("text.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie, std::make_shared<CStandInFonts>());
    CTextField* field = player.GetRoot().GetObjects().at(2).text.get();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->GetText(), "AB");
    ExpectPixels(player, {{45, 235, kWhite, "one line to begin with"}, {150, 265, kNavy, "below the box"}}, "text.swf");

    field->SetText("AAAA BBBB");
    ExpectPixels(player, {{45, 235, kBlack, "the second word wraps to a second line"}}, "text.swf");
    field->SetAutoSize(CTextField::AutoSize::Left);
    ExpectPixels(player, {{150, 265, kWhite, "the box grows to hold both lines"}}, "text.swf");
    field->SetTextColour(kRed);
    ExpectPixels(player, {{45, 185, kRed, "the text takes the new colour"}}, "text.swf");

    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"<p>A &amp; B</p><p>C</p>", "A & B\rC"},
        {"one<br>two<BR/>three", "one\rtwo\rthree"},
        {"<font face='_sans' size='+2' color='#FF0000'><b>bold</b> <i>it</i></font>", "bold it"},
        {"&lt;&#65;&#x42;&gt;&nbsp;&bogus; &", "<AB>\u00a0&bogus; &"},
        {"<textformat leading='2'><li>item</li></textformat>", "\u2022 item"},
        {"unfinished <b", "unfinished "},
    };
    for (const auto& c : cases) {
        field->SetHtmlText(c.html);
        EXPECT_EQ(field->GetText(), c.text) << c.html;
        EXPECT_EQ(field->GetHtmlText(), c.html);
    }
    field->SetHtmlText("<p align='center'><font color='#00FF00'>AB</font></p>");
    ExpectPixels(player, {{45, 185, kWhite, "centred: not at the left"}, {115, 185, kGreen, "centred and green"}},
                 "text.swf");

    // Text past the limit is cut there, and still drawn within the frame's work.
    field->SetText(std::string(1'000'000, 'A'));
    EXPECT_EQ(field->GetText().size(), kMaxTextLength);
    ExpectPixels(player, {{45, 185, kRed, "the first letters of a long text"}}, "text.swf");
}

TEST(GeneratedMovies, ButtonFollowsTheMouseAndPlaysOnRelease)
{
    const auto movie = LoadGenerated("button.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie);
    ExpectPixels(player, {{200, 200, kRed, "up"}}, "button.swf");
    EXPECT_TRUE(player.OnMouse(MouseEvent::Move, 200, 200, 400, 400));
    EXPECT_TRUE(player.IsOverButton());
    ExpectPixels(player, {{200, 200, kGreen, "over"}}, "button.swf");
    player.OnMouse(MouseEvent::Press, 200, 200, 400, 400);
    ExpectPixels(player, {{200, 200, kBlue, "down"}}, "button.swf");
    player.Advance();
    EXPECT_EQ(player.GetFrame(), 0) << "the movie waits for the click";
    player.OnMouse(MouseEvent::Release, 200, 200, 400, 400);
    player.Advance();
    EXPECT_EQ(player.GetFrame(), 1) << "the release played the movie on";
    ExpectPixels(player, {{200, 200, kGreen, "over again"}, {200, 25, kRed, "the second frame's bar"}}, "button.swf");
    player.OnMouse(MouseEvent::Move, 10, 380, 400, 400);
    EXPECT_FALSE(player.IsOverButton());
    ExpectPixels(player, {{200, 200, kRed, "up once the mouse left"}}, "button.swf");
}

TEST(GeneratedMovies, MaskClipsTheDepthsItCovers)
{
    const auto movie = LoadGenerated("mask.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie);
    ExpectPixels(player,
                 {{150, 150, kRed, "the square inside the circle"},
                  {60, 60, kNavy, "the square's corner outside the circle"},
                  {150, 40, kNavy, "the mask itself is not drawn"},
                  {300, 300, kCyan, "a square above the mask's depths"}},
                 "mask.swf");
}

TEST(GeneratedMovies, MorphShapeAtItsRatio)
{
    const auto movie = LoadGenerated("morph.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie);
    ExpectPixels(player, {{75, 75, kRed, "the start"}, {250, 250, kNavy, "not yet the end"}}, "morph.swf");
    player.Advance();
    ExpectPixels(player, {{160, 160, Rgba{128, 0, 128, 255}, "half way: between in place and colour"}}, "morph.swf");
    player.Advance();
    ExpectPixels(player, {{250, 250, kBlue, "the end"}, {75, 75, kNavy, "the start is gone"}}, "morph.swf");
}

TEST(GeneratedMovies, LineCapsAndJoins)
{
    const auto movie = LoadGenerated("strokes.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie);
    // Lines 50 pixels thick end at x = 300; corners at (125, 350), (250, 350), (375, 350).
    ExpectPixels(player,
                 {{310, 50, kRed, "a round cap reaches past the end"},
                  {320, 70, kNavy, "a round cap is round"},
                  {310, 125, kNavy, "a flat cap stops at the end"},
                  {320, 220, kRed, "a square cap reaches past the end, corners and all"},
                  {146, 371, kRed, "a miter fills the corner"},
                  {140, 365, kRed, "a miter near the corner"},
                  {265, 365, kNavy, "a bevel cuts the corner"},
                  {396, 371, kNavy, "a round join does not reach a miter's point"},
                  {390, 365, kRed, "a round join rounds the corner"}},
                 "strokes.swf");
}

TEST(GeneratedMovies, BlendModesMixWithWhatIsBelow)
{
    const auto movie = LoadGenerated("blend.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie);
    // (0, 128, 255) over the navy (0, 0, 128) background, one mode per 50-pixel square.
    ExpectPixels(player,
                 {{25, 25, Rgba{0, 128, 255, 255}, "normal"},
                  {75, 25, Rgba{0, 0, 128, 255}, "multiply"},
                  {125, 25, Rgba{0, 128, 255, 255}, "screen"},
                  {175, 25, Rgba{0, 128, 255, 255}, "add"},
                  {225, 25, Rgba{0, 0, 0, 255}, "subtract"},
                  {275, 25, Rgba{0, 128, 127, 255}, "difference"},
                  {325, 25, Rgba{0, 0, 128, 255}, "darken"},
                  {375, 25, Rgba{0, 128, 255, 255}, "lighten"}},
                 "blend.swf");
}

TEST(GeneratedMovies, GradientSpreadAndFocalPoint)
{
    const auto movie = LoadGenerated("gradients.swf");
    ASSERT_TRUE(movie);
    CPlayer player(movie);
    // Black at x = 0 to white at x = 100; the bars run on to 200. The disc's centre is (300, 200),
    // its radius 100, its focal point (375, 200).
    const Rgba quarter{64, 64, 64, 255};
    const Rgba threeQuarters{191, 191, 191, 255};
    ExpectPixels(player,
                 {{25, 50, quarter, "inside the gradient"},
                  {175, 50, kWhite, "padded past its end"},
                  {175, 200, quarter, "reflected past its end"},
                  {175, 350, threeQuarters, "repeated past its end"},
                  {370, 200, Rgba{248, 248, 248, 255}, "white at the focal point"},
                  {300, 200, Rgba{146, 146, 146, 255}, "the centre is part way from the focal point to the rim"},
                  {210, 200, Rgba{15, 15, 15, 255}, "dark near the rim far from the focal point"}},
                 "gradients.swf");
}

TEST(GeneratedMovies, JpegInEveryLayoutIsOneStreamForTheDecoder)
{
    const char* folder = std::getenv("PLAYER_MOVIES");
    ASSERT_TRUE(folder);
    std::ifstream in(std::string(folder) + "/jpeg.swf", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note, DecodeWholeJpegsGreen);
    ASSERT_TRUE(movie) << note;
    CPlayer player(movie);
    ExpectPixels(player,
                 {{100, 100, kGreen, "tables and image in one tag"},
                  {300, 100, kGreen, "DefineBits with JPEGTables"},
                  {150, 300, kGreen, "a stray header before the image"},
                  {50, 300, kNavy, "its alpha plane's clear half"},
                  {300, 300, kGreen, "DefineBitsJPEG4"}},
                 "jpeg.swf");
}

TEST(GeneratedMovies, ActionScript3MovieStillShowsItsTimeline)
{
    const auto movie = LoadGenerated("as3.swf");
    ASSERT_TRUE(movie);
    EXPECT_TRUE(movie->NeedsActionScript3());
    EXPECT_FALSE(LoadGenerated("shapes.swf")->NeedsActionScript3());
    CPlayer player(movie);
    ExpectPixels(player, {{100, 100, kRed, "the square its timeline places"}}, "as3.swf");
}

} // namespace
