// What the host asks of CScriptVM beside running code: clips given their classes, handlers
// looked for without running anything, variables bound to text fields, and stopping.
#include "CScriptVM.h"

#include "ScriptInternal.h"

void CScriptVM::ConstructClip(int clip, const std::string& exportName, const AsValue& init)
{
    if (m_bStopped || !m_host.IsAlive(clip)) return;
    const bool outermost = m_frames.empty();
    try {
        CAsObject* object = ClipObject(clip);
        const AsValue self = AsValue::Object(object);
        AsValue constructor;
        if (!exportName.empty()) {
            const AsValue registry = GetMember(AsValue::Object(m_pGlobal), "__registeredClasses");
            if (registry.IsObject()) constructor = GetMember(registry, exportName);
        }
        const bool hasClass = constructor.IsObject() && constructor.object->m_kind == AsKind::Function;
        if (hasClass) {
            const AsValue prototype = GetMember(constructor, "prototype");
            if (prototype.IsObject()) object->m_pProto = prototype.object;
            Define(object, "__constructor__", constructor);
        }
        if (init.IsObject()) {
            for (const AsProperty* property : init.object->Ordered(false)) SetMember(self, *property->name, property->value);
        }
        if (!hasClass) return;
        CNestingGuard nesting(*this);
        Frame frame;
        frame.target = frame.origin = clip;
        frame.self = self;
        frame.byUser = IsByUser();
        frame.stackBase = m_stack.size();
        CFrameGuard guard(m_frames, &frame);
        std::vector<AsValue> none;
        try {
            CallWithHome(constructor, self, none, object->m_pProto);
        } catch (const ScriptThrow&) {
        }
    } catch (const ScriptHalt&) {
        if (!outermost) throw;
        m_stack.clear();
        ReportStop();
    }
}

namespace {

// The property a clip or its class holds under `key`, without running anything.
const AsProperty* FindPlain(CAsObject* start, const std::string& key)
{
    int steps = 0;
    for (CAsObject* at = start; at && steps < ScriptLimits::kMaxProtoChain; at = at->m_pProto, ++steps) {
        if (const AsProperty* property = at->Find(key)) return property->getter ? nullptr : property;
    }
    return nullptr;
}

} // namespace

bool CScriptVM::HasFunction(int clip, std::string_view name)
{
    const auto found = m_clips.find(clip);
    const AsProperty* property = FindPlain(found != m_clips.end() ? found->second : m_pClipProto, Key(name));
    return property && property->value.IsObject() && property->value.object->m_kind == AsKind::Function;
}

bool CScriptVM::ReadFlag(int clip, std::string_view name, bool fallback)
{
    const auto found = m_clips.find(clip);
    const AsProperty* property = FindPlain(found != m_clips.end() ? found->second : m_pClipProto, Key(name));
    if (!property || property->value.IsUndefined()) return fallback;
    // A string's truth needs no script; an object is true.
    return ToBoolean(property->value);
}

bool CScriptVM::InClipScope(int clip, const std::function<void(Frame&)>& work)
{
    if (m_bStopped || !m_frames.empty() || !m_host.IsAlive(clip)) return false;
    try {
        CAsObject* timeline = ClipObject(clip);
        Frame frame;
        frame.target = frame.origin = clip;
        frame.self = AsValue::Object(timeline);
        frame.scope = Allocate<CAsScope>(timeline, nullptr);
        frame.stackBase = m_stack.size();
        CFrameGuard guard(m_frames, &frame);
        try {
            work(frame);
        } catch (const ScriptThrow&) {
        }
    } catch (const ScriptHalt&) {
        m_stack.clear();
        ReportStop();
        return false;
    }
    return true;
}

bool CScriptVM::ReadVariable(int clip, const std::string& path, std::string& text)
{
    bool defined = false;
    const bool ran = InClipScope(clip, [&](Frame& frame) {
        const AsValue value = GetVariable(frame, path);
        defined = !value.IsUndefined();
        if (defined) text = ToText(value);
    });
    return ran && defined;
}

void CScriptVM::WriteVariable(int clip, const std::string& path, const std::string& text)
{
    InClipScope(clip, [&](Frame& frame) { SetVariable(frame, path, StrValue(text)); });
}

void CScriptVM::StopScripts(const std::string& why)
{
    if (!m_bStopped) {
        m_bStopped = true;
        m_strStopReason = why;
    }
    ReportStop();
}
