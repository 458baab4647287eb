#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

struct StringRelease {
    std::size_t* live;
    void operator()(const std::string* text) const
    {
        *live -= text->size();
        delete text;
    }
};

const char* const kClipPropertyNames[PROP_COUNT] = {
    "_x", "_y", "_xscale", "_yscale", "_currentframe", "_totalframes", "_alpha", "_visible", "_width", "_height",
    "_rotation", "_target", "_framesloaded", "_name", "_droptarget", "_url", "_highquality", "_focusrect",
    "_soundbuftime", "_quality", "_xmouse", "_ymouse"};

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

} // namespace

int ClipPropertyIndex(std::string_view name)
{
    if (name.empty() || name[0] != '_') return -1;
    for (int i = 0; i < PROP_COUNT; ++i) {
        if (EqualsNoCase(name, kClipPropertyNames[i])) return i;
    }
    return -1;
}

bool ArrayIndex(std::string_view name, std::size_t& index)
{
    if (name.empty() || name.size() > 9 || (name.size() > 1 && name[0] == '0')) return false;
    index = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return false;
        index = index * 10 + static_cast<std::size_t>(c - '0');
    }
    return true;
}

bool MayOpenUrl(std::string_view url, bool byUser)
{
    if (!byUser) return false;
    std::size_t start = 0;
    while (start < url.size() && static_cast<unsigned char>(url[start]) <= ' ') ++start;
    url.remove_prefix(start);
    const auto colon = url.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view scheme = url.substr(0, colon);
    return (EqualsNoCase(scheme, "http") || EqualsNoCase(scheme, "https")) && url.substr(colon).rfind("://", 0) == 0;
}

CScriptVM::CScriptVM(IScriptHost& host, int version)
    : m_host(host), m_nVersion(version), m_random(host.RandomSeed())
{
    try {
        InstallBuiltins();
    } catch (const ScriptHalt&) {
        ReportStop();
    }
}

CScriptVM::~CScriptVM()
{
    m_clips.clear();
    m_timers.clear();
    m_stack.clear();
    for (CGcCell* cell : m_cells) delete cell;
}

CNestingGuard::CNestingGuard(CScriptVM& vm) : m_vm(vm)
{
    if (m_vm.m_nDepth >= ScriptLimits::kMaxCallDepth) m_vm.Halt("scripts called themselves too deeply");
    ++m_vm.m_nDepth;
}

CNestingGuard::~CNestingGuard()
{
    --m_vm.m_nDepth;
}

void CScriptVM::ChargeSlots(std::size_t count)
{
    m_nSlots += count;
    if (m_nSlots > ScriptLimits::kMaxSlots) Halt("a script made too many objects");
}

void CScriptVM::Halt(const std::string& why)
{
    if (!m_bStopped) {
        m_bStopped = true;
        m_strStopReason = why;
    }
    throw ScriptHalt{};
}

void CScriptVM::ThrowValue(const AsValue& value)
{
    throw ScriptThrow{value};
}

void CScriptVM::ReportStop()
{
    if (m_bStopped && !m_bReported) {
        m_bReported = true;
        m_host.ScriptsStopped(m_strStopReason);
    }
}

std::uint32_t CScriptVM::Random()
{
    return m_random();
}

std::string CScriptVM::Key(std::string_view name) const
{
    std::string key(name);
    // Names are compared without case before version 7.
    if (m_nVersion < 7) {
        for (char& c : key) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

AsString CScriptVM::Str(std::string text)
{
    if (text.size() > ScriptLimits::kMaxStringBytes) Halt("a script made too long a text");
    m_nLiveStringBytes += text.size();
    if (m_nLiveStringBytes > ScriptLimits::kMaxLiveStringBytes) {
        m_nLiveStringBytes -= text.size();
        Halt("scripts kept too much text");
    }
    return AsString(new std::string(std::move(text)), StringRelease{&m_nLiveStringBytes});
}

CAsObject* CScriptVM::NewObject(AsKind kind, CAsObject* proto)
{
    return Allocate<CAsObject>(kind, proto ? proto : m_pObjectProto);
}

CAsObject* CScriptVM::NewArray(std::vector<AsValue> elements)
{
    ChargeSlots(elements.size());
    CAsObject* array = Allocate<CAsObject>(AsKind::Array, m_pArrayProto);
    array->m_elements = std::move(elements);
    return array;
}

CAsObject* CScriptVM::NewNative(AsNative native, CAsObject* proto)
{
    CAsObject* function = Allocate<CAsObject>(AsKind::Function, m_pFunctionProto);
    function->m_pFunction = std::make_unique<AsFunction>();
    function->m_pFunction->native = native;
    if (proto) {
        Define(function, "prototype", AsValue::Object(proto));
        Define(proto, "constructor", AsValue::Object(function));
    }
    return function;
}

void CScriptVM::Define(CAsObject* object, std::string_view name, const AsValue& value, std::uint8_t flags)
{
    ChargeSlots(1);
    object->Put(Key(name), Str(std::string(name)), value).flags = flags;
}

void CScriptVM::DefineMethod(CAsObject* object, std::string_view name, AsNative native)
{
    Define(object, name, AsValue::Object(NewNative(native)));
}

CAsObject* CScriptVM::ClipObject(int clip)
{
    if (clip == 0) return nullptr;
    auto found = m_clips.find(clip);
    if (found != m_clips.end()) return found->second;
    const bool field = m_host.IsAlive(clip) && m_host.IsTextField(clip);
    CAsObject* object = Allocate<CAsObject>(AsKind::Clip, field && m_pTextFieldProto ? m_pTextFieldProto : m_pClipProto);
    object->m_nClip = clip;
    m_clips.emplace(clip, object);
    return object;
}

void CScriptVM::ClipRemoved(int clip)
{
    m_clips.erase(clip);
}

void CScriptVM::SetArrayLength(CAsObject* array, std::size_t length)
{
    if (length > array->m_elements.size()) ChargeSlots(length - array->m_elements.size());
    array->m_elements.resize(length);
}

// ---- conversions ----

double CScriptVM::ToNumber(const AsValue& value)
{
    switch (value.type) {
    case AsType::Undefined: return m_nVersion >= 7 ? std::numeric_limits<double>::quiet_NaN() : 0;
    case AsType::Null: return 0;
    case AsType::Boolean: return value.boolean ? 1 : 0;
    case AsType::Number: return value.number;
    case AsType::String: return TextToNumber(value.Text(), m_nVersion);
    case AsType::Object: {
        if (value.object->m_kind == AsKind::Clip || value.object->m_kind == AsKind::Function)
            return std::numeric_limits<double>::quiet_NaN();
        const AsValue primitive = ToPrimitive(value, false);
        return primitive.IsObject() ? std::numeric_limits<double>::quiet_NaN() : ToNumber(primitive);
    }
    }
    return 0;
}

std::string CScriptVM::ToText(const AsValue& value)
{
    switch (value.type) {
    case AsType::Undefined: return m_nVersion >= 7 ? "undefined" : "";
    case AsType::Null: return "null";
    case AsType::Boolean: return value.boolean ? "true" : "false";
    case AsType::Number: return NumberToText(value.number);
    case AsType::String: return value.Text();
    case AsType::Object: {
        const CAsObject* object = value.object;
        if (object->m_kind == AsKind::Clip) return ClipPath(object->m_nClip, false);
        const AsValue primitive = ToPrimitive(value, true);
        if (primitive.IsObject()) return object->m_kind == AsKind::Function ? "[type Function]" : "[type Object]";
        return ToText(primitive);
    }
    }
    return "";
}

AsValue CScriptVM::ToStringValue(const AsValue& value)
{
    return value.IsString() ? value : StrValue(ToText(value));
}

bool CScriptVM::ToBoolean(const AsValue& value)
{
    switch (value.type) {
    case AsType::Undefined:
    case AsType::Null: return false;
    case AsType::Boolean: return value.boolean;
    case AsType::Number: return value.number != 0 && !std::isnan(value.number);
    case AsType::String: {
        // Before version 7 a text is true only when it reads as a number other than 0.
        if (m_nVersion >= 7) return !value.Text().empty();
        const double number = TextToNumber(value.Text(), m_nVersion);
        return number != 0 && !std::isnan(number);
    }
    case AsType::Object: return true;
    }
    return false;
}

AsValue CScriptVM::ToPrimitive(const AsValue& value, bool preferText)
{
    if (!value.IsObject()) return value;
    const char* order[2] = {preferText ? "toString" : "valueOf", preferText ? "valueOf" : "toString"};
    for (const char* name : order) {
        AsValue method = GetMember(value, name);
        if (!method.IsObject() || method.object->m_kind != AsKind::Function) continue;
        std::vector<AsValue> none;
        AsValue result = Call(method, value, none);
        if (!result.IsObject()) return result;
    }
    return value;
}

std::string CScriptVM::TypeOf(const AsValue& value)
{
    switch (value.type) {
    case AsType::Undefined: return "undefined";
    case AsType::Null: return "null";
    case AsType::Boolean: return "boolean";
    case AsType::Number: return "number";
    case AsType::String: return "string";
    case AsType::Object:
        if (value.object->m_kind == AsKind::Clip) return "movieclip";
        if (value.object->m_kind == AsKind::Function) return "function";
        return "object";
    }
    return "undefined";
}

CAsObject* CScriptVM::ToObject(const AsValue& value)
{
    switch (value.type) {
    case AsType::Object: return value.object;
    case AsType::String:
    case AsType::Number:
    case AsType::Boolean: {
        const AsKind kind = value.IsString() ? AsKind::String : value.IsNumber() ? AsKind::Number : AsKind::Boolean;
        CAsObject* proto = value.IsString() ? m_pStringProto : value.IsNumber() ? m_pNumberProto : m_pBooleanProto;
        CAsObject* wrapper = NewObject(kind, proto);
        wrapper->m_primitive = value;
        return wrapper;
    }
    default: return nullptr;
    }
}

bool CScriptVM::InstanceOf(const AsValue& object, const AsValue& constructor)
{
    if (!object.IsObject() || !constructor.IsObject()) return false;
    const AsValue prototype = GetMember(constructor, "prototype");
    if (!prototype.IsObject()) return false;
    std::vector<CAsObject*> faces;
    int steps = 0;
    for (CAsObject* proto = object.object->m_pProto; proto && steps < ScriptLimits::kMaxProtoChain;
         proto = proto->m_pProto, ++steps) {
        if (proto == prototype.object) return true;
        faces.insert(faces.end(), proto->m_interfaces.begin(), proto->m_interfaces.end());
    }
    // Interfaces a class declared, and the interfaces those extend.
    for (std::size_t i = 0; i < faces.size() && i < 1024; ++i) {
        const AsValue faceProto = GetMember(AsValue::Object(faces[i]), "prototype");
        if (!faceProto.IsObject()) continue;
        if (faceProto.object == prototype.object) return true;
        faces.insert(faces.end(), faceProto.object->m_interfaces.begin(), faceProto.object->m_interfaces.end());
    }
    return false;
}

// ---- members ----

bool CScriptVM::FindProperty(CAsObject* object, const std::string& key, AsProperty*& property, CAsObject*& owner)
{
    int steps = 0;
    for (CAsObject* at = object; at && steps < ScriptLimits::kMaxProtoChain; at = at->m_pProto, ++steps) {
        if (AsProperty* found = at->Find(key)) {
            property = found;
            owner = at;
            return true;
        }
    }
    return false;
}

AsValue CScriptVM::GetOwnOrInherited(CAsObject* object, const std::string& key, const AsValue& self, bool& found,
                                     CAsObject** owner)
{
    AsProperty* property = nullptr;
    CAsObject* holder = nullptr;
    found = FindProperty(object, key, property, holder);
    if (!found) return {};
    if (owner) *owner = holder;
    if (property->getter) {
        std::vector<AsValue> none;
        return Call(AsValue::Object(property->getter), self, none);
    }
    return property->value;
}

bool CScriptVM::GetClipProperty(int clip, std::string_view name, AsValue& value)
{
    const int index = ClipPropertyIndex(name);
    if (index >= 0) {
        value = GetPropertyByIndex(clip, index);
        return true;
    }
    if (name.empty() || name[0] != '_') return false;
    if (EqualsNoCase(name, "_parent")) {
        value = AsValue::Object(m_host.IsAlive(clip) ? ClipObject(m_host.Parent(clip)) : nullptr);
        if (value.type == AsType::Null) value = AsValue::Undefined();
        return true;
    }
    if (EqualsNoCase(name, "_root")) {
        value = AsValue::Object(m_host.IsAlive(clip) ? ClipObject(m_host.Level(m_host.LevelOf(clip))) : nullptr);
        return true;
    }
    return false;
}

AsValue CScriptVM::GetPropertyByIndex(int clip, int index)
{
    if (!m_host.IsAlive(clip) || index < 0 || index >= PROP_COUNT) return {};
    if (index == PROP_TARGET) return StrValue(ClipPath(clip, true));
    if (index == PROP_NAME) return StrValue(m_host.Name(clip));
    const ClipValue value = m_host.GetProperty(clip, index);
    if (value.isText) return StrValue(value.text);
    if (index == PROP_VISIBLE && m_nVersion >= 5) return AsValue::Bool(value.number != 0);
    return AsValue::Number(value.number);
}

void CScriptVM::SetPropertyByIndex(int clip, int index, const AsValue& value)
{
    if (!m_host.IsAlive(clip) || index < 0 || index >= PROP_COUNT) return;
    ClipValue given;
    if (index == PROP_NAME || index == PROP_QUALITY) {
        given.isText = true;
        given.text = ToText(value);
    } else if (index == PROP_VISIBLE) {
        given.number = ToBoolean(value) ? 1 : 0;
    } else {
        given.number = ToNumber(value);
    }
    m_host.SetProperty(clip, index, given);
}

namespace {

// A text field's properties as the host names them; any case finds them.
const char* const kTextProperties[] = {"text", "htmlText", "html", "textColor", "autoSize", "multiline", "wordWrap",
                                       "border", "borderColor", "background", "backgroundColor", "selectable",
                                       "type", "textWidth", "textHeight", "variable", "maxChars", "length",
                                       "embedFonts", "password"};

const char* TextPropertyName(std::string_view name)
{
    for (const char* known : kTextProperties) {
        if (EqualsNoCase(name, known)) return known;
    }
    return nullptr;
}

} // namespace

bool CScriptVM::GetTextProperty(int field, std::string_view name, AsValue& value)
{
    const char* known = TextPropertyName(name);
    if (!known || !m_host.IsAlive(field) || !m_host.IsTextField(field)) return false;
    ClipValue given;
    if (!m_host.GetTextProperty(field, known, given)) return false;
    value = given.isText ? StrValue(given.text) : given.isBoolean ? AsValue::Bool(given.number != 0) : AsValue::Number(given.number);
    return true;
}

bool CScriptVM::SetTextProperty(int field, std::string_view name, const AsValue& value)
{
    const char* known = TextPropertyName(name);
    if (!known || !m_host.IsAlive(field) || !m_host.IsTextField(field)) return false;
    ClipValue given;
    given.isText = value.IsString();
    if (given.isText) given.text = value.Text();
    else if (value.type == AsType::Boolean) given.number = value.boolean ? 1 : 0;
    else given.number = ToNumber(value);
    return m_host.SetTextProperty(field, known, given);
}

bool CScriptVM::SetClipProperty(int clip, std::string_view name, const AsValue& value)
{
    const int index = ClipPropertyIndex(name);
    if (index < 0) return false;
    SetPropertyByIndex(clip, index, value);
    return true;
}

AsValue CScriptVM::GetMember(const AsValue& object, std::string_view name)
{
    CAsObject* target = nullptr;
    switch (object.type) {
    case AsType::Object: target = object.object; break;
    case AsType::String:
        if (Key(name) == "length") {
            const std::string& text = object.Text();
            return AsValue::Number(static_cast<double>(m_nVersion >= 6 ? Utf8Length(text) : text.size()));
        }
        target = m_pStringProto;
        break;
    case AsType::Number: target = m_pNumberProto; break;
    case AsType::Boolean: target = m_pBooleanProto; break;
    default: return {};
    }
    if (!target) return {};
    const std::string key = Key(name);
    if (key == "__proto__") return AsValue::Object(target->m_pProto);
    if (target->m_kind == AsKind::Array && object.IsObject()) {
        std::size_t index;
        if (key == "length") return AsValue::Number(static_cast<double>(target->m_elements.size()));
        if (ArrayIndex(key, index)) return index < target->m_elements.size() ? target->m_elements[index] : AsValue{};
    }
    if (target->m_kind == AsKind::Clip && object.IsObject()) {
        AsValue value;
        if (GetClipProperty(target->m_nClip, name, value) || GetTextProperty(target->m_nClip, name, value)) return value;
        if (AsProperty* own = target->Find(key)) {
            if (!own->getter) return own->value;
        } else if (m_host.IsAlive(target->m_nClip)) {
            if (const int child = m_host.Child(target->m_nClip, std::string(name))) return AsValue::Object(ClipObject(child));
        }
    }
    if (target->m_kind == AsKind::Super) {
        // super.name: looked up above the class the running method belongs to, called on `this`.
        bool found;
        return target->m_pProto ? GetOwnOrInherited(target->m_pProto, key, target->m_primitive, found) : AsValue{};
    }
    bool found;
    return GetOwnOrInherited(target, key, object, found);
}

void CScriptVM::SetMember(const AsValue& object, std::string_view name, const AsValue& value)
{
    if (!object.IsObject()) return;
    CAsObject* target = object.object;
    const std::string key = Key(name);
    if (key == "__proto__") {
        if (value.IsObject() || value.type == AsType::Null) target->m_pProto = value.object;
        return;
    }
    if (target->m_kind == AsKind::Array) {
        std::size_t index;
        if (key == "length") {
            const double length = ToNumber(value);
            if (length >= 0 && length <= ScriptLimits::kMaxSlots) SetArrayLength(target, static_cast<std::size_t>(length));
            return;
        }
        if (ArrayIndex(key, index)) {
            if (index >= target->m_elements.size()) SetArrayLength(target, index + 1);
            target->m_elements[index] = value;
            return;
        }
    }
    if (target->m_pWatches) {
        const auto watched = target->m_pWatches->find(key);
        if (watched != target->m_pWatches->end() && !watched->second.running) {
            // The callback's answer is what is stored: callback(name, old value, new value, userData).
            CAsObject::Watch& watch = watched->second;
            std::vector<AsValue> args{StrValue(std::string(name)), GetMember(object, name), value, watch.userData};
            watch.running = true;
            try {
                const AsValue stored = Call(AsValue::Object(watch.callback), object, args);
                SetMember(object, name, stored);
            } catch (...) {
                ClearRunning(target, key);
                throw;
            }
            ClearRunning(target, key);
            return;
        }
    }
    if (target->m_kind == AsKind::Clip &&
        (SetClipProperty(target->m_nClip, name, value) || SetTextProperty(target->m_nClip, name, value)))
        return;
    AsProperty* property = nullptr;
    CAsObject* owner = nullptr;
    if (FindProperty(target, key, property, owner)) {
        if (property->setter) {
            std::vector<AsValue> args{value};
            Call(AsValue::Object(property->setter), object, args);
            return;
        }
        if (property->getter || (property->flags & AS_READ_ONLY)) return;
        if (owner == target) {
            property->value = value;
            return;
        }
    }
    ChargeSlots(1);
    target->Put(key, Str(std::string(name)), value);
}

// The callback may have unwatched (or watched again) meanwhile.
void CScriptVM::ClearRunning(CAsObject* object, const std::string& key)
{
    if (!object->m_pWatches) return;
    const auto watched = object->m_pWatches->find(key);
    if (watched != object->m_pWatches->end()) watched->second.running = false;
}

bool CScriptVM::HasProperty(CAsObject* object, std::string_view name)
{
    if (!object) return false;
    const std::string key = Key(name);
    if (key == "__proto__") return true;
    if (object->m_kind == AsKind::Array) {
        std::size_t index;
        if (key == "length") return true;
        if (ArrayIndex(key, index)) return index < object->m_elements.size();
    }
    if (object->m_kind == AsKind::Clip) {
        AsValue ignored;
        if (ClipPropertyIndex(name) >= 0 || EqualsNoCase(name, "_parent") || EqualsNoCase(name, "_root")) return true;
        if (object->Find(key)) return true;
        if (m_host.IsAlive(object->m_nClip) && m_host.Child(object->m_nClip, std::string(name))) return true;
    }
    AsProperty* property;
    CAsObject* owner;
    return FindProperty(object, key, property, owner);
}

// ---- calls ----

AsValue CScriptVM::Call(const AsValue& function, const AsValue& self, std::vector<AsValue>& args)
{
    return CallWithHome(function, self, args, nullptr);
}

AsValue CScriptVM::CallWithHome(const AsValue& function, const AsValue& self, std::vector<AsValue>& args,
                                CAsObject* home)
{
    if (!function.IsObject() || function.object->m_kind != AsKind::Function || !function.object->m_pFunction)
        return {};
    CNestingGuard guard(*this);
    CAsObject* callee = function.object;
    // Only the outermost call of a `new` constructs; whatever it calls in turn does not.
    const bool constructing = std::exchange(m_bConstructing, false);
    if (callee->m_pFunction->native) {
        m_bConstructing = constructing;
        AsValue result = callee->m_pFunction->native(*this, self, args, callee);
        m_bConstructing = false;
        return result;
    }
    return CallScript(callee, self, args, home);
}

AsValue CScriptVM::Construct(const AsValue& constructor, std::vector<AsValue>& args)
{
    if (!constructor.IsObject() || constructor.object->m_kind != AsKind::Function) return {};
    const AsValue prototype = GetMember(constructor, "prototype");
    CAsObject* object = NewObject(AsKind::Plain, prototype.IsObject() ? prototype.object : m_pObjectProto);
    Define(object, "__constructor__", constructor);
    if (m_nVersion <= 5) Define(object, "constructor", constructor);
    const AsValue self = AsValue::Object(object);
    m_bConstructing = true;
    AsValue result = CallWithHome(constructor, self, args, object->m_pProto);
    m_bConstructing = false;
    if (result.IsObject() && constructor.object->m_pFunction->native) return result;
    return self;
}

// ---- paths ----

std::string CScriptVM::ClipPath(int clip, bool slashes)
{
    if (!clip || !m_host.IsAlive(clip)) return slashes ? "" : "";
    std::vector<std::string> names;
    int at = clip;
    for (int steps = 0; at && m_host.Parent(at) && steps < 1000; ++steps) {
        names.push_back(m_host.Name(at));
        at = m_host.Parent(at);
    }
    const int level = m_host.LevelOf(clip);
    std::string path;
    if (slashes) {
        for (auto name = names.rbegin(); name != names.rend(); ++name) path += "/" + *name;
        if (path.empty()) path = "/";
        if (level != 0) path = "_level" + std::to_string(level) + path;
        return path;
    }
    path = "_level" + std::to_string(level);
    for (auto name = names.rbegin(); name != names.rend(); ++name) path += "." + *name;
    return path;
}

int CScriptVM::ClipOf(const AsValue& value)
{
    return value.IsObject() && value.object->m_kind == AsKind::Clip && m_host.IsAlive(value.object->m_nClip)
               ? value.object->m_nClip
               : 0;
}

int CScriptVM::ResolveTargetValue(const AsValue& target)
{
    if (m_frames.empty()) return 0;
    if (const int clip = ClipOf(target)) return clip;
    if (target.IsObject()) return 0;
    return ResolveTarget(*m_frames.back(), ToText(target));
}

int CScriptVM::CurrentTarget() const
{
    return m_frames.empty() ? 0 : m_frames.back()->target;
}

bool CScriptVM::IsByUser() const
{
    return !m_frames.empty() && m_frames.back()->byUser;
}

void CScriptVM::InstallBuiltins()
{
    m_pObjectProto = Allocate<CAsObject>(AsKind::Plain, nullptr);
    m_pFunctionProto = Allocate<CAsObject>(AsKind::Plain, m_pObjectProto);
    m_pGlobal = NewObject();
    InstallObjectClasses(*this);
    InstallArrayClass(*this);
    InstallStringClass(*this);
    InstallDateClass(*this);
    InstallClipClass(*this);
    InstallMediaClasses(*this);
    InstallNetworkClasses(*this);
}
