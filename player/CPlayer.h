#pragma once
// Plays a loaded CMovie: the main timeline's play head and display list (see CMovie.h for how
// a window drives it). Platform-neutral.
#include "CMovie.h"
#include "CTimelineState.h"

#include <cstdint>
#include <memory>

class CPlayer {
public:
    // Shows the first frame: its placements made, its actions run. The timelines' sounds go to
    // `sound` (a CSoundMixer), which must outlive the player; without one the movie is silent.
    explicit CPlayer(std::shared_ptr<const CMovie> movie, ISoundSink* sound = nullptr);
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // One frame on: sprites advance on their own timelines, the main timeline moves on unless
    // an action stopped it, and after its last frame comes its first again.
    void Advance();

    // The main timeline's frame, from 0.
    int GetFrame() const { return m_pRoot->GetFrame(); }
    bool IsPlaying() const { return m_pRoot->IsPlaying(); }
    const CMovie& GetMovie() const { return *m_pMovie; }
    // Where the movie's sound goes (and what its scripts start and stop sounds through); null
    // when silent.
    ISoundSink* GetSound() const { return m_pSound; }
    const CTimelineState& GetRoot() const { return *m_pRoot; }

    // Draws the current frame into width × height pixels, 0xFFRRGGBB each, rows top down with
    // no padding between them.
    void Render(std::uint32_t* pixels, int width, int height) const;

private:
    std::shared_ptr<const CMovie> m_pMovie;
    ISoundSink* m_pSound;
    PlayBudget m_budget;  // declared before the tree, whose objects count themselves in it
    std::unique_ptr<CTimelineState> m_pRoot;
};
