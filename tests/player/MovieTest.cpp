#include "CMovie.h"

#include "SwfBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const Rgba kRed{255, 0, 0, 255};
const Rgba kBlue{0, 0, 255, 255};

struct Loaded {
    std::unique_ptr<CMovie> movie;
    std::string note;
};

Loaded Load(const Bytes& file, const CMovie::ImageDecoder& decoder = {})
{
    Loaded loaded;
    loaded.movie = CMovie::Load(file.data(), file.size(), loaded.note, decoder);
    return loaded;
}

Bytes RedSquareShape(std::uint16_t id, int version = 1)
{
    CShapeBuilder shape(version);
    shape.Style(0, shape.Solid(kRed), 0);
    shape.Rectangle(0, 0, 200, 200);
    return shape.Build(id);
}

// Two frames: a red square placed, then moved; background blue.
Bytes TwoFrameTags()
{
    Placement place;
    place.character = 1;
    place.x = 100;
    Placement move;
    move.move = true;
    move.x = 300;
    return Concat({Background(kBlue), RedSquareShape(1), Place2(place), ShowFrame(), Place2(move), ShowFrame(),
                   EndTag()});
}

TEST(MovieHeader, ReadsPlainAndCompressedMovies)
{
    for (bool compressed : {false, true}) {
        MovieHeader header;
        header.width = 550;
        header.height = 400;
        header.rate = 12.5;
        header.frames = 2;
        header.version = 6;
        header.compressed = compressed;
        const Loaded loaded = Load(MovieFile(header, TwoFrameTags()));
        ASSERT_TRUE(loaded.movie) << loaded.note;
        const CMovie& movie = *loaded.movie;
        EXPECT_EQ(movie.IsCompressed(), compressed);
        EXPECT_TRUE(movie.IsComplete());
        EXPECT_EQ(movie.GetVersion(), 6);
        EXPECT_EQ(movie.GetStage().xMax, 11000);
        EXPECT_EQ(movie.GetStage().yMax, 8000);
        EXPECT_DOUBLE_EQ(movie.GetFrameRate(), 12.5);
        EXPECT_EQ(movie.GetFrameIntervalMs(), 80u);
        EXPECT_EQ(movie.GetDeclaredFrameCount(), 2);
        EXPECT_EQ(movie.GetFrameCount(), 2);
        EXPECT_EQ(movie.GetBackground(), kBlue);
    }
}

TEST(MovieHeader, ReadsLzmaCompressedMovies)
{
    // Written by the demo-movie generator: a red square placed on a blue stage, then moved.
    const std::string hex =
        "5a57530d530000004d0000005d0000800000300003c616bbc54f2fb58ef90a957b80ae94c482b1a6a6c2c6e4120c87797e172d1be2"
        "41cd29726d47ce95abd86c150c0019df5fd69a71f3c87e5cad7b6e36a3abfe8ffa42ff3fffd45de000";
    const Bytes file = FromHex(hex);
    const Loaded loaded = Load(file);
    ASSERT_TRUE(loaded.movie) << loaded.note;
    EXPECT_TRUE(loaded.movie->IsCompressed());
    EXPECT_TRUE(loaded.movie->IsComplete());
    EXPECT_EQ(loaded.movie->GetVersion(), 13);
    EXPECT_EQ(loaded.movie->GetFrameCount(), 2);
    EXPECT_EQ(loaded.movie->GetBackground(), kBlue);
    ASSERT_TRUE(loaded.movie->FindShape(1));
    EXPECT_EQ(loaded.movie->FindShape(1)->fills.at(0).colour, kRed);

    const Loaded cut = Load(Bytes(file.begin(), file.end() - 20));
    ASSERT_TRUE(cut.movie);
    EXPECT_FALSE(cut.movie->IsComplete());
    EXPECT_EQ(Load(Bytes(file.begin(), file.begin() + 16)).note, CMovie::kDamaged) << "properties cut";
}

TEST(MovieHeader, FrameIntervalStaysWithinReason)
{
    const struct {
        double rate;
        unsigned interval;
    } cases[] = {{0, 83}, {1, 1000}, {24, 42}, {120, 10}, {255, 10}};
    for (const auto& c : cases) {
        MovieHeader header;
        header.rate = c.rate;
        const Loaded loaded = Load(MovieFile(header, EndTag()));
        ASSERT_TRUE(loaded.movie);
        EXPECT_EQ(loaded.movie->GetFrameIntervalMs(), c.interval) << c.rate << " frames a second";
    }
}

TEST(MovieHeader, FilesThatAreNotMoviesGetANote)
{
    const Bytes good = MovieFile({}, EndTag());
    Bytes lower = good;
    lower[0] = 'f';
    Bytes other = good;
    other[0] = 'X';
    Bytes lzma = good;
    lzma[0] = 'Z';  // the plain body is no LZMA stream
    const struct {
        const char* what;
        Bytes file;
        const char* note;
    } cases[] = {
        {"empty file", {}, CMovie::kNotAMovie},
        {"shorter than a header", Bytes(good.begin(), good.begin() + 7), CMovie::kNotAMovie},
        {"a picture", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0}, CMovie::kNotAMovie},
        {"lower-case signature", lower, CMovie::kNotAMovie},
        {"unknown signature", other, CMovie::kNotAMovie},
        {"LZMA signature, plain body", lzma, CMovie::kDamaged},
        {"header without a stage", Bytes(good.begin(), good.begin() + 8), CMovie::kDamaged},
        {"stage without a frame rate", Bytes(good.begin(), good.begin() + 10), CMovie::kDamaged},
    };
    for (const auto& c : cases) {
        const Loaded loaded = Load(c.file);
        EXPECT_FALSE(loaded.movie) << c.what;
        EXPECT_EQ(loaded.note, c.note) << c.what;
    }
}

TEST(MovieHeader, CompressedMoviesThatCannotBeExpanded)
{
    MovieHeader header;
    header.compressed = true;
    const Bytes good = MovieFile(header, TwoFrameTags());
    const auto changed = [&good](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        Bytes file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        return file;
    };
    const Bytes badChecksum = Flipped(good, good.size() - 1, 0x55);
    const Bytes badStream = changed(8, {0x12});          // not a zlib header
    const Bytes huge = changed(4, {0, 0, 0, 0x7F});      // says it expands to 2 GiB
    const Bytes tooShortLength = changed(4, {4, 0, 0, 0});
    for (const Bytes& file : {badChecksum, badStream, huge, tooShortLength}) {
        const Loaded loaded = Load(file);
        EXPECT_FALSE(loaded.movie);
        EXPECT_EQ(loaded.note, CMovie::kDamaged);
    }
}

TEST(MovieHeader, DeclaredLengthLimitsWhatIsRead)
{
    // Bytes past the declared length are not part of the movie.
    const Bytes file = MovieFile({}, TwoFrameTags());
    Bytes longer = file;
    const Bytes extra = Concat({ShowFrame(), ShowFrame(), EndTag()});
    longer.insert(longer.end(), extra.begin(), extra.end());
    longer[4] = static_cast<std::uint8_t>(longer[4] + 2);  // takes in one more frame
    Loaded loaded = Load(longer);
    ASSERT_TRUE(loaded.movie);
    EXPECT_EQ(loaded.movie->GetFrameCount(), 2) << "the end tag still ends the movie";
    EXPECT_TRUE(loaded.movie->IsComplete());

    Bytes claimsMore = file;
    claimsMore[5] = 0x10;
    loaded = Load(claimsMore);
    ASSERT_TRUE(loaded.movie);
    EXPECT_EQ(loaded.movie->GetFrameCount(), 2);
    EXPECT_FALSE(loaded.movie->IsComplete()) << "a file shorter than its length was cut short";

    MovieHeader header;
    header.compressed = true;
    Bytes compressed = MovieFile(header, TwoFrameTags());
    compressed[4] = static_cast<std::uint8_t>(compressed[4] - 2);  // the end tag falls outside
    loaded = Load(compressed);
    ASSERT_TRUE(loaded.movie);
    EXPECT_EQ(loaded.movie->GetFrameCount(), 2);
    EXPECT_FALSE(loaded.movie->IsComplete());
}

TEST(MovieTags, EveryCutKeepsTheFramesBeforeIt)
{
    for (bool compressed : {false, true}) {
        MovieHeader header;
        header.compressed = compressed;
        const Bytes file = MovieFile(header, TwoFrameTags());
        for (std::size_t size = 0; size < file.size(); ++size) {
            const Loaded loaded = Load(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)));
            if (!loaded.movie) {
                EXPECT_FALSE(loaded.note.empty());
                continue;
            }
            EXPECT_FALSE(loaded.movie->IsComplete()) << "cut at " << size;
            EXPECT_GE(loaded.movie->GetFrameCount(), 1);
            EXPECT_LE(loaded.movie->GetFrameCount(), 2);
        }
    }
}

TEST(MovieTags, UnknownTagsArePassedOverByLength)
{
    const Bytes tags = Concat({Tag(777, {1, 2, 3}), Tag(43, {'l', 'a', 'b', 0}, true), Tag(1000, Bytes(300, 0xFF)),
                               TwoFrameTags()});
    const Loaded loaded = Load(MovieFile({}, tags));
    ASSERT_TRUE(loaded.movie);
    EXPECT_TRUE(loaded.movie->IsComplete());
    EXPECT_EQ(loaded.movie->GetFrameCount(), 2);
    EXPECT_TRUE(loaded.movie->FindShape(1));
}

TEST(MovieTags, ATagLongerThanTheFileEndsTheMovie)
{
    CBitWriter huge;
    huge.U16(2 << 6 | 0x3F);
    huge.U32(0xFFFFFFF0u);
    const Loaded loaded = Load(MovieFile({}, Concat({ShowFrame(), huge.Data(), Bytes(20, 0)})));
    ASSERT_TRUE(loaded.movie);
    EXPECT_FALSE(loaded.movie->IsComplete());
    EXPECT_EQ(loaded.movie->GetFrameCount(), 1);
}

TEST(MovieTags, ShapesOfEveryVersion)
{
    for (int version = 1; version <= 4; ++version) {
        CShapeBuilder builder(version);
        const Rgba halfRed{255, 0, 0, 128};
        const int fill = builder.Solid(halfRed);
        const int line = builder.Line(40, kBlue);
        builder.Style(0, fill, line);
        builder.MoveTo(-100, -50);
        builder.LineTo(100, -50);
        builder.CurveTo(150, 0, 100, 50);
        builder.LineTo(-100, -50);
        const Loaded loaded = Load(MovieFile({}, Concat({builder.Build(5), EndTag()})));
        ASSERT_TRUE(loaded.movie);
        const Shape* shape = loaded.movie->FindShape(5);
        ASSERT_TRUE(shape) << "DefineShape" << version;
        ASSERT_EQ(shape->fills.size(), 1u);
        EXPECT_EQ(shape->fills[0].colour.a, version >= 3 ? 128 : 255) << "alpha from version 3 on";
        ASSERT_EQ(shape->lines.size(), 1u);
        EXPECT_EQ(shape->lines[0].width, 40);
        EXPECT_EQ(shape->lines[0].colour, kBlue);
        ASSERT_EQ(shape->edges.size(), 3u);
        const ShapeEdge& curve = shape->edges[1];
        EXPECT_TRUE(curve.curved);
        EXPECT_EQ(curve.x0, 100);
        EXPECT_EQ(curve.cx, 150);
        EXPECT_EQ(curve.cy, 0);
        EXPECT_EQ(curve.x1, 100);
        EXPECT_EQ(curve.y1, 50);
        EXPECT_EQ(curve.fill0, 0u);
        EXPECT_EQ(curve.fill1, 1u);
        EXPECT_EQ(curve.line, 1u);
    }
}

TEST(MovieTags, NewStyleTablesContinueTheNumbering)
{
    CShapeBuilder builder(2);
    builder.Style(0, builder.Solid(kRed), 0);
    builder.Rectangle(0, 0, 100, 100);
    builder.NewStyles();
    const int blue = builder.Solid(kBlue);
    const int line = builder.Line(20, kRed);
    builder.Style(0, blue, line);
    builder.Rectangle(200, 0, 100, 100);
    const Loaded loaded = Load(MovieFile({}, Concat({builder.Build(1), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    const Shape& shape = *loaded.movie->FindShape(1);
    ASSERT_EQ(shape.fills.size(), 2u);
    ASSERT_EQ(shape.edges.size(), 8u) << "edges without any style are dropped";
    EXPECT_EQ(shape.edges[0].fill1, 1u);
    EXPECT_EQ(shape.edges[4].fill1, 2u);
    EXPECT_EQ(shape.fills[shape.edges[4].fill1 - 1].colour, kBlue);
    EXPECT_EQ(shape.edges[4].line, 1u);
}

TEST(MovieTags, GradientAndBitmapFills)
{
    CShapeBuilder builder(3);
    builder.Gradient(false, {{255, kBlue}, {0, kRed}, {128, Rgba{0, 255, 0, 100}}}, 0.5, 10, 20);
    builder.Gradient(true, {{0, kRed}});
    builder.BitmapFill(9, 0x40, 20);
    builder.BitmapFill(9, 0x43, 20);
    const Loaded loaded = Load(MovieFile({}, Concat({builder.Build(1), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    const Shape& shape = *loaded.movie->FindShape(1);
    ASSERT_EQ(shape.fills.size(), 4u);
    const FillStyle& linear = shape.fills[0];
    EXPECT_EQ(linear.kind, FillKind::Linear);
    EXPECT_DOUBLE_EQ(linear.matrix.a, 0.5);
    EXPECT_DOUBLE_EQ(linear.matrix.tx, 10);
    ASSERT_EQ(linear.stops.size(), 3u);
    EXPECT_EQ(linear.stops[0].colour, kRed) << "stops come in order of their ratios";
    EXPECT_EQ(linear.stops[1].colour.a, 100);
    EXPECT_EQ(linear.stops[2].colour, kBlue);
    EXPECT_EQ(shape.fills[1].kind, FillKind::Radial);
    EXPECT_EQ(shape.fills[2].kind, FillKind::Bitmap);
    EXPECT_EQ(shape.fills[2].bitmapId, 9);
    EXPECT_TRUE(shape.fills[2].repeat);
    EXPECT_TRUE(shape.fills[2].smooth);
    EXPECT_FALSE(shape.fills[3].repeat);
    EXPECT_FALSE(shape.fills[3].smooth);
}

TEST(MovieTags, AnUnknownFillTypeEndsTheShapeButNotTheMovie)
{
    CBitWriter body;
    body.U16(1);
    body.Rect(0, 100, 0, 100);
    body.U8(2);
    body.U8(0x00);
    body.Rgb(kRed);
    body.U8(0x77);  // no such fill type
    body.Append(Bytes(10, 0));
    const Loaded loaded = Load(MovieFile({}, Concat({Tag(2, body.Data()), RedSquareShape(2), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    ASSERT_TRUE(loaded.movie->FindShape(1));
    EXPECT_TRUE(loaded.movie->FindShape(1)->edges.empty());
    EXPECT_TRUE(loaded.movie->FindShape(2));
}

TEST(MovieTags, LosslessBitmaps)
{
    const std::vector<Rgba> pixels = {kRed, Rgba{0, 255, 0, 255}, Rgba{10, 20, 30, 255}, Rgba{200, 100, 50, 128}};
    const Loaded loaded = Load(MovieFile({}, Concat({LosslessTag(1, 1, 2, 2, pixels), LosslessTag(2, 2, 2, 2, pixels),
                                                     EndTag()})));
    ASSERT_TRUE(loaded.movie);
    const Bitmap* opaque = loaded.movie->FindBitmap(1);
    ASSERT_TRUE(opaque);
    EXPECT_EQ(opaque->width, 2);
    EXPECT_EQ(opaque->height, 2);
    EXPECT_EQ(opaque->pixels[2], pixels[2]);
    EXPECT_EQ(opaque->pixels[3].a, 255) << "version 1 has no alpha";
    const Bitmap* translucent = loaded.movie->FindBitmap(2);
    ASSERT_TRUE(translucent);
    EXPECT_EQ(translucent->pixels[0], kRed);
    const Rgba half = translucent->pixels[3];
    EXPECT_EQ(half.a, 128);
    EXPECT_NEAR(half.r, 200, 2) << "premultiplied colours are made straight";
    EXPECT_NEAR(half.g, 100, 2);
    EXPECT_NEAR(half.b, 50, 2);
}

TEST(MovieTags, ColourMappedAndFifteenBitBitmapsPadTheirRows)
{
    // Three pixels a row: one byte each, padded to four; two bytes each, padded to eight.
    CBitWriter mapped;
    mapped.U16(1);
    mapped.U8(3);
    mapped.U16(3);
    mapped.U16(2);
    mapped.U8(1);  // two colours
    mapped.Append(ZlibStored({255, 0, 0, 0, 0, 255, /* rows */ 0, 1, 0, 0xEE, 1, 1, 7, 0xEE}));
    CBitWriter fifteen;
    fifteen.U16(2);
    fifteen.U8(4);
    fifteen.U16(3);
    fifteen.U16(1);
    fifteen.Append(ZlibStored({0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 0xEE, 0xEE}));
    const Loaded loaded = Load(MovieFile({}, Concat({Tag(20, mapped.Data()), Tag(20, fifteen.Data()), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    const Bitmap& colourMapped = *loaded.movie->FindBitmap(1);
    ASSERT_EQ(colourMapped.pixels.size(), 6u);
    EXPECT_EQ(colourMapped.pixels[0], kRed);
    EXPECT_EQ(colourMapped.pixels[1], kBlue);
    EXPECT_EQ(colourMapped.pixels[3], kBlue) << "the second row starts after the padding";
    EXPECT_EQ(colourMapped.pixels[5], (Rgba{0, 0, 0, 255})) << "an index past the table";
    const Bitmap& rgb15 = *loaded.movie->FindBitmap(2);
    EXPECT_EQ(rgb15.pixels[0], kRed);
    EXPECT_EQ(rgb15.pixels[1], (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(rgb15.pixels[2], kBlue);
}

TEST(MovieTags, HugeOrDamagedBitmapsCostNothing)
{
    CBitWriter huge;
    huge.U16(1);
    huge.U8(5);
    huge.U16(65535);
    huge.U16(65535);
    huge.Append(ZlibStored({1, 2, 3, 4}));
    CBitWriter cut;  // says 100 × 100, holds four pixels
    cut.U16(2);
    cut.U8(5);
    cut.U16(100);
    cut.U16(100);
    cut.Append(ZlibStored({255, 1, 2, 3, 255, 4, 5, 6}));
    const Loaded loaded = Load(MovieFile({}, Concat({Tag(36, huge.Data()), Tag(36, cut.Data()), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    EXPECT_FALSE(loaded.movie->FindBitmap(1));
    const Bitmap* partial = loaded.movie->FindBitmap(2);
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->pixels.size(), 10000u);
    EXPECT_EQ(partial->pixels[1], (Rgba{4, 5, 6, 255}));
    EXPECT_EQ(partial->pixels[9999].a, 0) << "missing pixels are transparent";
}

TEST(MovieTags, JpegBitmapsGoThroughTheDecoder)
{
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 0xFF, 0xD9};
    CBitWriter jpeg2;
    jpeg2.U16(1);
    jpeg2.Append({0xFF, 0xD9, 0xFF, 0xD8});  // the stray header some writers add
    jpeg2.Append(jpeg);
    CBitWriter jpeg3;
    jpeg3.U16(2);
    jpeg3.U32(static_cast<std::uint32_t>(jpeg.size()));
    jpeg3.Append(jpeg);
    jpeg3.Append(ZlibStored({0, 64, 128, 255}));

    Bytes seen;
    int calls = 0;
    const CMovie::ImageDecoder decoder = [&](const std::uint8_t* data, std::size_t size, Bitmap& image) {
        ++calls;
        seen.assign(data, data + size);
        image.width = 2;
        image.height = 2;
        image.pixels.assign(4, kRed);
        return true;
    };
    const Bytes file = MovieFile({}, Concat({Tag(21, jpeg2.Data()), Tag(35, jpeg3.Data()), EndTag()}));
    Loaded loaded = Load(file, decoder);
    ASSERT_TRUE(loaded.movie);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(seen, jpeg);
    const Bitmap& plain = *loaded.movie->FindBitmap(1);
    EXPECT_EQ(plain.encoded, jpeg) << "the stray header is dropped";
    EXPECT_EQ(plain.pixels[3], kRed);
    const Bitmap& withAlpha = *loaded.movie->FindBitmap(2);
    EXPECT_EQ(withAlpha.pixels[0].a, 0);
    EXPECT_EQ(withAlpha.pixels[2].a, 128);
    EXPECT_EQ(withAlpha.pixels[3], kRed);

    loaded = Load(file);  // no decoder: the bytes are kept, nothing is drawn
    ASSERT_TRUE(loaded.movie);
    EXPECT_EQ(loaded.movie->FindBitmap(2)->encoded, jpeg);
    EXPECT_FALSE(loaded.movie->FindBitmap(2)->alpha.empty());
    EXPECT_TRUE(loaded.movie->FindBitmap(2)->pixels.empty());

    const CMovie::ImageDecoder liar = [](const std::uint8_t*, std::size_t, Bitmap& image) {
        image.width = 1000;
        image.height = 1000;
        image.pixels.assign(4, kRed);  // fewer than it claims
        return true;
    };
    loaded = Load(file, liar);
    ASSERT_TRUE(loaded.movie);
    EXPECT_TRUE(loaded.movie->FindBitmap(1)->pixels.empty());
}

const ControlTag& OnlyTag(const CMovie& movie, int frame = 0)
{
    const std::vector<ControlTag>& tags = movie.GetTimeline().frames.at(frame).tags;
    EXPECT_EQ(tags.size(), 1u);
    return tags.at(0);
}

TEST(MovieTags, PlaceObjectOfEveryVersion)
{
    CBitWriter place1;
    place1.U16(3);
    place1.U16(7);
    place1.Matrix(2, 2, 0, 0, 40, -60);
    place1.UB(0, 1);  // colour transform: multiply only
    place1.UB(1, 1);
    place1.UB(11, 4);
    for (int value : {128, 256, 512}) place1.SB(value, 11);
    place1.Align();
    Loaded loaded = Load(MovieFile({}, Concat({Tag(4, place1.Data()), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    const ControlTag& first = OnlyTag(*loaded.movie);
    EXPECT_EQ(first.depth, 7);
    EXPECT_EQ(first.characterId, 3);
    EXPECT_TRUE(first.hasCharacter);
    EXPECT_DOUBLE_EQ(first.matrix.a, 2);
    EXPECT_DOUBLE_EQ(first.matrix.ty, -60);
    EXPECT_TRUE(first.hasColour);
    EXPECT_FLOAT_EQ(first.colour.multR, 0.5f);
    EXPECT_FLOAT_EQ(first.colour.multB, 2.0f);

    Placement move;
    move.move = true;
    move.depth = 2;
    move.hasMatrix = false;
    move.hasColour = true;
    move.add[3] = -100;
    move.clipDepth = true;
    loaded = Load(MovieFile({}, Concat({Place2(move), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    const ControlTag& second = OnlyTag(*loaded.movie);
    EXPECT_TRUE(second.move);
    EXPECT_FALSE(second.hasCharacter);
    EXPECT_FALSE(second.hasMatrix);
    EXPECT_FLOAT_EQ(second.colour.addA, -100);
    EXPECT_TRUE(second.isMask);

    // PlaceObject3 with a class name, filters, blend mode and visibility: every field before
    // the visibility must be read past exactly.
    CBitWriter place3;
    place3.U8(0x02 | 0x04);                      // character, matrix
    place3.U8(0x01 | 0x02 | 0x04 | 0x08 | 0x20);  // filters, blend, cache, class name, visible
    place3.U16(4);
    place3.Append({'C', 'l', 'i', 'p', 0});
    place3.U16(9);
    place3.Matrix(1, 1, 0, 0, 5, 5);
    place3.U8(3);  // filters: blur, gradient glow with two colours, convolution 3 × 2
    place3.U8(1);
    place3.Append(Bytes(9, 0xAA));
    place3.U8(4);
    place3.U8(2);
    place3.Append(Bytes(2 * 5 + 19, 0xBB));
    place3.U8(5);
    place3.U8(3);
    place3.U8(2);
    place3.Append(Bytes(3 * 2 * 4 + 13, 0xCC));
    place3.U8(3);  // blend mode
    place3.U8(1);  // cache as bitmap
    place3.U8(0);  // not visible
    place3.RgbaColour(kRed);
    loaded = Load(MovieFile({}, Concat({Tag(70, place3.Data()), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    const ControlTag& third = OnlyTag(*loaded.movie);
    EXPECT_EQ(third.depth, 4);
    EXPECT_EQ(third.characterId, 9);
    EXPECT_DOUBLE_EQ(third.matrix.tx, 5);
    EXPECT_TRUE(third.hasVisible);
    EXPECT_FALSE(third.visible);
}

TEST(MovieTags, RemovalsActionsAndSprites)
{
    CBitWriter remove1;
    remove1.U16(3);
    remove1.U16(12);
    Bytes actions = {0x07, 0x06, 0x04, 0x05};
    const Bytes jump = ActionGoto(4);
    actions.insert(actions.end(), jump.begin(), jump.end());
    actions.insert(actions.end(), {0x96, 3, 0, 0, 'x', 0, 0x8C, 1, 0, 'y'});  // push, goto label: ignored
    Placement inside;
    inside.character = 1;
    const Bytes spriteBody = Concat({Bytes{8, 0, 2, 0}, RedSquareShape(99), Place2(inside), ShowFrame(),
                                     Remove2(1), ShowFrame(), EndTag()});
    const Loaded loaded = Load(MovieFile({}, Concat({Tag(5, remove1.Data()), Remove2(13), DoAction(actions),
                                                     Tag(39, spriteBody), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    const std::vector<ControlTag>& tags = loaded.movie->GetTimeline().frames.at(0).tags;
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(tags[0].kind, ControlKind::Remove);
    EXPECT_EQ(tags[0].depth, 12);
    EXPECT_EQ(tags[1].depth, 13);
    ASSERT_EQ(tags[2].kind, ControlKind::Actions);
    ASSERT_EQ(tags[2].actions.size(), 5u);
    EXPECT_EQ(tags[2].actions[0].code, ActionCode::Stop);
    EXPECT_EQ(tags[2].actions[1].code, ActionCode::Play);
    EXPECT_EQ(tags[2].actions[2].code, ActionCode::NextFrame);
    EXPECT_EQ(tags[2].actions[3].code, ActionCode::PreviousFrame);
    EXPECT_EQ(tags[2].actions[4].code, ActionCode::GotoFrame);
    EXPECT_EQ(tags[2].actions[4].frame, 4);

    const Sprite* sprite = loaded.movie->FindSprite(8);
    ASSERT_TRUE(sprite);
    ASSERT_EQ(sprite->timeline.frames.size(), 2u);
    EXPECT_EQ(sprite->timeline.frames[0].tags.at(0).kind, ControlKind::Place);
    EXPECT_EQ(sprite->timeline.frames[1].tags.at(0).kind, ControlKind::Remove);
    EXPECT_FALSE(loaded.movie->FindShape(99)) << "definitions inside a sprite are not taken";
}

TEST(MovieTags, TheFirstDefinitionOfAnIdStays)
{
    CShapeBuilder blue(1);
    blue.Style(0, blue.Solid(kBlue), 0);
    blue.Rectangle(0, 0, 10, 10);
    const Loaded loaded = Load(MovieFile({}, Concat({RedSquareShape(1), blue.Build(1), Background(kRed),
                                                     Background(kBlue), EndTag()})));
    ASSERT_TRUE(loaded.movie);
    EXPECT_EQ(loaded.movie->FindShape(1)->fills[0].colour, kRed);
    EXPECT_EQ(loaded.movie->GetBackground(), kRed);
}

} // namespace
