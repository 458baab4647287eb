#include "CIniFile.h"

#include <windows.h>

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

bool CIniFile::WriteString(const char* section, const char* key, const char* value)
{
    return ::WritePrivateProfileStringA(section, key, value, *m_pPath) != FALSE;
}

bool CIniFile::ReadBool(const char* section, const char* key, bool defaultValue) const
{
    const int value = static_cast<int>(::GetPrivateProfileIntA(section, key, -1, *m_pPath));
    if (value == -1) return defaultValue;
    return value == 1;
}

bool CIniFile::WriteBool(const char* section, const char* key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}
