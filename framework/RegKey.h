#pragma once
// An open registry key, closed when the object goes.
#include <windows.h>

class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_hKey(other.m_hKey) { other.m_hKey = nullptr; }

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

private:
    HKEY m_hKey = nullptr;
};
