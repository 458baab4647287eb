// The actions of CScriptVM that neither branch nor have a body: version 3 and 4 actions with
// their numeric rules, then the object actions of versions 5 to 7; names, paths and targets.
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool IsDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool StartsNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

int LevelNumber(std::string_view name)
{
    if (name.size() > 12 || !StartsNoCase(name, "_level") || !IsDigits(name.substr(6))) return -1;
    return std::atoi(std::string(name.substr(6)).c_str());
}

// The text functions count bytes before version 6 and characters from then on.
std::string Extract(const std::string& text, double index, double count, bool characters)
{
    const std::size_t size = characters ? Utf8Length(text) : text.size();
    // Positions count from 1; a start before it starts at the first character.
    double from = std::isnan(index) ? 0 : std::trunc(index) - 1;
    if (from < 0) from = 0;
    if (from >= static_cast<double>(size)) return {};
    double n = std::isnan(count) ? 0 : std::trunc(count);
    if (n < 0 || n > static_cast<double>(size) - from) n = static_cast<double>(size) - from;
    const auto first = static_cast<std::size_t>(from);
    const auto length = static_cast<std::size_t>(n);
    if (!characters) return text.substr(first, length);
    const std::size_t begin = Utf8Offset(text, first);
    const std::size_t end = begin + Utf8Offset(std::string_view(text).substr(begin), length);
    return text.substr(begin, end - begin);
}

} // namespace

bool CScriptVM::StepSwf4(Frame& frame, std::uint8_t op, const std::uint8_t* payload, std::size_t length)
{
    CPayload data(payload, length);
    const bool characters = m_nVersion >= 6;
    switch (op) {
    case OP_NEXT_FRAME:
    case OP_PREV_FRAME: {
        const double current = ToNumber(GetPropertyByIndex(frame.target, PROP_CURRENTFRAME));
        const int frameIndex = ToClampedInt(current) - 1 + (op == OP_NEXT_FRAME ? 1 : -1);
        if (frameIndex >= 0 && m_host.IsAlive(frame.target)) m_host.GotoFrame(frame.target, frameIndex);
        if (m_host.IsAlive(frame.target)) m_host.Play(frame.target, false);
        return true;
    }
    case OP_PLAY:
    case OP_STOP:
        if (m_host.IsAlive(frame.target)) m_host.Play(frame.target, op == OP_PLAY);
        return true;
    case OP_TOGGLE_QUALITY: return true;
    case OP_STOP_SOUNDS: m_host.StopSounds(); return true;
    case OP_GOTO_FRAME:
        if (m_host.IsAlive(frame.target)) m_host.GotoFrame(frame.target, data.U16());
        return true;
    case OP_GOTO_LABEL:
        if (m_host.IsAlive(frame.target)) m_host.GotoLabel(frame.target, data.String());
        return true;
    case OP_GET_URL: {
        const std::string url = data.String();
        GetUrl(frame, url, data.String(), 0);
        return true;
    }
    case OP_GET_URL2: {
        const std::uint8_t flags = data.U8();
        const std::string window = ToText(Pop(frame));
        GetUrl(frame, ToText(Pop(frame)), window, flags);
        return true;
    }
    case OP_WAIT_FOR_FRAME: return true;  // every frame is loaded
    case OP_WAIT_FOR_FRAME2: Pop(frame); return true;
    case OP_SET_TARGET: {
        const std::string path = data.String();
        frame.target = path.empty() ? frame.origin : ResolveTarget(frame, path);
        return true;
    }
    case OP_SET_TARGET2: {
        const AsValue target = Pop(frame);
        if (const int clip = ClipOf(target)) {
            frame.target = clip;
        } else {
            const std::string path = ToText(target);
            frame.target = path.empty() ? frame.origin : ResolveTarget(frame, path);
        }
        return true;
    }
    case OP_GOTO_FRAME2: {
        const std::uint8_t flags = data.U8();
        const int bias = (flags & 0x02) ? data.U16() : 0;
        GotoFrame(frame, Pop(frame), flags & 0x01, bias);
        return true;
    }
    case OP_CALL: {
        const std::string which = ToText(Pop(frame));
        const std::size_t colon = which.rfind(':');
        const int clip = colon == std::string::npos ? frame.target : ResolveTarget(frame, which.substr(0, colon));
        const std::string frameText = colon == std::string::npos ? which : which.substr(colon + 1);
        if (!clip || !m_host.IsAlive(clip)) return true;
        int frameIndex = -1;
        if (IsDigits(frameText)) {
            frameIndex = std::atoi(frameText.substr(0, 9).c_str()) - 1;
        } else {
            const double current = ToNumber(GetPropertyByIndex(clip, PROP_CURRENTFRAME));
            // A label: find its frame by going there and back.
            if (m_host.GotoLabel(clip, frameText)) {
                frameIndex = ToClampedInt(ToNumber(GetPropertyByIndex(clip, PROP_CURRENTFRAME))) - 1;
                m_host.GotoFrame(clip, ToClampedInt(current) - 1);
            }
        }
        if (frameIndex < 0) return true;
        for (const Code& code : m_host.FrameActions(clip, frameIndex)) {
            if (code) RunTopLevel(code, 0, code->size(), clip, AsValue{}, frame.byUser);
        }
        return true;
    }
    case OP_PUSH: PushData(frame, payload, length); return true;
    case OP_POP: Pop(frame); return true;
    case OP_ADD:
    case OP_SUBTRACT:
    case OP_MULTIPLY:
    case OP_DIVIDE: {
        const double a = ToNumber(Pop(frame));
        const double b = ToNumber(Pop(frame));
        double result = op == OP_ADD ? b + a : op == OP_SUBTRACT ? b - a : op == OP_MULTIPLY ? b * a : b / a;
        // Version 4 shows a division by zero as an error text.
        if (op == OP_DIVIDE && a == 0 && m_nVersion <= 4) {
            Push(StrValue("#ERROR#"));
            return true;
        }
        Push(AsValue::Number(result));
        return true;
    }
    case OP_EQUALS: {
        const double a = ToNumber(Pop(frame));
        Push(Truth(frame, ToNumber(Pop(frame)) == a));
        return true;
    }
    case OP_LESS: {
        const double a = ToNumber(Pop(frame));
        Push(Truth(frame, ToNumber(Pop(frame)) < a));
        return true;
    }
    case OP_AND:
    case OP_OR: {
        const bool a = ToBoolean(Pop(frame));
        const bool b = ToBoolean(Pop(frame));
        Push(Truth(frame, op == OP_AND ? (a && b) : (a || b)));
        return true;
    }
    case OP_NOT: Push(Truth(frame, !ToBoolean(Pop(frame)))); return true;
    case OP_STRING_EQUALS:
    case OP_STRING_LESS:
    case OP_STRING_GREATER: {
        const std::string a = ToText(Pop(frame));
        const std::string b = ToText(Pop(frame));
        Push(Truth(frame, op == OP_STRING_EQUALS ? b == a : op == OP_STRING_LESS ? b < a : b > a));
        return true;
    }
    case OP_STRING_LENGTH:
    case OP_MB_STRING_LENGTH: {
        const std::string text = ToText(Pop(frame));
        const bool count = op == OP_MB_STRING_LENGTH || characters;
        Push(AsValue::Number(static_cast<double>(count ? Utf8Length(text) : text.size())));
        return true;
    }
    case OP_STRING_EXTRACT:
    case OP_MB_STRING_EXTRACT: {
        const double count = ToNumber(Pop(frame));
        const double index = ToNumber(Pop(frame));
        const std::string text = ToText(Pop(frame));
        Push(StrValue(Extract(text, index, count, op == OP_MB_STRING_EXTRACT || characters)));
        return true;
    }
    case OP_STRING_ADD: {
        const std::string a = ToText(Pop(frame));
        const std::string b = ToText(Pop(frame));
        Push(StrValue(b + a));
        return true;
    }
    case OP_TO_INTEGER: {
        const double number = ToNumber(Pop(frame));
        Push(AsValue::Number(std::isnan(number) ? 0 : std::trunc(number)));
        return true;
    }
    case OP_CHAR_TO_ASCII:
    case OP_MB_CHAR_TO_ASCII: {
        const std::string text = ToText(Pop(frame));
        if (text.empty()) {
            Push(AsValue::Number(m_nVersion >= 5 ? std::numeric_limits<double>::quiet_NaN() : 0));
        } else if (op == OP_MB_CHAR_TO_ASCII || characters) {
            std::size_t at = 0;
            Push(AsValue::Number(Utf8Decode(text, at)));
        } else {
            Push(AsValue::Number(static_cast<std::uint8_t>(text[0])));
        }
        return true;
    }
    case OP_ASCII_TO_CHAR:
    case OP_MB_ASCII_TO_CHAR: {
        const auto code = static_cast<std::uint32_t>(ToUint32(ToNumber(Pop(frame))));
        std::string text;
        if (op == OP_MB_ASCII_TO_CHAR || characters) Utf8Append(text, code & 0x1FFFFF);
        else text += static_cast<char>(code & 0xFF);
        Push(StrValue(text));
        return true;
    }
    case OP_GET_VARIABLE: {
        const AsValue name = Pop(frame);
        Push(GetVariable(frame, ToText(name)));
        return true;
    }
    case OP_SET_VARIABLE: {
        const AsValue value = Pop(frame);
        SetVariable(frame, ToText(Pop(frame)), value);
        return true;
    }
    case OP_GET_PROPERTY: {
        const int index = ToClampedInt(ToNumber(Pop(frame)));
        const AsValue target = Pop(frame);
        const int clip = ClipOf(target) ? ClipOf(target) : ResolveTarget(frame, ToText(target));
        Push(GetPropertyByIndex(clip, index));
        return true;
    }
    case OP_SET_PROPERTY: {
        const AsValue value = Pop(frame);
        const int index = ToClampedInt(ToNumber(Pop(frame)));
        const AsValue target = Pop(frame);
        const int clip = ClipOf(target) ? ClipOf(target) : ResolveTarget(frame, ToText(target));
        SetPropertyByIndex(clip, index, value);
        return true;
    }
    case OP_CLONE_SPRITE: {
        const double depth = ToNumber(Pop(frame));
        const std::string name = ToText(Pop(frame));
        const AsValue source = Pop(frame);
        const int clip = ClipOf(source) ? ClipOf(source) : ResolveTarget(frame, ToText(source));
        if (clip && std::isfinite(depth)) m_host.Duplicate(clip, name, ToClampedInt(depth));
        return true;
    }
    case OP_REMOVE_SPRITE: {
        const AsValue target = Pop(frame);
        const int clip = ClipOf(target) ? ClipOf(target) : ResolveTarget(frame, ToText(target));
        if (clip) m_host.Remove(clip);
        return true;
    }
    case OP_START_DRAG: {
        const AsValue target = Pop(frame);
        const bool lockCentre = ToBoolean(Pop(frame));
        const bool constrained = ToBoolean(Pop(frame));
        double bounds[4] = {};
        if (constrained) {
            bounds[3] = ToNumber(Pop(frame));
            bounds[2] = ToNumber(Pop(frame));
            bounds[1] = ToNumber(Pop(frame));
            bounds[0] = ToNumber(Pop(frame));
        }
        const int clip = ClipOf(target) ? ClipOf(target) : ResolveTarget(frame, ToText(target));
        if (clip) m_host.StartDrag(clip, lockCentre, constrained ? bounds : nullptr);
        return true;
    }
    case OP_END_DRAG: m_host.StopDrag(); return true;
    case OP_TRACE: {
        const AsValue value = Pop(frame);
        m_host.Trace(value.IsUndefined() ? "undefined" : ToText(value));
        return true;
    }
    case OP_GET_TIME: Push(AsValue::Number(std::floor(m_host.Timer()))); return true;
    case OP_RANDOM: {
        const double limit = ToNumber(Pop(frame));
        const double top = std::isfinite(limit) && limit >= 1 ? std::floor(std::min(limit, 4294967295.0)) : 0;
        Push(AsValue::Number(top >= 1 ? static_cast<double>(Random() % static_cast<std::uint32_t>(top)) : 0));
        return true;
    }
    case OP_CONSTANT_POOL: {
        auto pool = std::make_shared<std::vector<AsString>>();
        const std::size_t count = data.U16();
        for (std::size_t i = 0; i < count && !data.AtEnd(); ++i) pool->push_back(Str(data.String()));
        frame.pool = std::move(pool);
        return true;
    }
    case OP_STORE_REGISTER: {
        const std::uint8_t index = data.U8();
        if (index < frame.registers.size()) frame.registers[index] = Top(frame);
        return true;
    }
    default: return false;
    }
}

bool CScriptVM::StepSwf5(Frame& frame, std::uint8_t op)
{
    switch (op) {
    case OP_CALL_FUNCTION: {
        const std::string name = ToText(Pop(frame));
        std::vector<AsValue> args = PopArgs(frame);
        CAsObject* holder = nullptr;
        const AsValue function = LookUp(frame, name, &holder);
        const AsValue self = holder && holder->m_kind == AsKind::Clip ? AsValue::Object(holder) : AsValue{};
        Push(Call(function, self, args));
        return true;
    }
    case OP_CALL_METHOD:
    case OP_NEW_METHOD: {
        const AsValue name = Pop(frame);
        const AsValue object = Pop(frame);
        std::vector<AsValue> args = PopArgs(frame);
        const bool named = !name.IsUndefined() && !(name.IsString() && name.Text().empty());
        if (op == OP_NEW_METHOD) {
            Push(Construct(named ? GetMember(object, ToText(name)) : object, args));
            return true;
        }
        if (!named) {
            // super(...) calls the constructor of the class above on this object.
            if (object.IsObject() && object.object->m_kind == AsKind::Super) {
                // The class above is the one the running class extends: its prototype records it.
                CAsObject* above = object.object->m_pProto;
                CAsObject* home = object.object->m_pHome;
                AsValue constructor = home ? GetMember(AsValue::Object(home), "__constructor__") : AsValue{};
                if (!constructor.IsObject() && above) constructor = GetMember(AsValue::Object(above), "constructor");
                Push(CallWithHome(constructor, object.object->m_primitive, args, above));
            } else {
                Push(Call(object, AsValue{}, args));
            }
            return true;
        }
        const std::string method = ToText(name);
        if (object.IsObject() && object.object->m_kind == AsKind::Super) {
            CAsObject* owner = nullptr;
            bool found = false;
            CAsObject* above = object.object->m_pProto;
            const AsValue function =
                above ? GetOwnOrInherited(above, Key(method), object.object->m_primitive, found, &owner) : AsValue{};
            Push(CallWithHome(function, object.object->m_primitive, args, owner));
            return true;
        }
        CAsObject* owner = nullptr;
        AsValue function;
        if (object.IsObject() && object.object->m_kind != AsKind::Clip && object.object->m_kind != AsKind::Array &&
            Key(method) != "__proto__") {
            bool found = false;
            function = GetOwnOrInherited(object.object, Key(method), object, found, &owner);
        } else {
            function = GetMember(object, method);
            if (object.IsObject()) {
                AsProperty* property;
                FindProperty(object.object, Key(method), property, owner);
            }
        }
        Push(CallWithHome(function, object, args, owner));
        return true;
    }
    case OP_NEW_OBJECT: {
        const std::string name = ToText(Pop(frame));
        std::vector<AsValue> args = PopArgs(frame);
        Push(Construct(GetVariable(frame, name), args));
        return true;
    }
    case OP_DEFINE_LOCAL:
    case OP_DEFINE_LOCAL2: {
        const AsValue value = op == OP_DEFINE_LOCAL ? Pop(frame) : AsValue{};
        const std::string name = ToText(Pop(frame));
        CAsObject* where = frame.locals ? frame.locals : ClipObject(frame.target);
        if (!where) return true;
        if (op == OP_DEFINE_LOCAL || !where->Find(Key(name))) SetMember(AsValue::Object(where), name, value);
        return true;
    }
    case OP_DELETE: {
        const std::string name = ToText(Pop(frame));
        const AsValue object = Pop(frame);
        bool removed = false;
        std::size_t index;
        if (object.IsObject() && object.object->m_kind == AsKind::Array && ArrayIndex(name, index)) {
            // An element is emptied; the array keeps its length.
            removed = index < object.object->m_elements.size();
            if (removed) object.object->m_elements[index] = AsValue{};
        } else if (object.IsObject()) {
            AsProperty* property = object.object->Find(Key(name));
            if (property && !(property->flags & AS_DONT_DELETE)) removed = object.object->Remove(Key(name));
        }
        Push(AsValue::Bool(removed));
        return true;
    }
    case OP_DELETE2: {
        const std::string name = ToText(Pop(frame));
        bool removed = false;
        for (const CAsScope* link = frame.scope; link && !removed; link = link->m_pParent) {
            CAsObject* object = ScopeObject(frame, link);
            AsProperty* property = object ? object->Find(Key(name)) : nullptr;
            if (property) {
                if (!(property->flags & AS_DONT_DELETE)) removed = object->Remove(Key(name));
                break;
            }
        }
        Push(AsValue::Bool(removed));
        return true;
    }
    case OP_ENUMERATE: Enumerate(GetVariable(frame, ToText(Pop(frame)))); return true;
    case OP_ENUMERATE2: Enumerate(Pop(frame)); return true;
    case OP_EQUALS2: {
        const AsValue a = Pop(frame);
        Push(Truth(frame, LooseEquals(Pop(frame), a)));
        return true;
    }
    case OP_STRICT_EQUALS: {
        const AsValue a = Pop(frame);
        Push(AsValue::Bool(StrictEquals(Pop(frame), a)));
        return true;
    }
    case OP_LESS2: {
        const AsValue a = Pop(frame);
        Push(Less(Pop(frame), a));
        return true;
    }
    case OP_GREATER: {
        const AsValue a = Pop(frame);
        Push(Less(a, Pop(frame)));
        return true;
    }
    case OP_ADD2: {
        const AsValue a = Pop(frame);
        Push(Add2(Pop(frame), a));
        return true;
    }
    case OP_MODULO: {
        const double a = ToNumber(Pop(frame));
        Push(AsValue::Number(std::fmod(ToNumber(Pop(frame)), a)));
        return true;
    }
    case OP_BIT_AND:
    case OP_BIT_OR:
    case OP_BIT_XOR:
    case OP_BIT_LSHIFT:
    case OP_BIT_RSHIFT:
    case OP_BIT_URSHIFT: {
        const double a = ToNumber(Pop(frame));
        const double b = ToNumber(Pop(frame));
        const std::int32_t x = ToInt32(b);
        const std::int32_t y = ToInt32(a);
        const int shift = y & 31;
        double result = 0;
        switch (op) {
        case OP_BIT_AND: result = x & y; break;
        case OP_BIT_OR: result = x | y; break;
        case OP_BIT_XOR: result = x ^ y; break;
        case OP_BIT_LSHIFT: result = static_cast<std::int32_t>(static_cast<std::uint32_t>(x) << shift); break;
        case OP_BIT_RSHIFT: result = x >> shift; break;
        default: result = ToUint32(b) >> shift; break;
        }
        Push(AsValue::Number(result));
        return true;
    }
    case OP_INCREMENT:
    case OP_DECREMENT: Push(AsValue::Number(ToNumber(Pop(frame)) + (op == OP_INCREMENT ? 1 : -1))); return true;
    case OP_PUSH_DUPLICATE: Push(Top(frame)); return true;
    case OP_STACK_SWAP: {
        AsValue a = Pop(frame);
        AsValue b = Pop(frame);
        Push(std::move(a));
        Push(std::move(b));
        return true;
    }
    case OP_GET_MEMBER: {
        const AsValue name = Pop(frame);
        const AsValue object = Pop(frame);
        Push(GetMember(object, name.IsNumber() ? NumberToText(name.number) : ToText(name)));
        return true;
    }
    case OP_SET_MEMBER: {
        const AsValue value = Pop(frame);
        const AsValue name = Pop(frame);
        const AsValue object = Pop(frame);
        SetMember(object, name.IsNumber() ? NumberToText(name.number) : ToText(name), value);
        return true;
    }
    case OP_INIT_ARRAY: {
        std::vector<AsValue> elements = PopArgs(frame);
        Push(AsValue::Object(NewArray(std::move(elements))));
        return true;
    }
    case OP_INIT_OBJECT: {
        const double count = ToNumber(Pop(frame));
        CAsObject* object = NewObject();
        const AsValue value = AsValue::Object(object);
        for (double i = 0; i < count && m_stack.size() > frame.stackBase; ++i) {
            const AsValue item = Pop(frame);
            SetMember(value, ToText(Pop(frame)), item);
        }
        Push(value);
        return true;
    }
    case OP_TYPEOF: Push(StrValue(TypeOf(Pop(frame)))); return true;
    case OP_TARGET_PATH: {
        const int clip = ClipOf(Pop(frame));
        Push(clip ? StrValue(ClipPath(clip, false)) : AsValue{});
        return true;
    }
    case OP_TO_NUMBER: Push(AsValue::Number(ToNumber(Pop(frame)))); return true;
    case OP_TO_STRING: Push(ToStringValue(Pop(frame))); return true;
    case OP_INSTANCE_OF: {
        const AsValue constructor = Pop(frame);
        Push(AsValue::Bool(InstanceOf(Pop(frame), constructor)));
        return true;
    }
    case OP_CAST: {
        const AsValue object = Pop(frame);
        const AsValue constructor = Pop(frame);
        Push(InstanceOf(object, constructor) ? object : AsValue::Null());
        return true;
    }
    case OP_EXTENDS: {
        const AsValue superclass = Pop(frame);
        const AsValue subclass = Pop(frame);
        if (!subclass.IsObject() || !superclass.IsObject()) return true;
        const AsValue superProto = GetMember(superclass, "prototype");
        CAsObject* prototype = NewObject(AsKind::Plain, superProto.IsObject() ? superProto.object : m_pObjectProto);
        Define(prototype, "__constructor__", superclass);
        SetMember(subclass, "prototype", AsValue::Object(prototype));
        return true;
    }
    case OP_IMPLEMENTS: {
        const AsValue constructor = Pop(frame);
        std::vector<AsValue> faces = PopArgs(frame);
        const AsValue prototype = GetMember(constructor, "prototype");
        if (!prototype.IsObject()) return true;
        for (const AsValue& face : faces) {
            if (face.IsObject()) prototype.object->m_interfaces.push_back(face.object);
        }
        return true;
    }
    case OP_THROW: ThrowValue(Pop(frame));
    default: return false;  // an unknown action is passed over
    }
}

// ---- names ----

CAsObject* CScriptVM::ScopeObject(const Frame& frame, const CAsScope* link)
{
    // The outermost link is the timeline the code belongs to; SetTarget points it elsewhere.
    if (!link->m_pParent && link->m_pObject && link->m_pObject->m_kind == AsKind::Clip && frame.target != 0 &&
        link->m_pObject->m_nClip == frame.origin) {
        return ClipObject(frame.target);
    }
    return link->m_pObject;
}

bool CScriptVM::SpecialName(Frame& frame, std::string_view name, AsValue& value)
{
    if (name.empty()) return false;
    if (name == "this") {
        value = frame.self;
        return true;
    }
    const std::string key = Key(name);
    if (key == "arguments" && frame.callee && !frame.noArguments) {
        value = AsValue::Object(Arguments(frame));
        return true;
    }
    if (key == "super" && frame.callee && !frame.noSuper) {
        value = AsValue::Object(Super(frame));
        return true;
    }
    if (name[0] != '_') return false;
    if (key == "_global") {
        value = AsValue::Object(m_pGlobal);
        return true;
    }
    if (StartsNoCase(name, "_root") && name.size() == 5) {
        value = AsValue::Object(ClipObject(m_host.Level(m_host.IsAlive(frame.target) ? m_host.LevelOf(frame.target) : 0)));
        return true;
    }
    if (StartsNoCase(name, "_parent") && name.size() == 7) {
        const int parent = m_host.IsAlive(frame.target) ? m_host.Parent(frame.target) : 0;
        value = parent ? AsValue::Object(ClipObject(parent)) : AsValue{};
        return true;
    }
    const int level = LevelNumber(name);
    if (level >= 0) {
        value = AsValue::Object(ClipObject(m_host.Level(level)));
        if (value.type == AsType::Null) value = AsValue::Undefined();
        return true;
    }
    return false;
}

AsValue CScriptVM::LookUp(Frame& frame, std::string_view name, CAsObject** holder)
{
    AsValue value;
    if (name == "this" && SpecialName(frame, name, value)) return value;
    for (const CAsScope* link = frame.scope; link; link = link->m_pParent) {
        CAsObject* object = ScopeObject(frame, link);
        if (object && HasProperty(object, name)) {
            if (holder) *holder = object;
            return GetMember(AsValue::Object(object), name);
        }
    }
    if (SpecialName(frame, name, value)) return value;
    if (HasProperty(m_pGlobal, name)) return GetMember(AsValue::Object(m_pGlobal), name);
    return {};
}

AsValue CScriptVM::ResolvePath(Frame& frame, std::string_view path, bool& found)
{
    found = true;
    const std::size_t colon = path.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string_view target = path.substr(0, colon);
        const int clip = target.empty() ? frame.target : ResolveTarget(frame, target);
        if (!clip) return {};
        return GetMember(AsValue::Object(ClipObject(clip)), path.substr(colon + 1));
    }
    if (path.find('/') != std::string_view::npos) {
        if (const int clip = ResolveTarget(frame, path)) return AsValue::Object(ClipObject(clip));
        return {};
    }
    if (path.find('.') != std::string_view::npos && path != "." && path.find("..") == std::string_view::npos) {
        std::size_t dot = path.find('.');
        AsValue value = LookUp(frame, path.substr(0, dot), nullptr);
        while (dot != std::string_view::npos) {
            const std::size_t next = path.find('.', dot + 1);
            value = GetMember(value, path.substr(dot + 1, next == std::string_view::npos ? next : next - dot - 1));
            dot = next;
        }
        return value;
    }
    found = false;
    return {};
}

AsValue CScriptVM::GetVariable(Frame& frame, std::string_view name)
{
    bool isPath = false;
    AsValue value = ResolvePath(frame, name, isPath);
    return isPath ? value : LookUp(frame, name, nullptr);
}

void CScriptVM::SetVariable(Frame& frame, std::string_view name, const AsValue& value)
{
    const std::size_t colon = name.rfind(':');
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (colon != std::string_view::npos || slash != std::string_view::npos) {
        const std::size_t split = colon != std::string_view::npos ? colon : slash;
        const std::string_view target = name.substr(0, split);
        const int clip = target.empty() ? frame.target : ResolveTarget(frame, target);
        if (clip) SetMember(AsValue::Object(ClipObject(clip)), name.substr(split + 1), value);
        return;
    }
    if (dot != std::string_view::npos && dot > 0) {
        bool isPath = false;
        AsValue object = ResolvePath(frame, name.substr(0, dot), isPath);
        if (!isPath) object = LookUp(frame, name.substr(0, dot), nullptr);
        SetMember(object, name.substr(dot + 1), value);
        return;
    }
    for (const CAsScope* link = frame.scope; link && link->m_pParent; link = link->m_pParent) {
        CAsObject* object = ScopeObject(frame, link);
        if (object && HasProperty(object, name)) {
            SetMember(AsValue::Object(object), name, value);
            return;
        }
    }
    CAsObject* timeline = ClipObject(frame.target);
    if (timeline) SetMember(AsValue::Object(timeline), name, value);
}

int CScriptVM::ResolveTarget(Frame& frame, std::string_view path)
{
    int clip = frame.target;
    if (path.empty()) return clip;
    if (path == "..") return m_host.IsAlive(clip) ? m_host.Parent(clip) : 0;
    const bool slashes = path.find('/') != std::string_view::npos;
    if (slashes && path[0] == '/') {
        clip = m_host.Level(m_host.IsAlive(clip) ? m_host.LevelOf(clip) : 0);
        path.remove_prefix(1);
    }
    const char separator = slashes ? '/' : '.';
    bool first = true;
    while (!path.empty() && clip) {
        const std::size_t end = path.find(separator);
        const std::string_view segment = path.substr(0, end);
        path = end == std::string_view::npos ? std::string_view() : path.substr(end + 1);
        if (segment.empty()) continue;
        if (segment == "..") {
            clip = m_host.IsAlive(clip) ? m_host.Parent(clip) : 0;
        } else if (StartsNoCase(segment, "_parent") && segment.size() == 7) {
            clip = m_host.IsAlive(clip) ? m_host.Parent(clip) : 0;
        } else if (StartsNoCase(segment, "_root") && segment.size() == 5) {
            clip = m_host.Level(m_host.IsAlive(clip) ? m_host.LevelOf(clip) : 0);
        } else if (LevelNumber(segment) >= 0) {
            clip = m_host.Level(LevelNumber(segment));
        } else if (segment == "this") {
        } else if (const int child = m_host.IsAlive(clip) ? m_host.Child(clip, std::string(segment)) : 0) {
            clip = child;
        } else if (first && !slashes) {
            // A dot path may start with a variable that holds a clip.
            clip = ClipOf(LookUp(frame, segment, nullptr));
        } else {
            clip = ClipOf(GetMember(AsValue::Object(ClipObject(clip)), segment));
        }
        first = false;
    }
    return clip && m_host.IsAlive(clip) ? clip : 0;
}

void CScriptVM::Enumerate(const AsValue& object)
{
    Push(AsValue::Null());
    if (!object.IsObject()) return;
    std::vector<AsString> names;
    std::vector<std::string> seen;
    int steps = 0;
    for (CAsObject* at = object.object; at && steps < ScriptLimits::kMaxProtoChain; at = at->m_pProto, ++steps) {
        for (const AsProperty* property : at->Ordered(true)) {
            const std::string key = Key(*property->name);
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
            seen.push_back(key);
            if (!(property->flags & AS_DONT_ENUM)) names.push_back(property->name);
        }
        if (at->m_kind == AsKind::Array) {
            for (std::size_t i = at->m_elements.size(); i-- > 0;) names.push_back(Str(std::to_string(i)));
        }
        if (seen.size() > ScriptLimits::kMaxStack) break;
    }
    // The first name popped is the first enumerated.
    for (auto name = names.rbegin(); name != names.rend(); ++name) Push(AsValue::String(*name));
}

void CScriptVM::GotoFrame(Frame& frame, const AsValue& which, bool play, int bias)
{
    int clip = frame.target;
    AsValue where = which;
    if (where.IsString()) {
        const std::string& text = where.Text();
        const std::size_t colon = text.rfind(':');
        if (colon != std::string::npos) {
            clip = ResolveTarget(frame, std::string_view(text).substr(0, colon));
            where = StrValue(text.substr(colon + 1));
        }
        if (!IsDigits(where.Text())) {
            if (clip && m_host.IsAlive(clip) && m_host.GotoLabel(clip, where.Text())) m_host.Play(clip, play);
            return;
        }
    }
    const double number = ToNumber(where);
    if (!clip || !m_host.IsAlive(clip) || !std::isfinite(number)) return;
    const double index = std::trunc(number) - 1 + bias;
    if (index >= 0 && index < 16000) m_host.GotoFrame(clip, static_cast<int>(index));
    m_host.Play(clip, play);
}

void CScriptVM::GetUrl(Frame& frame, const std::string& url, const std::string& window, int flags)
{
    if (StartsNoCase(url, "fscommand:")) {
        m_host.FsCommand(url.substr(10), window);
        return;
    }
    // loadMovie and loadVariables (into a clip or a level) reach nothing outside the viewer.
    if ((flags & 0xC0) || LevelNumber(window) >= 0) return;
    if (MayOpenUrl(url, frame.byUser)) m_host.OpenUrl(url, window, true);
}

// ---- comparisons ----

bool CScriptVM::StrictEquals(const AsValue& a, const AsValue& b)
{
    if (a.type != b.type) return false;
    switch (a.type) {
    case AsType::Undefined:
    case AsType::Null: return true;
    case AsType::Boolean: return a.boolean == b.boolean;
    case AsType::Number: return a.number == b.number;
    case AsType::String: return a.Text() == b.Text();
    case AsType::Object: return a.object == b.object;
    }
    return false;
}

bool CScriptVM::LooseEquals(const AsValue& a, const AsValue& b)
{
    if (a.type == b.type) return StrictEquals(a, b);
    if (a.IsNullish() && b.IsNullish()) return true;
    if (a.IsNullish() || b.IsNullish()) return false;
    if (a.IsNumber() && b.IsString()) return a.number == ToNumber(b);
    if (a.IsString() && b.IsNumber()) return ToNumber(a) == b.number;
    if (a.type == AsType::Boolean) return LooseEquals(AsValue::Number(a.boolean ? 1 : 0), b);
    if (b.type == AsType::Boolean) return LooseEquals(a, AsValue::Number(b.boolean ? 1 : 0));
    if (a.IsObject() && !b.IsObject()) {
        const AsValue primitive = ToPrimitive(a, false);
        return !primitive.IsObject() && LooseEquals(primitive, b);
    }
    if (b.IsObject() && !a.IsObject()) {
        const AsValue primitive = ToPrimitive(b, false);
        return !primitive.IsObject() && LooseEquals(a, primitive);
    }
    return false;
}

AsValue CScriptVM::Less(const AsValue& a, const AsValue& b)
{
    const AsValue x = ToPrimitive(a, false);
    const AsValue y = ToPrimitive(b, false);
    if (x.IsString() && y.IsString()) return AsValue::Bool(x.Text() < y.Text());
    const double m = ToNumber(x);
    const double n = ToNumber(y);
    if (std::isnan(m) || std::isnan(n)) return AsValue::Undefined();
    return AsValue::Bool(m < n);
}

AsValue CScriptVM::Add2(const AsValue& a, const AsValue& b)
{
    const bool aDate = a.IsObject() && a.object->m_kind == AsKind::Date;
    const bool bDate = b.IsObject() && b.object->m_kind == AsKind::Date;
    const AsValue x = ToPrimitive(a, aDate);
    const AsValue y = ToPrimitive(b, bDate);
    if (x.IsString() || y.IsString() || x.IsObject() || y.IsObject()) return StrValue(ToText(x) + ToText(y));
    return AsValue::Number(ToNumber(x) + ToNumber(y));
}
