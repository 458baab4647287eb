// The built-in String class. Texts are UTF-8 from version 6 on and counted in characters;
// earlier movies' texts are counted in bytes.
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <cmath>
#include <limits>

namespace {

using Args = std::vector<AsValue>;

std::u32string Chars(const CScriptVM& vm, const std::string& text)
{
    std::u32string chars;
    if (vm.Version() < 6) {
        for (unsigned char c : text) chars += static_cast<char32_t>(c);
        return chars;
    }
    for (std::size_t at = 0; at < text.size();) chars += static_cast<char32_t>(Utf8Decode(text, at));
    return chars;
}

AsValue Text(CScriptVM& vm, const std::u32string& chars)
{
    std::string text;
    for (char32_t c : chars) {
        if (vm.Version() < 6) text += static_cast<char>(c & 0xFF);
        else Utf8Append(text, c);
    }
    return vm.StrValue(std::move(text));
}

std::u32string SelfChars(CScriptVM& vm, const AsValue& self)
{
    const AsValue value = self.IsObject() && self.object->m_kind == AsKind::String ? self.object->m_primitive : self;
    return Chars(vm, vm.ToText(value));
}

// A position argument: integer, NaN as 0, clamped to [0, size].
std::size_t Position(CScriptVM& vm, const AsValue& value, std::size_t size, bool fromEndIfNegative)
{
    double n = vm.ToNumber(value);
    if (std::isnan(n)) n = 0;
    n = std::trunc(n);
    if (n < 0 && fromEndIfNegative) n += static_cast<double>(size);
    if (n < 0) n = 0;
    return n > static_cast<double>(size) ? size : static_cast<std::size_t>(n);
}

AsValue StringConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const AsValue value = args.empty() ? vm.StrValue("") : vm.ToStringValue(args[0]);
    if (!vm.m_bConstructing || !self.IsObject()) return value;
    self.object->m_kind = AsKind::String;
    self.object->m_primitive = value;
    return self;
}

AsValue ValueOf(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    return self.IsObject() && self.object->m_kind == AsKind::String ? self.object->m_primitive : vm.ToStringValue(self);
}

AsValue CharAt(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::u32string chars = SelfChars(vm, self);
    const double at = std::trunc(vm.ToNumber(Arg(args, 0)));
    if (!(at >= 0 && at < static_cast<double>(chars.size()))) return vm.StrValue("");
    return Text(vm, chars.substr(static_cast<std::size_t>(at), 1));
}

AsValue CharCodeAt(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::u32string chars = SelfChars(vm, self);
    const double at = std::trunc(vm.ToNumber(Arg(args, 0)));
    if (!(at >= 0 && at < static_cast<double>(chars.size()))) return AsValue::Number(std::numeric_limits<double>::quiet_NaN());
    return AsValue::Number(chars[static_cast<std::size_t>(at)]);
}

AsValue Concat(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    std::string text = vm.ToText(ValueOf(vm, self, args, nullptr));
    for (const AsValue& arg : args) text += vm.ToText(arg);
    return vm.StrValue(std::move(text));
}

AsValue IndexOf(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::u32string chars = SelfChars(vm, self);
    const std::u32string wanted = Chars(vm, vm.ToText(Arg(args, 0)));
    const std::size_t from = args.size() > 1 ? Position(vm, args[1], chars.size(), false) : 0;
    const std::size_t found = chars.find(wanted, from);
    return AsValue::Number(found == std::u32string::npos ? -1 : static_cast<double>(found));
}

AsValue LastIndexOf(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::u32string chars = SelfChars(vm, self);
    const std::u32string wanted = Chars(vm, vm.ToText(Arg(args, 0)));
    const std::size_t from = args.size() > 1 ? Position(vm, args[1], chars.size(), false) : std::u32string::npos;
    const std::size_t found = chars.rfind(wanted, from);
    return AsValue::Number(found == std::u32string::npos ? -1 : static_cast<double>(found));
}

AsValue Slice(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::u32string chars = SelfChars(vm, self);
    const std::size_t from = Position(vm, Arg(args, 0), chars.size(), true);
    const std::size_t to = args.size() > 1 && !args[1].IsUndefined() ? Position(vm, args[1], chars.size(), true) : chars.size();
    return Text(vm, from < to ? chars.substr(from, to - from) : std::u32string());
}

AsValue Substring(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::u32string chars = SelfChars(vm, self);
    std::size_t from = Position(vm, Arg(args, 0), chars.size(), false);
    std::size_t to = args.size() > 1 && !args[1].IsUndefined() ? Position(vm, args[1], chars.size(), false) : chars.size();
    if (from > to) std::swap(from, to);
    return Text(vm, chars.substr(from, to - from));
}

AsValue Substr(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::u32string chars = SelfChars(vm, self);
    const std::size_t from = Position(vm, Arg(args, 0), chars.size(), true);
    std::size_t count = chars.size() - from;
    if (args.size() > 1 && !args[1].IsUndefined()) count = std::min(count, Position(vm, args[1], chars.size(), false));
    return Text(vm, chars.substr(from, count));
}

AsValue Split(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const std::u32string chars = SelfChars(vm, self);
    std::vector<AsValue> parts;
    const double limitNumber = args.size() > 1 && !args[1].IsUndefined() ? vm.ToNumber(args[1]) : INFINITY;
    const double limit = std::isnan(limitNumber) ? 0 : limitNumber;
    if (args.empty() || args[0].IsUndefined()) {
        parts.push_back(Text(vm, chars));
    } else {
        const std::u32string separator = Chars(vm, vm.ToText(args[0]));
        if (separator.empty()) {
            for (std::size_t i = 0; i < chars.size() && parts.size() < limit; ++i) parts.push_back(Text(vm, chars.substr(i, 1)));
        } else {
            std::size_t from = 0;
            while (parts.size() < limit) {
                const std::size_t found = chars.find(separator, from);
                parts.push_back(Text(vm, chars.substr(from, found == std::u32string::npos ? found : found - from)));
                if (found == std::u32string::npos) break;
                from = found + separator.size();
            }
        }
    }
    return AsValue::Object(vm.NewArray(std::move(parts)));
}

template <bool Upper> AsValue ChangeCase(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    std::u32string chars = SelfChars(vm, self);
    for (char32_t& c : chars) {
        // Latin letters, Latin-1 and the Greek and Cyrillic blocks, whose cases are a fixed step apart.
        if (Upper) {
            if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
                (c >= 0x430 && c <= 0x44F))
                c -= 32;
            else if (c >= 0x450 && c <= 0x45F) c -= 80;
        } else {
            if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9) ||
                (c >= 0x410 && c <= 0x42F))
                c += 32;
            else if (c >= 0x400 && c <= 0x40F) c += 80;
        }
    }
    return Text(vm, chars);
}

AsValue FromCharCode(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    std::u32string chars;
    for (const AsValue& arg : args) chars += static_cast<char32_t>(ToUint32(vm.ToNumber(arg)) & 0xFFFF);
    return Text(vm, chars);
}

} // namespace

void InstallStringClass(CScriptVM& vm)
{
    vm.m_pStringProto = vm.NewObject();
    CAsObject* proto = vm.m_pStringProto;
    CAsObject* string = vm.NewNative(StringConstructor, proto);
    vm.Define(vm.m_pGlobal, "String", AsValue::Object(string));
    vm.DefineMethod(string, "fromCharCode", FromCharCode);
    const NativeMethod methods[] = {{"toString", ValueOf}, {"valueOf", ValueOf},       {"charAt", CharAt},
                   {"charCodeAt", CharCodeAt}, {"concat", Concat},   {"indexOf", IndexOf},
                   {"lastIndexOf", LastIndexOf}, {"slice", Slice},    {"substring", Substring},
                   {"substr", Substr},          {"split", Split},     {"toUpperCase", ChangeCase<true>},
                   {"toLowerCase", ChangeCase<false>}};
    DefineMethods(vm, proto, methods);
}
