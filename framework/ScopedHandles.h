#pragma once
// The owners of the OS handles our code holds: files (and temporary files), registry keys, COM
// interfaces, critical sections, GDI objects, menus, image lists, global and COM task memory, a
// window's DC and the open clipboard. Each releases its handle once, when it is replaced or goes; none can be
// copied. Header-only, so that Hollin.dll, which does not link the framework, uses them too.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>
#include <utility>
#include <vector>

// A handle released by Traits::Close; Traits::Invalid() is the value that holds nothing.
template <class Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : m_handle(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : m_handle(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }

    void Reset(Handle handle = Traits::Invalid())
    {
        if (IsValid() && m_handle != handle) Traits::Close(m_handle);
        m_handle = handle;
    }
    // Releases the handle now; false when the system refused (a file's last write can fail here).
    bool Close()
    {
        const bool closed = !IsValid() || Traits::Close(m_handle);
        m_handle = Traits::Invalid();
        return closed;
    }
    // Gives up ownership: the caller (or the system) releases the handle.
    Handle Release() { return std::exchange(m_handle, Traits::Invalid()); }
    Handle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

private:
    Handle m_handle = Traits::Invalid();
};

namespace handle_traits {

struct File {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle handle) { return ::CloseHandle(handle) != 0; }
};
template <class T>
struct GdiObject {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return ::DeleteObject(handle) != 0; }
};
struct Cursor {
    using Handle = HCURSOR;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return ::DestroyCursor(handle) != 0; }
};
struct Menu {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return ::DestroyMenu(handle) != 0; }
};
struct ImageList {
    using Handle = HIMAGELIST;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return ::ImageList_Destroy(handle) != 0; }
};
struct GlobalMemory {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle handle) { return ::GlobalFree(handle) == nullptr; }
};
template <class T>
struct TaskMemory {
    using Handle = T*;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle memory)
    {
        ::CoTaskMemFree(memory);
        return true;
    }
};

} // namespace handle_traits

// A kernel handle of a file (CreateFile's failure value, INVALID_HANDLE_VALUE, holds nothing).
using FileHandle = ScopedHandle<handle_traits::File>;
using OwnedFont = ScopedHandle<handle_traits::GdiObject<HFONT>>;
using OwnedBitmap = ScopedHandle<handle_traits::GdiObject<HBITMAP>>;
using OwnedBrush = ScopedHandle<handle_traits::GdiObject<HBRUSH>>;
using OwnedRegion = ScopedHandle<handle_traits::GdiObject<HRGN>>;
// Only for cursors the holder made (CopyCursor, CreateCursor), never for shared ones.
using OwnedCursor = ScopedHandle<handle_traits::Cursor>;
using MenuHandle = ScopedHandle<handle_traits::Menu>;
using ImageListHandle = ScopedHandle<handle_traits::ImageList>;
using GlobalMemory = ScopedHandle<handle_traits::GlobalMemory>;
// Memory the shell or COM allocated for us (an item list, a string).
template <class T>
using TaskMemory = ScopedHandle<handle_traits::TaskMemory<T>>;

// One reference to a COM interface.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }

    // Where a call that hands out a reference puts it; whatever was held is released first.
    Interface** Put()
    {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    // Takes over a reference the caller holds (a new object's first one, say).
    void Attach(Interface* pointer)
    {
        Reset();
        m_p = pointer;
    }
    void Reset()
    {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }
    // Hands the reference to the caller.
    Interface* Detach() { return std::exchange(m_p, nullptr); }
    Interface* Get() const { return m_p; }
    Interface* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    Interface* m_p = nullptr;
};

// A critical section and the guard that holds it for one scope.
class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&m_section); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { ::EnterCriticalSection(&m_section); }
    void Leave() { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& section) : m_section(section) { m_section.Enter(); }
    ~CriticalSectionLock() { m_section.Leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& m_section;
};

// The device context of a window's client area, for measuring or drawing outside WM_PAINT.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_hWnd(window), m_hDC(::GetDC(window)) {}
    ~WindowDC()
    {
        if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return m_hDC; }
    explicit operator bool() const { return m_hDC != nullptr; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// The clipboard, open for one window while the object lives (when it could be opened).
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : m_bOpen(::OpenClipboard(owner) != FALSE) {}
    ~ClipboardSession()
    {
        if (m_bOpen) ::CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;

    bool IsOpen() const { return m_bOpen; }

private:
    bool m_bOpen;
};

// A file written under a name of its own beside its target and then renamed over it, so that
// the target is never left half written; removed unless it took the target's place.
class TemporaryFile {
public:
    // A new empty file in the folder ("" for the current one); none when it cannot be made.
    explicit TemporaryFile(const std::string& folder)
    {
        char path[MAX_PATH] = {};
        if (::GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "twk", 0, path)) m_path = path;
    }
    ~TemporaryFile()
    {
        if (!m_path.empty() && !m_bMoved) ::DeleteFileA(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool IsCreated() const { return !m_path.empty(); }
    const char* Path() const { return m_path.c_str(); }
    // Takes the target's place, replacing a file of that name.
    bool MoveOver(const char* target)
    {
        if (m_path.empty() || !::MoveFileExA(m_path.c_str(), target, MOVEFILE_REPLACE_EXISTING)) return false;
        m_bMoved = true;
        return true;
    }

private:
    std::string m_path;
    bool m_bMoved = false;
};

// An open registry key, with the reads of its values typed at the edge.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_hKey(std::exchange(other.m_hKey, nullptr)) {}

    LONG Create(HKEY parent, const char* subkey)
    {
        Close();
        return ::RegCreateKeyExA(parent, subkey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_hKey, nullptr);
    }
    LONG Open(HKEY parent, const char* subkey, REGSAM access = KEY_READ)
    {
        Close();
        return ::RegOpenKeyExA(parent, subkey, 0, access, &m_hKey);
    }
    void Close()
    {
        if (m_hKey) ::RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
    HKEY Get() const { return m_hKey; }
    explicit operator bool() const { return m_hKey != nullptr; }

    // A value's data as text up to its first zero (a stored string need not end in one), and
    // its type; a null name is the key's default value. The text is left alone on failure.
    LONG QueryText(const char* name, std::string& text, DWORD* type = nullptr) const
    {
        DWORD size = 0;
        DWORD kind = 0;
        LONG result = ::RegQueryValueExA(m_hKey, name, nullptr, &kind, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        std::vector<char> data(size + 1, '\0');
        result = ::RegQueryValueExA(m_hKey, name, nullptr, &kind, reinterpret_cast<BYTE*>(data.data()), &size);
        if (result != ERROR_SUCCESS) return result;
        text = data.data();
        if (type) *type = kind;
        return ERROR_SUCCESS;
    }
    // A REG_DWORD value; ERROR_INVALID_DATATYPE for a value of another type.
    LONG QueryDword(const char* name, DWORD& value) const
    {
        DWORD data = 0;
        DWORD size = sizeof data;
        DWORD kind = 0;
        const LONG result = ::RegQueryValueExA(m_hKey, name, nullptr, &kind, reinterpret_cast<BYTE*>(&data), &size);
        if (result != ERROR_SUCCESS) return result;
        if (kind != REG_DWORD) return ERROR_INVALID_DATATYPE;
        value = data;
        return ERROR_SUCCESS;
    }

private:
    HKEY m_hKey = nullptr;
};
