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

// What a gradient shows past its ends.
enum class Spread : std::uint8_t { Pad, Reflect, Repeat };

struct FillStyle {
    FillKind kind = FillKind::Solid;
    Rgba colour;                       // Solid
    Matrix matrix;                     // gradient square or bitmap pixels → shape space
    std::vector<GradientStop> stops;   // Linear, Radial: 1 to 15, by rising ratio
    Spread spread = Spread::Pad;       // Linear, Radial
    double focal = 0;                  // Radial: the focal point, -1 to 1 along the x axis
    std::uint16_t bitmapId = 0;        // Bitmap
    bool repeat = false;               // Bitmap: tiles, else clipped (edge pixels stretch)
    bool smooth = false;               // Bitmap: bilinear, else nearest
};

enum class LineCap : std::uint8_t { Round, None, Square };
enum class LineJoin : std::uint8_t { Round, Bevel, Miter };

struct LineStyle {
    std::uint16_t width = 0;  // twips
    Rgba colour;
    LineCap startCap = LineCap::Round;
    LineCap endCap = LineCap::Round;
    LineJoin join = LineJoin::Round;
    double miterLimit = 3;     // times the half width a miter may reach past the corner
    bool noHScale = false;     // the width ignores the object's scale
    bool noVScale = false;
    bool noClose = false;      // a path that returns to its start gets caps, not a join
    bool hasFill = false;      // painted with `fill` instead of `colour`
    FillStyle fill;
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

// A shape that changes from `start` to `end` with the ratio of its placement. Both have the
// same styles and the same edges in the same order, so that each pair can be blended.
struct MorphShape {
    Shape start;
    Shape end;
};

// Glyph outlines of an embedded font and what lays them out. Glyph coordinates are in font
// units, `emSquare` of them to the font's height, y down from the baseline.
struct Font {
    std::string name;
    bool bold = false;
    bool italic = false;
    double emSquare = 1024;
    std::vector<Shape> glyphs;           // edges only; any fill on either side is ink
    std::vector<std::uint16_t> codes;    // the character of each glyph
    bool hasLayout = false;
    double ascent = 0;
    double descent = 0;
    double leading = 0;
    std::vector<std::int16_t> advances;  // per glyph, with the layout
    std::vector<std::pair<std::uint32_t, std::int16_t>> kerning;  // (left << 16 | right, adjustment)

    // Sorts what the lookups below search; called once the tables are read.
    void Index();
    // The glyph for a character, or -1.
    int FindGlyph(char32_t code) const;
    // Font units to add between two characters.
    double Kerning(char32_t left, char32_t right) const;

private:
    std::vector<std::pair<std::uint16_t, std::uint16_t>> m_byCode;  // (code, glyph), sorted
};

// Static text: glyphs of embedded fonts at fixed places.
struct TextGlyph {
    std::uint16_t index = 0;
    std::int32_t advance = 0;
};

struct TextRun {
    std::uint16_t fontId = 0;
    Rgba colour;
    std::int32_t x = 0;       // the pen at the first glyph, text units (twips)
    std::int32_t y = 0;       // the baseline
    std::uint16_t height = 0;
    std::vector<TextGlyph> glyphs;
};

struct StaticText {
    StageRect bounds;
    Matrix matrix;
    std::vector<TextRun> runs;
};

enum class TextAlign : std::uint8_t { Left, Right, Center, Justify };

// A text field as the movie defines it; what it shows at run time lives in CTextField.
struct EditText {
    StageRect bounds;
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;
    bool readOnly = false;
    bool html = false;
    bool useOutlines = false;  // embedded glyphs; otherwise a device font of the font's name
    bool border = false;
    bool background = false;  // the box filled; a border in the file brings both
    Rgba borderColour{0, 0, 0, 255};
    Rgba backgroundColour{255, 255, 255, 255};
    bool autoSize = false;
    bool noSelect = false;
    std::uint16_t fontId = 0;  // 0: none named
    std::string fontClass;
    std::uint16_t fontHeight = 240;  // twips
    Rgba colour{0, 0, 0, 255};
    std::uint16_t maxLength = 0;
    TextAlign align = TextAlign::Left;
    std::uint16_t leftMargin = 0;
    std::uint16_t rightMargin = 0;
    std::uint16_t indent = 0;
    std::int16_t leading = 0;
    std::string variableName;
    std::string initialText;  // UTF-8
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

// A block of action byte code as the movie holds it (for a script engine), with the simple
// timeline actions found in it, which the player runs itself.
struct ActionBlock {
    // Shared: functions a script defines keep running from it.
    std::shared_ptr<const std::vector<std::uint8_t>> code;
    std::vector<Action> simple;
};

// When a button's actions run: the transitions of its state under the mouse.
enum ButtonCondition : std::uint16_t {
    BUTTON_ROLL_OVER = 0x0001,     // idle → over, up
    BUTTON_ROLL_OUT = 0x0002,      // over, up → idle
    BUTTON_PRESS = 0x0004,         // over, up → over, down
    BUTTON_RELEASE = 0x0008,       // over, down → over, up
    BUTTON_DRAG_OUT = 0x0010,
    BUTTON_DRAG_OVER = 0x0020,
    BUTTON_RELEASE_OUTSIDE = 0x0040,
    BUTTON_KEY_MASK = 0xFE00,      // the key code, shifted
};

struct ButtonAction {
    std::uint16_t conditions = BUTTON_RELEASE;
    ActionBlock actions;
};

// The events of a movie clip's handlers in its placement (onClipEvent, and on() for a clip
// that acts as a button), as the file's bits give them.
enum ClipEvent : std::uint32_t {
    CLIP_LOAD = 1u << 0, CLIP_ENTER_FRAME = 1u << 1, CLIP_UNLOAD = 1u << 2, CLIP_MOUSE_MOVE = 1u << 3,
    CLIP_MOUSE_DOWN = 1u << 4, CLIP_MOUSE_UP = 1u << 5, CLIP_KEY_DOWN = 1u << 6, CLIP_KEY_UP = 1u << 7,
    CLIP_DATA = 1u << 8, CLIP_INITIALIZE = 1u << 9, CLIP_PRESS = 1u << 10, CLIP_RELEASE = 1u << 11,
    CLIP_RELEASE_OUTSIDE = 1u << 12, CLIP_ROLL_OVER = 1u << 13, CLIP_ROLL_OUT = 1u << 14, CLIP_DRAG_OVER = 1u << 15,
    CLIP_DRAG_OUT = 1u << 16, CLIP_KEY_PRESS = 1u << 17, CLIP_CONSTRUCT = 1u << 18,
    CLIP_BUTTON_EVENTS = CLIP_PRESS | CLIP_RELEASE | CLIP_RELEASE_OUTSIDE | CLIP_ROLL_OVER | CLIP_ROLL_OUT |
                         CLIP_DRAG_OVER | CLIP_DRAG_OUT,
};

// A movie clip's event handler from its placement: the events (a bit set) and the byte code.
struct ClipAction {
    std::uint32_t events = 0;
    std::uint8_t keyCode = 0;
    std::shared_ptr<const std::vector<std::uint8_t>> code;
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
    bool hasRatio = false;
    bool hasName = false;
    bool hasBlendMode = false;
    bool cacheAsBitmap = false;
    std::uint16_t characterId = 0;
    std::uint16_t clipDepth = 0;  // isMask: the last depth the mask clips
    std::uint16_t ratio = 0;      // a morph shape's point between start (0) and end (65535)
    std::uint8_t blendMode = 0;
    std::string name;
    Matrix matrix;
    ColourTransform colour;
    std::vector<ClipAction> clipActions;
    std::vector<Action> actions;  // Actions
    // Actions, InitActions: the whole byte code of the tag, for the script engine. Shared, since
    // functions a script defines keep running from it.
    std::shared_ptr<const std::vector<std::uint8_t>> code;
};

struct Frame {
    std::vector<ControlTag> tags;
    std::vector<SoundStart> sounds;  // event sounds started or stopped when the frame is entered
};

struct FrameLabel {
    std::string name;
    int frame = 0;  // from 0
};

struct Timeline {
    std::vector<Frame> frames;  // at least one
    std::shared_ptr<SoundStream> stream;  // the timeline's streamed sound, if it has one
    std::vector<FrameLabel> labels;  // in the order the file gives them
};

struct Sprite {
    Timeline timeline;
};

enum ButtonState : std::uint8_t { BUTTON_UP, BUTTON_OVER, BUTTON_DOWN, BUTTON_HIT, BUTTON_STATES };

// Each state of a button as a one-frame timeline of the characters it shows; the hit state's
// characters are never drawn, they decide where the mouse is over the button.
// The moments DefineButtonSound gives a sound: the mouse leaving, entering, pressing and
// releasing.
enum ButtonSoundMoment : std::uint8_t { SOUND_ROLL_OUT, SOUND_ROLL_OVER, SOUND_PRESS, SOUND_RELEASE, SOUND_MOMENTS };

struct Button {
    Timeline states[BUTTON_STATES];
    std::vector<ButtonAction> actions;
    bool trackAsMenu = false;
    SoundStart sounds[SOUND_MOMENTS];  // soundId 0: none
};
