#include "CFrameClock.h"
#include "CPlayer.h"
#include "CRenderer.h"
#include "CStandInFonts.h"

#include "SwfBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const Rgba kRed{255, 0, 0, 255};
const Rgba kBlue{0, 0, 255, 255};
const Rgba kWhite{255, 255, 255, 255};
const Rgba kGreen{0, 255, 0, 255};

// Twips in a pixel: the test stages are drawn one stage pixel to one buffer pixel.
constexpr int kPx = 20;

std::shared_ptr<const CMovie> LoadTags(const Bytes& tags, MovieHeader header = {})
{
    const Bytes file = MovieFile(header, Concat({tags, EndTag()}));
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(file.data(), file.size(), note);
    EXPECT_TRUE(movie) << note;
    return movie;
}

class CPicture {
public:
    CPicture(const CPlayer& player, int width = 100, int height = 100)
        : m_nWidth(width), m_pixels(static_cast<std::size_t>(width) * height)
    {
        player.Render(m_pixels.data(), width, height);
    }

    Rgba At(int x, int y) const
    {
        const std::uint32_t p = m_pixels.at(static_cast<std::size_t>(y) * m_nWidth + x);
        return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p),
                static_cast<std::uint8_t>(p >> 24)};
    }

private:
    int m_nWidth;
    std::vector<std::uint32_t> m_pixels;
};

// Colours compared channel by channel within a tolerance, printed as RRGGBB on failure.
::testing::AssertionResult Near(Rgba actual, Rgba expected, int tolerance = 2)
{
    const auto off = [tolerance](int a, int b) { return std::abs(a - b) > tolerance; };
    if (!off(actual.r, expected.r) && !off(actual.g, expected.g) && !off(actual.b, expected.b))
        return ::testing::AssertionSuccess();
    char text[64];
    std::snprintf(text, sizeof text, "saw %02X%02X%02X, expected %02X%02X%02X", actual.r, actual.g, actual.b,
                  expected.r, expected.g, expected.b);
    return ::testing::AssertionFailure() << text;
}

// A square of `size` pixels with its top left corner at the shape's origin.
Bytes SquareShape(std::uint16_t id, Rgba colour, int size = 10)
{
    CShapeBuilder shape(3);
    shape.Style(0, shape.Solid(colour), 0);
    shape.Rectangle(0, 0, size * kPx, size * kPx);
    return shape.Build(id);
}

Bytes PlaceAt(std::uint16_t depth, std::uint16_t character, int x, int y, double scale = 1)
{
    Placement place;
    place.depth = depth;
    place.character = character;
    place.x = x * kPx;
    place.y = y * kPx;
    place.scale = scale;
    return Place2(place);
}

Bytes MoveTo(std::uint16_t depth, int x, int y)
{
    Placement move;
    move.depth = depth;
    move.move = true;
    move.x = x * kPx;
    move.y = y * kPx;
    return Place2(move);
}

TEST(PlayerRender, BackgroundAndARedSquareWherePlaced)
{
    CPlayer player(LoadTags(Concat({Background(kBlue), SquareShape(1, kRed), PlaceAt(1, 1, 30, 40), ShowFrame()})));
    const CPicture picture(player);
    EXPECT_TRUE(Near(picture.At(0, 0), kBlue));
    EXPECT_TRUE(Near(picture.At(99, 99), kBlue));
    EXPECT_TRUE(Near(picture.At(30, 40), kRed)) << "top left corner";
    EXPECT_TRUE(Near(picture.At(39, 49), kRed)) << "bottom right corner";
    EXPECT_TRUE(Near(picture.At(29, 45), kBlue)) << "left of the square";
    EXPECT_TRUE(Near(picture.At(40, 45), kBlue)) << "right of the square";
    EXPECT_TRUE(Near(picture.At(35, 50), kBlue)) << "below the square";
    EXPECT_EQ(picture.At(35, 45).a, 255) << "every pixel is opaque";
}

TEST(PlayerRender, ShowAllCentresTheStageBetweenBackgroundBands)
{
    // A 100 × 50 stage covered by a red rectangle, drawn into buffers of other shapes.
    MovieHeader header;
    header.height = 50;
    CShapeBuilder cover(1);
    cover.Style(0, cover.Solid(kRed), 0);
    cover.Rectangle(0, 0, 100 * kPx, 50 * kPx);
    // Shapes reaching past the stage are not drawn in the bands: this one ends 10 pixels above.
    CShapeBuilder above(1);
    above.Style(0, above.Solid(kBlue), 0);
    above.Rectangle(0, -20 * kPx, 100 * kPx, 10 * kPx);
    CPlayer player(LoadTags(Concat({Background(kWhite), cover.Build(1), above.Build(2), PlaceAt(1, 1, 0, 0),
                                    PlaceAt(2, 2, 0, 0), ShowFrame()}), header));

    const CPicture tall(player, 100, 100);  // scale 1, bands of 25 above and below
    EXPECT_TRUE(Near(tall.At(50, 10), kWhite)) << "the shape above the stage stays out of the band";
    EXPECT_TRUE(Near(tall.At(50, 26), kRed));
    EXPECT_TRUE(Near(tall.At(50, 73), kRed));
    EXPECT_TRUE(Near(tall.At(50, 90), kWhite));

    const CPicture wide(player, 400, 100);  // scale 2, bands of 100 left and right
    EXPECT_TRUE(Near(wide.At(50, 50), kWhite));
    EXPECT_TRUE(Near(wide.At(101, 2), kRed));
    EXPECT_TRUE(Near(wide.At(298, 97), kRed));
    EXPECT_TRUE(Near(wide.At(350, 50), kWhite));

    const CPicture tiny(player, 1, 1);
    EXPECT_GT(tiny.At(0, 0).r, 150) << "a one-pixel buffer shows mostly the stage";
}

TEST(PlayerRender, GradientsReachTheirEndColours)
{
    // The gradient square (±16384) scaled onto the 100-pixel stage: red at the left edge, blue
    // at the right; the radial one from green at the centre to blue at its rim.
    const double scale = 100.0 * kPx / 32768;
    CShapeBuilder linear(2);
    linear.Style(0, linear.Gradient(false, {{0, kRed}, {255, kBlue}}, scale, 50 * kPx, 50 * kPx), 0);
    linear.Rectangle(0, 0, 100 * kPx, 50 * kPx);
    CShapeBuilder radial(2);
    radial.Style(0, radial.Gradient(true, {{0, kGreen}, {255, kBlue}}, scale / 2, 50 * kPx, 75 * kPx), 0);
    radial.Rectangle(0, 50 * kPx, 100 * kPx, 50 * kPx);
    CPlayer player(LoadTags(Concat({linear.Build(1), radial.Build(2), PlaceAt(1, 1, 0, 0), PlaceAt(2, 2, 0, 0),
                                    ShowFrame()})));
    const CPicture picture(player);
    EXPECT_TRUE(Near(picture.At(0, 25), kRed, 6));
    EXPECT_TRUE(Near(picture.At(99, 25), kBlue, 6));
    EXPECT_TRUE(Near(picture.At(50, 25), Rgba{128, 0, 128, 255}, 6));
    EXPECT_TRUE(Near(picture.At(50, 75), kGreen, 10)) << "centre of the radial gradient";
    EXPECT_TRUE(Near(picture.At(1, 98), kBlue)) << "past the rim the last colour pads";
}

TEST(PlayerRender, EvenOddLeavesAHoleInsideASecondOutline)
{
    // Both outlines run the same way with the fill on the same side: only even-odd makes a hole.
    CShapeBuilder ring(1);
    ring.Style(0, ring.Solid(kRed), 0);
    ring.Rectangle(10 * kPx, 10 * kPx, 80 * kPx, 80 * kPx);
    ring.Rectangle(30 * kPx, 30 * kPx, 40 * kPx, 40 * kPx);
    CPlayer player(LoadTags(Concat({Background(kWhite), ring.Build(1), PlaceAt(1, 1, 0, 0), ShowFrame()})));
    const CPicture picture(player);
    EXPECT_TRUE(Near(picture.At(20, 50), kRed));
    EXPECT_TRUE(Near(picture.At(50, 50), kWhite)) << "the hole";
    EXPECT_TRUE(Near(picture.At(5, 50), kWhite));
}

TEST(PlayerRender, EdgesWithTheFillOnEitherSideCloseOneArea)
{
    // Two squares sharing an edge, each with its own fill, the shared edge carrying both
    // (fill0 for one, fill1 for the other), as drawing tools write them.
    CShapeBuilder pair(1);
    const int red = pair.Solid(kRed);
    const int blue = pair.Solid(kBlue);
    pair.Style(0, red, 0);
    pair.MoveTo(50 * kPx, 100 * kPx);
    pair.LineTo(0, 100 * kPx);
    pair.LineTo(0, 0);
    pair.LineTo(50 * kPx, 0);
    pair.Style(0, blue, 0);
    pair.LineTo(100 * kPx, 0);
    pair.LineTo(100 * kPx, 100 * kPx);
    pair.LineTo(50 * kPx, 100 * kPx);
    pair.Style(red, blue, 0);
    pair.LineTo(50 * kPx, 0);
    CPlayer player(LoadTags(Concat({Background(kWhite), pair.Build(1), PlaceAt(1, 1, 0, 0), ShowFrame()})));
    const CPicture picture(player);
    EXPECT_TRUE(Near(picture.At(25, 50), kRed));
    EXPECT_TRUE(Near(picture.At(75, 50), kBlue));
}

TEST(PlayerRender, CurvesLinesAndBitmaps)
{
    // A circle of radius 20 from four curves (bulging past the straight diamond).
    CShapeBuilder circle(1);
    circle.Style(0, circle.Solid(kRed), 0);
    const int r = 20 * kPx;
    const int k = 20 * kPx * 414 / 1000;  // control points on the tangent square's edges
    circle.MoveTo(r, 0);
    circle.CurveTo(r, k, r * 707 / 1000, r * 707 / 1000);
    circle.CurveTo(k, r, 0, r);
    circle.CurveTo(-k, r, -r * 707 / 1000, r * 707 / 1000);
    circle.CurveTo(-r, k, -r, 0);
    circle.CurveTo(-r, -k, -r * 707 / 1000, -r * 707 / 1000);
    circle.CurveTo(-k, -r, 0, -r);
    circle.CurveTo(k, -r, r * 707 / 1000, -r * 707 / 1000);
    circle.CurveTo(r, -k, r, 0);
    // A 5-pixel blue line from (0, 80) to (100, 80).
    CShapeBuilder line(1);
    line.Style(0, 0, line.Line(5 * kPx, kBlue));
    line.MoveTo(0, 80 * kPx);
    line.LineTo(100 * kPx, 80 * kPx);
    // A 2 × 2 bitmap, each bitmap pixel 5 stage pixels wide, clipped, in a 20-pixel square.
    CShapeBuilder picture(3);
    picture.Style(0, picture.BitmapFill(7, 0x43, 5 * kPx), 0);
    picture.Rectangle(0, 0, 20 * kPx, 20 * kPx);
    const Bytes bitmap = LosslessTag(7, 2, 2, 2, {kRed, kGreen, kBlue, Rgba{255, 255, 0, 255}});
    CPlayer player(LoadTags(Concat({Background(kWhite), circle.Build(1), line.Build(2), bitmap, picture.Build(3),
                                    PlaceAt(1, 1, 30, 30), PlaceAt(2, 2, 0, 0), PlaceAt(3, 3, 70, 0), ShowFrame()})));
    const CPicture shot(player);
    EXPECT_TRUE(Near(shot.At(30, 30), kRed)) << "centre of the circle";
    EXPECT_TRUE(Near(shot.At(45, 45), kWhite)) << "outside the circle, inside its box";
    EXPECT_TRUE(Near(shot.At(30 + 18, 30), kRed)) << "inside the bulge of a curve";
    EXPECT_TRUE(Near(shot.At(42, 42), kRed)) << "just inside the rim at 45 degrees";
    EXPECT_TRUE(Near(shot.At(50, 80), kBlue)) << "on the line";
    EXPECT_TRUE(Near(shot.At(50, 78), kBlue)) << "within half its width";
    EXPECT_TRUE(Near(shot.At(50, 84), kWhite)) << "past its width";
    EXPECT_TRUE(Near(shot.At(72, 2), kRed)) << "bitmap pixel 0, 0";
    EXPECT_TRUE(Near(shot.At(77, 2), kGreen)) << "bitmap pixel 1, 0";
    EXPECT_TRUE(Near(shot.At(72, 7), kBlue)) << "bitmap pixel 0, 1";
    EXPECT_TRUE(Near(shot.At(88, 18), Rgba{255, 255, 0, 255})) << "a clipped bitmap stretches its edge";
}

TEST(PlayerRender, ColourTransformsAndAlpha)
{
    Placement tinted;
    tinted.depth = 1;
    tinted.character = 1;
    tinted.hasColour = true;
    tinted.mult[0] = 0;    // no red
    tinted.add[2] = 255;   // full blue
    Placement faded;
    faded.depth = 2;
    faded.character = 1;
    faded.x = 50 * kPx;
    faded.hasColour = true;
    faded.mult[3] = 128;  // half transparent
    CPlayer player(LoadTags(Concat({Background(kWhite), SquareShape(1, kRed, 20), Place2(tinted), Place2(faded),
                                    ShowFrame()})));
    const CPicture picture(player);
    EXPECT_TRUE(Near(picture.At(10, 10), kBlue));
    EXPECT_TRUE(Near(picture.At(60, 10), Rgba{255, 127, 127, 255}));
}

TEST(PlayerRender, MasksAndHiddenObjectsAreNotDrawn)
{
    Placement mask;
    mask.depth = 1;
    mask.character = 1;
    mask.clipDepth = true;
    CBitWriter hidden;  // PlaceObject3 with visibility off
    hidden.U8(0x02 | 0x04);
    hidden.U8(0x20);
    hidden.U16(2);
    hidden.U16(1);
    hidden.Matrix(1, 1, 0, 0, 50 * kPx, 0);
    hidden.U8(0);
    hidden.RgbaColour(kRed);
    CPlayer player(LoadTags(Concat({Background(kWhite), SquareShape(1, kRed, 20), Place2(mask), Tag(70, hidden.Data()),
                                    ShowFrame()})));
    const CPicture picture(player);
    EXPECT_TRUE(Near(picture.At(10, 10), kWhite));
    EXPECT_TRUE(Near(picture.At(60, 10), kWhite));
}

TEST(PlayerTimeline, ObjectsMoveAndGoAwayFrameByFrame)
{
    CPlayer player(LoadTags(Concat({Background(kWhite), SquareShape(1, kRed), PlaceAt(1, 1, 0, 0), ShowFrame(),
                                    MoveTo(1, 50, 0), ShowFrame(), Remove2(1), ShowFrame()})));
    EXPECT_EQ(player.GetFrame(), 0);
    EXPECT_TRUE(Near(CPicture(player).At(5, 5), kRed));
    player.Advance();
    EXPECT_EQ(player.GetFrame(), 1);
    EXPECT_TRUE(Near(CPicture(player).At(5, 5), kWhite)) << "moved away";
    EXPECT_TRUE(Near(CPicture(player).At(55, 5), kRed)) << "moved here";
    player.Advance();
    EXPECT_TRUE(Near(CPicture(player).At(55, 5), kWhite)) << "removed";
    EXPECT_TRUE(player.GetRoot().GetObjects().empty());
    player.Advance();
    EXPECT_EQ(player.GetFrame(), 0) << "after the last frame comes the first";
    EXPECT_TRUE(Near(CPicture(player).At(5, 5), kRed));
}

TEST(PlayerTimeline, SpritesPlayTheirOwnTimelineInsideTheirPlacement)
{
    // The sprite moves its square from 0 to 20 pixels and back; it is placed at 40, 40 at
    // half size, so its square shows at 40 and then at 50, five pixels wide.
    const Bytes sprite = Tag(39, Concat({Bytes{2, 0, 2, 0}, PlaceAt(1, 1, 0, 0), ShowFrame(), MoveTo(1, 20, 0),
                                         ShowFrame(), EndTag()}));
    CPlayer player(LoadTags(Concat({Background(kWhite), SquareShape(1, kRed), sprite, PlaceAt(1, 2, 40, 40, 0.5),
                                    ShowFrame()})));
    CPicture first(player);
    EXPECT_TRUE(Near(first.At(42, 42), kRed));
    EXPECT_TRUE(Near(first.At(46, 42), kWhite)) << "the square is drawn at half size";
    player.Advance();
    EXPECT_EQ(player.GetFrame(), 0) << "a one-frame main timeline stays";
    CPicture second(player);
    EXPECT_TRUE(Near(second.At(42, 42), kWhite));
    EXPECT_TRUE(Near(second.At(52, 42), kRed));
    player.Advance();
    EXPECT_TRUE(Near(CPicture(player).At(42, 42), kRed)) << "the sprite loops";
}

TEST(PlayerTimeline, ASpriteKeepsPlayingWhenTheMainTimelineLoops)
{
    // Main timeline of two frames, sprite of three: after the main loop the sprite goes on.
    const Bytes sprite = Tag(39, Concat({Bytes{2, 0, 3, 0}, PlaceAt(1, 1, 0, 0), ShowFrame(), MoveTo(1, 20, 0),
                                         ShowFrame(), MoveTo(1, 40, 0), ShowFrame(), EndTag()}));
    CPlayer player(LoadTags(Concat({SquareShape(1, kRed), sprite, PlaceAt(1, 2, 0, 0), ShowFrame(), ShowFrame()})));
    player.Advance();
    player.Advance();
    ASSERT_EQ(player.GetFrame(), 0);
    const DisplayObject& placed = player.GetRoot().GetObjects().at(1);
    ASSERT_TRUE(placed.sprite);
    EXPECT_EQ(placed.sprite->GetFrame(), 2);
}

struct Jump {
    const char* what;
    Bytes frameActions[3];  // per frame of a three-frame movie
    int advances;
    int frame;
    bool playing;
};

TEST(PlayerTimeline, FrameActionsMoveThePlayHead)
{
    const Bytes stop = {0x07};
    const Bytes play = {0x06};
    const Bytes next = {0x04};
    const Bytes previous = {0x05};
    const Bytes toFirst = ActionGoto(0);
    const Bytes toLast = ActionGoto(2);
    const Jump cases[] = {
        {"no actions: loops", {{}, {}, {}}, 4, 1, true},
        {"stop in the second frame", {{}, stop, {}}, 5, 1, false},
        {"stop in the first frame holds it", {stop, {}, {}}, 3, 0, false},
        {"stop then play in one frame", {Concat({stop, play}), {}, {}}, 1, 1, true},
        {"goto the last frame from the first", {toLast, {}, {}}, 0, 2, true},
        {"goto past the end lands on the last", {ActionGoto(999), {}, {}}, 0, 2, true},
        {"goto and stop", {{}, Concat({toFirst, stop}), {}}, 1, 0, false},
        {"next frame stops there", {next, {}, {}}, 3, 1, false},
        {"previous frame stops there", {{}, {}, previous}, 2, 1, false},
        {"previous in the first frame stays", {previous, {}, {}}, 2, 0, false},
        // Each frame jumps to the other: bounded per frame, and the movie keeps going.
        {"two frames jumping to each other", {ActionGoto(1), toFirst, {}}, 1, 1, true},
        {"a frame jumping to itself", {{}, ActionGoto(1), {}}, 2, 2, true},
    };
    for (const Jump& c : cases) {
        Bytes tags = SquareShape(1, kRed);
        for (const Bytes& actions : c.frameActions) {
            if (!actions.empty()) tags = Concat({tags, DoAction(actions)});
            tags = Concat({tags, ShowFrame()});
        }
        CPlayer player(LoadTags(tags));
        for (int i = 0; i < c.advances; ++i) player.Advance();
        EXPECT_EQ(player.GetFrame(), c.frame) << c.what;
        EXPECT_EQ(player.IsPlaying(), c.playing) << c.what;
    }
}

TEST(PlayerTimeline, AJumpBackRebuildsTheDisplayList)
{
    // Frame 0 places A, frame 1 removes it and places B, frame 2 jumps back to 0: only A shows.
    CPlayer player(LoadTags(Concat({Background(kWhite), SquareShape(1, kRed), SquareShape(2, kBlue),
                                    PlaceAt(1, 1, 0, 0), ShowFrame(), Remove2(1), PlaceAt(2, 2, 50, 0), ShowFrame(),
                                    DoAction(ActionGoto(0)), ShowFrame()})));
    player.Advance();
    player.Advance();
    EXPECT_EQ(player.GetFrame(), 0);
    const CPicture picture(player);
    EXPECT_TRUE(Near(picture.At(5, 5), kRed));
    EXPECT_TRUE(Near(picture.At(55, 5), kWhite));
}

TEST(PlayerHostile, SpritesRebuildingThemselvesEveryFrameStayBounded)
{
    // Sprite 2 places two copies of itself and jumps back to its first frame from its second:
    // every frame each of thousands of copies would throw away and rebuild its whole subtree.
    const Bytes sprite = Tag(39, Concat({Bytes{2, 0, 2, 0}, PlaceAt(1, 1, 0, 0), PlaceAt(2, 2, 1, 1),
                                         PlaceAt(3, 2, 2, 2), ShowFrame(), Remove2(2), Remove2(3),
                                         DoAction(ActionGoto(0)), ShowFrame(), EndTag()}));
    CPlayer player(LoadTags(Concat({SquareShape(1, kRed), sprite, PlaceAt(1, 2, 0, 0), ShowFrame()})));
    for (int i = 0; i < 6; ++i) player.Advance();
    EXPECT_TRUE(Near(CPicture(player).At(1, 1), kRed));
}

TEST(PlayerHostile, ManyPlacementsStopAtTheObjectBound)
{
    Bytes tags = SquareShape(1, kRed);
    // A sprite holding 200 squares, placed on 200 depths: 40,200 objects wanted.
    Bytes spriteBody = {2, 0, 1, 0};
    for (std::uint16_t depth = 1; depth <= 200; ++depth) spriteBody = Concat({spriteBody, PlaceAt(depth, 1, 0, 0)});
    tags = Concat({tags, Tag(39, Concat({spriteBody, ShowFrame(), EndTag()}))});
    for (std::uint16_t depth = 1; depth <= 200; ++depth) tags = Concat({tags, PlaceAt(depth, 2, depth % 90, 0)});
    CPlayer player(LoadTags(Concat({tags, ShowFrame()})));
    std::size_t objects = player.GetRoot().GetObjects().size();
    for (const auto& [depth, object] : player.GetRoot().GetObjects()) {
        if (object.sprite) objects += object.sprite->GetObjects().size();
    }
    EXPECT_LE(objects, static_cast<std::size_t>(PlayBudget::kMaxObjects));
    EXPECT_GT(objects, 5000u);
    player.Advance();
    const CPicture picture(player);
    EXPECT_TRUE(Near(picture.At(5, 5), kRed));
}

TEST(PlayerHostile, DegenerateStagesAndMatrices)
{
    MovieHeader flat;
    flat.height = 0;
    CPlayer noStage(
        LoadTags(Concat({Background(kBlue), SquareShape(1, kRed), PlaceAt(1, 1, 0, 0), ShowFrame()}), flat));
    EXPECT_TRUE(Near(CPicture(noStage, 10, 10).At(5, 5), kBlue)) << "a stage without height shows its background";

    // A shape squashed to nothing, and one blown up far past the stage.
    CPlayer extreme(LoadTags(Concat({Background(kWhite), SquareShape(1, kRed), PlaceAt(1, 1, 0, 0, 0),
                                     PlaceAt(2, 1, -50000, -50000, 10000), ShowFrame()})));
    EXPECT_TRUE(Near(CPicture(extreme).At(50, 50), kRed));
}

// Frames due as the clock moves on: one each frame's time, late ticks catch up, a stall is not
// raced through afterwards.
TEST(PlayerPace, FramesComeByTheClockNotByTheTimer)
{
    struct Step {
        std::uint64_t at;  // microseconds
        int due;
    };
    const struct {
        double rate;
        std::vector<Step> steps;
    } cases[] = {
        {12, {{0, 0}, {83333, 0}, {83334, 1}, {83400, 0}, {250000, 2}, {250001, 0}}},
        {0, {{83334, 1}}},              // no rate: 12 a second
        {1000, {{10000, 1}, {15000, 0}}},  // never faster than 100 a second
        {12, {{10000000, CFrameClock::kMaxCatchUp}, {10083333, 0}, {10083334, 1}}},
    };
    for (const auto& c : cases) {
        CFrameClock clock(c.rate);
        clock.Start(0);
        for (const Step& step : c.steps) EXPECT_EQ(clock.Due(step.at), step.due) << c.rate << " a second, at " << step.at;
    }
}

} // namespace

namespace {

TEST(PlayerHostile, MasksInsideMasksPastTheLimitHideWhatTheyClip)
{
    // 300 full-stage masks, each clipping every depth above it, over a red square.
    Bytes tags = Concat({SquareShape(1, kWhite, 100), SquareShape(2, kRed, 100)});
    for (std::uint16_t depth = 1; depth <= 300; ++depth) {
        Placement mask;
        mask.depth = depth;
        mask.character = 1;
        mask.clipDepth = true;
        mask.clipUntil = 1000;
        tags = Concat({tags, Place2(mask)});
    }
    CPlayer player(LoadTags(Concat({Background(kBlue), tags, PlaceAt(500, 2, 0, 0), ShowFrame()})));
    EXPECT_TRUE(Near(CPicture(player).At(50, 50), kBlue));

    // Up to the limit the masks clip as usual.
    tags = Concat({SquareShape(1, kWhite, 50), SquareShape(2, kRed, 100)});
    for (std::uint16_t depth = 1; depth < CRenderer::kMaxMaskNesting; ++depth) {
        Placement mask;
        mask.depth = depth;
        mask.character = 1;
        mask.clipDepth = true;
        mask.clipUntil = 1000;
        tags = Concat({tags, Place2(mask)});
    }
    CPlayer nested(LoadTags(Concat({Background(kBlue), tags, PlaceAt(500, 2, 0, 0), ShowFrame()})));
    const CPicture picture(nested);
    EXPECT_TRUE(Near(picture.At(25, 25), kRed)) << "inside every mask";
    EXPECT_TRUE(Near(picture.At(75, 75), kBlue)) << "outside them";
}

} // namespace

namespace {

TEST(PlayerHostile, ManyLongTextFieldsShareOneTextBudget)
{
    // A field of 60,000 characters, placed on 300 depths.
    CBitWriter field;
    field.U16(1);
    field.Rect(0, 2000, 0, 2000);
    field.U8(0x80 | 0x40 | 0x20);  // text, word wrap, multiline
    field.U8(0);
    field.U8(0);  // no variable name
    field.Append(Bytes(60000, 'A'));
    field.U8(0);
    Bytes tags = Tag(37, field.Data());
    for (std::uint16_t depth = 1; depth <= 300; ++depth) tags = Concat({tags, PlaceAt(depth, 1, 0, 0)});
    CPlayer player(LoadTags(Concat({Background(kBlue), tags, ShowFrame()})), std::make_shared<CStandInFonts>());
    std::size_t held = 0;
    for (const auto& [depth, object] : player.GetRoot().GetObjects()) held += object.text->GetText().size();
    EXPECT_LE(held, PlayBudget::kMaxTextChars);
    EXPECT_EQ(player.GetRoot().GetObjects().at(1).text->GetText().size(), 60000u) << "the first fields keep all";
    EXPECT_TRUE(Near(CPicture(player).At(5, 8), Rgba{0, 0, 0, 255})) << "the text still shows";
}

} // namespace
