// The module and its four exported entry points.
#include "HollinModule.h"

#include <objbase.h>
#include <olectl.h>

#include <map>
#include <new>

#include "CQuorvel.h"
#include "Registrar.h"
#include "hollin.h"

namespace {

HINSTANCE g_instance = nullptr;
LONG g_lockCount = 0;
CRITICAL_SECTION g_factoryLock;
// Created on the first request and kept until the module unloads; it does not hold the
// module, as clients may keep it cached while the module could unload.
IClassFactory* g_factory = nullptr;

constexpr WORD kRegistryScriptId = 102;

} // namespace

namespace HollinModule {

HINSTANCE Instance() { return g_instance; }

std::string Path()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD len = ::GetModuleFileNameA(g_instance, path.data(), static_cast<DWORD>(path.size()));
        if (len == 0) return {};
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

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
    const std::string path = HollinModule::Path();
    std::wstring widePath(path.size(), L'\0');
    widePath.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), widePath.data(),
                              static_cast<int>(widePath.size()))));
    ITypeLib* library = nullptr;
    HRESULT hr = ::LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    if (registering) {
        // Registered with the module's path as it stands (REGKIND_REGISTER would write the
        // path the loader resolved, which may carry a "\\?\" prefix).
        hr = ::RegisterTypeLib(library, widePath.data(), nullptr);
    } else {
        TLIBATTR* attributes = nullptr;
        hr = library->GetLibAttr(&attributes);
        if (SUCCEEDED(hr)) {
            hr = ::UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                     attributes->lcid, attributes->syskind);
            library->ReleaseTLibAttr(attributes);
        }
    }
    library->Release();
    return hr;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        ::DisableThreadLibraryCalls(instance);
        ::InitializeCriticalSection(&g_factoryLock);
    } else if (reason == DLL_PROCESS_DETACH) {
        // At process exit (reserved set) other modules may be gone already: leave it to the OS.
        if (!reserved) {
            delete static_cast<CQuorvelFactory*>(g_factory);
            g_factory = nullptr;
            ::DeleteCriticalSection(&g_factoryLock);
        }
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!::IsEqualCLSID(clsid, CLSID_Quorvel)) return CLASS_E_CLASSNOTAVAILABLE;
    ::EnterCriticalSection(&g_factoryLock);
    if (!g_factory) g_factory = new (std::nothrow) CQuorvelFactory;
    IClassFactory* factory = g_factory;
    ::LeaveCriticalSection(&g_factoryLock);
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow()
{
    return HollinModule::LockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    RegistryScript script;
    HRESULT hr = LoadScript(script);
    if (SUCCEEDED(hr)) hr = ApplyRegistryScript(script, true);
    if (SUCCEEDED(hr)) hr = RegisterTypeLibrary(true);
    return hr;
}

STDAPI DllUnregisterServer()
{
    RegistryScript script;
    if (SUCCEEDED(LoadScript(script))) ApplyRegistryScript(script, false);
    RegisterTypeLibrary(false);
    return S_OK;
}
