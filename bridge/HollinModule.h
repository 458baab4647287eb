#pragma once
// Hollin.dll's module state: its instance and the count of live objects and client locks
// that DllCanUnloadNow reads; and the exception boundary of everything it exports.
#include <windows.h>

#include <new>
#include <string>

namespace HollinModule {

HINSTANCE Instance();
// The full path of Hollin.dll itself.
std::string Path();
// Every live object and every client lock holds the module once.
void Lock();
void Unlock();
LONG LockCount();

// Runs the body of an exported function or a COM method: no exception may cross into the
// caller's code. Running out of memory is a failure the caller can handle; anything else is a
// fault of ours, reported as unexpected.
template <class Body>
HRESULT ComBoundary(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace HollinModule
