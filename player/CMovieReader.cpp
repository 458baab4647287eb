#include "CMovieReader.h"

#include "Inflate.h"
#include "ShapeReader.h"

#include <algorithm>

namespace {

enum TagCode {
    TAG_END = 0,
    TAG_SHOW_FRAME = 1,
    TAG_DEFINE_SHAPE = 2,
    TAG_PLACE_OBJECT = 4,
    TAG_REMOVE_OBJECT = 5,
    TAG_SET_BACKGROUND_COLOUR = 9,
    TAG_DO_ACTION = 12,
    TAG_DEFINE_BITS_LOSSLESS = 20,
    TAG_DEFINE_BITS_JPEG2 = 21,
    TAG_DEFINE_SHAPE2 = 22,
    TAG_PLACE_OBJECT2 = 26,
    TAG_REMOVE_OBJECT2 = 28,
    TAG_DEFINE_SHAPE3 = 32,
    TAG_DEFINE_BITS_JPEG3 = 35,
    TAG_DEFINE_BITS_LOSSLESS2 = 36,
    TAG_DEFINE_SPRITE = 39,
    TAG_DO_INIT_ACTION = 59,
    TAG_PLACE_OBJECT3 = 70,
    TAG_DEFINE_SHAPE4 = 83,
};

enum PlaceFlag {
    PLACE_MOVE = 0x01,
    PLACE_HAS_CHARACTER = 0x02,
    PLACE_HAS_MATRIX = 0x04,
    PLACE_HAS_COLOUR = 0x08,
    PLACE_HAS_RATIO = 0x10,
    PLACE_HAS_NAME = 0x20,
    PLACE_HAS_CLIP_DEPTH = 0x40,
};

enum PlaceFlag3 {
    PLACE3_HAS_FILTERS = 0x01,
    PLACE3_HAS_BLEND_MODE = 0x02,
    PLACE3_HAS_CACHE = 0x04,
    PLACE3_HAS_CLASS_NAME = 0x08,
    PLACE3_HAS_IMAGE = 0x10,
    PLACE3_HAS_VISIBLE = 0x20,
};

enum LosslessFormat { LOSSLESS_COLOUR_MAPPED = 3, LOSSLESS_15_BIT = 4, LOSSLESS_TRUE_COLOUR = 5 };

// Some writers put an end-of-image and start-of-image pair before the real image.
constexpr std::uint8_t kErroneousHeader[] = {0xFF, 0xD9, 0xFF, 0xD8};

// Bytes of one row of a lossless bitmap: rows are padded to a multiple of four bytes.
std::size_t PaddedRow(std::size_t bytes)
{
    return (bytes + 3) & ~std::size_t{3};
}

// Lossless2 pixels come premultiplied by their alpha; the model keeps straight colours.
Rgba Unpremultiply(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    if (a == 0) return {0, 0, 0, 0};
    const auto channel = [a](std::uint8_t c) {
        return static_cast<std::uint8_t>(std::min(255, (c * 255 + a / 2) / a));
    };
    return {channel(r), channel(g), channel(b), a};
}

// Where a lossless bitmap's colour table and rows lie in its expanded data, and how to read a
// pixel from them.
struct LosslessLayout {
    int version = 1;
    int format = 0;
    std::size_t tableSize = 0;
    std::size_t entrySize = 0;
    std::size_t tableBytes = 0;
    std::size_t rowBytes = 0;

    // False for a format the version does not have.
    bool Fit(std::size_t width)
    {
        entrySize = version == 1 ? 3 : 4;
        if (format == LOSSLESS_COLOUR_MAPPED) {
            tableBytes = tableSize * entrySize;
            rowBytes = PaddedRow(width);
        } else if (format == LOSSLESS_15_BIT && version == 1) {
            rowBytes = PaddedRow(width * 2);
        } else if (format == LOSSLESS_TRUE_COLOUR) {
            rowBytes = width * 4;
        } else {
            return false;
        }
        return true;
    }

    Rgba Pixel(const std::uint8_t* table, const std::uint8_t* row, std::size_t x) const
    {
        if (format == LOSSLESS_COLOUR_MAPPED) {
            const std::size_t index = row[x];
            if (index >= tableSize) return version == 1 ? Rgba{0, 0, 0, 255} : Rgba{0, 0, 0, 0};
            const std::uint8_t* entry = table + index * entrySize;
            return version == 1 ? Rgba{entry[0], entry[1], entry[2], 255}
                                : Unpremultiply(entry[3], entry[0], entry[1], entry[2]);
        }
        if (format == LOSSLESS_15_BIT) {
            const unsigned value = row[x * 2] << 8 | row[x * 2 + 1];
            const auto channel = [](unsigned five) { return static_cast<std::uint8_t>(five * 255 / 31); };
            return {channel((value >> 10) & 31), channel((value >> 5) & 31), channel(value & 31), 255};
        }
        const std::uint8_t* pixel = row + x * 4;
        return version == 1 ? Rgba{pixel[1], pixel[2], pixel[3], 255}
                            : Unpremultiply(pixel[0], pixel[1], pixel[2], pixel[3]);
    }
};

bool SkipFilters(CBitReader& reader)
{
    const int count = reader.U8();
    for (int i = 0; i < count && !reader.Failed(); ++i) {
        switch (reader.U8()) {
        case 0: reader.Skip(23); break;  // drop shadow
        case 1: reader.Skip(9); break;   // blur
        case 2: reader.Skip(15); break;  // glow
        case 3: reader.Skip(27); break;  // bevel
        case 4:                          // gradient glow
        case 7: {                        // gradient bevel
            const int colours = reader.U8();
            reader.Skip(colours * 5 + 19);
            break;
        }
        case 5: {  // convolution
            const int columns = reader.U8();
            const int rows = reader.U8();
            reader.Skip(static_cast<std::size_t>(columns) * rows * 4 + 13);
            break;
        }
        case 6: reader.Skip(80); break;  // colour matrix
        default: return false;
        }
    }
    return !reader.Failed();
}

bool ReadPlace(CBitReader& reader, int version, ControlTag& tag)
{
    if (version == 1) {
        tag.hasCharacter = tag.hasMatrix = true;
        tag.characterId = reader.U16();
        tag.depth = reader.U16();
        tag.matrix = reader.ReadMatrix();
        if (reader.Remaining() > 0) {
            tag.hasColour = true;
            tag.colour = reader.ReadColourTransform(false);
        }
        return !reader.Failed();
    }
    const std::uint8_t flags = reader.U8();
    const std::uint8_t flags3 = version == 3 ? reader.U8() : 0;
    tag.depth = reader.U16();
    tag.move = (flags & PLACE_MOVE) != 0;
    tag.hasCharacter = (flags & PLACE_HAS_CHARACTER) != 0;
    if ((flags3 & PLACE3_HAS_CLASS_NAME) || ((flags3 & PLACE3_HAS_IMAGE) && tag.hasCharacter)) reader.String();
    if (tag.hasCharacter) tag.characterId = reader.U16();
    if (flags & PLACE_HAS_MATRIX) {
        tag.hasMatrix = true;
        tag.matrix = reader.ReadMatrix();
    }
    if (flags & PLACE_HAS_COLOUR) {
        tag.hasColour = true;
        tag.colour = reader.ReadColourTransform(true);
    }
    if (flags & PLACE_HAS_RATIO) reader.U16();
    if (flags & PLACE_HAS_NAME) reader.String();
    if (flags & PLACE_HAS_CLIP_DEPTH) {
        reader.U16();
        tag.isMask = true;
    }
    if (reader.Failed()) return false;
    // Filters, blend mode and caching are not drawn; they are read only to reach visibility.
    if (flags3 & PLACE3_HAS_FILTERS) {
        if (!SkipFilters(reader)) return true;
    }
    if (flags3 & PLACE3_HAS_BLEND_MODE) reader.U8();
    if (flags3 & PLACE3_HAS_CACHE) reader.U8();
    if (flags3 & PLACE3_HAS_VISIBLE) {
        const std::uint8_t visible = reader.U8();
        reader.RgbaColour();
        if (!reader.Failed()) {
            tag.hasVisible = true;
            tag.visible = visible != 0;
        }
    }
    return true;
}

void ReadActions(CBitReader& reader, ControlTag& tag)
{
    while (reader.Remaining() > 0) {
        const std::uint8_t code = reader.U8();
        if (code == 0) break;
        const std::size_t length = code >= 0x80 ? reader.U16() : 0;
        if (reader.Failed()) break;
        CBitReader payload(reader.Here(), std::min(length, reader.Remaining()));
        reader.Skip(length);
        switch (static_cast<ActionCode>(code)) {
        case ActionCode::NextFrame:
        case ActionCode::PreviousFrame:
        case ActionCode::Play:
        case ActionCode::Stop:
            tag.actions.push_back({static_cast<ActionCode>(code), 0});
            break;
        case ActionCode::GotoFrame: {
            const std::uint16_t frame = payload.U16();
            if (!payload.Failed()) tag.actions.push_back({ActionCode::GotoFrame, frame});
            break;
        }
        default:
            break;  // every other action is ignored
        }
    }
}

} // namespace

CMovieReader::CMovieReader(CMovie& movie, const CMovie::ImageDecoder& decoder)
    : m_movie(movie), m_decoder(decoder), m_budget(CMovie::kMaxModelBytes)
{
}

bool CMovieReader::ReadMainTimeline(CBitReader& reader)
{
    const bool ended = ReadTags(reader, m_movie.m_timeline, false);
    return ended && !m_bDamaged;
}

bool CMovieReader::ReadTags(CBitReader& reader, Timeline& timeline, bool inSprite)
{
    Frame frame;
    bool ended = false;
    while (!ended && reader.Remaining() >= 2) {
        const std::uint16_t head = reader.U16();
        const int code = head >> 6;
        std::size_t length = head & 0x3F;
        if (length == 0x3F) length = reader.U32();
        if (reader.Failed() || length > reader.Remaining()) break;
        CBitReader body(reader.Here(), length);
        reader.Skip(length);
        if (code == TAG_END) {
            ended = true;
        } else if (code == TAG_SHOW_FRAME) {
            if (!m_budget.Charge(sizeof(Frame))) break;
            timeline.frames.push_back(std::move(frame));
            frame = Frame();
        } else if (!m_sound.Read(code, body, timeline, frame, inSprite)) {
            ReadTag(code, body, frame, inSprite);
        }
        if (m_budget.Exhausted()) {
            m_bDamaged = true;
            break;
        }
    }
    // Control tags after the last frame still make a frame; a timeline has at least one.
    if (!frame.tags.empty() || timeline.frames.empty()) timeline.frames.push_back(std::move(frame));
    return ended;
}

void CMovieReader::ReadTag(int code, CBitReader& body, Frame& frame, bool inSprite)
{
    switch (code) {
    case TAG_PLACE_OBJECT:
    case TAG_PLACE_OBJECT2:
    case TAG_PLACE_OBJECT3: {
        ControlTag tag;
        const int version = code == TAG_PLACE_OBJECT ? 1 : code == TAG_PLACE_OBJECT2 ? 2 : 3;
        if (ReadPlace(body, version, tag)) Keep(frame, std::move(tag));
        return;
    }
    case TAG_REMOVE_OBJECT:
    case TAG_REMOVE_OBJECT2: {
        ControlTag tag;
        tag.kind = ControlKind::Remove;
        if (code == TAG_REMOVE_OBJECT) body.U16();  // the character id is not needed
        tag.depth = body.U16();
        if (!body.Failed()) Keep(frame, std::move(tag));
        return;
    }
    case TAG_DO_ACTION: {
        ControlTag tag;
        tag.kind = ControlKind::Actions;
        const std::size_t size = body.Remaining();
        tag.code = std::make_shared<const std::vector<std::uint8_t>>(body.Here(), body.Here() + size);
        ReadActions(body, tag);
        if (m_budget.Charge(tag.actions.size() * sizeof(Action) + size)) Keep(frame, std::move(tag));
        return;
    }
    case TAG_DO_INIT_ACTION: {
        ControlTag tag;
        tag.kind = ControlKind::InitActions;
        tag.characterId = body.U16();
        const std::size_t size = body.Remaining();
        if (body.Failed()) return;
        tag.code = std::make_shared<const std::vector<std::uint8_t>>(body.Here(), body.Here() + size);
        if (m_budget.Charge(size)) Keep(frame, std::move(tag));
        return;
    }
    default:
        break;
    }
    // Only control tags belong inside a sprite; definitions there are skipped.
    if (inSprite) return;
    switch (code) {
    case TAG_SET_BACKGROUND_COLOUR:
        if (!m_bBackgroundSet) {
            const Rgba colour = body.Rgb();
            if (!body.Failed()) {
                m_movie.m_background = colour;
                m_bBackgroundSet = true;
            }
        }
        break;
    case TAG_DEFINE_SHAPE: DefineShape(body, 1); break;
    case TAG_DEFINE_SHAPE2: DefineShape(body, 2); break;
    case TAG_DEFINE_SHAPE3: DefineShape(body, 3); break;
    case TAG_DEFINE_SHAPE4: DefineShape(body, 4); break;
    case TAG_DEFINE_BITS_LOSSLESS: DefineLossless(body, 1); break;
    case TAG_DEFINE_BITS_LOSSLESS2: DefineLossless(body, 2); break;
    case TAG_DEFINE_BITS_JPEG2: DefineJpeg(body, 2); break;
    case TAG_DEFINE_BITS_JPEG3: DefineJpeg(body, 3); break;
    case TAG_DEFINE_SPRITE: DefineSprite(body); break;
    default: break;  // unknown and unsupported tags are passed over by their length
    }
}

void CMovieReader::Keep(Frame& frame, ControlTag&& tag)
{
    if (m_budget.Charge(sizeof(ControlTag))) frame.tags.push_back(std::move(tag));
}

bool CMovieReader::IsDefined(std::uint16_t id) const
{
    return m_movie.m_shapes.count(id) != 0 || m_movie.m_bitmaps.count(id) != 0 || m_movie.m_sprites.count(id) != 0;
}

void CMovieReader::DefineShape(CBitReader& body, int version)
{
    const std::uint16_t id = body.U16();
    if (body.Failed() || IsDefined(id)) return;
    Shape shape;
    // A shape damaged part way keeps the edges before the damage, as far as they go.
    ReadShape(body, version, shape, m_budget);
    m_movie.m_shapes.emplace(id, std::move(shape));
}

void CMovieReader::DefineLossless(CBitReader& body, int version)
{
    const std::uint16_t id = body.U16();
    LosslessLayout layout;
    layout.version = version;
    layout.format = body.U8();
    const std::size_t width = body.U16();
    const std::size_t height = body.U16();
    layout.tableSize = layout.format == LOSSLESS_COLOUR_MAPPED ? body.U8() + std::size_t{1} : 0;
    if (body.Failed() || IsDefined(id) || !layout.Fit(width)) return;
    const std::size_t pixelCount = width * height;
    const std::size_t expected = layout.tableBytes + layout.rowBytes * height;
    if (pixelCount * 4 > CMovie::kMaxBitmapBytes || !m_budget.Charge(pixelCount * sizeof(Rgba) + expected)) return;

    std::vector<std::uint8_t> data;
    // A stream that ends early leaves the rest of the picture transparent (or black).
    ZlibInflate(body.Here(), body.Remaining(), expected, data);
    data.resize(expected, 0);
    Bitmap bitmap;
    bitmap.width = static_cast<int>(width);
    bitmap.height = static_cast<int>(height);
    bitmap.pixels.resize(pixelCount);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = data.data() + layout.tableBytes + y * layout.rowBytes;
        for (std::size_t x = 0; x < width; ++x) bitmap.pixels[y * width + x] = layout.Pixel(data.data(), row, x);
    }
    m_movie.m_bitmaps.emplace(id, std::move(bitmap));
}

void CMovieReader::DefineJpeg(CBitReader& body, int version)
{
    const std::uint16_t id = body.U16();
    const std::size_t declared = version == 3 ? body.U32() : body.Remaining();
    const std::size_t imageSize = std::min(declared, body.Remaining());
    if (body.Failed() || IsDefined(id) || !m_budget.Charge(body.Remaining())) return;
    const std::uint8_t* image = body.Here();
    Bitmap bitmap;
    if (imageSize >= 4 && std::equal(image, image + 4, kErroneousHeader)) {
        bitmap.encoded.assign(image + 4, image + imageSize);
    } else {
        bitmap.encoded.assign(image, image + imageSize);
    }
    body.Skip(imageSize);
    bitmap.alpha.assign(body.Here(), body.Here() + body.Remaining());
    DecodeImage(bitmap);
    m_movie.m_bitmaps.emplace(id, std::move(bitmap));
}

void CMovieReader::DecodeImage(Bitmap& bitmap)
{
    if (!m_decoder || bitmap.encoded.empty()) return;
    Bitmap decoded;
    if (!m_decoder(bitmap.encoded.data(), bitmap.encoded.size(), decoded)) return;
    const std::size_t pixelCount = static_cast<std::size_t>(std::max(decoded.width, 0)) * std::max(decoded.height, 0);
    if (pixelCount == 0 || pixelCount * 4 > CMovie::kMaxBitmapBytes || decoded.pixels.size() != pixelCount ||
        !m_budget.Charge(pixelCount * sizeof(Rgba)))
        return;
    if (!bitmap.alpha.empty()) {
        std::vector<std::uint8_t> alpha;
        ZlibInflate(bitmap.alpha.data(), bitmap.alpha.size(), pixelCount, alpha);
        // A short plane leaves the remaining pixels opaque.
        for (std::size_t i = 0; i < alpha.size(); ++i) decoded.pixels[i].a = alpha[i];
    }
    bitmap.width = decoded.width;
    bitmap.height = decoded.height;
    bitmap.pixels = std::move(decoded.pixels);
}

void CMovieReader::DefineSprite(CBitReader& body)
{
    const std::uint16_t id = body.U16();
    body.U16();  // declared frame count; the frames present count
    if (body.Failed() || IsDefined(id) || !m_budget.Charge(sizeof(Sprite))) return;
    Sprite sprite;
    ReadTags(body, sprite.timeline, true);
    m_movie.m_sprites.emplace(id, std::move(sprite));
}
