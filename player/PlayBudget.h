#pragma once
// What one player may spend, and the tickets that count what lives in it. Platform-neutral.
#include <cstddef>

// What one player may spend: display objects alive, and control tags applied and objects made
// in one frame. A hostile movie (a sprite placing copies of itself, a sprite jumping back every
// frame in thousands of copies) can then neither grow the tree nor the time a frame takes
// without bound; past a limit, placements are ignored.
struct PlayBudget {
    static constexpr int kMaxObjects = 10000;
    static constexpr std::size_t kMaxStepsPerFrame = 200000;

    // Characters all text fields together may hold (each field also has its own limit).
    static constexpr std::size_t kMaxTextChars = std::size_t{1} << 20;

    int objects = 0;
    std::size_t steps = 0;  // since the frame began
    std::size_t textChars = 0;

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
