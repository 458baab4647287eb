#include "CString.h"

#include <algorithm>

int CString::Find(char c, int start) const
{
    if (start < 0 || start > GetLength()) return -1;
    std::size_t at = m_str.find(c, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char c) const
{
    std::size_t at = m_str.rfind(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return CString(m_str.substr(0, static_cast<std::size_t>(count)));
}

CString CString::Mid(int first) const
{
    first = std::clamp(first, 0, GetLength());
    return CString(m_str.substr(static_cast<std::size_t>(first)));
}
