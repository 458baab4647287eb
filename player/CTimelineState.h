#pragma once
// The play head and display list of one timeline: the movie's own, or one placed sprite's.
// Sprites on the list own the state of their own timelines. Platform-neutral.
#include "CMovie.h"
#include "CTextField.h"
#include "PlayBudget.h"
#include "ISoundSink.h"

#include <map>
#include <memory>

class CTimelineState;

// Blend modes of PlaceObject3; 0 and 1 are both normal.
enum BlendMode : std::uint8_t {
    BLEND_NORMAL = 1, BLEND_LAYER, BLEND_MULTIPLY, BLEND_SCREEN, BLEND_LIGHTEN, BLEND_DARKEN, BLEND_DIFFERENCE,
    BLEND_ADD, BLEND_SUBTRACT, BLEND_INVERT, BLEND_ALPHA, BLEND_ERASE, BLEND_OVERLAY, BLEND_HARDLIGHT,
};

// One object on a display list, as a script addresses it: by depth on its parent's list or by
// name, with its matrix, colour transform, visibility, ratio and clip depth.
struct DisplayObject {
    explicit DisplayObject(PlayBudget& budget) : ticket(budget) {}

    CObjectTicket ticket;
    std::uint16_t characterId = 0;
    std::string name;
    Matrix matrix;
    ColourTransform colour;
    bool visible = true;
    bool isMask = false;
    std::uint16_t clipDepth = 0;  // isMask: the last depth it clips
    std::uint16_t ratio = 0;
    std::uint8_t blendMode = BLEND_NORMAL;
    bool cacheAsBitmap = false;
    const std::vector<ClipAction>* clipActions = nullptr;  // the movie's, when the placement has any
    // A sprite's own timeline, or the characters of a button's current state.
    std::unique_ptr<CTimelineState> sprite;
    std::unique_ptr<CTextField> text;  // a text field
    // A button: its definition, the state drawn, and where the mouse finds it.
    const Button* button = nullptr;
    ButtonState buttonState = BUTTON_UP;
    bool pressed = false;  // the mouse went down on it and is still down
    std::unique_ptr<CTimelineState> hitArea;
};

class CTimelineState {
public:
    // Past this many nested sprites a placed sprite shows nothing.
    static constexpr int kMaxNesting = 16;
    // Jumps one timeline follows in one frame (a jump whose target jumps again, and so on).
    static constexpr int kMaxJumpsPerFrame = 8;

    // Enters the first frame: its placements are made, its sounds start and its actions run.
    // The timeline and its sprites tell `sound` what they play; without one they are silent.
    CTimelineState(const CMovie& movie, const Timeline& timeline, int nesting, PlayBudget& budget,
                   ISoundSink* sound = nullptr);
    ~CTimelineState();
    CTimelineState(const CTimelineState&) = delete;
    CTimelineState& operator=(const CTimelineState&) = delete;

    // One tick: sprites already on the list advance, then this play head moves on if playing,
    // back to the first frame after the last.
    void Advance();

    int GetFrame() const { return m_nFrame; }
    bool IsPlaying() const { return m_bPlaying; }
    const std::map<std::uint16_t, DisplayObject>& GetObjects() const { return m_objects; }
    std::map<std::uint16_t, DisplayObject>& GetObjects() { return m_objects; }
    const CMovie& GetMovie() const { return m_movie; }

    // Shows a button's state: its characters for that state are placed anew.
    void SetButtonState(DisplayObject& button, ButtonState state);
    // Runs actions (a button's) on this timeline as a frame's actions run.
    void RunActions(const std::vector<Action>& actions);

private:
    void GoTo(int frame);
    void Apply(const Frame& frame);
    void Place(const ControlTag& tag);
    void SetCharacter(DisplayObject& object, std::uint16_t depth, std::uint16_t characterId);
    void RunActions(int jumps);
    int Perform(const std::vector<Action>& actions, int target);
    void StartSounds();
    void ShowStream();

    const CMovie& m_movie;
    const Timeline& m_timeline;
    int m_nNesting;
    PlayBudget& m_budget;
    ISoundSink* m_pSound;  // the player's owner's, which outlives the player
    int m_nFrame = 0;
    bool m_bPlaying = true;
    std::map<std::uint16_t, DisplayObject> m_objects;
    // While the list is rebuilt for a jump back: the objects before it, whose sprites keep
    // playing where the same character is placed again at the same depth.
    std::map<std::uint16_t, DisplayObject>* m_pPrevious = nullptr;
};
