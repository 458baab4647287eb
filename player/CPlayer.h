#pragma once
// Plays a loaded CMovie: the main timeline's play head and display list (see CMovie.h for how
// a window drives it), its scripts (ActionScript 1 and 2, through CScriptHost; a movie written
// for ActionScript 3 only plays its simple timeline actions), and what the mouse and keys do to
// its buttons and scripts. Platform-neutral.
#include "CMovie.h"
#include "CScriptHost.h"
#include "CTimelineState.h"
#include "DeviceFonts.h"
#include "IUrlOpener.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // One frame on: scripts' enterFrame, sprites advance on their own timelines, the main
    // timeline moves on unless stopped (after its last frame comes its first again), frames'
    // actions and timers run; the movie's clock moves on by one frame.
    void Advance();

    // The main timeline's frame, from 0.
    int GetFrame() const { return m_pRoot->sprite->GetFrame(); }
    bool IsPlaying() const { return m_pRoot->sprite->IsPlaying(); }
    const CMovie& GetMovie() const { return *m_pMovie; }
    // Where the movie's sound goes (and what its scripts start and stop sounds through); null
    // when silent.
    ISoundSink* GetSound() const { return m_pSound; }
    const CTimelineState& GetRoot() const { return *m_pRoot->sprite; }
    CTimelineState& GetRoot() { return *m_pRoot->sprite; }

    // Draws the current frame into width × height pixels, 0xFFRRGGBB each, rows top down with
    // no padding between them.
    void Render(std::uint32_t* pixels, int width, int height) const;

    // The mouse at (x, y) of a picture width × height pixels, as Render draws it (the left
    // button pressed or released there). Buttons, and clips with button handlers, under it
    // change state and run their actions; scripts hear of the mouse. True when the picture may
    // have changed.
    bool OnMouse(MouseEvent event, int x, int y, int width, int height);
    // The mouse is over a button (a window shows a hand then).
    bool IsOverButton() const { return m_bOverButton; }
    // A script hid the mouse over the movie.
    bool IsMouseHidden() const { return m_pScripts && m_pScripts->IsMouseHidden(); }

    // A key went down or up: `code` as Windows numbers keys (which Key.getCode gives), `ascii`
    // the character it makes (0 for none). OnChar is each character typed (a key's character
    // comes once, through here: buttons' key presses of characters). True when the picture
    // may have changed.
    bool OnKeyDown(int code, int ascii);
    bool OnKeyUp(int code, int ascii);
    bool OnChar(int ascii);

    // Where getURL's addresses go (not owned; may be null: nothing opens).
    void SetUrlOpener(IUrlOpener* opener);
    // The movie's address, as _url gives it.
    void SetUrl(const std::string& url);
    // Each line the movie traces (and each fscommand) as it comes.
    void SetLogHook(std::function<void(const std::string&)> hook);
    // The latest lines traced, oldest first.
    std::vector<std::string> GetLog() const;
    // Why the movie's scripts were stopped, as a sentence for the viewer's corner note; ""
    // while they run.
    std::string GetScriptNote() const;

private:
    struct Target {
        CTimelineState* list = nullptr;  // the list the object is on
        DisplayObject* object = nullptr;
        bool isClip = false;             // a clip with button handlers, not a button
    };
    // What a button's change of state runs once the walk over the buttons is over.
    struct ButtonRun {
        int id = 0;
        std::uint16_t conditions = 0;
        const char* handler = nullptr;
        bool byUser = false;
    };

    void BeginEvent();
    Target FindTarget(CTimelineState& list, const Matrix& matrix, double x, double y, int nesting);
    std::vector<ButtonRun> UpdateButtons(MouseEvent event, bool wasDown, const Target& hit, bool& changed);
    void UpdateClipButtons(MouseEvent event, const Target& hit, std::vector<std::pair<int, ClipEvent>>& runs);
    void KeyPress(int key);
    void ButtonSound(const CTimelineState& list, const DisplayObject& button, ButtonSoundMoment moment);

    std::shared_ptr<const CMovie> m_pMovie;
    std::shared_ptr<IDeviceFonts> m_pFonts;
    ISoundSink* m_pSound;
    PlayBudget m_budget;  // declared before the tree, whose objects count themselves in it
    DisplayContext m_context{m_budget};
    std::unique_ptr<CScriptHost> m_pScripts;  // none for a movie written for ActionScript 3
    std::unique_ptr<DisplayObject> m_pRoot;   // the main timeline's clip
    double m_dFrameMs = 1000.0 / 12;
    bool m_bMouseDown = false;
    bool m_bOverButton = false;
    int m_nHoverClip = 0;    // the clip acting as a button under the mouse
    int m_nPressedClip = 0;  // the one the mouse went down on
};
