#include "SwfBuilder.h"

#include "Inflate.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

void CBitWriter::UB(std::uint32_t value, int bits)
{
    for (int i = bits - 1; i >= 0; --i) {
        if (m_nUsed == 8) {
            m_data.push_back(0);
            m_nUsed = 0;
        }
        if ((value >> i) & 1) m_data.back() |= static_cast<std::uint8_t>(0x80 >> m_nUsed);
        ++m_nUsed;
    }
}

void CBitWriter::SB(std::int32_t value, int bits)
{
    UB(static_cast<std::uint32_t>(value) & (bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1), bits);
}

void CBitWriter::U8(std::uint8_t value)
{
    Align();
    m_data.push_back(value);
}

void CBitWriter::U16(std::uint16_t value)
{
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void CBitWriter::U32(std::uint32_t value)
{
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
}

void CBitWriter::Append(const Bytes& bytes)
{
    Align();
    m_data.insert(m_data.end(), bytes.begin(), bytes.end());
}

void CBitWriter::Rgb(Rgba colour)
{
    U8(colour.r);
    U8(colour.g);
    U8(colour.b);
}

void CBitWriter::RgbaColour(Rgba colour)
{
    Rgb(colour);
    U8(colour.a);
}

int SignedBits(std::initializer_list<std::int64_t> values)
{
    int bits = 1;
    for (std::int64_t value : values) {
        int needed = 1;
        while (value < -(std::int64_t{1} << (needed - 1)) || value >= (std::int64_t{1} << (needed - 1))) ++needed;
        bits = std::max(bits, needed);
    }
    return bits;
}

void CBitWriter::Rect(std::int32_t xMin, std::int32_t xMax, std::int32_t yMin, std::int32_t yMax)
{
    Align();
    const int bits = SignedBits({xMin, xMax, yMin, yMax});
    UB(static_cast<std::uint32_t>(bits), 5);
    for (std::int32_t value : {xMin, xMax, yMin, yMax}) SB(value, bits);
    Align();
}

void CBitWriter::Matrix(double a, double d, double b, double c, std::int32_t tx, std::int32_t ty)
{
    Align();
    const auto fixed = [](double value) { return static_cast<std::int32_t>(std::lround(value * 65536)); };
    if (a != 1 || d != 1) {
        const int bits = SignedBits({fixed(a), fixed(d)});
        UB(1, 1);
        UB(static_cast<std::uint32_t>(bits), 5);
        SB(fixed(a), bits);
        SB(fixed(d), bits);
    } else {
        UB(0, 1);
    }
    if (b != 0 || c != 0) {
        const int bits = SignedBits({fixed(b), fixed(c)});
        UB(1, 1);
        UB(static_cast<std::uint32_t>(bits), 5);
        SB(fixed(b), bits);
        SB(fixed(c), bits);
    } else {
        UB(0, 1);
    }
    const int bits = SignedBits({tx, ty});
    UB(static_cast<std::uint32_t>(bits), 5);
    SB(tx, bits);
    SB(ty, bits);
    Align();
}

Bytes FromHex(const std::string& hex)
{
    std::string digits;
    for (char c : hex) {
        if (c != ' ') digits.push_back(c);
    }
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes Flipped(Bytes bytes, std::size_t at, std::uint8_t mask)
{
    bytes.at(at) ^= mask;
    return bytes;
}

Bytes Tag(int code, const Bytes& body, bool longHeader)
{
    CBitWriter out;
    if (body.size() < 0x3F && !longHeader) {
        out.U16(static_cast<std::uint16_t>(code << 6 | body.size()));
    } else {
        out.U16(static_cast<std::uint16_t>(code << 6 | 0x3F));
        out.U32(static_cast<std::uint32_t>(body.size()));
    }
    out.Append(body);
    return out.Data();
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes ZlibStored(const Bytes& data, std::size_t blockSize)
{
    Bytes out = {0x78, 0x01};
    std::size_t pos = 0;
    do {
        const std::size_t len = std::min(blockSize, data.size() - pos);
        const bool last = pos + len == data.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(len));
        out.push_back(static_cast<std::uint8_t>(len >> 8));
        out.push_back(static_cast<std::uint8_t>(~len));
        out.push_back(static_cast<std::uint8_t>(~len >> 8));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                   data.begin() + static_cast<std::ptrdiff_t>(pos + len));
        pos += len;
    } while (pos < data.size());
    const std::uint32_t adler = Adler32(data.data(), data.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(adler >> shift));
    return out;
}

Bytes MovieFile(const MovieHeader& header, const Bytes& tags)
{
    CBitWriter body;
    body.Rect(0, header.width * 20, 0, header.height * 20);
    body.U16(static_cast<std::uint16_t>(std::lround(header.rate * 256)));
    body.U16(static_cast<std::uint16_t>(header.frames));
    body.Append(tags);
    const Bytes& plain = body.Data();
    CBitWriter file;
    file.U8(header.compressed ? 'C' : 'F');
    file.U8('W');
    file.U8('S');
    file.U8(static_cast<std::uint8_t>(header.version));
    file.U32(static_cast<std::uint32_t>(plain.size() + 8));
    file.Append(header.compressed ? ZlibStored(plain) : plain);
    return file.Data();
}

Bytes EndTag()
{
    return Tag(0, {});
}

Bytes ShowFrame()
{
    return Tag(1, {});
}

Bytes Background(Rgba colour)
{
    CBitWriter body;
    body.Rgb(colour);
    return Tag(9, body.Data());
}

Bytes Place2(const Placement& place)
{
    CBitWriter body;
    std::uint8_t flags = 0;
    if (place.move) flags |= 0x01;
    if (place.character != 0) flags |= 0x02;
    if (place.hasMatrix) flags |= 0x04;
    if (place.hasColour) flags |= 0x08;
    if (place.clipDepth) flags |= 0x40;
    body.U8(flags);
    body.U16(place.depth);
    if (place.character != 0) body.U16(place.character);
    if (place.hasMatrix) body.Matrix(place.scale, place.scale, 0, 0, place.x, place.y);
    if (place.hasColour) {
        body.UB(1, 1);
        body.UB(1, 1);
        body.UB(10, 4);
        for (std::int16_t value : place.mult) body.SB(value, 10);
        for (std::int16_t value : place.add) body.SB(value, 10);
        body.Align();
    }
    if (place.clipDepth) body.U16(place.clipUntil ? place.clipUntil : static_cast<std::uint16_t>(place.depth + 1));
    return Tag(26, body.Data());
}

Bytes Remove2(std::uint16_t depth)
{
    CBitWriter body;
    body.U16(depth);
    return Tag(28, body.Data());
}

Bytes DoAction(const Bytes& actions)
{
    Bytes body = actions;
    body.push_back(0);
    return Tag(12, body);
}

Bytes ActionGoto(std::uint16_t frame)
{
    return {0x81, 2, 0, static_cast<std::uint8_t>(frame), static_cast<std::uint8_t>(frame >> 8)};
}

CShapeBuilder::StyleTable& CShapeBuilder::Table()
{
    if (m_tables.empty()) m_tables.emplace_back();
    return m_tables.back();
}

int CShapeBuilder::Solid(Rgba colour)
{
    StyleTable& table = Table();
    table.fills.U8(0x00);
    if (m_nVersion >= 3) table.fills.RgbaColour(colour); else table.fills.Rgb(colour);
    return ++table.fillCount;
}

int CShapeBuilder::Gradient(bool radial, std::initializer_list<GradientStop> stops, double scale, std::int32_t tx,
                            std::int32_t ty)
{
    StyleTable& table = Table();
    table.fills.U8(radial ? 0x12 : 0x10);
    table.fills.Matrix(scale, scale, 0, 0, tx, ty);
    table.fills.U8(static_cast<std::uint8_t>(stops.size()));
    for (const GradientStop& stop : stops) {
        table.fills.U8(stop.ratio);
        if (m_nVersion >= 3) table.fills.RgbaColour(stop.colour); else table.fills.Rgb(stop.colour);
    }
    return ++table.fillCount;
}

int CShapeBuilder::BitmapFill(std::uint16_t bitmapId, std::uint8_t type, double scale, std::int32_t tx, std::int32_t ty)
{
    StyleTable& table = Table();
    table.fills.U8(type);
    table.fills.U16(bitmapId);
    table.fills.Matrix(scale, scale, 0, 0, tx, ty);
    return ++table.fillCount;
}

int CShapeBuilder::Line(std::uint16_t width, Rgba colour)
{
    StyleTable& table = Table();
    table.lines.U16(width);
    if (m_nVersion == 4) {
        table.lines.U16(0);  // round caps and joins, no fill
        table.lines.RgbaColour(colour);
    } else if (m_nVersion == 3) {
        table.lines.RgbaColour(colour);
    } else {
        table.lines.Rgb(colour);
    }
    return ++table.lineCount;
}

void CShapeBuilder::Style(int fill0, int fill1, int line)
{
    m_records.push_back({Record::STYLE, fill0, fill1, line});
}

void CShapeBuilder::MoveTo(std::int32_t x, std::int32_t y)
{
    m_records.push_back({Record::MOVE, x, y});
    m_nPenX = x;
    m_nPenY = y;
}

void CShapeBuilder::LineTo(std::int32_t x, std::int32_t y)
{
    m_records.push_back({Record::LINE, x - m_nPenX, y - m_nPenY});
    m_nPenX = x;
    m_nPenY = y;
}

void CShapeBuilder::CurveTo(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y)
{
    m_records.push_back({Record::CURVE, cx - m_nPenX, cy - m_nPenY, x - cx, y - cy});
    m_nPenX = x;
    m_nPenY = y;
}

void CShapeBuilder::NewStyles()
{
    m_tables.emplace_back();
    m_records.push_back({Record::NEW_STYLES});
}

void CShapeBuilder::Rectangle(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    MoveTo(x, y);
    LineTo(x + width, y);
    LineTo(x + width, y + height);
    LineTo(x, y + height);
    LineTo(x, y);
}

void CShapeBuilder::WriteTable(CBitWriter& out, const StyleTable& table) const
{
    if (table.fillCount >= 0xFF) {
        out.U8(0xFF);
        out.U16(static_cast<std::uint16_t>(table.fillCount));
    } else {
        out.U8(static_cast<std::uint8_t>(table.fillCount));
    }
    out.Append(table.fills.Data());
    out.U8(static_cast<std::uint8_t>(table.lineCount));
    out.Append(table.lines.Data());
}

namespace {

int UnsignedBits(int count)
{
    int bits = 0;
    while ((1 << bits) <= count) ++bits;
    return bits;
}

} // namespace

Bytes CShapeBuilder::Build(std::uint16_t id) const
{
    static const StyleTable kEmpty;
    CBitWriter out;
    out.U16(id);
    out.Rect(-20000, 20000, -20000, 20000);
    if (m_nVersion == 4) {
        out.Rect(-20000, 20000, -20000, 20000);
        out.U8(0);
    }
    std::size_t tableIndex = 0;
    const StyleTable* table = m_tables.empty() ? &kEmpty : &m_tables[0];
    WriteTable(out, *table);
    int fillBits = UnsignedBits(table->fillCount);
    int lineBits = UnsignedBits(table->lineCount);
    out.UB(static_cast<std::uint32_t>(fillBits), 4);
    out.UB(static_cast<std::uint32_t>(lineBits), 4);
    for (const Record& record : m_records) {
        switch (record.kind) {
        case Record::STYLE:
            out.UB(0, 1);
            out.UB(0x0E, 5);  // line, fill1, fill0
            out.UB(static_cast<std::uint32_t>(record.a), fillBits);
            out.UB(static_cast<std::uint32_t>(record.b), fillBits);
            out.UB(static_cast<std::uint32_t>(record.c), lineBits);
            break;
        case Record::MOVE: {
            out.UB(0, 1);
            out.UB(0x01, 5);
            const int bits = SignedBits({record.a, record.b});
            out.UB(static_cast<std::uint32_t>(bits), 5);
            out.SB(record.a, bits);
            out.SB(record.b, bits);
            break;
        }
        case Record::LINE: {
            const int bits = std::max(SignedBits({record.a, record.b}), 2);
            out.UB(1, 1);
            out.UB(1, 1);
            out.UB(static_cast<std::uint32_t>(bits - 2), 4);
            out.UB(1, 1);  // general line, both deltas
            out.SB(record.a, bits);
            out.SB(record.b, bits);
            break;
        }
        case Record::CURVE: {
            const int bits = std::max(SignedBits({record.a, record.b, record.c, record.d}), 2);
            out.UB(1, 1);
            out.UB(0, 1);
            out.UB(static_cast<std::uint32_t>(bits - 2), 4);
            for (std::int32_t value : {record.a, record.b, record.c, record.d}) out.SB(value, bits);
            break;
        }
        case Record::NEW_STYLES:
            table = &m_tables.at(++tableIndex);
            out.UB(0, 1);
            out.UB(0x10, 5);
            WriteTable(out, *table);
            fillBits = UnsignedBits(table->fillCount);
            lineBits = UnsignedBits(table->lineCount);
            out.UB(static_cast<std::uint32_t>(fillBits), 4);
            out.UB(static_cast<std::uint32_t>(lineBits), 4);
            break;
        }
    }
    out.UB(0, 6);
    static constexpr int kCodes[] = {0, 2, 22, 32, 83};
    return Tag(kCodes[m_nVersion], out.Data(), true);
}

Bytes LosslessTag(std::uint16_t id, int version, int width, int height, const std::vector<Rgba>& pixels)
{
    Bytes raw;
    for (const Rgba& p : pixels) {
        if (version == 1) {
            raw.insert(raw.end(), {0xFF, p.r, p.g, p.b});
        } else {
            const auto pre = [&p](std::uint8_t c) { return static_cast<std::uint8_t>((c * p.a + 127) / 255); };
            raw.insert(raw.end(), {p.a, pre(p.r), pre(p.g), pre(p.b)});
        }
    }
    CBitWriter body;
    body.U16(id);
    body.U8(5);
    body.U16(static_cast<std::uint16_t>(width));
    body.U16(static_cast<std::uint16_t>(height));
    body.Append(ZlibStored(raw));
    return Tag(version == 1 ? 20 : 36, body.Data());
}
