#pragma once
// One OS handle that the holder owns and releases once, when it is replaced or goes.
#include <windows.h>

template <class Handle, void (*Release)(Handle)>
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(Handle handle) : m_handle(handle) {}
    ~OwnedHandle() { Reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    void Reset(Handle handle = nullptr)
    {
        if (m_handle && m_handle != handle) Release(m_handle);
        m_handle = handle;
    }
    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    Handle m_handle = nullptr;
};

inline void ReleaseFont(HFONT font) { ::DeleteObject(font); }
inline void ReleaseCursor(HCURSOR cursor) { ::DestroyCursor(cursor); }

using OwnedFont = OwnedHandle<HFONT, &ReleaseFont>;
// Only for cursors the holder made (CopyCursor, CreateCursor), never for shared ones.
using OwnedCursor = OwnedHandle<HCURSOR, &ReleaseCursor>;
