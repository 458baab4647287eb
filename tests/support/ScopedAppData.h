#pragma once
// Points this process's APPDATA at another folder for as long as it lives, so that a test's
// per-user settings never reach the shared prefix's real application-data folder.
#include <windows.h>

#include <optional>
#include <string>

class ScopedAppData {
public:
    explicit ScopedAppData(const std::string& folder)
    {
        char old[MAX_PATH] = {};
        const DWORD len = ::GetEnvironmentVariableA("APPDATA", old, sizeof old);
        if (len > 0 && len < sizeof old) m_old = std::string(old, len);
        ::SetEnvironmentVariableA("APPDATA", folder.c_str());
    }
    ~ScopedAppData() { ::SetEnvironmentVariableA("APPDATA", m_old ? m_old->c_str() : nullptr); }
    ScopedAppData(const ScopedAppData&) = delete;
    ScopedAppData& operator=(const ScopedAppData&) = delete;

private:
    std::optional<std::string> m_old;
};
