#pragma once
// Zero-terminated ANSI text that owns its buffer. Platform-neutral.
#include <cstddef>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_str(text ? text : "") {}
    CString(const char* text, std::size_t len) : m_str(text, len) {}
    CString(std::string_view text) : m_str(text) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator const char*() const { return m_str.c_str(); }
    const char* GetString() const { return m_str.c_str(); }
    char GetAt(int index) const { return m_str[static_cast<std::size_t>(index)]; }
    std::string_view View() const { return m_str; }

    CString& operator+=(std::string_view text) { m_str += text; return *this; }
    CString& operator+=(char c) { m_str += c; return *this; }
    friend CString operator+(const CString& a, std::string_view b) { CString r(a); r += b; return r; }
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.m_str == (b ? b : ""); }

    int Find(char c, int start = 0) const;
    int ReverseFind(char c) const;
    CString Left(int count) const;
    CString Mid(int first) const;

private:
    std::string m_str;
};
