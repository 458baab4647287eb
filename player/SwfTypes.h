#pragma once
// The parts of a movie as the reader leaves them: plain values, already checked, in the
// movie's own units (twips for positions, straight 8-bit colour channels). Platform-neutral.
#include "SoundTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;

    bool operator==(const Rgba&) const = default;
};

struct StageRect {
    std::int32_t xMin = 0;
    std::int32_t xMax = 0;
    std::int32_t yMin = 0;
    std::int32_t yMax = 0;
};

// x' = a·x + c·y + tx, y' = b·x + d·y + ty (a, d the scale terms, b, c the rotate-skew terms).
struct Matrix {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;
    double tx = 0;
    double ty = 0;

    // this ∘ inner: applies inner first.
    Matrix Then(const Matrix& inner) const
    {
        return {a * inner.a + c * inner.b, b * inner.a + d * inner.b,
                a * inner.c + c * inner.d, b * inner.c + d * inner.d,
                a * inner.tx + c * inner.ty + tx, b * inner.tx + d * inner.ty + ty};
    }
    // False when the matrix flattens the plane (no inverse).
    bool Invert(Matrix& inverse) const;
};

// channel' = channel · mult + add, per channel, clamped to 0..255; mult 1.0 is 256 in the file.
struct ColourTransform {
    float multR = 1, multG = 1, multB = 1, multA = 1;
    float addR = 0, addG = 0, addB = 0, addA = 0;

    // this ∘ inner: applies inner first.
    ColourTransform Then(const ColourTransform& inner) const
    {
        return {multR * inner.multR, multG * inner.multG, multB * inner.multB, multA * inner.multA,
                multR * inner.addR + addR, multG * inner.addG + addG, multB * inner.addB + addB,
                multA * inner.addA + addA};
    }
    Rgba Apply(Rgba colour) const;
};

struct GradientStop {
    std::uint8_t ratio = 0;
    Rgba colour;
};

enum class FillKind : std::uint8_t { Solid, Linear, Radial, Bitmap };

struct FillStyle {
    FillKind kind = FillKind::Solid;
    Rgba colour;                       // Solid
    Matrix matrix;                     // gradient square or bitmap pixels → shape space
    std::vector<GradientStop> stops;   // Linear, Radial: 1 to 15, by rising ratio
    std::uint16_t bitmapId = 0;        // Bitmap
    bool repeat = false;               // Bitmap: tiles, else clipped (edge pixels stretch)
    bool smooth = false;               // Bitmap: bilinear, else nearest
};

struct LineStyle {
    std::uint16_t width = 0;  // twips
    Rgba colour;
};

// One edge of a shape in twips. Style numbers index the shape's style tables from 1; 0 is none.
struct ShapeEdge {
    std::int32_t x0 = 0, y0 = 0;
    std::int32_t cx = 0, cy = 0;  // control point; equal to the end for a straight edge
    std::int32_t x1 = 0, y1 = 0;
    std::uint32_t fill0 = 0;
    std::uint32_t fill1 = 0;
    std::uint32_t line = 0;
    bool curved = false;
};

struct Shape {
    StageRect bounds;
    std::vector<FillStyle> fills;  // every style table of the shape, one after the other
    std::vector<LineStyle> lines;
    std::vector<ShapeEdge> edges;
};

// Pixels as straight (not premultiplied) RGBA, rows top to bottom.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;
    // An image kept for the decoder the platform supplies: the image file bytes (JPEG, or PNG
    // or GIF in later versions) and the zlib stream of its separate alpha plane, one byte a
    // pixel, if it has one.
    std::vector<std::uint8_t> encoded;
    std::vector<std::uint8_t> alpha;
};

enum class ActionCode : std::uint8_t {
    NextFrame = 0x04,
    PreviousFrame = 0x05,
    Play = 0x06,
    Stop = 0x07,
    GotoFrame = 0x81,
};

struct Action {
    ActionCode code = ActionCode::Stop;
    std::uint16_t frame = 0;  // GotoFrame: the frame number from 0
};

// Actions: a frame's DoAction; InitActions: a DoInitAction, run once before the first use of the
// sprite named by characterId.
enum class ControlKind : std::uint8_t { Place, Remove, Actions, InitActions };

// What one tag of a timeline does to the display list or the play head.
struct ControlTag {
    ControlKind kind = ControlKind::Place;
    std::uint16_t depth = 0;
    // Place: a new character (hasCharacter without move), a change to the one at the depth
    // (move without hasCharacter), or a swap that keeps its unchanged properties (both).
    bool move = false;
    bool hasCharacter = false;
    bool hasMatrix = false;
    bool hasColour = false;
    bool hasVisible = false;
    bool visible = true;
    bool isMask = false;  // a clipping layer; masks are not drawn
    std::uint16_t characterId = 0;
    Matrix matrix;
    ColourTransform colour;
    std::vector<Action> actions;  // Actions
    // Actions, InitActions: the whole byte code of the tag, for the script engine. Shared, since
    // functions a script defines keep running from it.
    std::shared_ptr<const std::vector<std::uint8_t>> code;
};

struct Frame {
    std::vector<ControlTag> tags;
    std::vector<SoundStart> sounds;  // event sounds started or stopped when the frame is entered
};

struct Timeline {
    std::vector<Frame> frames;  // at least one
    std::shared_ptr<SoundStream> stream;  // the timeline's streamed sound, if it has one
};

struct Sprite {
    Timeline timeline;
};
