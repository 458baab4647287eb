#include "ShapeReader.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::uint8_t kSolidFill = 0x00;
constexpr std::uint8_t kLinearGradient = 0x10;
constexpr std::uint8_t kRadialGradient = 0x12;
constexpr std::uint8_t kFocalGradient = 0x13;
constexpr std::uint8_t kRepeatingBitmap = 0x40;
constexpr std::uint8_t kClippedBitmap = 0x41;
constexpr std::uint8_t kRepeatingHardBitmap = 0x42;
constexpr std::uint8_t kClippedHardBitmap = 0x43;

// Coordinates are kept within ±2^30 twips so that sums of two never overflow.
constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 30;

std::int32_t Clamp(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

Spread SpreadOf(int bits)
{
    return bits == 1 ? Spread::Reflect : bits == 2 ? Spread::Repeat : Spread::Pad;
}

LineCap CapOf(int bits)
{
    return bits == 1 ? LineCap::None : bits == 2 ? LineCap::Square : LineCap::Round;
}

void SortStops(std::vector<GradientStop>& stops)
{
    std::stable_sort(stops.begin(), stops.end(),
                     [](const GradientStop& a, const GradientStop& b) { return a.ratio < b.ratio; });
}

Rgba ReadColour(CBitReader& reader, int version)
{
    return version >= 3 ? reader.RgbaColour() : reader.Rgb();
}

bool ReadFill(CBitReader& reader, int version, FillStyle& fill)
{
    const std::uint8_t type = reader.U8();
    switch (type) {
    case kSolidFill:
        fill.kind = FillKind::Solid;
        fill.colour = ReadColour(reader, version);
        break;
    case kLinearGradient:
    case kRadialGradient:
    case kFocalGradient: {
        fill.kind = type == kLinearGradient ? FillKind::Linear : FillKind::Radial;
        fill.matrix = reader.ReadMatrix();
        // Spread and interpolation modes share the byte with the count; colours are always
        // blended in sRGB.
        const std::uint8_t head = reader.U8();
        const int count = head & 0x0F;
        fill.spread = SpreadOf(head >> 6);
        for (int i = 0; i < count && !reader.Failed(); ++i) {
            GradientStop stop;
            stop.ratio = reader.U8();
            stop.colour = ReadColour(reader, version);
            fill.stops.push_back(stop);
        }
        if (type == kFocalGradient) fill.focal = std::clamp(static_cast<std::int16_t>(reader.U16()) / 256.0, -0.98, 0.98);
        SortStops(fill.stops);
        break;
    }
    case kRepeatingBitmap:
    case kClippedBitmap:
    case kRepeatingHardBitmap:
    case kClippedHardBitmap:
        fill.kind = FillKind::Bitmap;
        fill.bitmapId = reader.U16();
        fill.matrix = reader.ReadMatrix();
        fill.repeat = type == kRepeatingBitmap || type == kRepeatingHardBitmap;
        fill.smooth = type == kRepeatingBitmap || type == kClippedBitmap;
        break;
    default:
        return false;  // an unknown type has an unknown length: nothing after it can be read
    }
    return !reader.Failed();
}

// The caps, join and scaling flags of a version 4 line style, and its miter limit.
void ReadLineFlags(CBitReader& reader, LineStyle& line)
{
    const std::uint16_t flags = static_cast<std::uint16_t>(reader.UB(16));
    line.startCap = CapOf(flags >> 14);
    const int join = (flags >> 12) & 3;
    line.join = join == 1 ? LineJoin::Bevel : join == 2 ? LineJoin::Miter : LineJoin::Round;
    line.hasFill = (flags & 0x0800) != 0;
    line.noHScale = (flags & 0x0400) != 0;
    line.noVScale = (flags & 0x0200) != 0;
    line.noClose = (flags & 0x0004) != 0;
    line.endCap = CapOf(flags & 3);
    if (join == 2) line.miterLimit = std::max(reader.U16() / 256.0, 1.0);
}

bool ReadLine(CBitReader& reader, int version, LineStyle& line)
{
    line.width = reader.U16();
    if (version < 4) {
        line.colour = ReadColour(reader, version);
        return !reader.Failed();
    }
    ReadLineFlags(reader, line);
    if (!line.hasFill) {
        line.colour = reader.RgbaColour();
        return !reader.Failed();
    }
    if (!ReadFill(reader, version, line.fill)) return false;
    if (line.fill.kind == FillKind::Solid) {
        line.colour = line.fill.colour;
        line.hasFill = false;
    }
    return true;
}

bool ReadStyles(CBitReader& reader, int version, Shape& shape, CModelBudget& budget)
{
    int fillCount = reader.U8();
    if (fillCount == 0xFF && version >= 2) fillCount = reader.U16();
    for (int i = 0; i < fillCount; ++i) {
        FillStyle fill;
        if (!ReadFill(reader, version, fill)) return false;
        if (!budget.Charge(sizeof(FillStyle) + fill.stops.size() * sizeof(GradientStop))) return false;
        shape.fills.push_back(std::move(fill));
    }
    int lineCount = reader.U8();
    if (lineCount == 0xFF) lineCount = reader.U16();
    for (int i = 0; i < lineCount; ++i) {
        LineStyle line;
        if (!ReadLine(reader, version, line) || !budget.Charge(sizeof(LineStyle))) return false;
        shape.lines.push_back(line);
    }
    return !reader.Failed();
}

// A style number from a record made global over all the shape's style tables; 0 for none or
// for a number past the table in force.
std::uint32_t StyleIndex(std::uint32_t number, std::size_t base, std::size_t count)
{
    if (number == 0 || number > count) return 0;
    return static_cast<std::uint32_t>(base + number);
}

} // namespace

namespace {

// How edge records are read: a shape's numbers index its style tables; a glyph's are kept as
// they are; a morph shape keeps edges with no style, which pair with the end shape's.
enum class RecordMode { Shape, Glyph, Morph };

bool ReadRecords(CBitReader& reader, int version, Shape& shape, CModelBudget& budget, RecordMode mode)
{
    std::size_t fillBase = 0;
    std::size_t fillCount = mode == RecordMode::Glyph ? 0xFFFF : shape.fills.size();
    std::size_t lineBase = 0;
    std::size_t lineCount = mode == RecordMode::Glyph ? 0xFFFF : shape.lines.size();
    int fillBits = static_cast<int>(reader.UB(4));
    int lineBits = static_cast<int>(reader.UB(4));

    std::int64_t x = 0;
    std::int64_t y = 0;
    std::uint32_t fill0 = 0;
    std::uint32_t fill1 = 0;
    std::uint32_t line = 0;
    for (;;) {
        if (reader.Failed()) return false;
        if (reader.UB(1) == 0) {
            const std::uint32_t flags = reader.UB(5);
            if (flags == 0) return !reader.Failed();  // end of shape
            if (flags & 0x01) {
                const int bits = static_cast<int>(reader.UB(5));
                x = reader.SB(bits);
                y = reader.SB(bits);
            }
            const std::uint32_t newFill0 = (flags & 0x02) ? reader.UB(fillBits) : 0;
            const std::uint32_t newFill1 = (flags & 0x04) ? reader.UB(fillBits) : 0;
            const std::uint32_t newLine = (flags & 0x08) ? reader.UB(lineBits) : 0;
            if ((flags & 0x10) && version >= 2 && mode == RecordMode::Shape) {
                // New tables replace the ones in force; numbers in this record refer to them.
                fillBase = shape.fills.size();
                lineBase = shape.lines.size();
                reader.Align();
                if (!ReadStyles(reader, version, shape, budget)) return false;
                fillCount = shape.fills.size() - fillBase;
                lineCount = shape.lines.size() - lineBase;
                fillBits = static_cast<int>(reader.UB(4));
                lineBits = static_cast<int>(reader.UB(4));
                fill0 = fill1 = line = 0;
            } else if (flags & 0x10) {
                return false;  // glyphs and morph shapes have no tables of their own
            }
            if (flags & 0x02) fill0 = StyleIndex(newFill0, fillBase, fillCount);
            if (flags & 0x04) fill1 = StyleIndex(newFill1, fillBase, fillCount);
            if (flags & 0x08) line = StyleIndex(newLine, lineBase, lineCount);
            continue;
        }
        ShapeEdge edge;
        edge.x0 = Clamp(x);
        edge.y0 = Clamp(y);
        const bool straight = reader.UB(1) != 0;
        const int bits = static_cast<int>(reader.UB(4)) + 2;
        if (straight) {
            std::int64_t dx = 0;
            std::int64_t dy = 0;
            if (reader.UB(1)) {
                dx = reader.SB(bits);
                dy = reader.SB(bits);
            } else if (reader.UB(1)) {
                dy = reader.SB(bits);
            } else {
                dx = reader.SB(bits);
            }
            x = Clamp(x + dx);
            y = Clamp(y + dy);
            edge.cx = static_cast<std::int32_t>(x);
            edge.cy = static_cast<std::int32_t>(y);
        } else {
            edge.curved = true;
            x = Clamp(x + reader.SB(bits));
            y = Clamp(y + reader.SB(bits));
            edge.cx = static_cast<std::int32_t>(x);
            edge.cy = static_cast<std::int32_t>(y);
            x = Clamp(x + reader.SB(bits));
            y = Clamp(y + reader.SB(bits));
        }
        edge.x1 = static_cast<std::int32_t>(x);
        edge.y1 = static_cast<std::int32_t>(y);
        if (reader.Failed()) return false;
        // A pen move that draws nothing.
        if (fill0 == 0 && fill1 == 0 && line == 0 && mode != RecordMode::Morph) continue;
        edge.fill0 = fill0;
        edge.fill1 = fill1;
        edge.line = line;
        if (!budget.Charge(sizeof(ShapeEdge))) return false;
        shape.edges.push_back(edge);
    }
}

// A morph fill style: the start's into `start`, the end's into `end`.
bool ReadMorphFill(CBitReader& reader, FillStyle& start, FillStyle& end)
{
    const std::uint8_t type = reader.U8();
    switch (type) {
    case kSolidFill:
        start.kind = end.kind = FillKind::Solid;
        start.colour = reader.RgbaColour();
        end.colour = reader.RgbaColour();
        break;
    case kLinearGradient:
    case kRadialGradient:
    case kFocalGradient: {
        start.kind = end.kind = type == kLinearGradient ? FillKind::Linear : FillKind::Radial;
        start.matrix = reader.ReadMatrix();
        end.matrix = reader.ReadMatrix();
        const std::uint8_t head = reader.U8();
        start.spread = end.spread = SpreadOf(head >> 6);
        const int count = head & 0x0F;
        for (int i = 0; i < count && !reader.Failed(); ++i) {
            GradientStop from;
            GradientStop to;
            from.ratio = reader.U8();
            from.colour = reader.RgbaColour();
            to.ratio = reader.U8();
            to.colour = reader.RgbaColour();
            start.stops.push_back(from);
            end.stops.push_back(to);
        }
        if (type == kFocalGradient) {
            start.focal = end.focal = std::clamp(static_cast<std::int16_t>(reader.U16()) / 256.0, -0.98, 0.98);
        }
        break;
    }
    case kRepeatingBitmap:
    case kClippedBitmap:
    case kRepeatingHardBitmap:
    case kClippedHardBitmap:
        start.kind = end.kind = FillKind::Bitmap;
        start.bitmapId = end.bitmapId = reader.U16();
        start.matrix = reader.ReadMatrix();
        end.matrix = reader.ReadMatrix();
        start.repeat = end.repeat = type == kRepeatingBitmap || type == kRepeatingHardBitmap;
        start.smooth = end.smooth = type == kRepeatingBitmap || type == kClippedBitmap;
        break;
    default:
        return false;
    }
    return !reader.Failed();
}

bool ReadMorphLine(CBitReader& reader, int version, LineStyle& start, LineStyle& end)
{
    start.width = reader.U16();
    end.width = reader.U16();
    if (version >= 2) {
        ReadLineFlags(reader, start);
        const std::uint16_t width = end.width;
        end = start;
        end.width = width;
        if (start.hasFill) {
            if (!ReadMorphFill(reader, start.fill, end.fill)) return false;
            if (start.fill.kind == FillKind::Solid) {
                start.colour = start.fill.colour;
                end.colour = end.fill.colour;
                start.hasFill = end.hasFill = false;
            }
            return true;
        }
    }
    start.colour = reader.RgbaColour();
    end.colour = reader.RgbaColour();
    return !reader.Failed();
}

// The fill numbers of the end shape's edges are not given; they are the start's.
void PairEdges(MorphShape& morph)
{
    for (std::size_t i = 0; i < morph.end.edges.size(); ++i) {
        morph.end.edges[i].fill0 = morph.start.edges[i].fill0;
        morph.end.edges[i].fill1 = morph.start.edges[i].fill1;
        morph.end.edges[i].line = morph.start.edges[i].line;
    }
}

} // namespace

bool ReadShape(CBitReader& reader, int version, Shape& shape, CModelBudget& budget)
{
    shape.bounds = reader.Rect();
    if (version >= 4) {
        reader.Rect();  // edge bounds
        reader.U8();    // winding and stroke scaling flags
    }
    if (!ReadStyles(reader, version, shape, budget)) return false;
    return ReadRecords(reader, version, shape, budget, RecordMode::Shape);
}

bool ReadGlyph(CBitReader& reader, Shape& glyph, CModelBudget& budget)
{
    return ReadRecords(reader, 1, glyph, budget, RecordMode::Glyph);
}

bool ReadMorphShape(CBitReader& reader, int version, MorphShape& morph, CModelBudget& budget)
{
    morph.start.bounds = reader.Rect();
    morph.end.bounds = reader.Rect();
    if (version >= 2) {
        reader.Rect();
        reader.Rect();
        reader.U8();
    }
    const std::size_t offset = reader.U32();  // from here to the end shape's edges
    const std::size_t here = reader.Position();
    int fillCount = reader.U8();
    if (fillCount == 0xFF) fillCount = reader.U16();
    for (int i = 0; i < fillCount; ++i) {
        FillStyle start;
        FillStyle end;
        if (!ReadMorphFill(reader, start, end) ||
            !budget.Charge(2 * (sizeof(FillStyle) + start.stops.size() * sizeof(GradientStop))))
            return false;
        morph.start.fills.push_back(std::move(start));
        morph.end.fills.push_back(std::move(end));
    }
    int lineCount = reader.U8();
    if (lineCount == 0xFF) lineCount = reader.U16();
    for (int i = 0; i < lineCount; ++i) {
        LineStyle start;
        LineStyle end;
        if (!ReadMorphLine(reader, version, start, end) || !budget.Charge(2 * sizeof(LineStyle))) return false;
        morph.start.lines.push_back(std::move(start));
        morph.end.lines.push_back(std::move(end));
    }
    if (reader.Failed() || !ReadRecords(reader, version, morph.start, budget, RecordMode::Morph)) return false;
    reader.Align();
    if (offset < reader.Position() - here) return false;
    reader.Skip(offset - (reader.Position() - here));
    if (!ReadRecords(reader, version, morph.end, budget, RecordMode::Morph)) return false;
    if (morph.start.edges.size() != morph.end.edges.size()) return false;
    PairEdges(morph);
    return true;
}
