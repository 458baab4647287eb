// The MovieClip class: methods that act on a clip through the host.
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

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
    const std::string exportName = vm.ToText(args[0]);
    const int made = vm.Host().Attach(clip, exportName, vm.ToText(args[1]), Depth(vm, args[2]));
    if (!made) return {};
    // The symbol's registered class, the init object's properties, then its constructor.
    vm.ConstructClip(made, exportName, Arg(args, 3));
    return vm.Host().IsAlive(made) ? AsValue::Object(vm.ClipObject(made)) : AsValue{};
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

AsValue InstanceAtDepth(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    const int found = clip && !args.empty() ? vm.Host().InstanceAtDepth(clip, Depth(vm, args[0])) : 0;
    return found ? AsValue::Object(vm.ClipObject(found)) : AsValue{};
}

// A clip given as a clip or a path; the clip itself when none is given.
int TargetClip(CScriptVM& vm, const Args& args, std::size_t index, int fallback)
{
    const AsValue target = Arg(args, index);
    if (target.IsUndefined()) return fallback;
    if (const int clip = SelfClip(vm, target)) return clip;
    return target.IsObject() ? 0 : vm.ResolveTargetValue(target);
}

AsValue GetBounds(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip) return {};
    const int space = TargetClip(vm, args, 0, clip);
    double bounds[4];
    if (!vm.Host().GetBounds(clip, space, bounds)) {
        // What a player gives for a clip that shows nothing.
        std::fill(std::begin(bounds), std::end(bounds), 6710886.35);
    }
    const AsValue box = AsValue::Object(vm.NewObject());
    const char* const names[4] = {"xMin", "xMax", "yMin", "yMax"};
    for (int i = 0; i < 4; ++i) vm.SetMember(box, names[i], AsValue::Number(bounds[i]));
    return box;
}

AsValue HitTest(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip || args.empty()) return AsValue::Bool(false);
    if (args.size() >= 2) {
        const double x = vm.ToNumber(args[0]);
        const double y = vm.ToNumber(args[1]);
        if (!std::isfinite(x) || !std::isfinite(y)) return AsValue::Bool(false);
        return AsValue::Bool(vm.Host().HitTestPoint(clip, x, y, vm.ToBoolean(Arg(args, 2))));
    }
    const int other = TargetClip(vm, args, 0, 0);
    return AsValue::Bool(other && vm.Host().HitTestClip(clip, other));
}

template <bool Inward> AsValue ConvertPoint(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    const AsValue point = Arg(args, 0);
    if (!clip || !point.IsObject()) return {};
    double x = vm.ToNumber(vm.GetMember(point, "x"));
    double y = vm.ToNumber(vm.GetMember(point, "y"));
    if (!std::isfinite(x) || !std::isfinite(y)) return {};
    vm.Host().ConvertPoint(clip, x, y, Inward);
    vm.SetMember(point, "x", AsValue::Number(x));
    vm.SetMember(point, "y", AsValue::Number(y));
    return {};
}

AsValue SetMask(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const int clip = SelfClip(vm, self);
    if (!clip) return {};
    const AsValue mask = Arg(args, 0);
    vm.Host().SetMask(clip, mask.IsNullish() ? 0 : TargetClip(vm, args, 0, 0));
    return {};
}

AsValue BytesTotal(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    return SelfClip(vm, self) ? AsValue::Number(vm.Host().BytesTotal()) : AsValue{};
}

AsValue SwfVersion(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    return SelfClip(vm, self) ? AsValue::Number(vm.Version()) : AsValue{};
}

// ---- drawing ----

double Finite(CScriptVM& vm, const AsValue& value, double fallback)
{
    const double number = vm.ToNumber(value);
    return std::isfinite(number) ? number : fallback;
}

void Draw(CScriptVM& vm, const AsValue& self, const DrawCommand& command)
{
    if (const int clip = SelfClip(vm, self)) vm.Host().Draw(clip, command);
}

AsValue Clear(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    Draw(vm, self, DrawCommand{});
    return {};
}

AsValue LineStyle(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    DrawCommand command;
    command.kind = DrawCommand::LineStyle;
    const AsValue thickness = Arg(args, 0);
    command.width = thickness.IsUndefined() ? std::numeric_limits<double>::quiet_NaN()
                                            : std::clamp(Finite(vm, thickness, 0), 0.0, 255.0);
    command.rgb = ToUint32(Finite(vm, Arg(args, 1), 0)) & 0xFFFFFF;
    command.alpha = Arg(args, 2).IsUndefined() ? 100 : std::clamp(Finite(vm, args[2], 100), 0.0, 100.0);
    Draw(vm, self, command);
    return {};
}

AsValue BeginFill(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    DrawCommand command;
    // Without a colour the outline drawn next has no fill.
    command.kind = Arg(args, 0).IsUndefined() ? DrawCommand::EndFill : DrawCommand::BeginFill;
    command.rgb = ToUint32(Finite(vm, Arg(args, 0), 0)) & 0xFFFFFF;
    command.alpha = Arg(args, 1).IsUndefined() ? 100 : std::clamp(Finite(vm, args[1], 100), 0.0, 100.0);
    Draw(vm, self, command);
    return {};
}

// A gradient's matrix from a box ({matrixType: "box", x, y, w, h, r}) or from the terms of a
// 3 × 3 matrix (a, b, d, e, g, h), which place the square from (-1, -1) to (1, 1) in pixels.
bool GradientMatrix(CScriptVM& vm, const AsValue& given, double matrix[6])
{
    if (!given.IsObject()) return false;
    const auto number = [&](const char* name, double& out) {
        out = vm.ToNumber(vm.GetMember(given, name));
        return std::isfinite(out);
    };
    constexpr double kSquare = 16384.0;  // half the side of a gradient's own square
    const AsValue type = vm.GetMember(given, "matrixType");
    if (!type.IsUndefined()) {
        double x, y, w, h, r;
        if (vm.ToText(type) != "box" || !number("x", x) || !number("y", y) || !number("w", w) || !number("h", h) ||
            !number("r", r))
            return false;
        const double sx = w * 20 / (2 * kSquare);
        const double sy = h * 20 / (2 * kSquare);
        const double values[6] = {sx * std::cos(r), sx * std::sin(r), -sy * std::sin(r), sy * std::cos(r),
                                  (x + w / 2) * 20, (y + h / 2) * 20};
        std::copy(std::begin(values), std::end(values), matrix);
        return true;
    }
    double a, b, d, e, g, h;
    if (!number("a", a) || !number("b", b) || !number("d", d) || !number("e", e) || !number("g", g) || !number("h", h))
        return false;
    const double scale = 20 / kSquare;
    const double values[6] = {a * scale, b * scale, d * scale, e * scale, g * 20, h * 20};
    std::copy(std::begin(values), std::end(values), matrix);
    return true;
}

AsValue BeginGradientFill(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    DrawCommand command;
    command.kind = DrawCommand::BeginGradientFill;
    const std::string type = vm.ToText(Arg(args, 0));
    const AsValue colours = Arg(args, 1), alphas = Arg(args, 2), ratios = Arg(args, 3);
    const auto isArray = [](const AsValue& value) { return value.IsObject() && value.object->m_kind == AsKind::Array; };
    if ((type != "linear" && type != "radial") || !isArray(colours) || !isArray(alphas) || !isArray(ratios)) return {};
    const std::size_t count = colours.object->m_elements.size();
    if (count == 0 || count > 15 || alphas.object->m_elements.size() != count || ratios.object->m_elements.size() != count ||
        !GradientMatrix(vm, Arg(args, 4), command.matrix))
        return {};
    command.radial = type == "radial";
    for (std::size_t i = 0; i < count; ++i) {
        DrawCommand::Stop stop;
        stop.rgb = ToUint32(Finite(vm, colours.object->m_elements[i], 0)) & 0xFFFFFF;
        stop.alpha = std::clamp(Finite(vm, alphas.object->m_elements[i], 100), 0.0, 100.0);
        stop.ratio = static_cast<int>(std::clamp(Finite(vm, ratios.object->m_elements[i], 0), 0.0, 255.0));
        command.stops.push_back(stop);
    }
    Draw(vm, self, command);
    return {};
}

template <DrawCommand::Kind Kind> AsValue PenTo(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    DrawCommand command;
    command.kind = Kind;
    const std::size_t at = Kind == DrawCommand::CurveTo ? 2 : 0;
    if (args.size() < at + 2) return {};
    if (Kind == DrawCommand::CurveTo) {
        command.controlX = Finite(vm, args[0], 0);
        command.controlY = Finite(vm, args[1], 0);
    }
    command.x = Finite(vm, args[at], 0);
    command.y = Finite(vm, args[at + 1], 0);
    Draw(vm, self, command);
    return {};
}

AsValue EndFill(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    DrawCommand command;
    command.kind = DrawCommand::EndFill;
    Draw(vm, self, command);
    return {};
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
                   {"toString", ClipToString},
                   {"getInstanceAtDepth", InstanceAtDepth},
                   {"getBounds", GetBounds},
                   {"hitTest", HitTest},
                   {"localToGlobal", ConvertPoint<false>},
                   {"globalToLocal", ConvertPoint<true>},
                   {"setMask", SetMask},
                   {"getBytesLoaded", BytesTotal},
                   {"getBytesTotal", BytesTotal},
                   {"getSWFVersion", SwfVersion},
                   {"clear", Clear},
                   {"lineStyle", LineStyle},
                   {"beginFill", BeginFill},
                   {"beginGradientFill", BeginGradientFill},
                   {"moveTo", PenTo<DrawCommand::MoveTo>},
                   {"lineTo", PenTo<DrawCommand::LineTo>},
                   {"curveTo", PenTo<DrawCommand::CurveTo>},
                   {"endFill", EndFill}};
    DefineMethods(vm, vm.m_pClipProto, methods);
}
