// The built-in Array class.
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <cmath>

namespace {

using Args = std::vector<AsValue>;

enum SortOption { SORT_CASE_INSENSITIVE = 1, SORT_DESCENDING = 2, SORT_UNIQUE = 4, SORT_INDEXED = 8, SORT_NUMERIC = 16 };

CAsObject* SelfArray(const AsValue& self)
{
    return self.IsObject() && self.object->m_kind == AsKind::Array ? self.object : nullptr;
}

AsValue ArrayConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    CAsObject* array = vm.m_bConstructing && self.IsObject() ? self.object : vm.NewArray();
    array->m_kind = AsKind::Array;
    if (args.size() == 1 && args[0].IsNumber()) {
        const double length = args[0].number;
        if (length >= 0 && length <= ScriptLimits::kMaxSlots && length == std::trunc(length))
            vm.SetArrayLength(array, static_cast<std::size_t>(length));
    } else {
        vm.ChargeSlots(args.size());
        array->m_elements = args;
    }
    return AsValue::Object(array);
}

AsValue Push(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    if (!array) return {};
    vm.ChargeSlots(args.size());
    array->m_elements.insert(array->m_elements.end(), args.begin(), args.end());
    return AsValue::Number(static_cast<double>(array->m_elements.size()));
}

AsValue Pop(CScriptVM&, const AsValue& self, Args&, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    if (!array || array->m_elements.empty()) return {};
    AsValue last = array->m_elements.back();
    array->m_elements.pop_back();
    return last;
}

AsValue Shift(CScriptVM&, const AsValue& self, Args&, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    if (!array || array->m_elements.empty()) return {};
    AsValue first = array->m_elements.front();
    array->m_elements.erase(array->m_elements.begin());
    return first;
}

AsValue Unshift(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    if (!array) return {};
    vm.ChargeSlots(args.size());
    array->m_elements.insert(array->m_elements.begin(), args.begin(), args.end());
    return AsValue::Number(static_cast<double>(array->m_elements.size()));
}

std::size_t Clamp(CScriptVM& vm, const AsValue& value, std::size_t size)
{
    double n = std::trunc(vm.ToNumber(value));
    if (std::isnan(n)) n = 0;
    if (n < 0) n += static_cast<double>(size);
    if (n < 0) n = 0;
    return n > static_cast<double>(size) ? size : static_cast<std::size_t>(n);
}

AsValue Slice(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    if (!array) return {};
    const auto& elements = array->m_elements;
    const std::size_t from = args.empty() ? 0 : Clamp(vm, args[0], elements.size());
    const std::size_t to = args.size() > 1 && !args[1].IsUndefined() ? Clamp(vm, args[1], elements.size()) : elements.size();
    return AsValue::Object(vm.NewArray(from < to ? std::vector<AsValue>(elements.begin() + static_cast<std::ptrdiff_t>(from),
                                                                      elements.begin() + static_cast<std::ptrdiff_t>(to))
                                                 : std::vector<AsValue>()));
}

AsValue Splice(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    if (!array || args.empty()) return {};
    auto& elements = array->m_elements;
    const std::size_t from = Clamp(vm, args[0], elements.size());
    std::size_t count = elements.size() - from;
    if (args.size() > 1) {
        const double n = std::trunc(vm.ToNumber(args[1]));
        count = n > 0 ? std::min(count, static_cast<std::size_t>(std::min(n, 4e9))) : 0;
    }
    const auto first = elements.begin() + static_cast<std::ptrdiff_t>(from);
    std::vector<AsValue> removed(first, first + static_cast<std::ptrdiff_t>(count));
    elements.erase(first, first + static_cast<std::ptrdiff_t>(count));
    if (args.size() > 2) {
        vm.ChargeSlots(args.size() - 2);
        elements.insert(elements.begin() + static_cast<std::ptrdiff_t>(from), args.begin() + 2, args.end());
    }
    return AsValue::Object(vm.NewArray(std::move(removed)));
}

AsValue Join(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    if (!array) return {};
    const std::string separator = args.empty() || args[0].IsUndefined() ? "," : vm.ToText(args[0]);
    std::string text;
    const std::vector<AsValue> elements = array->m_elements;  // a toString may change the array
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i) text += separator;
        text += vm.ToText(elements[i]);
        if (text.size() > ScriptLimits::kMaxStringBytes) vm.Halt("a script made too long a text");
    }
    return vm.StrValue(std::move(text));
}

AsValue ToString(CScriptVM& vm, const AsValue& self, Args&, CAsObject* callee)
{
    Args none;
    return Join(vm, self, none, callee);
}

AsValue Reverse(CScriptVM&, const AsValue& self, Args&, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    if (array) std::reverse(array->m_elements.begin(), array->m_elements.end());
    return self;
}

AsValue Concat(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    CAsObject* array = SelfArray(self);
    std::vector<AsValue> elements = array ? array->m_elements : std::vector<AsValue>{};
    for (const AsValue& arg : args) {
        if (CAsObject* other = SelfArray(arg)) elements.insert(elements.end(), other->m_elements.begin(), other->m_elements.end());
        else elements.push_back(arg);
    }
    return AsValue::Object(vm.NewArray(std::move(elements)));
}

// A merge sort: safe whatever a script's compare function answers (a library sort is not).
template <class Less> void MergeSort(std::vector<std::size_t>& order, Less less)
{
    std::vector<std::size_t> scratch(order.size());
    for (std::size_t width = 1; width < order.size(); width *= 2) {
        for (std::size_t left = 0; left < order.size(); left += 2 * width) {
            const std::size_t middle = std::min(left + width, order.size());
            const std::size_t right = std::min(left + 2 * width, order.size());
            std::size_t a = left, b = middle, out = left;
            while (a < middle && b < right) scratch[out++] = less(order[b], order[a]) ? order[b++] : order[a++];
            while (a < middle) scratch[out++] = order[a++];
            while (b < right) scratch[out++] = order[b++];
        }
        order.swap(scratch);
    }
}

// -1, 0 or 1 for two elements under the sort options or the compare function.
int Compare(CScriptVM& vm, const AsValue& compare, int options, const AsValue& a, const AsValue& b)
{
    if (compare.IsObject()) {
        Args pair{a, b};
        const double result = vm.ToNumber(vm.Call(compare, AsValue{}, pair));
        return result < 0 ? -1 : result > 0 ? 1 : 0;
    }
    if (options & SORT_NUMERIC) {
        const double x = vm.ToNumber(a), y = vm.ToNumber(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    std::string x = vm.ToText(a), y = vm.ToText(b);
    if (options & SORT_CASE_INSENSITIVE) {
        for (char& c : x) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        for (char& c : y) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    return x < y ? -1 : x > y ? 1 : 0;
}

AsValue SortBy(CScriptVM& vm, const AsValue& self, const AsValue& compare, int options, const AsValue& field)
{
    CAsObject* array = SelfArray(self);
    if (!array) return {};
    const std::vector<AsValue> elements = array->m_elements;
    std::vector<AsValue> keys = elements;
    if (!field.IsUndefined()) {
        for (AsValue& key : keys) key = vm.GetMember(key, vm.ToText(field));
    }
    std::vector<std::size_t> order(elements.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    bool duplicate = false;
    MergeSort(order, [&](std::size_t x, std::size_t y) {
        int result = Compare(vm, compare, options, keys[x], keys[y]);
        if (result == 0) duplicate = true;
        if (options & SORT_DESCENDING) result = -result;
        return result < 0;
    });
    if ((options & SORT_UNIQUE) && duplicate) return AsValue::Number(0);
    if (options & SORT_INDEXED) {
        std::vector<AsValue> indices;
        for (std::size_t index : order) indices.push_back(AsValue::Number(static_cast<double>(index)));
        return AsValue::Object(vm.NewArray(std::move(indices)));
    }
    if (array->m_elements.size() == elements.size()) {
        for (std::size_t i = 0; i < order.size(); ++i) array->m_elements[i] = elements[order[i]];
    }
    return self;
}

AsValue Sort(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const bool withFunction = Arg(args, 0).IsObject() && args[0].object->m_kind == AsKind::Function;
    const AsValue options = withFunction ? Arg(args, 1) : Arg(args, 0);
    return SortBy(vm, self, withFunction ? args[0] : AsValue{}, ToClampedInt(vm.ToNumber(options)) & 31, AsValue{});
}

AsValue SortOn(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    return SortBy(vm, self, AsValue{}, ToClampedInt(vm.ToNumber(Arg(args, 1))) & 31, Arg(args, 0));
}

} // namespace

void InstallArrayClass(CScriptVM& vm)
{
    vm.m_pArrayProto = vm.NewObject();
    CAsObject* proto = vm.m_pArrayProto;
    CAsObject* array = vm.NewNative(ArrayConstructor, proto);
    vm.Define(vm.m_pGlobal, "Array", AsValue::Object(array));
    const struct {
        const char* name;
        int value;
    } options[] = {{"CASEINSENSITIVE", SORT_CASE_INSENSITIVE}, {"DESCENDING", SORT_DESCENDING}, {"UNIQUESORT", SORT_UNIQUE},
                   {"RETURNINDEXEDARRAY", SORT_INDEXED},       {"NUMERIC", SORT_NUMERIC}};
    for (const auto& option : options) vm.Define(array, option.name, AsValue::Number(option.value));
    const NativeMethod methods[] = {{"push", Push},     {"pop", Pop},       {"shift", Shift},   {"unshift", Unshift},
                   {"slice", Slice},   {"splice", Splice}, {"join", Join},     {"toString", ToString},
                   {"reverse", Reverse}, {"concat", Concat}, {"sort", Sort},   {"sortOn", SortOn}};
    DefineMethods(vm, proto, methods);
}
