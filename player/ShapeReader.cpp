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
        // Spread and interpolation modes share the byte with the count; only padding is drawn.
        const int count = reader.U8() & 0x0F;
        for (int i = 0; i < count && !reader.Failed(); ++i) {
            GradientStop stop;
            stop.ratio = reader.U8();
            stop.colour = ReadColour(reader, version);
            fill.stops.push_back(stop);
        }
        // The focal point is read past; a focal gradient is drawn as a plain radial one.
        if (type == kFocalGradient) reader.U16();
        std::stable_sort(fill.stops.begin(), fill.stops.end(),
                         [](const GradientStop& a, const GradientStop& b) { return a.ratio < b.ratio; });
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

bool ReadLine(CBitReader& reader, int version, LineStyle& line)
{
    line.width = reader.U16();
    if (version < 4) {
        line.colour = ReadColour(reader, version);
        return !reader.Failed();
    }
    // Caps, joins and scaling flags are read past; lines are drawn with round joins.
    const std::uint16_t flags = static_cast<std::uint16_t>(reader.UB(16));
    const int join = (flags >> 12) & 3;
    const bool hasFill = (flags & 0x0800) != 0;
    if (join == 2) reader.U16();  // miter limit
    if (!hasFill) {
        line.colour = reader.RgbaColour();
        return !reader.Failed();
    }
    FillStyle fill;
    if (!ReadFill(reader, version, fill)) return false;
    // A line filled with a gradient or bitmap is drawn in one colour.
    line.colour = fill.kind == FillKind::Solid ? fill.colour
                  : fill.stops.empty()         ? Rgba{}
                                               : fill.stops.front().colour;
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

bool ReadShape(CBitReader& reader, int version, Shape& shape, CModelBudget& budget)
{
    shape.bounds = reader.Rect();
    if (version >= 4) {
        reader.Rect();  // edge bounds
        reader.U8();    // winding and stroke scaling flags
    }
    if (!ReadStyles(reader, version, shape, budget)) return false;
    std::size_t fillBase = 0;
    std::size_t fillCount = shape.fills.size();
    std::size_t lineBase = 0;
    std::size_t lineCount = shape.lines.size();
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
            if ((flags & 0x10) && version >= 2) {
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
        if (fill0 == 0 && fill1 == 0 && line == 0) continue;  // a pen move that draws nothing
        edge.fill0 = fill0;
        edge.fill1 = fill1;
        edge.line = line;
        if (!budget.Charge(sizeof(ShapeEdge))) return false;
        shape.edges.push_back(edge);
    }
}
