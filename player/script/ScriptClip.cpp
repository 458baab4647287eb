// The MovieClip class: methods that act on a clip through the host.
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <cmath>

namespace {

using Args = std::vector<AsValue>;

int SelfClip(CScriptVM& vm, const AsValue& self)
{
    if (!self.IsObject() || self.object->m_kind != AsKind::Clip) return 0;
    return vm.Host().IsAlive(self.object->m_nClip) ? self.object->m_nClip : 0;
}

void Goto(CScriptVM& vm, const AsValue& self, const Args& args, bool play)
{
    const int clip = SelfClip(vm, self);
    if (!clip || args.empty()) return;
    const AsValue frame = args[0];
    const std::string text = frame.IsString() ? frame.Text() : std::string();
    if (frame.IsString() && (text.empty() || std::isnan(TextToNumber(text, vm.Version())))) {
        if (vm.Host().GotoLabel(clip, text)) vm.Host().Play(clip, play);
        return;
    }
    const double number = vm.ToNumber(frame);
    if (!std::isfinite(number)) return;
    if (number >= 1 && number < 16001) vm.Host().GotoFrame(clip, static_cast<int>(number) - 1);
    vm.Host().Play(clip, play);
}

AsValue GotoAndPlay(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    Goto(vm, self, args, true);
    return {};
}

AsValue GotoAndStop(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    Goto(vm, self, args, false);
    return {};
}

template <bool PlayIt> AsValue Play(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    if (const int clip = SelfClip(vm, self)) vm.Host().Play(clip, PlayIt);
    return {};
}

template <int Step> AsValue StepFrame(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip) return {};
    const int current = ToClampedInt(vm.Host().GetProperty(clip, PROP_CURRENTFRAME).number);
    if (current - 1 + Step >= 0) vm.Host().GotoFrame(clip, current - 1 + Step);
    vm.Host().Play(clip, false);
    return {};
}

// Copies an init object's properties onto a new clip.
AsValue Initialised(CScriptVM& vm, int clip, const AsValue& init)
{
    if (!clip) return {};
    const AsValue object = AsValue::Object(vm.ClipObject(clip));
    if (init.IsObject()) {
        for (const AsProperty* property : init.object->Ordered(false)) vm.SetMember(object, *property->name, property->value);
    }
    return object;
}

int Depth(CScriptVM& vm, const AsValue& value)
{
    const double depth = vm.ToNumber(value);
    return std::isfinite(depth) && std::fabs(depth) < 2147483647.0 ? static_cast<int>(depth) : 0;
}

AsValue Duplicate(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip || args.size() < 2) return {};
    return Initialised(vm, vm.Host().Duplicate(clip, vm.ToText(args[0]), Depth(vm, args[1])), Arg(args, 2));
}

AsValue Attach(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip || args.size() < 3) return {};
    const int made = vm.Host().Attach(clip, vm.ToText(args[0]), vm.ToText(args[1]), Depth(vm, args[2]));
    return Initialised(vm, made, Arg(args, 3));
}

AsValue CreateEmpty(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip || args.size() < 2) return {};
    return Initialised(vm, vm.Host().CreateEmpty(clip, vm.ToText(args[0]), Depth(vm, args[1])), AsValue{});
}

AsValue CreateTextField(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip || args.size() < 6) return {};
    double bounds[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const double number = vm.ToNumber(args[i + 2]);
        bounds[i] = std::isfinite(number) ? number : 0;
    }
    const int field = vm.Host().CreateTextField(clip, vm.ToText(args[0]), Depth(vm, args[1]), bounds);
    return field ? AsValue::Object(vm.ClipObject(field)) : AsValue{};
}

AsValue RemoveClip(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    if (const int clip = SelfClip(vm, self)) vm.Host().Remove(clip);
    return {};
}

AsValue GetDepth(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    return clip ? AsValue::Number(vm.Host().Depth(clip)) : AsValue{};
}

AsValue NextHighestDepth(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    return clip ? AsValue::Number(vm.Host().NextHighestDepth(clip)) : AsValue{};
}

AsValue SwapDepths(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip || args.empty()) return {};
    if (const int other = SelfClip(vm, args[0])) {
        vm.Host().SwapDepths(clip, vm.Host().Depth(other));
    } else {
        vm.Host().SwapDepths(clip, Depth(vm, args[0]));
    }
    return {};
}

AsValue StartDrag(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip) return {};
    double bounds[4];
    const bool constrained = args.size() >= 5;
    for (std::size_t i = 0; constrained && i < 4; ++i) bounds[i] = vm.ToNumber(args[i + 1]);
    vm.Host().StartDrag(clip, vm.ToBoolean(Arg(args, 0)), constrained ? bounds : nullptr);
    return {};
}

AsValue StopDrag(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    vm.Host().StopDrag();
    return {};
}

AsValue ClipToString(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    return vm.StrValue(vm.ClipPath(SelfClip(vm, self), false));
}

} // namespace

void InstallClipClass(CScriptVM& vm)
{
    vm.m_pClipProto = vm.NewObject();
    CAsObject* clip = vm.NewNative([](CScriptVM&, const AsValue& self, Args&, CAsObject*) { return self; }, vm.m_pClipProto);
    vm.Define(vm.m_pGlobal, "MovieClip", AsValue::Object(clip));
    const NativeMethod methods[] = {{"gotoAndPlay", GotoAndPlay},
                   {"gotoAndStop", GotoAndStop},
                   {"play", Play<true>},
                   {"stop", Play<false>},
                   {"nextFrame", StepFrame<1>},
                   {"prevFrame", StepFrame<-1>},
                   {"duplicateMovieClip", Duplicate},
                   {"attachMovie", Attach},
                   {"createEmptyMovieClip", CreateEmpty},
                   {"createTextField", CreateTextField},
                   {"removeMovieClip", RemoveClip},
                   {"getDepth", GetDepth},
                   {"getNextHighestDepth", NextHighestDepth},
                   {"swapDepths", SwapDepths},
                   {"startDrag", StartDrag},
                   {"stopDrag", StopDrag},
                   {"toString", ClipToString}};
    DefineMethods(vm, vm.m_pClipProto, methods);
}
