#include "TextReader.h"

#include "ShapeReader.h"

#include <algorithm>

namespace {

enum FontFlag {
    FONT_BOLD = 0x01,
    FONT_ITALIC = 0x02,
    FONT_WIDE_CODES = 0x04,
    FONT_WIDE_OFFSETS = 0x08,
    FONT_HAS_LAYOUT = 0x80,
};

enum EditFlag {
    EDIT_HAS_FONT = 0x0001,
    EDIT_HAS_MAX_LENGTH = 0x0002,
    EDIT_HAS_TEXT_COLOUR = 0x0004,
    EDIT_READ_ONLY = 0x0008,
    EDIT_PASSWORD = 0x0010,
    EDIT_MULTILINE = 0x0020,
    EDIT_WORD_WRAP = 0x0040,
    EDIT_HAS_TEXT = 0x0080,
    EDIT_USE_OUTLINES = 0x0100,
    EDIT_HTML = 0x0200,
    EDIT_BORDER = 0x0800,
    EDIT_NO_SELECT = 0x1000,
    EDIT_HAS_LAYOUT = 0x2000,
    EDIT_AUTO_SIZE = 0x4000,
    EDIT_HAS_FONT_CLASS = 0x8000,
};

// Glyph i's outline lies between offsets[i] and offsets[i + 1] (or the end).
void ReadGlyphs(const std::uint8_t* base, std::size_t size, const std::vector<std::size_t>& offsets, Font& font,
                CModelBudget& budget)
{
    font.glyphs.resize(offsets.size());
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const std::size_t from = offsets[i];
        const std::size_t to = i + 1 < offsets.size() ? offsets[i + 1] : size;
        if (from >= to || to > size) continue;
        CBitReader glyph(base + from, to - from);
        // A damaged glyph keeps what was read of it.
        ReadGlyph(glyph, font.glyphs[i], budget);
        if (budget.Exhausted()) return;
    }
}

bool ReadFont1(CBitReader& reader, Font& font, CModelBudget& budget)
{
    const std::uint8_t* base = reader.Here();
    const std::size_t size = reader.Remaining();
    const std::size_t first = reader.U16();
    const std::size_t count = first / 2;
    if (reader.Failed() || !budget.Charge(count * (sizeof(Shape) + sizeof(std::size_t)))) return false;
    std::vector<std::size_t> offsets{first};
    for (std::size_t i = 1; i < count; ++i) offsets.push_back(reader.U16());
    if (reader.Failed()) return false;
    ReadGlyphs(base, size, offsets, font, budget);
    return true;
}

bool ReadFont23(CBitReader& reader, int version, Font& font, CModelBudget& budget)
{
    const std::uint8_t flags = reader.U8();
    reader.U8();  // language
    const std::size_t nameLength = reader.U8();
    for (std::size_t i = 0; i < nameLength && !reader.Failed(); ++i) font.name.push_back(static_cast<char>(reader.U8()));
    while (!font.name.empty() && font.name.back() == '\0') font.name.pop_back();
    font.bold = (flags & FONT_BOLD) != 0;
    font.italic = (flags & FONT_ITALIC) != 0;
    font.emSquare = version == 3 ? 20480 : 1024;
    const std::size_t count = reader.U16();
    if (reader.Failed() || !budget.Charge(count * (sizeof(Shape) + sizeof(std::size_t) + 4))) return false;
    if (count == 0) return true;  // a device font: only its name is used

    const std::uint8_t* base = reader.Here();
    const bool wideOffsets = (flags & FONT_WIDE_OFFSETS) != 0;
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i <= count; ++i) offsets.push_back(wideOffsets ? reader.U32() : reader.U16());
    if (reader.Failed()) return false;
    const std::size_t codeTable = offsets.back();
    offsets.pop_back();
    if (codeTable > reader.Remaining() + (reader.Here() - base)) return false;
    ReadGlyphs(base, codeTable, offsets, font, budget);

    CBitReader rest(base + codeTable, reader.Remaining() + (reader.Here() - base) - codeTable);
    const bool wideCodes = (flags & FONT_WIDE_CODES) != 0;
    for (std::size_t i = 0; i < count; ++i) font.codes.push_back(wideCodes ? rest.U16() : rest.U8());
    if (rest.Failed()) {
        font.codes.clear();
        return true;
    }
    if (flags & FONT_HAS_LAYOUT) {
        font.ascent = rest.U16();
        font.descent = rest.U16();
        font.leading = static_cast<std::int16_t>(rest.U16());
        for (std::size_t i = 0; i < count; ++i) font.advances.push_back(static_cast<std::int16_t>(rest.U16()));
        for (std::size_t i = 0; i < count; ++i) rest.Rect();
        const std::size_t kerns = rest.U16();
        if (!rest.Failed() && budget.Charge(kerns * 8)) {
            for (std::size_t i = 0; i < kerns && !rest.Failed(); ++i) {
                const std::uint32_t left = wideCodes ? rest.U16() : rest.U8();
                const std::uint32_t right = wideCodes ? rest.U16() : rest.U8();
                const auto adjustment = static_cast<std::int16_t>(rest.U16());
                if (!rest.Failed()) font.kerning.emplace_back(left << 16 | right, adjustment);
            }
        }
        font.hasLayout = font.advances.size() == count && !rest.Failed();
        if (!font.hasLayout) font.advances.clear();
    }
    return true;
}

} // namespace

bool ReadFont(CBitReader& reader, int version, Font& font, CModelBudget& budget)
{
    const bool read = version == 1 ? ReadFont1(reader, font, budget) : ReadFont23(reader, version, font, budget);
    font.Index();
    return read;
}

bool ReadFontInfo(CBitReader& reader, int version, Font& font, CModelBudget& budget)
{
    const std::size_t nameLength = reader.U8();
    std::string name;
    for (std::size_t i = 0; i < nameLength && !reader.Failed(); ++i) name.push_back(static_cast<char>(reader.U8()));
    while (!name.empty() && name.back() == '\0') name.pop_back();
    const std::uint8_t flags = reader.U8();
    if (version == 2) reader.U8();  // language
    if (reader.Failed() || !budget.Charge(font.glyphs.size() * 2)) return false;
    font.name = name;
    font.bold = (flags & 0x02) != 0;
    font.italic = (flags & 0x04) != 0;
    const bool wideCodes = (flags & 0x01) != 0;
    font.codes.clear();
    for (std::size_t i = 0; i < font.glyphs.size(); ++i) font.codes.push_back(wideCodes ? reader.U16() : reader.U8());
    if (reader.Failed()) font.codes.resize(font.glyphs.size(), 0);
    font.Index();
    return true;
}

bool ReadStaticText(CBitReader& reader, int version, StaticText& text, CModelBudget& budget)
{
    text.bounds = reader.Rect();
    text.matrix = reader.ReadMatrix();
    const int glyphBits = reader.U8();
    const int advanceBits = reader.U8();
    if (glyphBits > 32 || advanceBits > 32) return false;
    TextRun style;
    while (!reader.Failed()) {
        const std::uint8_t flags = reader.U8();
        if (flags == 0) return !reader.Failed();
        TextRun run;
        run.fontId = style.fontId;
        run.colour = style.colour;
        run.height = style.height;
        run.x = style.x;
        run.y = style.y;
        if (flags & 0x08) run.fontId = reader.U16();
        if (flags & 0x04) run.colour = version == 2 ? reader.RgbaColour() : reader.Rgb();
        if (flags & 0x01) run.x = static_cast<std::int16_t>(reader.U16());
        if (flags & 0x02) run.y = static_cast<std::int16_t>(reader.U16());
        if (flags & 0x08) run.height = reader.U16();
        const std::size_t count = reader.U8();
        if (reader.Failed() || !budget.Charge(sizeof(TextRun) + count * sizeof(TextGlyph))) return false;
        std::int64_t pen = run.x;
        for (std::size_t i = 0; i < count; ++i) {
            TextGlyph glyph;
            glyph.index = static_cast<std::uint16_t>(reader.UB(glyphBits));
            glyph.advance = reader.SB(advanceBits);
            run.glyphs.push_back(glyph);
            pen = std::clamp<std::int64_t>(pen + glyph.advance, -(1 << 30), 1 << 30);
        }
        reader.Align();
        if (reader.Failed()) return false;
        // The next run carries on where this one ended unless it says otherwise.
        style = run;
        style.x = static_cast<std::int32_t>(pen);
        style.glyphs.clear();
        text.runs.push_back(std::move(run));
    }
    return false;
}

bool ReadEditText(CBitReader& reader, EditText& field)
{
    field.bounds = reader.Rect();
    const std::uint16_t flags = static_cast<std::uint16_t>(reader.U8() | reader.U8() << 8);
    field.wordWrap = (flags & EDIT_WORD_WRAP) != 0;
    field.multiline = (flags & EDIT_MULTILINE) != 0;
    field.password = (flags & EDIT_PASSWORD) != 0;
    field.readOnly = (flags & EDIT_READ_ONLY) != 0;
    field.html = (flags & EDIT_HTML) != 0;
    field.useOutlines = (flags & EDIT_USE_OUTLINES) != 0;
    field.border = field.background = (flags & EDIT_BORDER) != 0;
    field.autoSize = (flags & EDIT_AUTO_SIZE) != 0;
    field.noSelect = (flags & EDIT_NO_SELECT) != 0;
    if (flags & EDIT_HAS_FONT) field.fontId = reader.U16();
    if (flags & EDIT_HAS_FONT_CLASS) field.fontClass = reader.String();
    if (flags & (EDIT_HAS_FONT | EDIT_HAS_FONT_CLASS)) field.fontHeight = reader.U16();
    if (flags & EDIT_HAS_TEXT_COLOUR) field.colour = reader.RgbaColour();
    if (flags & EDIT_HAS_MAX_LENGTH) field.maxLength = reader.U16();
    if (flags & EDIT_HAS_LAYOUT) {
        const std::uint8_t align = reader.U8();
        field.align = align == 1 ? TextAlign::Right : align == 2 ? TextAlign::Center
                      : align == 3 ? TextAlign::Justify : TextAlign::Left;
        field.leftMargin = reader.U16();
        field.rightMargin = reader.U16();
        field.indent = reader.U16();
        field.leading = static_cast<std::int16_t>(reader.U16());
    }
    field.variableName = reader.String();
    if (flags & EDIT_HAS_TEXT) field.initialText = reader.String();
    if (field.initialText.size() > kMaxTextLength * 4) field.initialText.resize(kMaxTextLength * 4);
    return !reader.Failed();
}
