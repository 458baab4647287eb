#include "ScriptStage.h"

#include <algorithm>
#include <cmath>

CScriptStage::CScriptStage(std::shared_ptr<const CMovie> movie, const std::vector<std::string>& clips)
    : m_pMovie(std::move(movie))
{
    Make(0, "", 0, m_pMovie->GetFrameCount());
    for (const std::string& path : clips) {
        int parent = kRoot;
        std::size_t from = 0;
        for (std::size_t slash; (slash = path.find('/', from)) != std::string::npos; from = slash + 1)
            parent = Child(parent, path.substr(from, slash - from));
        if (parent) Make(parent, path.substr(from), m_nNextClip, 10);
    }
    m_pVm = std::make_unique<CScriptVM>(*this, m_pMovie->GetVersion());
}

int CScriptStage::Make(int parent, const std::string& name, int depth, int frames)
{
    const int id = m_nNextClip++;
    Clip& clip = m_clips[id];
    clip.parent = parent;
    clip.name = name;
    clip.depth = depth;
    clip.frames = std::max(frames, 1);
    clip.properties[PROP_XSCALE] = clip.properties[PROP_YSCALE] = clip.properties[PROP_ALPHA] = 100;
    clip.properties[PROP_VISIBLE] = 1;
    return id;
}

void CScriptStage::Play(int ticks, const std::vector<int>& byUser)
{
    Start(byUser);
    for (int tick = 0; tick < ticks; ++tick) Tick(byUser);
}

void CScriptStage::Start(const std::vector<int>& byUser)
{
    for (const Frame& frame : m_pMovie->GetTimeline().frames) {
        for (const ControlTag& tag : frame.tags) {
            if (tag.kind == ControlKind::InitActions) m_pVm->RunActions(tag.code, kRoot);
        }
    }
    RunFrame(std::count(byUser.begin(), byUser.end(), 0) > 0);
    m_pVm->EndFrame();
}

void CScriptStage::Tick(const std::vector<int>& byUser)
{
    m_dTime += 1000.0 / 12;
    Clip& root = m_clips[kRoot];
    if (root.playing && root.frames > 1) {
        root.frame = (root.frame + 1) % root.frames;
        RunFrame(std::count(byUser.begin(), byUser.end(), root.frame) > 0);
    }
    std::vector<int> ids;
    for (const auto& [id, clip] : m_clips) ids.push_back(id);
    for (int id : ids) m_pVm->CallHandler(id, "onEnterFrame");
    m_pVm->RunTimers();
    m_pVm->EndFrame();
}

void CScriptStage::RunFrame(bool byUser)
{
    struct KeyPress {
        CScriptVM& vm;
        bool pressed;
        ~KeyPress()
        {
            if (pressed) vm.Broadcast("Key", "onKeyDown", true);
        }
    } key{*m_pVm, byUser};
    // A jump runs the actions of the frame it lands on, up to a few jumps a frame.
    for (int jumps = 0; jumps < 8; ++jumps) {
        m_bRootJumped = false;
        const int frame = m_clips[kRoot].frame;
        for (const auto& code : FrameActions(kRoot, frame)) m_pVm->RunActions(code, kRoot, byUser);
        if (!m_bRootJumped) return;
    }
}

int CScriptStage::Parent(int clip)
{
    const auto found = m_clips.find(clip);
    return found == m_clips.end() ? 0 : found->second.parent;
}

int CScriptStage::Child(int clip, const std::string& name)
{
    auto same = [this](const std::string& a, const std::string& b) {
        if (m_pMovie->GetVersion() >= 7) return a == b;
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    for (const auto& [id, child] : m_clips) {
        if (child.parent == clip && same(child.name, name)) return id;
    }
    return 0;
}

std::string CScriptStage::Name(int clip)
{
    const auto found = m_clips.find(clip);
    return found == m_clips.end() ? "" : found->second.name;
}

ClipValue CScriptStage::GetProperty(int clip, int property)
{
    const Clip& c = m_clips.at(clip);
    ClipValue value;
    switch (property) {
    case PROP_CURRENTFRAME: value.number = c.frame + 1; break;
    case PROP_TOTALFRAMES:
    case PROP_FRAMESLOADED: value.number = c.frames; break;
    case PROP_DROPTARGET: value.isText = true; break;
    case PROP_URL: value.isText = true; value.text = "file:///movie.swf"; break;
    case PROP_QUALITY: value.isText = true; value.text = "HIGH"; break;
    default: value.number = c.properties[property]; break;
    }
    return value;
}

void CScriptStage::SetProperty(int clip, int property, const ClipValue& value)
{
    Clip& c = m_clips.at(clip);
    if (property == PROP_NAME) c.name = value.text;
    else if (!value.isText && property != PROP_CURRENTFRAME && property != PROP_TOTALFRAMES) c.properties[property] = value.number;
}

void CScriptStage::GotoFrame(int clip, int frame)
{
    Clip& c = m_clips.at(clip);
    const int target = std::clamp(frame, 0, c.frames - 1);
    if (clip == kRoot && target != c.frame) m_bRootJumped = true;
    c.frame = target;
}

bool CScriptStage::GotoLabel(int clip, const std::string& label)
{
    if (clip == kRoot || label != "five") return false;
    GotoFrame(clip, 4);
    return true;
}

void CScriptStage::Play(int clip, bool play)
{
    m_clips.at(clip).playing = play;
}

std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> CScriptStage::FrameActions(int clip, int frame)
{
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> codes;
    const auto& frames = m_pMovie->GetTimeline().frames;
    if (clip != kRoot || frame < 0 || frame >= static_cast<int>(frames.size())) return codes;
    for (const ControlTag& tag : frames[frame].tags) {
        if (tag.kind == ControlKind::Actions && tag.code) codes.push_back(tag.code);
    }
    return codes;
}

int CScriptStage::Duplicate(int clip, const std::string& name, int depth)
{
    if (clip == kRoot || !IsAlive(clip)) return 0;
    const Clip source = m_clips.at(clip);
    const int copy = Make(source.parent, name, depth, source.frames);
    std::copy(std::begin(source.properties), std::end(source.properties), m_clips[copy].properties);
    return copy;
}

int CScriptStage::Attach(int parent, const std::string& exportName, const std::string& name, int depth)
{
    return exportName == "box" ? Make(parent, name, depth, 3) : 0;
}

int CScriptStage::CreateEmpty(int parent, const std::string& name, int depth)
{
    return Make(parent, name, depth, 1);
}

void CScriptStage::Remove(int clip)
{
    if (clip == kRoot) return;
    std::vector<int> doomed{clip};
    for (std::size_t i = 0; i < doomed.size(); ++i) {
        for (const auto& [id, child] : m_clips) {
            if (child.parent == doomed[i]) doomed.push_back(id);
        }
    }
    for (int id : doomed) {
        m_clips.erase(id);
        m_pVm->ClipRemoved(id);
    }
}

int CScriptStage::Depth(int clip)
{
    return m_clips.at(clip).depth;
}

int CScriptStage::NextHighestDepth(int clip)
{
    int highest = -1;
    for (const auto& [id, child] : m_clips) {
        if (child.parent == clip) highest = std::max(highest, child.depth);
    }
    return highest + 1;
}

int CScriptStage::InstanceAtDepth(int clip, int depth)
{
    for (const auto& [id, child] : m_clips) {
        if (child.parent == clip && child.depth == depth) return id;
    }
    return 0;
}

void CScriptStage::SwapDepths(int clip, int depth)
{
    Clip& c = m_clips.at(clip);
    for (auto& [id, other] : m_clips) {
        if (id != clip && other.parent == c.parent && other.depth == depth) other.depth = c.depth;
    }
    c.depth = depth;
}

void CScriptStage::StartDrag(int clip, bool lockCentre, const double* bounds)
{
    m_log.push_back("drag: " + Name(clip) + (lockCentre ? " centred" : "") + (bounds ? " bounded" : ""));
}

void CScriptStage::StopDrag()
{
    m_log.push_back("drag stopped");
}

void CScriptStage::OpenUrl(const std::string& url, const std::string& window, bool byUser)
{
    m_log.push_back("open: " + url + (window.empty() ? "" : " in " + window) + (byUser ? " (click)" : ""));
}

void CScriptStage::FsCommand(const std::string& command, const std::string& arguments)
{
    m_log.push_back("fscommand: " + command + " " + arguments);
}

int CScriptStage::CreateTextField(int parent, const std::string& name, int depth, const double bounds[4])
{
    const int field = Make(parent, name, depth, 1);
    Clip& clip = m_clips[field];
    clip.isText = true;
    clip.properties[PROP_X] = bounds[0];
    clip.properties[PROP_Y] = bounds[1];
    clip.properties[PROP_WIDTH] = bounds[2];
    clip.properties[PROP_HEIGHT] = bounds[3];
    clip.text["text"].isText = true;
    clip.text["htmlText"].isText = true;
    clip.text["textColor"].number = 0;
    return field;
}

bool CScriptStage::GetTextProperty(int field, const std::string& name, ClipValue& value)
{
    const auto& text = m_clips.at(field).text;
    const auto found = text.find(name);
    if (found == text.end()) return false;
    value = found->second;
    return true;
}

bool CScriptStage::SetTextProperty(int field, const std::string& name, const ClipValue& value)
{
    auto& text = m_clips.at(field).text;
    if (!text.count(name)) return false;
    text[name] = value;
    // The plain text of an HTML text: its tags dropped.
    if (name == "htmlText") {
        std::string plain;
        bool inTag = false;
        for (char c : value.text) {
            if (c == '<') inTag = true;
            else if (c == '>') inTag = false;
            else if (!inTag) plain += c;
        }
        text["text"].text = plain;
    }
    return true;
}

void CScriptStage::GetColour(int clip, double transform[8])
{
    std::copy(std::begin(m_clips.at(clip).colour), std::end(m_clips.at(clip).colour), transform);
}

void CScriptStage::SetColour(int clip, const double transform[8])
{
    std::copy(transform, transform + 8, m_clips.at(clip).colour);
}

int CScriptStage::NewSound(int)
{
    const int sound = static_cast<int>(m_sounds.size()) + 1;
    m_sounds[sound] = "";
    return sound;
}

bool CScriptStage::AttachSound(int sound, const std::string& exportName)
{
    if (exportName != "tune") return false;
    m_sounds[sound] = exportName;
    return true;
}

void CScriptStage::StartSound(int sound, double offsetSeconds, int loops)
{
    if (m_sounds[sound].empty()) return;
    m_log.push_back("sound: " + m_sounds[sound] + " from " + std::to_string(static_cast<int>(offsetSeconds)) + " s, " +
                    std::to_string(loops) + " times at " + std::to_string(GetVolume(sound)));
}

void CScriptStage::StopSound(int sound)
{
    if (!m_sounds[sound].empty()) m_log.push_back("sound: " + m_sounds[sound] + " stopped");
}

void CScriptStage::GetStageSize(double& width, double& height)
{
    const StageRect& stage = m_pMovie->GetStage();
    width = (stage.xMax - stage.xMin) / 20.0;
    height = (stage.yMax - stage.yMin) / 20.0;
}
