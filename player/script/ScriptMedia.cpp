// The built-in TextField, Sound, Color, Key, Mouse and Stage objects: each a thin layer over
// the host.
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <cmath>

namespace {

using Args = std::vector<AsValue>;

int ClipOfValue(CScriptVM& vm, const AsValue& value)
{
    if (value.IsObject() && value.object->m_kind == AsKind::Clip)
        return vm.Host().IsAlive(value.object->m_nClip) ? value.object->m_nClip : 0;
    return value.IsUndefined() ? 0 : vm.ResolveTargetValue(value);
}

int HandleOf(const AsValue& self, AsKind kind)
{
    return self.IsObject() && self.object->m_kind == kind ? self.object->m_nClip : 0;
}

// ---- Sound ----

AsValue SoundConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!vm.m_bConstructing || !self.IsObject()) return {};
    self.object->m_kind = AsKind::Sound;
    self.object->m_nClip = vm.Host().NewSound(args.empty() ? 0 : ClipOfValue(vm, args[0]));
    return self;
}

AsValue AttachSound(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int sound = HandleOf(self, AsKind::Sound);
    return AsValue::Bool(sound && vm.Host().AttachSound(sound, vm.ToText(Arg(args, 0))));
}

AsValue StartSound(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int sound = HandleOf(self, AsKind::Sound);
    if (!sound) return {};
    const double offset = args.empty() ? 0 : vm.ToNumber(args[0]);
    const double loops = args.size() > 1 ? vm.ToNumber(args[1]) : 1;
    vm.Host().StartSound(sound, std::isfinite(offset) && offset > 0 ? offset : 0,
                         std::isfinite(loops) && loops > 1 ? static_cast<int>(std::min(loops, 65535.0)) : 1);
    return {};
}

AsValue StopSound(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    if (const int sound = HandleOf(self, AsKind::Sound)) vm.Host().StopSound(sound);
    return {};
}

AsValue SetVolume(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (const int sound = HandleOf(self, AsKind::Sound)) vm.Host().SetVolume(sound, ToClampedInt(vm.ToNumber(Arg(args, 0))));
    return {};
}

AsValue GetVolume(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const int sound = HandleOf(self, AsKind::Sound);
    return sound ? AsValue::Number(vm.Host().GetVolume(sound)) : AsValue{};
}

// ---- Color ----

AsValue ColorConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!vm.m_bConstructing || !self.IsObject()) return {};
    self.object->m_kind = AsKind::Color;
    self.object->m_nClip = ClipOfValue(vm, Arg(args, 0));
    return self;
}

int ColourClip(CScriptVM& vm, const AsValue& self)
{
    const int clip = HandleOf(self, AsKind::Color);
    return clip && vm.Host().IsAlive(clip) ? clip : 0;
}

AsValue SetRgb(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = ColourClip(vm, self);
    if (!clip) return {};
    const std::uint32_t rgb = ToUint32(vm.ToNumber(Arg(args, 0)));
    double transform[8];
    vm.Host().GetColour(clip, transform);
    transform[0] = transform[2] = transform[4] = 0;
    transform[1] = (rgb >> 16) & 0xFF;
    transform[3] = (rgb >> 8) & 0xFF;
    transform[5] = rgb & 0xFF;
    vm.Host().SetColour(clip, transform);
    return {};
}

AsValue GetRgb(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const int clip = ColourClip(vm, self);
    if (!clip) return {};
    double transform[8];
    vm.Host().GetColour(clip, transform);
    auto channel = [](double offset) { return static_cast<std::uint32_t>(std::clamp(offset, 0.0, 255.0)); };
    return AsValue::Number((channel(transform[1]) << 16) | (channel(transform[3]) << 8) | channel(transform[5]));
}

const char* const kTransformNames[8] = {"ra", "rb", "ga", "gb", "ba", "bb", "aa", "ab"};

AsValue SetTransform(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = ColourClip(vm, self);
    const AsValue given = Arg(args, 0);
    if (!clip || !given.IsObject()) return {};
    double transform[8];
    vm.Host().GetColour(clip, transform);
    for (int i = 0; i < 8; ++i) {
        const AsValue value = vm.GetMember(given, kTransformNames[i]);
        const double number = vm.ToNumber(value);
        if (!value.IsUndefined() && std::isfinite(number)) transform[i] = number;
    }
    vm.Host().SetColour(clip, transform);
    return {};
}

AsValue GetTransform(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const int clip = ColourClip(vm, self);
    if (!clip) return {};
    double transform[8];
    vm.Host().GetColour(clip, transform);
    const AsValue object = AsValue::Object(vm.NewObject());
    for (int i = 0; i < 8; ++i) vm.SetMember(object, kTransformNames[i], AsValue::Number(transform[i]));
    return object;
}

// ---- Key, Mouse ----

AsValue IsDown(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    return AsValue::Bool(vm.Host().IsKeyDown(ToClampedInt(vm.ToNumber(Arg(args, 0)))));
}

AsValue GetCode(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    return AsValue::Number(vm.Host().LastKeyCode());
}

AsValue GetAscii(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    return AsValue::Number(vm.Host().LastKeyAscii());
}

AsValue Listeners(CScriptVM& vm, const AsValue& self)
{
    AsValue list = vm.GetMember(self, "_listeners");
    if (!list.IsObject() || list.object->m_kind != AsKind::Array) {
        list = AsValue::Object(vm.NewArray());
        vm.Define(self.object, "_listeners", list);
    }
    return list;
}

AsValue AddListener(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!self.IsObject() || !Arg(args, 0).IsObject()) return AsValue::Bool(false);
    std::vector<AsValue>& list = Listeners(vm, self).object->m_elements;
    for (const AsValue& listener : list) {
        if (listener.object == args[0].object) return AsValue::Bool(true);
    }
    vm.ChargeSlots(1);
    list.push_back(args[0]);
    return AsValue::Bool(true);
}

AsValue RemoveListener(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!self.IsObject() || !Arg(args, 0).IsObject()) return AsValue::Bool(false);
    std::vector<AsValue>& list = Listeners(vm, self).object->m_elements;
    for (auto listener = list.begin(); listener != list.end(); ++listener) {
        if (listener->object == args[0].object) {
            list.erase(listener);
            return AsValue::Bool(true);
        }
    }
    return AsValue::Bool(false);
}

template <bool Show> AsValue ShowMouse(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    vm.Host().ShowMouse(Show);
    return {};
}

template <bool Width> AsValue StageSize(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    double width = 0, height = 0;
    vm.Host().GetStageSize(width, height);
    return AsValue::Number(Width ? width : height);
}

AsValue StageScaleMode(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    // The viewer shows the whole stage, scaled to fit, as "showAll" does.
    return vm.StrValue("showAll");
}

AsValue StageAlign(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    return vm.StrValue("");
}

int FieldOf(CScriptVM& vm, const AsValue& self)
{
    const int field = HandleOf(self, AsKind::Clip);
    return field && vm.Host().IsAlive(field) && vm.Host().IsTextField(field) ? field : 0;
}

AsValue RemoveTextField(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    if (const int field = FieldOf(vm, self)) vm.Host().Remove(field);
    return {};
}

AsValue FieldDepth(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const int field = FieldOf(vm, self);
    return field ? AsValue::Number(vm.Host().Depth(field)) : AsValue{};
}

CAsObject* Broadcaster(CScriptVM& vm, const char* name)
{
    CAsObject* object = vm.NewObject();
    vm.Define(vm.m_pGlobal, name, AsValue::Object(object));
    const NativeMethod methods[] = {{"addListener", AddListener}, {"removeListener", RemoveListener}};
    DefineMethods(vm, object, methods);
    return object;
}

} // namespace

void CScriptVM::Broadcast(const std::string& source, const std::string& event, bool byUser)
{
    if (m_bStopped) return;
    const AsValue object = GetMember(AsValue::Object(m_pGlobal), source);
    const AsValue list = object.IsObject() ? GetMember(object, "_listeners") : AsValue{};
    if (!list.IsObject() || list.object->m_kind != AsKind::Array) return;
    const std::vector<AsValue> listeners = list.object->m_elements;  // a handler may change the list
    for (const AsValue& listener : listeners) {
        if (m_bStopped) return;
        if (const int clip = ClipOfValue(*this, listener)) {
            CallHandler(clip, event, byUser);
            continue;
        }
        // A plain object: run its handler on the level the movie plays in.
        try {
            Frame frame;
            frame.target = frame.origin = m_host.Level(0);
            frame.self = listener;
            frame.byUser = byUser;
            CFrameGuard guard(m_frames, &frame);
            std::vector<AsValue> none;
            try {
                Call(GetMember(listener, event), listener, none);
            } catch (const ScriptThrow&) {
            }
        } catch (const ScriptHalt&) {
            m_stack.clear();
            ReportStop();
        }
    }
}

void InstallMediaClasses(CScriptVM& vm)
{
    vm.m_pTextFieldProto = vm.NewObject(AsKind::Plain, vm.m_pObjectProto);
    vm.Define(vm.m_pGlobal, "TextField", AsValue::Object(vm.NewNative(
                                             [](CScriptVM&, const AsValue&, Args&, CAsObject*) { return AsValue{}; },
                                             vm.m_pTextFieldProto)));
    const NativeMethod fieldMethods[] = {{"removeTextField", RemoveTextField}, {"getDepth", FieldDepth}};
    DefineMethods(vm, vm.m_pTextFieldProto, fieldMethods);

    CAsObject* soundProto = vm.NewObject();
    vm.Define(vm.m_pGlobal, "Sound", AsValue::Object(vm.NewNative(SoundConstructor, soundProto)));
    const NativeMethod soundMethods[] = {{"attachSound", AttachSound}, {"start", StartSound}, {"stop", StopSound},
                                         {"setVolume", SetVolume},     {"getVolume", GetVolume}};
    DefineMethods(vm, soundProto, soundMethods);

    CAsObject* colorProto = vm.NewObject();
    vm.Define(vm.m_pGlobal, "Color", AsValue::Object(vm.NewNative(ColorConstructor, colorProto)));
    const NativeMethod colorMethods[] = {{"setRGB", SetRgb}, {"getRGB", GetRgb}, {"setTransform", SetTransform},
                                         {"getTransform", GetTransform}};
    DefineMethods(vm, colorProto, colorMethods);

    CAsObject* key = Broadcaster(vm, "Key");
    const NativeMethod keyMethods[] = {{"isDown", IsDown}, {"getCode", GetCode}, {"getAscii", GetAscii}};
    DefineMethods(vm, key, keyMethods);
    const struct {
        const char* name;
        int code;
    } keys[] = {{"BACKSPACE", 8}, {"TAB", 9},     {"ENTER", 13},   {"SHIFT", 16},  {"CONTROL", 17}, {"CAPSLOCK", 20},
                {"ESCAPE", 27},   {"SPACE", 32},  {"PGUP", 33},    {"PGDN", 34},   {"END", 35},     {"HOME", 36},
                {"LEFT", 37},     {"UP", 38},     {"RIGHT", 39},   {"DOWN", 40},   {"INSERT", 45},  {"DELETEKEY", 46}};
    for (const auto& entry : keys) vm.Define(key, entry.name, AsValue::Number(entry.code), AS_DONT_ENUM | AS_READ_ONLY);

    CAsObject* mouse = Broadcaster(vm, "Mouse");
    const NativeMethod mouseMethods[] = {{"show", ShowMouse<true>}, {"hide", ShowMouse<false>}};
    DefineMethods(vm, mouse, mouseMethods);

    CAsObject* stage = vm.NewObject();
    vm.Define(vm.m_pGlobal, "Stage", AsValue::Object(stage));
    for (const auto& [name, getter] : {std::pair<const char*, AsNative>{"width", StageSize<true>}, {"height", StageSize<false>},
                                       {"scaleMode", StageScaleMode}, {"align", StageAlign}}) {
        vm.ChargeSlots(1);
        AsProperty& property = stage->Put(vm.Key(name), vm.Str(name), AsValue{});
        property.getter = vm.NewNative(getter);
        property.flags = AS_DONT_ENUM | AS_DONT_DELETE;
    }
}
