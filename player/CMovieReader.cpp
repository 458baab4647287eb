#include "CMovieReader.h"

#include "ActionReader.h"
#include "Inflate.h"
#include "JpegStream.h"
#include "ShapeReader.h"
#include "TextReader.h"

#include <algorithm>

namespace {

enum TagCode {
    TAG_END = 0,
    TAG_SHOW_FRAME = 1,
    TAG_DEFINE_SHAPE = 2,
    TAG_PLACE_OBJECT = 4,
    TAG_REMOVE_OBJECT = 5,
    TAG_DEFINE_BITS = 6,
    TAG_DEFINE_BUTTON = 7,
    TAG_JPEG_TABLES = 8,
    TAG_SET_BACKGROUND_COLOUR = 9,
    TAG_DEFINE_FONT = 10,
    TAG_DEFINE_TEXT = 11,
    TAG_DO_ACTION = 12,
    TAG_DEFINE_FONT_INFO = 13,
    TAG_DEFINE_BITS_LOSSLESS = 20,
    TAG_DEFINE_BITS_JPEG2 = 21,
    TAG_DEFINE_SHAPE2 = 22,
    TAG_DEFINE_BUTTON_CXFORM = 23,
    TAG_PLACE_OBJECT2 = 26,
    TAG_REMOVE_OBJECT2 = 28,
    TAG_DEFINE_SHAPE3 = 32,
    TAG_DEFINE_TEXT2 = 33,
    TAG_DEFINE_BUTTON2 = 34,
    TAG_DEFINE_BITS_JPEG3 = 35,
    TAG_DEFINE_BITS_LOSSLESS2 = 36,
    TAG_DEFINE_EDIT_TEXT = 37,
    TAG_DEFINE_SPRITE = 39,
    TAG_FRAME_LABEL = 43,
    TAG_DEFINE_MORPH_SHAPE = 46,
    TAG_DEFINE_FONT2 = 48,
    TAG_DO_INIT_ACTION = 59,
    TAG_DEFINE_FONT_INFO2 = 62,
    TAG_FILE_ATTRIBUTES = 69,
    TAG_PLACE_OBJECT3 = 70,
    TAG_DO_ABC_OLD = 72,
    TAG_DEFINE_FONT3 = 75,
    TAG_DO_ABC = 82,
    TAG_DEFINE_SHAPE4 = 83,
    TAG_DEFINE_MORPH_SHAPE2 = 84,
    TAG_DEFINE_BITS_JPEG4 = 90,
    TAG_DEFINE_FONT4 = 91,
};

constexpr std::uint8_t kActionScript3 = 0x08;  // FileAttributes' first byte

enum PlaceFlag {
    PLACE_MOVE = 0x01,
    PLACE_HAS_CHARACTER = 0x02,
    PLACE_HAS_MATRIX = 0x04,
    PLACE_HAS_COLOUR = 0x08,
    PLACE_HAS_RATIO = 0x10,
    PLACE_HAS_NAME = 0x20,
    PLACE_HAS_CLIP_DEPTH = 0x40,
};

constexpr std::uint8_t PLACE_HAS_CLIP_ACTIONS = 0x80;

enum PlaceFlag3 {
    PLACE3_HAS_FILTERS = 0x01,
    PLACE3_HAS_BLEND_MODE = 0x02,
    PLACE3_HAS_CACHE = 0x04,
    PLACE3_HAS_CLASS_NAME = 0x08,
    PLACE3_HAS_IMAGE = 0x10,
    PLACE3_HAS_VISIBLE = 0x20,
};

// Some writers put an end-of-image and start-of-image pair before the real image.
constexpr std::uint8_t kErroneousHeader[] = {0xFF, 0xD9, 0xFF, 0xD8};

enum LosslessFormat { LOSSLESS_COLOUR_MAPPED = 3, LOSSLESS_15_BIT = 4, LOSSLESS_TRUE_COLOUR = 5 };

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

bool ReadPlace(CBitReader& reader, int version, int movieVersion, ControlTag& tag, CModelBudget& budget)
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
    if (flags & PLACE_HAS_RATIO) {
        tag.hasRatio = true;
        tag.ratio = reader.U16();
    }
    if (flags & PLACE_HAS_NAME) {
        tag.hasName = true;
        tag.name = reader.String();
    }
    if (flags & PLACE_HAS_CLIP_DEPTH) {
        tag.clipDepth = reader.U16();
        tag.isMask = true;
    }
    if (reader.Failed()) return false;
    // Filters are not drawn (the object shows unfiltered), and a cached bitmap looks like the
    // object itself.
    if (flags3 & PLACE3_HAS_FILTERS) {
        if (!SkipFilters(reader)) return true;
    }
    if (flags3 & PLACE3_HAS_BLEND_MODE) {
        tag.blendMode = reader.U8();
        tag.hasBlendMode = !reader.Failed();
    }
    if (flags3 & PLACE3_HAS_CACHE) tag.cacheAsBitmap = reader.U8() != 0;
    if (flags3 & PLACE3_HAS_VISIBLE) {
        const std::uint8_t visible = reader.U8();
        reader.RgbaColour();
        if (!reader.Failed()) {
            tag.hasVisible = true;
            tag.visible = visible != 0;
        }
    }
    // Kept for a script engine; damaged clip actions leave the placement as it is.
    if ((flags & PLACE_HAS_CLIP_ACTIONS) && !reader.Failed() &&
        !ReadClipActions(reader, movieVersion, tag.clipActions, budget))
        tag.clipActions.clear();
    return true;
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
        } else if (code == TAG_FRAME_LABEL) {
            // The label names the frame being built; a trailing anchor flag is not needed.
            FrameLabel label{body.String(), static_cast<int>(timeline.frames.size())};
            if (!body.Failed() && m_budget.Charge(sizeof(FrameLabel) + label.name.size()))
                timeline.labels.push_back(std::move(label));
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
        if (ReadPlace(body, version, m_movie.m_nVersion, tag, m_budget)) Keep(frame, std::move(tag));
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
        ActionBlock block;
        if (!ReadActionBlock(body, block, m_budget) || block.code->empty()) return;
        tag.actions = std::move(block.simple);
        tag.code = std::move(block.code);
        Keep(frame, std::move(tag));
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
    case TAG_DO_ABC_OLD:
    case TAG_DO_ABC:
        m_movie.m_bActionScript3 = true;
        return;
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
    case TAG_FILE_ATTRIBUTES:
        if (body.U8() & kActionScript3) m_movie.m_bActionScript3 = true;
        break;
    case TAG_JPEG_TABLES:
        if (m_jpegTables.empty()) m_jpegTables.assign(body.Here(), body.Here() + body.Remaining());
        break;
    case TAG_DEFINE_BITS: DefineJpeg(body, 1); break;
    case TAG_DEFINE_BITS_JPEG2: DefineJpeg(body, 2); break;
    case TAG_DEFINE_BITS_JPEG3: DefineJpeg(body, 3); break;
    case TAG_DEFINE_BITS_JPEG4: DefineJpeg(body, 4); break;
    case TAG_DEFINE_SPRITE: DefineSprite(body); break;
    case TAG_DEFINE_MORPH_SHAPE: DefineMorph(body, 1); break;
    case TAG_DEFINE_MORPH_SHAPE2: DefineMorph(body, 2); break;
    case TAG_DEFINE_FONT: DefineFont(body, 1); break;
    case TAG_DEFINE_FONT2: DefineFont(body, 2); break;
    case TAG_DEFINE_FONT3: DefineFont(body, 3); break;
    case TAG_DEFINE_FONT4: DefineFont(body, 4); break;
    case TAG_DEFINE_FONT_INFO: DefineFontInfo(body, 1); break;
    case TAG_DEFINE_FONT_INFO2: DefineFontInfo(body, 2); break;
    case TAG_DEFINE_TEXT: DefineText(body, 1); break;
    case TAG_DEFINE_TEXT2: DefineText(body, 2); break;
    case TAG_DEFINE_EDIT_TEXT: DefineEditText(body); break;
    case TAG_DEFINE_BUTTON: DefineButton(body, 1); break;
    case TAG_DEFINE_BUTTON2: DefineButton(body, 2); break;
    case TAG_DEFINE_BUTTON_CXFORM: {
        const std::uint16_t id = body.U16();
        const auto found = m_movie.m_buttons.find(id);
        if (!body.Failed() && found != m_movie.m_buttons.end()) ReadButtonCxform(body, found->second);
        break;
    }
    default: break;  // unknown and unsupported tags are passed over by their length
    }
}

void CMovieReader::Keep(Frame& frame, ControlTag&& tag)
{
    if (m_budget.Charge(sizeof(ControlTag))) frame.tags.push_back(std::move(tag));
}

bool CMovieReader::IsDefined(std::uint16_t id) const
{
    return m_movie.m_shapes.count(id) != 0 || m_movie.m_bitmaps.count(id) != 0 || m_movie.m_sprites.count(id) != 0 ||
           m_movie.m_morphs.count(id) != 0 || m_movie.m_fonts.count(id) != 0 || m_movie.m_texts.count(id) != 0 ||
           m_movie.m_editTexts.count(id) != 0 || m_movie.m_buttons.count(id) != 0;
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
    const std::size_t declared = version >= 3 ? body.U32() : body.Remaining();
    if (version == 4) body.U16();  // deblocking strength: not applied
    const std::size_t imageSize = std::min(declared, body.Remaining());
    if (body.Failed() || IsDefined(id) || !m_budget.Charge(body.Remaining() + m_jpegTables.size())) return;
    const std::uint8_t* image = body.Here();
    Bitmap bitmap;
    if (IsJpegData(image, imageSize)) {
        // Tables of the whole movie first for DefineBits; the tag's own parts after them.
        std::vector<std::pair<const std::uint8_t*, std::size_t>> parts;
        if (version == 1) parts.emplace_back(m_jpegTables.data(), m_jpegTables.size());
        parts.emplace_back(image, imageSize);
        if (!JoinJpegStreams(parts, bitmap.encoded)) {
            // Not walkable as segments: only a stray pair at the very start is dropped.
            const std::size_t skip = imageSize >= 4 && std::equal(image, image + 4, kErroneousHeader) ? 4 : 0;
            bitmap.encoded.assign(image + skip, image + imageSize);
        }
    } else {
        bitmap.encoded.assign(image, image + imageSize);  // PNG or GIF
    }
    body.Skip(imageSize);
    if (version >= 3) bitmap.alpha.assign(body.Here(), body.Here() + body.Remaining());
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

void CMovieReader::DefineMorph(CBitReader& body, int version)
{
    const std::uint16_t id = body.U16();
    if (body.Failed() || IsDefined(id)) return;
    MorphShape morph;
    // Halves that do not pair up cannot be blended: such a morph is left out.
    if (ReadMorphShape(body, version, morph, m_budget)) m_movie.m_morphs.emplace(id, std::move(morph));
}

void CMovieReader::DefineFont(CBitReader& body, int version)
{
    const std::uint16_t id = body.U16();
    if (body.Failed() || IsDefined(id)) return;
    Font font;
    if (version == 4) {
        // Compact font format outlines are not read: the font stands for a device font.
        body.U8();
        font.name = body.String();
    } else if (!ReadFont(body, version, font, m_budget)) {
        return;
    }
    m_movie.m_fonts.emplace(id, std::move(font));
}

void CMovieReader::DefineFontInfo(CBitReader& body, int version)
{
    const std::uint16_t id = body.U16();
    const auto found = m_movie.m_fonts.find(id);
    if (!body.Failed() && found != m_movie.m_fonts.end()) ReadFontInfo(body, version, found->second, m_budget);
}

void CMovieReader::DefineText(CBitReader& body, int version)
{
    const std::uint16_t id = body.U16();
    if (body.Failed() || IsDefined(id) || !m_budget.Charge(sizeof(StaticText))) return;
    StaticText text;
    // Damaged text keeps the runs before the damage.
    ReadStaticText(body, version, text, m_budget);
    m_movie.m_texts.emplace(id, std::move(text));
}

void CMovieReader::DefineEditText(CBitReader& body)
{
    const std::uint16_t id = body.U16();
    if (body.Failed() || IsDefined(id)) return;
    EditText field;
    if (ReadEditText(body, field) && m_budget.Charge(sizeof(EditText) + field.initialText.size()))
        m_movie.m_editTexts.emplace(id, std::move(field));
}

void CMovieReader::DefineButton(CBitReader& body, int version)
{
    const std::uint16_t id = body.U16();
    if (body.Failed() || IsDefined(id) || !m_budget.Charge(sizeof(Button))) return;
    Button button;
    // A button whose actions are damaged still shows and reacts.
    ReadButton(body, version, button, m_budget);
    for (Timeline& timeline : button.states) {
        if (timeline.frames.empty()) timeline.frames.emplace_back();
    }
    m_movie.m_buttons.emplace(id, std::move(button));
}
