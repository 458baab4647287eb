#include "CIniFile.h"

#include <windows.h>

#include <vector>

CIniFile::CIniFile() : m_pPath(std::make_unique<CString>()) {}

CIniFile::~CIniFile() = default;

void CIniFile::SetPath(const char* path)
{
    *m_pPath = path;
}

CString CIniFile::ReadString(const char* section, const char* key, const char* defaultValue) const
{
    char buffer[kMaxValue + 1] = {};
    const DWORD len = ::GetPrivateProfileStringA(section, key, defaultValue, buffer, sizeof buffer, *m_pPath);
    return CString(buffer, len);
}

void CIniFile::WriteString(const char* section, const char* key, const char* value)
{
    ::WritePrivateProfileStringA(section, key, value, *m_pPath);
}

bool CIniFile::ReadBool(const char* section, const char* key, bool defaultValue) const
{
    const int value = static_cast<int>(::GetPrivateProfileIntA(section, key, -1, *m_pPath));
    if (value == -1) return defaultValue;
    return value == 1;
}

void CIniFile::WriteBool(const char* section, const char* key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

CString GetModuleDir()
{
    // GetModuleFileNameA fills the whole buffer when the name does not fit; grow until it does.
    std::vector<char> name(MAX_PATH);
    for (;;) {
        const DWORD len = ::GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (len == 0) return CString();
        if (len < name.size()) {
            CString path(name.data(), len);
            const int slash = path.ReverseFind('\\');
            return slash < 0 ? path : path.Left(slash);
        }
        name.resize(name.size() * 2);
    }
}
