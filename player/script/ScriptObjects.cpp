// The built-in Object, Function, Boolean, Number, Math and Error classes and the global
// functions (parseInt, escape, setInterval, ASSetPropFlags and the like).
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <cmath>
#include <limits>
#include <sstream>

namespace {

using Args = std::vector<AsValue>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool IsFunction(const AsValue& value)
{
    return value.IsObject() && value.object->m_kind == AsKind::Function;
}

// The primitive a wrapper holds, or the value itself.
AsValue Unwrapped(const AsValue& self)
{
    return self.IsObject() && (self.object->m_kind == AsKind::Number || self.object->m_kind == AsKind::Boolean ||
                               self.object->m_kind == AsKind::String)
               ? self.object->m_primitive
               : self;
}

AsValue ObjectConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (vm.m_bConstructing && args.empty()) return self;
    const AsValue given = Arg(args, 0);
    if (given.IsNullish()) return vm.m_bConstructing ? self : AsValue::Object(vm.NewObject());
    return AsValue::Object(vm.ToObject(given));
}

AsValue AddProperty(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::string name = vm.ToText(Arg(args, 0));
    const AsValue getter = Arg(args, 1);
    const AsValue setter = Arg(args, 2);
    if (!self.IsObject() || name.empty() || !IsFunction(getter)) return AsValue::Bool(false);
    if (!setter.IsNull() && !setter.IsUndefined() && !IsFunction(setter)) return AsValue::Bool(false);
    vm.ChargeSlots(1);
    AsProperty& property = self.object->Put(vm.Key(name), vm.Str(name), AsValue{});
    property.getter = getter.object;
    property.setter = IsFunction(setter) ? setter.object : nullptr;
    return AsValue::Bool(true);
}

// watch(name, callback[, userData]): the callback hears each assignment to the property first.
AsValue Watch(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const AsValue callback = Arg(args, 1);
    if (!self.IsObject() || args.empty() || !IsFunction(callback)) return AsValue::Bool(false);
    CAsObject* object = self.object;
    if (!object->m_pWatches) object->m_pWatches = std::make_unique<std::unordered_map<std::string, CAsObject::Watch>>();
    const std::string key = vm.Key(vm.ToText(args[0]));
    auto [it, added] = object->m_pWatches->try_emplace(key);
    if (added) vm.ChargeSlots(1);
    it->second.callback = callback.object;
    it->second.userData = Arg(args, 2);
    return AsValue::Bool(true);
}

AsValue Unwatch(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!self.IsObject() || !self.object->m_pWatches || args.empty()) return AsValue::Bool(false);
    return AsValue::Bool(self.object->m_pWatches->erase(vm.Key(vm.ToText(args[0]))) != 0);
}

AsValue HasOwnProperty(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!self.IsObject()) return AsValue::Bool(false);
    const std::string name = vm.ToText(Arg(args, 0));
    std::size_t index;
    if (self.object->m_kind == AsKind::Array && ArrayIndex(name, index))
        return AsValue::Bool(index < self.object->m_elements.size());
    return AsValue::Bool(self.object->Find(vm.Key(name)) != nullptr);
}

AsValue IsPropertyEnumerable(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!self.IsObject()) return AsValue::Bool(false);
    const AsProperty* property = self.object->Find(vm.Key(vm.ToText(Arg(args, 0))));
    return AsValue::Bool(property && !(property->flags & AS_DONT_ENUM));
}

AsValue IsPrototypeOf(CScriptVM&, const AsValue& self, Args& args, CAsObject*)
{
    const AsValue other = Arg(args, 0);
    if (!self.IsObject() || !other.IsObject()) return AsValue::Bool(false);
    int steps = 0;
    for (CAsObject* at = other.object->m_pProto; at && steps < ScriptLimits::kMaxProtoChain; at = at->m_pProto, ++steps) {
        if (at == self.object) return AsValue::Bool(true);
    }
    return AsValue::Bool(false);
}

AsValue ObjectToString(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    if (self.IsObject() && self.object->m_kind == AsKind::Function) return vm.StrValue("[type Function]");
    return vm.StrValue("[object Object]");
}

AsValue ObjectValueOf(CScriptVM&, const AsValue& self, Args&, CAsObject*)
{
    return self;
}

AsValue FunctionCall(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const AsValue thisValue = Arg(args, 0);
    Args rest(args.size() > 1 ? args.begin() + 1 : args.end(), args.end());
    return vm.Call(self, thisValue, rest);
}

AsValue FunctionApply(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const AsValue list = Arg(args, 1);
    Args rest;
    if (list.IsObject() && list.object->m_kind == AsKind::Array) rest = list.object->m_elements;
    return vm.Call(self, Arg(args, 0), rest);
}

AsValue BooleanConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const AsValue value = AsValue::Bool(!args.empty() && vm.ToBoolean(args[0]));
    if (!vm.m_bConstructing || !self.IsObject()) return value;
    self.object->m_kind = AsKind::Boolean;
    self.object->m_primitive = value;
    return self;
}

AsValue NumberConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const AsValue value = AsValue::Number(args.empty() ? 0 : vm.ToNumber(args[0]));
    if (!vm.m_bConstructing || !self.IsObject()) return value;
    self.object->m_kind = AsKind::Number;
    self.object->m_primitive = value;
    return self;
}

AsValue PrimitiveValueOf(CScriptVM&, const AsValue& self, Args&, CAsObject*)
{
    return Unwrapped(self);
}

AsValue PrimitiveToString(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const AsValue value = Unwrapped(self);
    if (value.IsNumber() && !args.empty() && !args[0].IsUndefined())
        return vm.StrValue(NumberToRadixText(value.number, ToClampedInt(vm.ToNumber(args[0]))));
    return vm.ToStringValue(value);
}

AsValue ErrorConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!self.IsObject() || !vm.m_bConstructing) return {};
    if (!args.empty() && !args[0].IsUndefined()) vm.SetMember(self, "message", args[0]);
    return self;
}

AsValue ErrorToString(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    return vm.ToStringValue(vm.GetMember(self, "message"));
}

// Math: one function of one number each, told apart by the function object's own tag.
template <double (*F)(double)> AsValue MathUnary(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    return AsValue::Number(F(args.empty() ? kNaN : vm.ToNumber(args[0])));
}

double Round(double x)
{
    return std::floor(x + 0.5);
}

AsValue MathAtan2(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    return AsValue::Number(std::atan2(vm.ToNumber(Arg(args, 0)), vm.ToNumber(Arg(args, 1))));
}

AsValue MathPow(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    return AsValue::Number(std::pow(vm.ToNumber(Arg(args, 0)), vm.ToNumber(Arg(args, 1))));
}

template <bool Max> AsValue MathExtreme(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    if (args.size() < 2) return AsValue::Number(Max ? -INFINITY : INFINITY);
    const double a = vm.ToNumber(args[0]);
    const double b = vm.ToNumber(args[1]);
    if (std::isnan(a) || std::isnan(b)) return AsValue::Number(kNaN);
    return AsValue::Number(Max ? std::max(a, b) : std::min(a, b));
}

AsValue MathRandom(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    return AsValue::Number(vm.Random() / 4294967296.0);
}

AsValue IsNaNFunction(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    return AsValue::Bool(std::isnan(vm.ToNumber(Arg(args, 0))));
}

AsValue IsFiniteFunction(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    return AsValue::Bool(std::isfinite(vm.ToNumber(Arg(args, 0))));
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

AsValue ParseIntFunction(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    const std::string text = vm.ToText(Arg(args, 0));
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    int radix = args.size() > 1 ? ToClampedInt(vm.ToNumber(args[1])) : 0;
    if ((radix == 0 || radix == 16) && at + 1 < text.size() && text[at] == '0' && (text[at + 1] | 0x20) == 'x') {
        radix = 16;
        at += 2;
    } else if (radix == 0 && at + 1 < text.size() && text[at] == '0') {
        radix = 8;  // a leading zero reads as octal, as the player does
    }
    if (radix == 0) radix = 10;
    if (radix < 2 || radix > 36) return AsValue::Number(kNaN);
    double value = 0;
    const std::size_t from = at;
    for (; at < text.size() && DigitValue(text[at]) < radix; ++at) value = value * radix + DigitValue(text[at]);
    if (at == from) return AsValue::Number(kNaN);
    return AsValue::Number(negative ? -value : value);
}

AsValue ParseFloatFunction(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    const std::string text = vm.ToText(Arg(args, 0));
    // The longest number at the start, through the version 4 reading, which gives 0 for none.
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
    std::size_t probe = at;
    if (probe < text.size() && (text[probe] == '+' || text[probe] == '-')) ++probe;
    if (probe < text.size() && text[probe] == '.') ++probe;
    if (probe >= text.size() || text[probe] < '0' || text[probe] > '9') return AsValue::Number(kNaN);
    return AsValue::Number(TextToNumber(text, 4));
}

AsValue EscapeFunction(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    const std::string text = vm.ToText(Arg(args, 0));
    std::string out;
    for (unsigned char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += "0123456789ABCDEF"[c >> 4];
            out += "0123456789ABCDEF"[c & 15];
        }
    }
    return vm.StrValue(out);
}

AsValue UnescapeFunction(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    const std::string text = vm.ToText(Arg(args, 0));
    std::string out;
    auto hex = [&text](std::size_t at, std::size_t count, std::uint32_t& value) {
        value = 0;
        if (at + count > text.size()) return false;
        for (std::size_t i = 0; i < count; ++i) {
            const int digit = DigitValue(text[at + i]);
            if (digit > 15) return false;
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    };
    for (std::size_t at = 0; at < text.size(); ++at) {
        std::uint32_t value;
        if (text[at] == '%' && at + 1 < text.size() && text[at + 1] == 'u' && hex(at + 2, 4, value)) {
            Utf8Append(out, value);
            at += 5;
        } else if (text[at] == '%' && hex(at + 1, 2, value)) {
            out += static_cast<char>(value);
            at += 2;
        } else {
            out += text[at];
        }
    }
    return vm.StrValue(out);
}

AsValue SetIntervalFunction(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    if (IsFunction(Arg(args, 0))) {
        Args rest(args.size() > 2 ? args.begin() + 2 : args.end(), args.end());
        return AsValue::Number(vm.NewTimer(AsValue{}, args[0], std::string(), vm.ToNumber(Arg(args, 1)), rest));
    }
    if (Arg(args, 0).IsObject() && args.size() >= 3) {
        Args rest(args.size() > 3 ? args.begin() + 3 : args.end(), args.end());
        return AsValue::Number(vm.NewTimer(args[0], AsValue{}, vm.ToText(args[1]), vm.ToNumber(args[2]), rest));
    }
    return {};
}

AsValue ClearIntervalFunction(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    vm.ClearTimer(ToClampedInt(vm.ToNumber(Arg(args, 0))));
    return {};
}

AsValue GetTimerFunction(CScriptVM& vm, const AsValue&, Args&, CAsObject*)
{
    return AsValue::Number(std::floor(vm.Host().Timer()));
}

AsValue SetPropFlags(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    const AsValue object = Arg(args, 0);
    if (!object.IsObject()) return {};
    const AsValue names = Arg(args, 1);
    const auto set = static_cast<std::uint8_t>(ToUint32(vm.ToNumber(Arg(args, 2))) & 7);
    const auto clear = static_cast<std::uint8_t>(ToUint32(vm.ToNumber(Arg(args, 3))) & 7);
    auto apply = [&](AsProperty& property) {
        property.flags = static_cast<std::uint8_t>((property.flags & ~clear) | set);
    };
    if (names.IsNull()) {
        for (const AsProperty* property : object.object->Ordered(true)) {
            if (AsProperty* own = object.object->Find(vm.Key(*property->name))) apply(*own);
        }
        return {};
    }
    std::vector<std::string> list;
    if (names.IsObject() && names.object->m_kind == AsKind::Array) {
        for (const AsValue& name : names.object->m_elements) list.push_back(vm.ToText(name));
    } else {
        std::stringstream all(vm.ToText(names));
        for (std::string name; std::getline(all, name, ',');) list.push_back(name);
    }
    for (const std::string& name : list) {
        if (AsProperty* property = object.object->Find(vm.Key(name))) apply(*property);
    }
    return {};
}

AsValue RegisterClass(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    // Kept for attachMovie: export name → class.
    const AsValue registry = vm.GetMember(AsValue::Object(vm.m_pGlobal), "__registeredClasses");
    if (!registry.IsObject() || args.size() < 2) return AsValue::Bool(false);
    vm.SetMember(registry, vm.ToText(args[0]), args[1]);
    return AsValue::Bool(true);
}

CAsObject* Class(CScriptVM& vm, const char* name, AsNative constructor, CAsObject* prototype)
{
    CAsObject* function = vm.NewNative(constructor, prototype);
    vm.Define(vm.m_pGlobal, name, AsValue::Object(function));
    return function;
}

} // namespace

void InstallObjectClasses(CScriptVM& vm)
{
    CAsObject* global = vm.m_pGlobal;
    CAsObject* objectProto = vm.m_pObjectProto;
    CAsObject* object = Class(vm, "Object", ObjectConstructor, objectProto);
    const NativeMethod objectMethods[] = {{"addProperty", AddProperty},   {"hasOwnProperty", HasOwnProperty},
                                          {"isPropertyEnumerable", IsPropertyEnumerable},
                                          {"isPrototypeOf", IsPrototypeOf}, {"toString", ObjectToString},
                                          {"valueOf", ObjectValueOf},     {"watch", Watch},
                                          {"unwatch", Unwatch}};
    DefineMethods(vm, objectProto, objectMethods);
    vm.DefineMethod(object, "registerClass", RegisterClass);
    vm.Define(global, "__registeredClasses", AsValue::Object(vm.NewObject()));

    Class(vm, "Function", ObjectConstructor, vm.m_pFunctionProto);
    vm.DefineMethod(vm.m_pFunctionProto, "call", FunctionCall);
    vm.DefineMethod(vm.m_pFunctionProto, "apply", FunctionApply);

    vm.m_pBooleanProto = vm.NewObject();
    Class(vm, "Boolean", BooleanConstructor, vm.m_pBooleanProto);
    vm.DefineMethod(vm.m_pBooleanProto, "toString", PrimitiveToString);
    vm.DefineMethod(vm.m_pBooleanProto, "valueOf", PrimitiveValueOf);

    vm.m_pNumberProto = vm.NewObject();
    CAsObject* number = Class(vm, "Number", NumberConstructor, vm.m_pNumberProto);
    vm.DefineMethod(vm.m_pNumberProto, "toString", PrimitiveToString);
    vm.DefineMethod(vm.m_pNumberProto, "valueOf", PrimitiveValueOf);
    const std::uint8_t constant = AS_DONT_ENUM | AS_DONT_DELETE | AS_READ_ONLY;
    vm.Define(number, "MAX_VALUE", AsValue::Number(std::numeric_limits<double>::max()), constant);
    vm.Define(number, "MIN_VALUE", AsValue::Number(std::numeric_limits<double>::denorm_min()), constant);
    vm.Define(number, "NaN", AsValue::Number(kNaN), constant);
    vm.Define(number, "POSITIVE_INFINITY", AsValue::Number(INFINITY), constant);
    vm.Define(number, "NEGATIVE_INFINITY", AsValue::Number(-INFINITY), constant);
    vm.Define(global, "NaN", AsValue::Number(kNaN), constant);
    vm.Define(global, "Infinity", AsValue::Number(INFINITY), constant);

    vm.m_pErrorProto = vm.NewObject();
    Class(vm, "Error", ErrorConstructor, vm.m_pErrorProto);
    vm.Define(vm.m_pErrorProto, "name", vm.StrValue("Error"));
    vm.Define(vm.m_pErrorProto, "message", vm.StrValue("Error"));
    vm.DefineMethod(vm.m_pErrorProto, "toString", ErrorToString);

    CAsObject* math = vm.NewObject();
    vm.Define(global, "Math", AsValue::Object(math));
    const NativeMethod unary[] = {{"abs", MathUnary<std::fabs>},   {"acos", MathUnary<std::acos>}, {"asin", MathUnary<std::asin>},
                 {"atan", MathUnary<std::atan>},  {"ceil", MathUnary<std::ceil>}, {"cos", MathUnary<std::cos>},
                 {"exp", MathUnary<std::exp>},    {"floor", MathUnary<std::floor>}, {"log", MathUnary<std::log>},
                 {"round", MathUnary<Round>},      {"sin", MathUnary<std::sin>},   {"sqrt", MathUnary<std::sqrt>},
                 {"tan", MathUnary<std::tan>}};
    DefineMethods(vm, math, unary);
    vm.DefineMethod(math, "atan2", MathAtan2);
    vm.DefineMethod(math, "pow", MathPow);
    vm.DefineMethod(math, "max", MathExtreme<true>);
    vm.DefineMethod(math, "min", MathExtreme<false>);
    vm.DefineMethod(math, "random", MathRandom);
    const struct {
        const char* name;
        double value;
    } constants[] = {{"PI", 3.141592653589793}, {"E", 2.718281828459045}, {"LN2", 0.6931471805599453},
                     {"LN10", 2.302585092994046}, {"LOG2E", 1.4426950408889634}, {"LOG10E", 0.4342944819032518},
                     {"SQRT1_2", 0.7071067811865476}, {"SQRT2", 1.4142135623730951}};
    for (const auto& entry : constants) vm.Define(math, entry.name, AsValue::Number(entry.value), constant);

    const NativeMethod functions[] = {{"isNaN", IsNaNFunction},           {"isFinite", IsFiniteFunction},
                                      {"parseInt", ParseIntFunction},     {"parseFloat", ParseFloatFunction},
                                      {"escape", EscapeFunction},         {"unescape", UnescapeFunction},
                                      {"setInterval", SetIntervalFunction}, {"clearInterval", ClearIntervalFunction},
                                      {"getTimer", GetTimerFunction},     {"ASSetPropFlags", SetPropFlags}};
    DefineMethods(vm, global, functions);
}
