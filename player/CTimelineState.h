#pragma once
// The play head and display list of one timeline: the movie's own, or one placed sprite's.
// Sprites on the list own the state of their own timelines. Platform-neutral.
#include "CDrawing.h"
#include "CMovie.h"
#include "CTextField.h"
#include "ISoundSink.h"
#include "PlayBudget.h"

#include <map>
#include <memory>

class CTimelineState;
struct DisplayObject;
class IDisplayEvents;

// Blend modes of PlaceObject3; 0 and 1 are both normal.
enum BlendMode : std::uint8_t {
    BLEND_NORMAL = 1, BLEND_LAYER, BLEND_MULTIPLY, BLEND_SCREEN, BLEND_LIGHTEN, BLEND_DARKEN, BLEND_DIFFERENCE,
    BLEND_ADD, BLEND_SUBTRACT, BLEND_INVERT, BLEND_ALPHA, BLEND_ERASE, BLEND_OVERLAY, BLEND_HARDLIGHT,
};

// What every timeline of one player shares, owned by the player: the budget, where sound goes,
// who hears of objects and frames (a script engine's host; none plays the simple actions
// itself), and the numbers that tell objects and events apart.
struct DisplayContext {
    explicit DisplayContext(PlayBudget& playBudget) : budget(playBudget) {}

    PlayBudget& budget;
    ISoundSink* sound = nullptr;
    IDisplayEvents* events = nullptr;
    // The events' script engine runs the frames' actions (until it stops).
    bool scripted = false;
    int nextId = 1;  // every display object's, never used twice
    int event = 0;   // counts ticks and mouse or key events: each gets its own jumps
};

// One object on a display list, as a script addresses it: by depth on its parent's list or by
// name, with its matrix, colour transform, visibility, ratio and clip depth. Objects stay where
// they are built (the lists hold them by node), so that a pointer to one holds while it lives.
struct DisplayObject {
    explicit DisplayObject(DisplayContext& context);
    ~DisplayObject();
    DisplayObject(const DisplayObject&) = delete;
    DisplayObject& operator=(const DisplayObject&) = delete;

    // A movie clip: a sprite's timeline, not a button's state.
    bool IsClip() const { return sprite && !button; }

    CObjectTicket ticket;
    DisplayContext& context;
    const int id;
    int depth = 0;            // the key on its list
    std::uint16_t characterId = 0;
    std::string name;
    Matrix matrix;
    ColourTransform colour;
    bool visible = true;
    bool isMask = false;
    int clipDepth = 0;        // isMask: the last depth it clips
    std::uint16_t ratio = 0;
    std::uint8_t blendMode = BLEND_NORMAL;
    bool cacheAsBitmap = false;
    const std::vector<ClipAction>* clipActions = nullptr;  // the movie's, when the placement has any
    // Made by a script (attached, duplicated, created, or moved to another depth): the
    // timeline's placements, removals and jumps leave it alone.
    bool scripted = false;
    // A script set its place, size or colour: the timeline's later moves no longer change them.
    bool detached = false;
    // A sprite's own timeline, or the characters of a button's current state.
    std::unique_ptr<CTimelineState> sprite;
    std::unique_ptr<CTextField> text;  // a text field
    std::unique_ptr<CDrawing> drawing;  // what a script drew into a clip
    // A button: its definition, the state drawn, and where the mouse finds it.
    const Button* button = nullptr;
    ButtonState buttonState = BUTTON_UP;
    bool pressed = false;  // the mouse went down on it and is still down
    std::unique_ptr<CTimelineState> hitArea;
    int maskId = 0;         // setMask: the object whose shape this one shows through
    bool isScriptMask = false;  // the mask of another object's setMask: not drawn itself
    std::string dropTarget;     // after a drag: the clip it was dropped on, as a slash path
};

using DisplayList = std::map<int, DisplayObject>;

// A script engine's host hears of these, as they happen; none of them runs a script.
class IDisplayEvents {
public:
    virtual ~IDisplayEvents() = default;
    // A new object on `list`, its placement applied, before a sprite's first frame is entered.
    virtual void Placed(CTimelineState& list, DisplayObject& object) = 0;
    // A sprite object's first frame was entered and its children placed.
    virtual void Loaded(DisplayObject& object) = 0;
    // `timeline` entered `frame` (by playing on, by a jump, or as its first): the frame's
    // actions are due.
    virtual void FrameEntered(CTimelineState& timeline, int frame) = 0;
    // An object taken off its list: the host keeps it until its unload handlers ran, or lets it go.
    virtual void Removed(DisplayList::node_type node) = 0;
    // The object is going away for good (its id with it).
    virtual void Destroyed(DisplayObject& object) = 0;
};

// Finds objects by id, for what reaches across lists (a mask set by a script).
class IDisplayIndex {
public:
    virtual ~IDisplayIndex() = default;
    virtual const DisplayObject* Find(int id) const = 0;
    // The object's coordinates to the stage's (twips); false for an object not found.
    virtual bool StageMatrix(int id, Matrix& matrix) const = 0;
};

class CTimelineState {
public:
    // Past this many nested sprites a placed sprite shows nothing.
    static constexpr int kMaxNesting = 16;
    // Jumps one timeline follows in one tick or event (a jump whose target jumps again, and so
    // on); later ones in the same tick leave the play head where it is.
    static constexpr int kMaxJumpsPerFrame = 8;
    // Depths as scripts count them are the list's keys less this: placements in the file are
    // below script depth 0 (-16383 to 49151), what scripts make from 0 up.
    static constexpr int kScriptDepthBase = 16384;

    // Enters the first frame: its placements are made, its sounds start and its actions are due
    // (run here when no one hears of events). The timeline belongs to the object `clipId`
    // (0: none). A quiet timeline (a button's hit area) neither sounds nor tells of events.
    CTimelineState(const CMovie& movie, const Timeline& timeline, int nesting, DisplayContext& context, int clipId = 0,
                   bool quiet = false);
    ~CTimelineState();
    CTimelineState(const CTimelineState&) = delete;
    CTimelineState& operator=(const CTimelineState&) = delete;

    // One tick: sprites already on the list advance, then this play head moves on if playing,
    // back to the first frame after the last.
    void Advance();
    // A script's jump (clamped to the frames there are): the placements are made now and the
    // frame's actions are due. The frame shown already, or a jump past the tick's limit, does
    // nothing.
    void GotoFrame(int frame);
    void SetPlaying(bool playing) { m_bPlaying = playing; }
    // The frame a label names (any letter case), or -1.
    int FindLabel(const std::string& label) const;

    int GetFrame() const { return m_nFrame; }
    int GetFrameCount() const { return static_cast<int>(m_timeline.frames.size()); }
    bool IsPlaying() const { return m_bPlaying; }
    int GetClipId() const { return m_nClipId; }
    int GetNesting() const { return m_nNesting; }
    const Timeline& GetTimeline() const { return m_timeline; }
    const DisplayList& GetObjects() const { return m_objects; }
    DisplayList& GetObjects() { return m_objects; }
    const CMovie& GetMovie() const { return m_movie; }
    DisplayContext& GetContext() const { return m_context; }

    // A script's new object at `depth`, replacing what was there; null past the object limit.
    // The caller gives it its character and then tells the events of it.
    DisplayObject* Add(int depth);
    // Gives an object its character: a sprite's timeline, a text field, a button. False when
    // the nesting limit leaves it without one.
    bool SetCharacter(DisplayObject& object, std::uint16_t characterId);
    // A sprite's timeline for an object, as SetCharacter makes it; false past the nesting limit.
    bool MakeSprite(DisplayObject& object, const Timeline& timeline);
    // Takes the object at `depth` off the list (its unload handlers may still run).
    void Remove(int depth);
    // Moves the object at `from` to `to`; what was at `to` goes to `from`.
    void SwapDepths(int from, int to);

    // Shows a button's state: its characters for that state are placed anew.
    void SetButtonState(DisplayObject& button, ButtonState state);
    // Runs the simple actions (a button's) on this timeline, as the player does without a
    // script engine.
    void RunActions(const std::vector<Action>& actions);

private:
    void GoTo(int frame);
    void EnterFrame();
    void Apply(const Frame& frame);
    void Place(const ControlTag& tag);
    void ApplyPlacement(DisplayObject& object, const ControlTag& tag);
    // Off the list: to the events, or gone.
    void Release(DisplayList::node_type node);
    void RunActions(int jumps);
    int Perform(const std::vector<Action>& actions, int target);
    void StartSounds();
    void ShowStream();
    IDisplayEvents* Events() const { return m_bQuiet ? nullptr : m_context.events; }
    // The events, when they take the frames' actions.
    IDisplayEvents* Scripts() const { return m_context.scripted ? Events() : nullptr; }

    const CMovie& m_movie;
    const Timeline& m_timeline;
    int m_nNesting;
    DisplayContext& m_context;
    ISoundSink* m_pSound;  // the player's owner's, which outlives the player
    int m_nClipId;
    bool m_bQuiet;
    int m_nFrame = 0;
    bool m_bPlaying = true;
    int m_nJumps = 0;       // script jumps in the current event
    int m_nJumpEvent = -1;  // the event they were counted in
    DisplayList m_objects;
    // While the list is rebuilt for a jump back: the objects before it, which carry on where
    // the same character is placed again at the same depth.
    DisplayList* m_pPrevious = nullptr;
};
