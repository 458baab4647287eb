// LoadVars, XML, LocalConnection and SharedObject, and the loading methods of MovieClip. A
// movie reaches nothing outside the viewer: every load fails as it would without a network (a
// frame later, onData(undefined), or onLoad(false) when there is no onData), nothing is sent,
// no connection is made and nothing is stored.
#include "CScriptVM.h"

#include "ScriptInternal.h"

namespace {

using Args = std::vector<AsValue>;

bool IsFunction(const AsValue& value)
{
    return value.IsObject() && value.object->m_kind == AsKind::Function;
}

// Runs once for a load that failed: the loader hears of it as the player tells of a failure.
AsValue LoadFailed(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    Args none;
    const AsValue onData = vm.GetMember(self, "onData");
    if (IsFunction(onData) && onData.object->m_pFunction && !onData.object->m_pFunction->native) {
        Args data{AsValue{}};
        return vm.Call(onData, self, data);
    }
    Args failed{AsValue::Bool(false)};
    return vm.Call(vm.GetMember(self, "onLoad"), self, failed);
}

void FailLater(CScriptVM& vm, const AsValue& loader)
{
    if (!loader.IsObject()) return;
    vm.NewTimer(loader, AsValue::Object(vm.NewNative(LoadFailed)), std::string(), 0, {}, true);
}

AsValue Load(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (args.empty()) return AsValue::Bool(false);
    FailLater(vm, self);
    return AsValue::Bool(true);
}

AsValue SendAndLoad(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    if (args.size() < 2) return AsValue::Bool(false);
    FailLater(vm, args[1]);
    return AsValue::Bool(true);
}

AsValue False(CScriptVM&, const AsValue&, Args&, CAsObject*)
{
    return AsValue::Bool(false);
}

AsValue Nothing(CScriptVM&, const AsValue&, Args&, CAsObject*)
{
    return {};
}

AsValue Zero(CScriptVM&, const AsValue&, Args&, CAsObject*)
{
    return AsValue::Number(0);
}

AsValue Constructed(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    return vm.m_bConstructing ? self : AsValue{};
}

// "a=1&b=two%20words" onto the object's properties.
AsValue Decode(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    if (!self.IsObject()) return {};
    const std::string text = vm.ToText(Arg(args, 0));
    const AsValue unescape = vm.GetMember(AsValue::Object(vm.m_pGlobal), "unescape");
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t end = std::min(text.find('&', from), text.size());
        const std::string pair = text.substr(from, end - from);
        const std::size_t equals = pair.find('=');
        if (equals != std::string::npos && equals > 0) {
            Args name{vm.StrValue(pair.substr(0, equals))};
            Args value{vm.StrValue(pair.substr(equals + 1))};
            vm.SetMember(self, vm.ToText(vm.Call(unescape, AsValue{}, name)), vm.Call(unescape, AsValue{}, value));
        }
        from = end + 1;
    }
    return {};
}

AsValue Encode(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    if (!self.IsObject()) return vm.StrValue("");
    const AsValue escape = vm.GetMember(AsValue::Object(vm.m_pGlobal), "escape");
    std::string text;
    const auto properties = self.object->Ordered(false);
    for (auto property = properties.rbegin(); property != properties.rend(); ++property) {
        if (IsFunction((*property)->value)) continue;
        Args name{AsValue::String((*property)->name)};
        Args value{vm.ToStringValue((*property)->value)};
        if (!text.empty()) text += '&';
        text += vm.ToText(vm.Call(escape, AsValue{}, name)) + "=" + vm.ToText(vm.Call(escape, AsValue{}, value));
    }
    return vm.StrValue(std::move(text));
}

AsValue GetLocal(CScriptVM& vm, const AsValue&, Args&, CAsObject* callee)
{
    // A store that keeps nothing: data lives as long as the object, flush never writes.
    const AsValue prototype = vm.GetMember(AsValue::Object(callee), "__storeProto");
    CAsObject* store = vm.NewObject(AsKind::Plain, prototype.IsObject() ? prototype.object : nullptr);
    vm.SetMember(AsValue::Object(store), "data", AsValue::Object(vm.NewObject()));
    return AsValue::Object(store);
}

CAsObject* Class(CScriptVM& vm, const char* name, AsNative constructor)
{
    CAsObject* prototype = vm.NewObject();
    vm.Define(vm.m_pGlobal, name, AsValue::Object(vm.NewNative(constructor, prototype)));
    return prototype;
}

} // namespace

void InstallNetworkClasses(CScriptVM& vm)
{
    CAsObject* loadVars = Class(vm, "LoadVars", Constructed);
    const NativeMethod loadVarsMethods[] = {{"load", Load},       {"sendAndLoad", SendAndLoad}, {"send", False},
                                            {"decode", Decode},   {"toString", Encode},
                                            {"getBytesLoaded", Nothing}, {"getBytesTotal", Nothing}};
    DefineMethods(vm, loadVars, loadVarsMethods);

    CAsObject* xml = Class(vm, "XML", Constructed);
    const NativeMethod xmlMethods[] = {{"load", Load},       {"sendAndLoad", SendAndLoad}, {"send", False},
                                       {"getBytesLoaded", Nothing}, {"getBytesTotal", Nothing}};
    DefineMethods(vm, xml, xmlMethods);

    CAsObject* connection = Class(vm, "LocalConnection", Constructed);
    const NativeMethod connectionMethods[] = {{"connect", False}, {"send", False}, {"close", Nothing}};
    DefineMethods(vm, connection, connectionMethods);

    CAsObject* sharedObject = vm.NewObject();
    vm.Define(vm.m_pGlobal, "SharedObject", AsValue::Object(sharedObject));
    CAsObject* storeProto = vm.NewObject();
    const NativeMethod storeMethods[] = {{"flush", False}, {"clear", Nothing}, {"getSize", Zero}};
    DefineMethods(vm, storeProto, storeMethods);
    CAsObject* getLocal = vm.NewNative(GetLocal);
    vm.Define(getLocal, "__storeProto", AsValue::Object(storeProto));
    vm.Define(sharedObject, "getLocal", AsValue::Object(getLocal));

    const NativeMethod clipMethods[] = {{"loadMovie", Nothing}, {"loadVariables", Nothing}, {"unloadMovie", Nothing}};
    DefineMethods(vm, vm.m_pClipProto, clipMethods);
}
