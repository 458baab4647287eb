#pragma once
// Plays a loaded CMovie: the main timeline's play head and display list (see CMovie.h for how
// a window drives it), and the buttons on it under the mouse. Platform-neutral.
#include "CMovie.h"
#include "CTimelineState.h"
#include "DeviceFonts.h"

#include <cstdint>
#include <memory>

// What the mouse did, as the window around the player saw it.
enum class MouseEvent { Move, Press, Release, Leave };

class CPlayer {
public:
    // Shows the first frame: its placements made, its actions run. The timelines' sounds go to
    // `sound` (a CSoundMixer), which must outlive the player; without one the movie is silent.
    // Text fields in device fonts take their glyphs from `fonts`; without it they show no text.
    explicit CPlayer(std::shared_ptr<const CMovie> movie, ISoundSink* sound = nullptr,
                     std::shared_ptr<IDeviceFonts> fonts = {});
    CPlayer(std::shared_ptr<const CMovie> movie, std::shared_ptr<IDeviceFonts> fonts)
        : CPlayer(std::move(movie), nullptr, std::move(fonts))
    {
    }
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
    CTimelineState& GetRoot() { return *m_pRoot; }

    // Draws the current frame into width × height pixels, 0xFFRRGGBB each, rows top down with
    // no padding between them.
    void Render(std::uint32_t* pixels, int width, int height) const;

    // The mouse at (x, y) of a picture width × height pixels, as Render draws it (the left
    // button pressed or released there). Buttons under it change state and run their actions
    // (on press, release, roll over and out). True when the picture may have changed.
    bool OnMouse(MouseEvent event, int x, int y, int width, int height);
    // The mouse is over a button (a window shows a hand then).
    bool IsOverButton() const { return m_bOverButton; }

private:
    std::shared_ptr<const CMovie> m_pMovie;
    std::shared_ptr<IDeviceFonts> m_pFonts;
    ISoundSink* m_pSound;
    PlayBudget m_budget;  // declared before the tree, whose objects count themselves in it
    std::unique_ptr<CTimelineState> m_pRoot;
    bool m_bMouseDown = false;
    bool m_bOverButton = false;
};
