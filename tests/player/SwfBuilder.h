#pragma once
// Builds movie bytes in memory for the player's tests: bit fields, tags, shapes, whole files.
#include "SwfTypes.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class CBitWriter {
public:
    void UB(std::uint32_t value, int bits);
    void SB(std::int32_t value, int bits);
    void Align() { m_nUsed = 8; }
    void U8(std::uint8_t value);
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void Append(const Bytes& bytes);
    void Rgb(Rgba colour);
    void RgbaColour(Rgba colour);
    void Rect(std::int32_t xMin, std::int32_t xMax, std::int32_t yMin, std::int32_t yMax);
    // Scale, rotate-skew and translation as the file stores them (16.16 and twips).
    void Matrix(double a = 1, double d = 1, double b = 0, double c = 0, std::int32_t tx = 0, std::int32_t ty = 0);
    const Bytes& Data() const { return m_data; }

private:
    Bytes m_data;
    int m_nUsed = 8;  // bits used in the last byte
};

// Bits a signed field needs for every value given.
int SignedBits(std::initializer_list<std::int64_t> values);

// Spaces between the digits are passed over.
Bytes FromHex(const std::string& hex);
// A copy with the byte at `at` exclusive-ored with `mask`.
Bytes Flipped(Bytes bytes, std::size_t at, std::uint8_t mask);
Bytes Tag(int code, const Bytes& body, bool longHeader = false);
Bytes Concat(std::initializer_list<Bytes> parts);

// A whole file: the header, then the tags (an end tag is not added). The stage is in pixels.
struct MovieHeader {
    int width = 100;
    int height = 100;
    double rate = 12;
    int frames = 1;
    int version = 8;
    bool compressed = false;
};
Bytes MovieFile(const MovieHeader& header, const Bytes& tags);

// A zlib stream of stored blocks (no compression), split into blocks of `blockSize`.
Bytes ZlibStored(const Bytes& data, std::size_t blockSize = 65535);

// Common tags.
Bytes EndTag();
Bytes ShowFrame();
Bytes Background(Rgba colour);
// PlaceObject2; a move when character is 0. Matrix terms as CBitWriter::Matrix; the colour
// transform, when given, multiplies by mult/256 and adds add.
struct Placement {
    std::uint16_t depth = 1;
    std::uint16_t character = 0;
    bool move = false;
    bool hasMatrix = true;
    double scale = 1;
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool hasColour = false;
    std::int16_t mult[4] = {256, 256, 256, 256};
    std::int16_t add[4] = {0, 0, 0, 0};
    bool clipDepth = false;
    std::uint16_t clipUntil = 0;  // with clipDepth: the last depth it clips; 0 for depth + 1
};
Bytes Place2(const Placement& place);
Bytes Remove2(std::uint16_t depth);
// DoAction with the given action bytes followed by the end action.
Bytes DoAction(const Bytes& actions);
Bytes ActionGoto(std::uint16_t frame);

// DefineShape 1 to 4. Styles are numbered from 1 in the table in force; NewStyles starts a new
// table (versions 2 and up).
class CShapeBuilder {
public:
    explicit CShapeBuilder(int version) : m_nVersion(version) {}

    int Solid(Rgba colour);
    int Gradient(bool radial, std::initializer_list<GradientStop> stops, double scale = 1, std::int32_t tx = 0,
                 std::int32_t ty = 0);
    int BitmapFill(std::uint16_t bitmapId, std::uint8_t type, double scale, std::int32_t tx = 0, std::int32_t ty = 0);
    int Line(std::uint16_t width, Rgba colour);

    // Records, in order.
    void Style(int fill0, int fill1, int line);
    void MoveTo(std::int32_t x, std::int32_t y);
    void LineTo(std::int32_t x, std::int32_t y);
    void CurveTo(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y);
    void NewStyles();
    // A closed rectangle with fill1 on its inside when drawn clockwise on screen.
    void Rectangle(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

    Bytes Build(std::uint16_t id) const;

private:
    struct StyleTable {
        CBitWriter fills;
        CBitWriter lines;
        int fillCount = 0;
        int lineCount = 0;
    };
    struct Record {
        enum Kind { STYLE, MOVE, LINE, CURVE, NEW_STYLES } kind;
        std::int32_t a = 0, b = 0, c = 0, d = 0;
    };
    StyleTable& Table();
    void WriteTable(CBitWriter& out, const StyleTable& table) const;

    int m_nVersion;
    std::vector<StyleTable> m_tables;
    std::vector<Record> m_records;
    std::int32_t m_nPenX = 0;
    std::int32_t m_nPenY = 0;
};

// DefineBitsLossless (version 1, format 5: 24-bit) or DefineBitsLossless2 (version 2, format 5:
// premultiplied ARGB) from straight RGBA pixels.
Bytes LosslessTag(std::uint16_t id, int version, int width, int height, const std::vector<Rgba>& pixels);
