#pragma once
// Hollin.dll's module state: its instance and the count of live objects and client locks
// that DllCanUnloadNow reads.
#include <windows.h>

#include <string>

namespace HollinModule {

HINSTANCE Instance();
// The full path of Hollin.dll itself.
std::string Path();
// Every live object and every client lock holds the module once.
void Lock();
void Unlock();
LONG LockCount();

} // namespace HollinModule
