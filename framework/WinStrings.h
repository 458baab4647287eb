#pragma once
// Texts the system hands out or takes in: a module's file name and folder, and the conversions
// between the code page's bytes and UTF-16. Header-only, for Hollin.dll too.
#include <windows.h>

#include <string>
#include <string_view>

// The full file name of a module (null: the program), however long; empty on failure.
inline std::string ModulePath(HMODULE module = nullptr)
{
    // GetModuleFileNameA fills the whole buffer when the name does not fit; grow until it does.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD len = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (len == 0) return {};
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The folder of a module, without a trailing backslash; empty when its name has no backslash.
inline std::string ModuleFolder(HMODULE module = nullptr)
{
    const std::string path = ModulePath(module);
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The text in UTF-16; characters of `codePage` (the system's ANSI code page unless told).
inline std::wstring WideText(std::string_view text, UINT codePage = CP_ACP)
{
    if (text.empty()) return {};
    const int len = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(len > 0 ? len : 0), L'\0');
    if (len > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), len);
    return wide;
}

// The UTF-16 text in `codePage`. `exact` (when given) tells whether every character had a
// form there; the system puts a stand-in for the others.
inline std::string NarrowText(std::wstring_view text, UINT codePage = CP_ACP, bool* exact = nullptr)
{
    if (exact) *exact = true;
    if (text.empty()) return {};
    // UTF-8 has every character and takes no default-character flag.
    BOOL usedDefault = FALSE;
    BOOL* askDefault = exact && codePage != CP_UTF8 ? &usedDefault : nullptr;
    const DWORD flags = askDefault ? WC_NO_BEST_FIT_CHARS : 0;
    const int len = ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, askDefault);
    std::string narrow(static_cast<std::size_t>(len > 0 ? len : 0), '\0');
    if (len > 0)
        ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), narrow.data(), len, nullptr,
                              askDefault);
    if (exact && usedDefault) *exact = false;
    return narrow;
}
