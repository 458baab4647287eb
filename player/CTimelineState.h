#pragma once
// The play head and display list of one timeline: the movie's own, or one placed sprite's.
// Sprites on the list own the state of their own timelines. Platform-neutral.
#include "CMovie.h"
#include "ISoundSink.h"

#include <map>
#include <memory>

class CTimelineState;

// What one player may spend: display objects alive, and control tags applied and objects made
// in one frame. A hostile movie (a sprite placing copies of itself, a sprite jumping back every
// frame in thousands of copies) can then neither grow the tree nor the time a frame takes
// without bound; past a limit, placements are ignored.
struct PlayBudget {
    static constexpr int kMaxObjects = 10000;
    static constexpr std::size_t kMaxStepsPerFrame = 200000;

    int objects = 0;
    std::size_t steps = 0;  // since the frame began

    bool Spend() { return ++steps <= kMaxStepsPerFrame; }
    bool Exhausted() const { return steps >= kMaxStepsPerFrame; }
};

// Counts one display object in the player's budget while it lives.
class CObjectTicket {
public:
    explicit CObjectTicket(PlayBudget& budget) : m_pBudget(&budget) { ++budget.objects; }
    ~CObjectTicket()
    {
        if (m_pBudget) --m_pBudget->objects;
    }
    CObjectTicket(CObjectTicket&& other) noexcept : m_pBudget(other.m_pBudget) { other.m_pBudget = nullptr; }
    CObjectTicket(const CObjectTicket&) = delete;
    CObjectTicket& operator=(const CObjectTicket&) = delete;
    CObjectTicket& operator=(CObjectTicket&&) = delete;

private:
    PlayBudget* m_pBudget;  // the player's, which outlives every object
};

struct DisplayObject {
    explicit DisplayObject(PlayBudget& budget) : ticket(budget) {}

    CObjectTicket ticket;
    std::uint16_t characterId = 0;
    Matrix matrix;
    ColourTransform colour;
    bool visible = true;
    bool isMask = false;
    std::unique_ptr<CTimelineState> sprite;  // when the character is a sprite
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

private:
    void GoTo(int frame);
    void Apply(const Frame& frame);
    void Place(const ControlTag& tag);
    void SetCharacter(DisplayObject& object, std::uint16_t depth, std::uint16_t characterId);
    void RunActions(int jumps);
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
