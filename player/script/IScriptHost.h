#pragma once
// Everything a script reaches outside the script engine: the movie clips (by the host's ids,
// which are never reused, so a script holding a removed clip finds nothing rather than a
// stale one), the play heads, the clock, the mouse and keys, and the outside world (addresses,
// fscommand), which the host decides about. Platform-neutral.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The clip properties by the numbers GetProperty and SetProperty use.
enum ClipProperty : int {
    PROP_X = 0, PROP_Y, PROP_XSCALE, PROP_YSCALE, PROP_CURRENTFRAME, PROP_TOTALFRAMES, PROP_ALPHA,
    PROP_VISIBLE, PROP_WIDTH, PROP_HEIGHT, PROP_ROTATION, PROP_TARGET, PROP_FRAMESLOADED, PROP_NAME,
    PROP_DROPTARGET, PROP_URL, PROP_HIGHQUALITY, PROP_FOCUSRECT, PROP_SOUNDBUFTIME, PROP_QUALITY,
    PROP_XMOUSE, PROP_YMOUSE, PROP_COUNT
};

// A property's value as the host gives or takes it: a number, or a text for _droptarget,
// _url and _quality; a text field's flags are truth values (their number 1 or 0).
struct ClipValue {
    bool isText = false;
    bool isBoolean = false;
    double number = 0;
    std::string text;
};

// One call of the drawing methods. Positions are in the clip's pixels; a gradient's matrix
// takes its square of ±16384 units to the clip's twips (as a shape's gradient fill has it).
struct DrawCommand {
    enum Kind { Clear, LineStyle, BeginFill, BeginGradientFill, MoveTo, LineTo, CurveTo, EndFill };
    struct Stop {
        int ratio = 0;  // 0 to 255
        std::uint32_t rgb = 0;
        double alpha = 100;
    };

    Kind kind = Clear;
    double x = 0, y = 0;                // MoveTo, LineTo, CurveTo: where the pen goes
    double controlX = 0, controlY = 0;  // CurveTo
    double width = 0;                   // LineStyle: pixels; not a number for no line
    std::uint32_t rgb = 0;              // LineStyle, BeginFill
    double alpha = 100;                 // percent
    bool radial = false;                // BeginGradientFill
    std::vector<Stop> stops;
    double matrix[6] = {1, 0, 0, 1, 0, 0};  // a, b, c, d, tx, ty
};

class IScriptHost {
public:
    virtual ~IScriptHost() = default;

    // The clip tree. 0 is "no clip".
    virtual int Level(int level) = 0;                              // _levelN; _root is the level of the clip
    virtual int Parent(int clip) = 0;                               // 0 for a level
    virtual int Child(int clip, const std::string& name) = 0;       // by instance name; case as the version says
    virtual std::string Name(int clip) = 0;
    virtual int LevelOf(int clip) = 0;
    virtual bool IsAlive(int clip) = 0;

    virtual ClipValue GetProperty(int clip, int property) = 0;
    virtual void SetProperty(int clip, int property, const ClipValue& value) = 0;

    // Frames count from 0. A label or frame that does not exist changes nothing.
    virtual void GotoFrame(int clip, int frame) = 0;
    virtual bool GotoLabel(int clip, const std::string& label) = 0;
    virtual void Play(int clip, bool play) = 0;
    // The byte code of a frame's actions, for the Call action.
    virtual std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> FrameActions(int clip, int frame) = 0;

    // New clips; 0 when it cannot be made.
    virtual int Duplicate(int clip, const std::string& name, int depth) = 0;
    virtual int Attach(int parent, const std::string& exportName, const std::string& name, int depth) = 0;
    virtual int CreateEmpty(int parent, const std::string& name, int depth) = 0;
    virtual void Remove(int clip) = 0;
    virtual int Depth(int clip) = 0;
    virtual int NextHighestDepth(int clip) = 0;
    virtual void SwapDepths(int clip, int depth) = 0;
    virtual void StartDrag(int clip, bool lockCentre, const double* bounds /* left, top, right, bottom */) = 0;
    virtual void StopDrag() = 0;
    // The object at a script depth of the clip's list, or 0.
    virtual int InstanceAtDepth(int clip, int depth) = 0;

    // Where a clip is and what it shows. Bounds are xMin, xMax, yMin, yMax in pixels of the
    // space of `space` (0: the stage); false when the clip shows nothing. Points are in the
    // stage's pixels.
    virtual bool GetBounds(int clip, int space, double bounds[4]) = 0;
    virtual bool HitTestPoint(int clip, double x, double y, bool shape) = 0;
    virtual bool HitTestClip(int clip, int other) = 0;
    // From the clip's pixels to the stage's (or back, `inward`).
    virtual void ConvertPoint(int clip, double& x, double& y, bool inward) = 0;
    // The clip shows only where `mask` (0: none) has shape; the mask is not drawn itself.
    virtual void SetMask(int clip, int mask) = 0;
    virtual void Draw(int clip, const DrawCommand& command) = 0;
    // The movie's length in bytes: everything is loaded.
    virtual double BytesTotal() = 0;

    // Text fields, made by createTextField and told apart from movie clips. Their properties go
    // by name ("text", "htmlText", "textColor", "autoSize", …); false for one a field lacks.
    virtual int CreateTextField(int parent, const std::string& name, int depth, const double bounds[4]) = 0;
    virtual bool IsTextField(int clip) = 0;
    virtual bool GetTextProperty(int field, const std::string& name, ClipValue& value) = 0;
    virtual bool SetTextProperty(int field, const std::string& name, const ClipValue& value) = 0;
    // A clip's colour transform: red, green, blue and alpha, each a multiplier in percent and
    // an offset (ra, rb, ga, gb, ba, bb, aa, ab).
    virtual void GetColour(int clip, double transform[8]) = 0;
    virtual void SetColour(int clip, const double transform[8]) = 0;

    // Sounds a script plays: one sound object tied to a clip (0: the whole movie), holding a
    // sound of the movie by its export name.
    virtual int NewSound(int clip) = 0;
    virtual bool AttachSound(int sound, const std::string& exportName) = 0;
    virtual void StartSound(int sound, double offsetSeconds, int loops) = 0;
    virtual void StopSound(int sound) = 0;
    virtual void SetVolume(int sound, int volume) = 0;
    virtual int GetVolume(int sound) = 0;

    // An address asked for by getURL; `byUser` when the script runs as the direct result of a
    // click or key press. The host decides what, if anything, happens.
    virtual void OpenUrl(const std::string& url, const std::string& window, bool byUser) = 0;
    virtual void FsCommand(const std::string& command, const std::string& arguments) = 0;
    virtual void Trace(const std::string& text) = 0;
    // The engine stopped running scripts (a limit was passed); `why` says which, for the note.
    virtual void ScriptsStopped(const std::string& why) = 0;
    virtual void StopSounds() = 0;

    // Milliseconds since the movie started; the clock of getTimer and setInterval.
    virtual double Timer() = 0;
    // Milliseconds since 1970 (UTC), and the local time's offset from UTC in minutes east at
    // that moment.
    virtual double Now() = 0;
    virtual int LocalOffsetMinutes(double utcMs) = 0;
    virtual std::uint32_t RandomSeed() = 0;

    virtual bool IsKeyDown(int code) = 0;
    virtual void ShowMouse(bool show) = 0;
    virtual void GetStageSize(double& width, double& height) = 0;
    virtual int LastKeyCode() = 0;
    virtual int LastKeyAscii() = 0;
};
