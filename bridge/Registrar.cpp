#include "Registrar.h"

#include "ScopedHandles.h"

namespace {

HKEY RootKey(const std::string& name)
{
    const auto is = [&](const char* a, const char* b) {
        return ::lstrcmpiA(name.c_str(), a) == 0 || ::lstrcmpiA(name.c_str(), b) == 0;
    };
    if (is("HKCR", "HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
    if (is("HKCU", "HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
    if (is("HKLM", "HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
    if (is("HKU", "HKEY_USERS")) return HKEY_USERS;
    return nullptr;
}

LONG SetString(HKEY key, const char* name, const std::string& text)
{
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
}

LONG DeleteTree(HKEY parent, const std::string& name)
{
    const LONG result = ::RegDeleteTreeA(parent, name.c_str());
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

LONG Register(HKEY parent, const RegistryKeyNode& node)
{
    if (node.forceRemove) {
        if (const LONG result = DeleteTree(parent, node.name); result != ERROR_SUCCESS) return result;
    }
    RegKey key;
    if (const LONG result = key.Create(parent, node.name.c_str()); result != ERROR_SUCCESS) return result;
    if (node.defaultValue) {
        if (const LONG result = SetString(key.Get(), nullptr, *node.defaultValue); result != ERROR_SUCCESS) return result;
    }
    for (const RegistryNamedValue& value : node.values) {
        if (const LONG result = SetString(key.Get(), value.name.c_str(), value.text); result != ERROR_SUCCESS) return result;
    }
    for (const RegistryKeyNode& child : node.children) {
        if (const LONG result = Register(key.Get(), child); result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

LONG Unregister(HKEY parent, const RegistryKeyNode& node)
{
    if (!node.noRemove) return DeleteTree(parent, node.name);
    RegKey key;
    const LONG opened = key.Open(parent, node.name.c_str(), KEY_READ | KEY_WRITE);
    if (opened == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (opened != ERROR_SUCCESS) return opened;
    LONG first = ERROR_SUCCESS;
    for (const RegistryKeyNode& child : node.children) {
        const LONG result = Unregister(key.Get(), child);
        if (first == ERROR_SUCCESS) first = result;
    }
    return first;
}

} // namespace

HRESULT ApplyRegistryScript(const RegistryScript& script, bool registering)
{
    for (const RegistryKeyNode& root : script.roots) {
        const HKEY rootKey = RootKey(root.name);
        if (!rootKey) return E_INVALIDARG;
        for (const RegistryKeyNode& node : root.children) {
            const LONG result = registering ? Register(rootKey, node) : Unregister(rootKey, node);
            if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
        }
    }
    return S_OK;
}
