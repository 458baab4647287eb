#include "TaskText.h"

#include <string>
#include <unordered_set>

#include "HttpAddress.h"

CString FileNameOfAddress(const CString& address)
{
    const int slash = address.ReverseFind('/');
    if (slash > 0) return address.Mid(slash + 1);
    return address.Mid(1);
}

void RemoveDuplicates(CStringArray& list)
{
    // One pass with a set of the entries kept so far: linear, and the same result as removing
    // every later copy of each entry in turn.
    std::unordered_set<std::string_view> seen;
    CStringArray kept;
    for (int i = 0; i < list.GetSize(); ++i) {
        if (seen.insert(list[i].View()).second) kept.Add(list[i]);
    }
    // The views point into `list`; copy before it changes.
    list.Copy(kept);
}

CString SizeText(const char* lengthText)
{
    if (!lengthText || !*lengthText) return "Unknown Size";
    const long long n = ReadDecimal(lengthText);
    if (n >= 1024) return CString(std::to_string(n / 1024) + "KB");
    return CString(std::string(lengthText) + "byte");
}

CStringArray SplitMovieList(const CString& text)
{
    CStringArray list;
    int start = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text.GetAt(i) != ',') continue;
        list.Add(CString(text.View().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start))));
        start = i + 1;
    }
    return list;
}
