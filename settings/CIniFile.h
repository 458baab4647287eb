#pragma once
// Reads and writes one INI file through the Windows profile functions; nothing is cached.
#include <memory>

#include "CString.h"

class CIniFile {
public:
    CIniFile();
    virtual ~CIniFile();
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    void SetPath(const char* path);
    const CString& GetPath() const { return *m_pPath; }

    // At most 127 characters; a key present with an empty value gives the empty text.
    CString ReadString(const char* section, const char* key, const char* defaultValue) const;
    // False when the file could not be written (a folder the user may not write to, say).
    bool WriteString(const char* section, const char* key, const char* value);
    // 1 is true, an absent key (or -1) gives the default, anything else is false.
    bool ReadBool(const char* section, const char* key, bool defaultValue) const;
    bool WriteBool(const char* section, const char* key, bool value);

    static constexpr int kMaxValue = 127;

private:
    std::unique_ptr<CString> m_pPath;
};
