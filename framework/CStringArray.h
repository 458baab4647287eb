#pragma once
// An ordered list of CString. Platform-neutral.
#include "CString.h"

#include <vector>

class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const CString& GetAt(int index) const { return m_items.at(static_cast<std::size_t>(index)); }
    const CString& operator[](int index) const { return GetAt(index); }

    int Add(const CString& value) { m_items.push_back(value); return GetSize() - 1; }
    void RemoveAll() { m_items.clear(); }
    // Replaces the whole contents with a copy of another list.
    void Copy(const CStringArray& other) { m_items = other.m_items; }

private:
    std::vector<CString> m_items;
};
