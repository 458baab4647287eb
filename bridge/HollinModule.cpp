// The module and its four exported entry points.
#include "HollinModule.h"

#include <objbase.h>
#include <olectl.h>

#include <map>
#include <new>

#include "CQuorvel.h"
#include "Registrar.h"
#include "ScopedHandles.h"
#include "WinStrings.h"
#include "hollin.h"

namespace {

HINSTANCE g_instance = nullptr;
LONG g_lockCount = 0;
CriticalSection g_factoryLock;
// Created on the first request and kept until the module unloads; it does not hold the
// module, as clients may keep it cached while the module could unload.
IClassFactory* g_factory = nullptr;

constexpr WORD kRegistryScriptId = 102;

} // namespace

namespace HollinModule {

HINSTANCE Instance() { return g_instance; }

std::string Path() { return ModulePath(g_instance); }

void Lock() { ::InterlockedIncrement(&g_lockCount); }
void Unlock() { ::InterlockedDecrement(&g_lockCount); }
LONG LockCount() { return ::InterlockedCompareExchange(&g_lockCount, 0, 0); }

} // namespace HollinModule

namespace {

// The registration script from the resources, with the module's path for %MODULE%.
HRESULT LoadScript(RegistryScript& script)
{
    HRSRC found = ::FindResourceA(g_instance, MAKEINTRESOURCEA(kRegistryScriptId), "REGISTRY");
    HGLOBAL loaded = found ? ::LoadResource(g_instance, found) : nullptr;
    const char* text = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (!text) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    const std::string_view script_text(text, ::SizeofResource(g_instance, found));
    std::string error;
    const std::map<std::string, std::string> markers{{"MODULE", HollinModule::Path()}};
    return ParseRegistryScript(script_text, markers, script, error) ? S_OK : E_UNEXPECTED;
}

HRESULT RegisterTypeLibrary(bool registering)
{
    std::wstring widePath = WideText(HollinModule::Path());
    ComPtr<ITypeLib> library;
    HRESULT hr = ::LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, library.Put());
    if (FAILED(hr)) return hr;
    if (registering) {
        // Registered with the module's path as it stands (REGKIND_REGISTER would write the
        // path the loader resolved, which may carry a "\\?\" prefix).
        return ::RegisterTypeLib(library.Get(), widePath.data(), nullptr);
    }
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (SUCCEEDED(hr)) {
        hr = ::UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                 attributes->lcid, attributes->syskind);
        library->ReleaseTLibAttr(attributes);
    }
    return hr;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        // At process exit (reserved set) other modules may be gone already: leave it to the OS.
        if (!reserved) {
            delete static_cast<CQuorvelFactory*>(g_factory);
            g_factory = nullptr;
        }
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!::IsEqualCLSID(clsid, CLSID_Quorvel)) return CLASS_E_CLASSNOTAVAILABLE;
    IClassFactory* factory = nullptr;
    {
        CriticalSectionLock lock(g_factoryLock);
        if (!g_factory) g_factory = new (std::nothrow) CQuorvelFactory;
        factory = g_factory;
    }
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow()
{
    return HollinModule::LockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    return HollinModule::ComBoundary([] {
        RegistryScript script;
        HRESULT hr = LoadScript(script);
        if (SUCCEEDED(hr)) hr = ApplyRegistryScript(script, true);
        if (SUCCEEDED(hr)) hr = RegisterTypeLibrary(true);
        return hr;
    });
}

STDAPI DllUnregisterServer()
{
    return HollinModule::ComBoundary([] {
        RegistryScript script;
        if (SUCCEEDED(LoadScript(script))) ApplyRegistryScript(script, false);
        RegisterTypeLibrary(false);
        return S_OK;
    });
}
