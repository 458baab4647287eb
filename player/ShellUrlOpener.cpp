#include "ShellUrlOpener.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

void CShellUrlOpener::Open(const std::string& url)
{
    // The movie's text is UTF-8; the shell takes the address as UTF-16.
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, url.c_str(), -1, nullptr, 0);
    if (length <= 0) return;
    std::vector<wchar_t> wide(static_cast<std::size_t>(length));
    ::MultiByteToWideChar(CP_UTF8, 0, url.c_str(), -1, wide.data(), length);
    ::ShellExecuteW(nullptr, L"open", wide.data(), nullptr, nullptr, SW_SHOWNORMAL);
}
