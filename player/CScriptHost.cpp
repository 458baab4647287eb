// CScriptHost: what the display lists tell it, what comes due and when it runs, the ticks, the
// mouse and keys.
#include "CScriptHost.h"

#include <algorithm>

namespace {

// The handler a clip event calls beside the clip's own onClipEvent code. Key events reach
// a clip's onKeyDown only with the keyboard focus, which the viewer gives no clip; Key's
// listeners hear them instead.
const char* HandlerName(ClipEvent event)
{
    switch (event) {
    case CLIP_LOAD: return "onLoad";
    case CLIP_ENTER_FRAME: return "onEnterFrame";
    case CLIP_UNLOAD: return "onUnload";
    case CLIP_MOUSE_MOVE: return "onMouseMove";
    case CLIP_MOUSE_DOWN: return "onMouseDown";
    case CLIP_MOUSE_UP: return "onMouseUp";
    case CLIP_DATA: return "onData";
    default: return nullptr;
    }
}

} // namespace

CScriptHost::CScriptHost(const CMovie& movie, DisplayContext& context, IDeviceFonts* fonts)
    : m_movie(movie), m_context(context), m_pFonts(fonts), m_vm(*this, movie.GetVersion())
{
    for (const Frame& frame : movie.GetTimeline().frames) {
        for (const ControlTag& tag : frame.tags) {
            if (tag.kind == ControlKind::InitActions && tag.code) m_initActions[tag.characterId].push_back(tag.code);
        }
    }
    m_context.events = this;
    m_context.scripted = ScriptsRun();
}

CScriptHost::~CScriptHost()
{
    // What is still kept for its unload events goes without them.
    if (m_context.events == this) m_context.events = nullptr;
    m_removed.clear();
}

void CScriptHost::SetRoot(DisplayObject& root)
{
    m_nRoot = root.id;
    Index(nullptr, root);
}

void CScriptHost::Start()
{
    BeginEvent();
    RunDue();
    SyncBoundFields();
    UnloadRemoved();
    m_vm.EndFrame();
}

void CScriptHost::BeginEvent()
{
    ++m_context.event;
    m_nDueThisEvent = 0;
}

void CScriptHost::Tick(double frameMs)
{
    BeginEvent();
    m_dClock += frameMs;
    CTimelineState* root = ListOf(m_nRoot);
    if (!ScriptsRun()) {
        if (root) root->Advance();
        UnloadRemoved();
        return;
    }
    // enterFrame comes before the frame's actions, for every clip that was there.
    for (int clip : ClipsNow()) {
        Due due;
        due.kind = Due::Event;
        due.clip = clip;
        due.event = CLIP_ENTER_FRAME;
        m_due.push_back(std::move(due));
    }
    if (root) root->Advance();
    FollowDrag();
    RunDue();
    m_vm.RunTimers();
    RunDue();
    SyncBoundFields();
    UnloadRemoved();
    m_vm.EndFrame();
}

void CScriptHost::Settle()
{
    RunDue();
    SyncBoundFields();
    UnloadRemoved();
}

// ---- what comes due ----

void CScriptHost::RunDue()
{
    while (!m_due.empty()) {
        if (!ScriptsRun()) {
            m_due.clear();
            return;
        }
        if (++m_nDueThisEvent > kMaxDuePerEvent) {
            m_due.clear();
            m_vm.StopScripts("a script ran too long");
            return;
        }
        const Due due = std::move(m_due.front());
        m_due.pop_front();
        RunOne(due);
    }
}

void CScriptHost::RunOne(const Due& due)
{
    switch (due.kind) {
    case Due::Actions: m_vm.RunActions(due.code, due.clip); break;
    case Due::Init: RunInit(static_cast<std::uint16_t>(due.clip)); break;
    case Due::Construct: {
        const DisplayObject* object = Object(due.clip);
        if (!object || !object->IsClip()) break;
        const std::string& exportName = m_movie.ExportName(object->characterId);
        RunClipEvent(due.clip, CLIP_CONSTRUCT, false);
        m_vm.ConstructClip(due.clip, exportName);
        RunClipEvent(due.clip, CLIP_INITIALIZE, false);
        break;
    }
    case Due::Event: RunClipEvent(due.clip, due.event, false); break;
    }
}

void CScriptHost::RunInit(std::uint16_t spriteId)
{
    const auto found = m_initActions.find(spriteId);
    if (found == m_initActions.end() || !m_initDone.insert(spriteId).second) return;
    for (const auto& code : found->second) m_vm.RunActions(code, m_nRoot);
}

void CScriptHost::RunClipEvent(int clip, ClipEvent event, bool byUser, int keyCode)
{
    const DisplayObject* object = Object(clip);
    if (!object) return;
    if (object->clipActions) {
        // The movie's, so they outlive the clip a handler may remove.
        const std::vector<ClipAction>& actions = *object->clipActions;
        for (const ClipAction& action : actions) {
            if (!(action.events & event) || !action.code) continue;
            if (event == CLIP_KEY_PRESS && action.keyCode != keyCode) continue;
            m_vm.RunActions(action.code, clip, byUser);
        }
    }
    if (const char* handler = HandlerName(event)) m_vm.CallHandler(clip, handler, byUser);
}

void CScriptHost::CollectClips(const CTimelineState& list, std::vector<int>& clips) const
{
    const auto& objects = list.GetObjects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        const DisplayObject& object = it->second;
        if (!object.IsClip()) continue;
        CollectClips(*object.sprite, clips);
        clips.push_back(object.id);
    }
}

// Every clip, the innermost and last placed first, the main timeline last.
std::vector<int> CScriptHost::ClipsNow() const
{
    std::vector<int> clips;
    if (const CTimelineState* root = ListOf(m_nRoot)) {
        CollectClips(*root, clips);
        clips.push_back(m_nRoot);
    }
    return clips;
}

// ---- what the display lists tell ----

void CScriptHost::Index(CTimelineState* list, DisplayObject& object)
{
    m_index[object.id] = {&object, list ? list->GetClipId() : 0};
    if (object.text && !object.text->GetVariableName().empty()) m_boundFields.emplace(object.id, std::string());
}

void CScriptHost::Placed(CTimelineState& list, DisplayObject& object)
{
    Index(&list, object);
    if (!ScriptsRun() || !m_movie.FindSprite(object.characterId)) return;
    if (m_initActions.count(object.characterId) && !m_initDone.count(object.characterId)) {
        Due init;
        init.kind = Due::Init;
        init.clip = object.characterId;
        m_due.push_back(std::move(init));
    }
    Due construct;
    construct.kind = Due::Construct;
    construct.clip = object.id;
    m_due.push_back(std::move(construct));
}

void CScriptHost::Loaded(DisplayObject& object)
{
    if (!ScriptsRun()) return;
    Due load;
    load.kind = Due::Event;
    load.clip = object.id;
    load.event = CLIP_LOAD;
    m_due.push_back(std::move(load));
}

void CScriptHost::FrameEntered(CTimelineState& timeline, int frame)
{
    const auto& frames = timeline.GetTimeline().frames;
    if (!ScriptsRun() || frame < 0 || frame >= static_cast<int>(frames.size())) return;
    // A frame's DoInitAction runs before its DoAction.
    for (const ControlTag& tag : frames[static_cast<std::size_t>(frame)].tags) {
        if (tag.kind != ControlKind::InitActions || m_initDone.count(tag.characterId)) continue;
        Due init;
        init.kind = Due::Init;
        init.clip = tag.characterId;
        m_due.push_back(std::move(init));
    }
    for (const ControlTag& tag : frames[static_cast<std::size_t>(frame)].tags) {
        if (tag.kind != ControlKind::Actions || !tag.code) continue;
        Due actions;
        actions.kind = Due::Actions;
        actions.clip = timeline.GetClipId();
        actions.code = tag.code;
        m_due.push_back(std::move(actions));
    }
}

void CScriptHost::Removed(DisplayList::node_type node)
{
    // Kept until its unload events ran (and no script is left holding it half way); without
    // scripts it goes now.
    if (ScriptsRun()) m_removed.push_back(std::move(node));
}

void CScriptHost::Destroyed(DisplayObject& object)
{
    if (m_index.erase(object.id) == 0) return;
    m_boundFields.erase(object.id);
    m_silentVolumes.erase(object.id);
    if (m_drag.clip == object.id) m_drag = Drag();
    m_vm.ClipRemoved(object.id);
}

void CScriptHost::UnloadRemoved()
{
    // Unload handlers may remove more; a few rounds, then the rest goes without.
    for (int round = 0; round < 8 && !m_removed.empty(); ++round) {
        std::vector<DisplayList::node_type> removed = std::move(m_removed);
        m_removed.clear();
        for (DisplayList::node_type& node : removed) {
            const DisplayObject& object = node.mapped();
            if (!object.IsClip() || !ScriptsRun()) continue;
            std::vector<int> clips;
            CollectClips(*object.sprite, clips);
            clips.push_back(object.id);
            for (int clip : clips) {
                Due unload;
                unload.kind = Due::Event;
                unload.clip = clip;
                unload.event = CLIP_UNLOAD;
                m_due.push_back(std::move(unload));
            }
        }
        RunDue();
    }
    m_removed.clear();
}

// ---- the mouse and keys ----

void CScriptHost::MouseEvent(ClipEvent event)
{
    if (!ScriptsRun()) return;
    const bool byUser = event != CLIP_MOUSE_MOVE;
    if (event == CLIP_MOUSE_MOVE) FollowDrag();
    for (int clip : ClipsNow()) RunClipEvent(clip, event, byUser);
    const char* name = event == CLIP_MOUSE_DOWN ? "onMouseDown" : event == CLIP_MOUSE_UP ? "onMouseUp" : "onMouseMove";
    m_vm.Broadcast("Mouse", name, byUser);
}

void CScriptHost::KeyEvent(bool down, int code, int ascii)
{
    if (code >= 0 && code < 256) m_keys[code] = down;
    m_nLastKey = code;
    m_nLastAscii = ascii;
    if (!ScriptsRun()) return;
    const ClipEvent event = down ? CLIP_KEY_DOWN : CLIP_KEY_UP;
    for (int clip : ClipsNow()) RunClipEvent(clip, event, true);
    m_vm.Broadcast("Key", down ? "onKeyDown" : "onKeyUp", true);
}

void CScriptHost::KeyPress(int key)
{
    if (!ScriptsRun()) return;
    for (int clip : ClipsNow()) {
        const DisplayObject* object = Object(clip);
        if (!object || !object->clipActions) continue;
        const auto& actions = *object->clipActions;
        if (std::any_of(actions.begin(), actions.end(), [key](const ClipAction& action) {
                return (action.events & CLIP_KEY_PRESS) && action.keyCode == key;
            }))
            RunClipEvent(clip, CLIP_KEY_PRESS, true, key);
    }
}

void CScriptHost::ButtonEvent(const DisplayObject& button, std::uint16_t conditions, const char* handler, bool byUser)
{
    if (!ScriptsRun() || !button.button) return;
    // Taken before anything runs: the actions may take the button away.
    const int id = button.id;
    const int parent = Parent(id);
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> codes;
    const std::uint16_t key = conditions & BUTTON_KEY_MASK;
    for (const ButtonAction& record : button.button->actions) {
        const bool matches = key ? (record.conditions & BUTTON_KEY_MASK) == key
                                 : (record.conditions & conditions & ~BUTTON_KEY_MASK) != 0;
        if (matches && record.actions.code) codes.push_back(record.actions.code);
    }
    // A button's actions run on the timeline it is on.
    for (const auto& code : codes) m_vm.RunActions(code, parent, byUser);
    if (handler) m_vm.CallHandler(id, handler, byUser);
}

void CScriptHost::ClipButtonEvent(int clip, ClipEvent event, const char* handler, bool byUser)
{
    if (!ScriptsRun()) return;
    RunClipEvent(clip, event, byUser);
    m_vm.CallHandler(clip, handler, byUser);
}

bool CScriptHost::IsButtonClip(const DisplayObject& clip)
{
    if (!ScriptsRun() || !clip.IsClip() || clip.id == m_nRoot) return false;
    bool reacts = false;
    if (clip.clipActions) {
        for (const ClipAction& action : *clip.clipActions) reacts = reacts || (action.events & CLIP_BUTTON_EVENTS);
    }
    for (const char* handler : {"onPress", "onRelease", "onReleaseOutside", "onRollOver", "onRollOut", "onDragOver", "onDragOut"})
        reacts = reacts || m_vm.HasFunction(clip.id, handler);
    return reacts && m_vm.ReadFlag(clip.id, "enabled", true);
}
