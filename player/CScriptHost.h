#pragma once
// The script engine bound to a player: the movie's clips (the main timeline, placed sprites,
// what scripts make), its text fields and its buttons are the engine's objects, found by their
// display objects' ids. It runs what a movie's scripts do in the order a player runs them:
//
//   each tick:  enterFrame of every clip there (clip events, then onEnterFrame; the last placed
//               first), the timelines on (placements made), then in the order they came due:
//               DoInitAction before the first use of its sprite, a placed clip's class
//               constructor, each entered frame's actions (a timeline's before those of the
//               clips it places), load events; then setInterval timers, text fields bound to
//               variables, and the unload events of what left the display lists.
//   mouse and keys:  at once, as the player hears of them (see CPlayer).
//
// Past one of the engine's limits scripts stop for good: the timelines then play their simple
// actions themselves, and the note says so. Platform-neutral.
#include "CScriptVM.h"
#include "CTimelineState.h"
#include "DeviceFonts.h"
#include "IUrlOpener.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>

class CScriptHost final : public IScriptHost, public IDisplayEvents, public IDisplayIndex {
public:
    // Lines kept of what the movie traced (the oldest go first).
    static constexpr std::size_t kMaxLogLines = 1000;
    static constexpr std::size_t kMaxLogLine = 2000;
    // Items coming due in one tick or event; past it scripts stop as if one ran too long.
    static constexpr std::size_t kMaxDuePerEvent = 100000;

    // Tells `context`'s timelines of itself; `fonts` (may be null) measures text fields.
    CScriptHost(const CMovie& movie, DisplayContext& context, IDeviceFonts* fonts);
    ~CScriptHost() override;
    CScriptHost(const CScriptHost&) = delete;
    CScriptHost& operator=(const CScriptHost&) = delete;

    // The main timeline's object, before its timeline is made.
    void SetRoot(DisplayObject& root);
    // After the first frame is built: what it made due runs.
    void Start();
    // One tick of `frameMs` milliseconds of the movie's clock.
    void Tick(double frameMs);
    // Before a mouse or key event: it gets its own jumps and its own share of what comes due.
    void BeginEvent();
    bool IsRunning() const { return !m_vm.IsStopped(); }

    // ---- the mouse and keys, as CPlayer hears of them ----
    // The mouse at (x, y) of the stage, in twips.
    void SetMouse(double x, double y) { m_dMouseX = x, m_dMouseY = y; }
    // Mouse listeners, onMouse… handlers and the clip events of every clip (CLIP_MOUSE_…).
    void MouseEvent(ClipEvent event);
    // A key down or up: the key's state, Key listeners and the clip events of every clip.
    // `ascii` is 0 when the key makes no character.
    void KeyEvent(bool down, int code, int ascii);
    // on (keyPress …) of the clips, for a key as buttons' conditions number it.
    void KeyPress(int key);
    // A button's actions for these conditions (mouse conditions, or one key's), in its parent's
    // scope, then its handler (may be null). `byUser`: a click or key press caused it.
    void ButtonEvent(const DisplayObject& button, std::uint16_t conditions, const char* handler, bool byUser);
    // A clip acting as a button: its on() clip events and its handler.
    void ClipButtonEvent(int clip, ClipEvent event, const char* handler, bool byUser);
    // A clip with on() events or button handlers, and not disabled.
    bool IsButtonClip(const DisplayObject& clip);
    bool UsesHandCursor(int clip) { return m_vm.ReadFlag(clip, "useHandCursor", true); }
    // Runs what the last event made due, then the unload events.
    void Settle();
    bool IsMouseHidden() const { return m_bMouseHidden; }

    void SetUrlOpener(IUrlOpener* opener) { m_pOpener = opener; }
    void SetUrl(const std::string& url) { m_strUrl = url; }
    // Each traced line (and fscommand) as it comes, beside the log.
    void SetLogHook(std::function<void(const std::string&)> hook) { m_logHook = std::move(hook); }
    const std::deque<std::string>& GetLog() const { return m_log; }
    // Why scripts stopped, for the viewer's corner note; "" while they run.
    const std::string& GetStopReason() const { return m_strStopped; }

    // IDisplayIndex
    const DisplayObject* Find(int id) const override;
    bool StageMatrix(int id, Matrix& matrix) const override;

    // IDisplayEvents
    void Placed(CTimelineState& list, DisplayObject& object) override;
    void Loaded(DisplayObject& object) override;
    void FrameEntered(CTimelineState& timeline, int frame) override;
    void Removed(DisplayList::node_type node) override;
    void Destroyed(DisplayObject& object) override;

    // IScriptHost: the clip tree
    int Level(int level) override { return level == 0 ? m_nRoot : 0; }
    int Parent(int clip) override;
    int Parent(int clip) const;
    int Child(int clip, const std::string& name) override;
    std::string Name(int clip) override;
    int LevelOf(int) override { return 0; }
    bool IsAlive(int clip) override { return m_index.count(clip) != 0; }
    ClipValue GetProperty(int clip, int property) override;
    void SetProperty(int clip, int property, const ClipValue& value) override;
    void GotoFrame(int clip, int frame) override;
    bool GotoLabel(int clip, const std::string& label) override;
    void Play(int clip, bool play) override;
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> FrameActions(int clip, int frame) override;
    int Duplicate(int clip, const std::string& name, int depth) override;
    int Attach(int parent, const std::string& exportName, const std::string& name, int depth) override;
    int CreateEmpty(int parent, const std::string& name, int depth) override;
    void Remove(int clip) override;
    int Depth(int clip) override;
    int NextHighestDepth(int clip) override;
    void SwapDepths(int clip, int depth) override;
    void StartDrag(int clip, bool lockCentre, const double* bounds) override;
    void StopDrag() override;
    int InstanceAtDepth(int clip, int depth) override;
    bool GetBounds(int clip, int space, double bounds[4]) override;
    bool HitTestPoint(int clip, double x, double y, bool shape) override;
    bool HitTestClip(int clip, int other) override;
    void ConvertPoint(int clip, double& x, double& y, bool inward) override;
    void SetMask(int clip, int mask) override;
    void Draw(int clip, const DrawCommand& command) override;
    double BytesTotal() override { return static_cast<double>(m_movie.GetFileLength()); }
    // IScriptHost: text fields, colour, sound
    int CreateTextField(int parent, const std::string& name, int depth, const double bounds[4]) override;
    bool IsTextField(int clip) override;
    bool GetTextProperty(int field, const std::string& name, ClipValue& value) override;
    bool SetTextProperty(int field, const std::string& name, const ClipValue& value) override;
    void GetColour(int clip, double transform[8]) override;
    void SetColour(int clip, const double transform[8]) override;
    int NewSound(int clip) override;
    bool AttachSound(int sound, const std::string& exportName) override;
    void StartSound(int sound, double offsetSeconds, int loops) override;
    void StopSound(int sound) override;
    void SetVolume(int sound, int volume) override;
    int GetVolume(int sound) override;
    void StopSounds() override;
    // IScriptHost: the outside
    void OpenUrl(const std::string& url, const std::string& window, bool byUser) override;
    void FsCommand(const std::string& command, const std::string& arguments) override;
    void Trace(const std::string& text) override;
    void ScriptsStopped(const std::string& why) override;
    double Timer() override { return m_dClock; }
    double Now() override;
    int LocalOffsetMinutes(double utcMs) override;
    std::uint32_t RandomSeed() override;
    bool IsKeyDown(int code) override { return code >= 0 && code < 256 && m_keys[code]; }
    void ShowMouse(bool show) override { m_bMouseHidden = !show; }
    void GetStageSize(double& width, double& height) override;
    int LastKeyCode() override { return m_nLastKey; }
    int LastKeyAscii() override { return m_nLastAscii; }

private:
    // Something a script runs once the code running now is done.
    struct Due {
        enum Kind : std::uint8_t { Actions, Init, Construct, Event } kind = Actions;
        int clip = 0;  // Init: the sprite's character
        std::shared_ptr<const std::vector<std::uint8_t>> code;
        ClipEvent event = CLIP_LOAD;
    };
    struct Entry {
        DisplayObject* object = nullptr;
        int parent = 0;
    };
    struct ScriptSound {
        int clip = 0;  // 0: the whole movie
        std::uint16_t soundId = 0;
    };
    struct Drag {
        int clip = 0;
        bool lockCentre = false;
        bool bounded = false;
        double bounds[4] = {};  // left, top, right, bottom in the parent's pixels
        double offsetX = 0;     // from the mouse to the clip's place, in the parent's twips
        double offsetY = 0;
    };

    DisplayObject* Object(int clip) const;
    CTimelineState* ListOf(int clip) const;  // the clip's own display list
    CTimelineState* ParentList(int clip) const;
    void Index(CTimelineState* list, DisplayObject& object);
    void RunDue();
    void RunOne(const Due& due);
    void RunInit(std::uint16_t spriteId);
    void RunClipEvent(int clip, ClipEvent event, bool byUser, int keyCode = 0);
    void CollectClips(const CTimelineState& list, std::vector<int>& clips) const;
    std::vector<int> ClipsNow() const;
    void UnloadRemoved();
    void SyncBoundFields();
    void FollowDrag();
    void Log(std::string line);
    bool ScriptsRun() const { return !m_vm.IsStopped(); }
    bool SoundOwner(int clip, const void*& owner) const;
    bool ValidDepth(int depth) const;

    const CMovie& m_movie;
    DisplayContext& m_context;
    IDeviceFonts* m_pFonts;  // the player's; may be null
    IUrlOpener* m_pOpener = nullptr;  // the window's; may be null
    int m_nRoot = 0;
    std::unordered_map<int, Entry> m_index;
    std::deque<Due> m_due;
    std::size_t m_nDueThisEvent = 0;
    // Objects taken off their lists whose unload events are still to run.
    std::vector<DisplayList::node_type> m_removed;
    std::unordered_map<std::uint16_t, std::vector<std::shared_ptr<const std::vector<std::uint8_t>>>> m_initActions;
    std::unordered_set<std::uint16_t> m_initDone;
    std::map<int, std::string> m_boundFields;  // text fields with a variable: the text shown for it
    std::unordered_map<int, ScriptSound> m_sounds;
    std::unordered_map<int, int> m_silentVolumes;  // without a sound sink: volumes by clip (0: the movie)
    int m_nNextSound = 1;
    Drag m_drag;
    double m_dClock = 0;
    double m_dMouseX = 0;
    double m_dMouseY = 0;
    bool m_keys[256] = {};
    int m_nLastKey = 0;
    int m_nLastAscii = 0;
    bool m_bMouseHidden = false;
    std::string m_strUrl;
    std::string m_strStopped;
    std::deque<std::string> m_log;
    std::function<void(const std::string&)> m_logHook;
    CScriptVM m_vm;  // last: it calls back into the host while it is made and goes
};
