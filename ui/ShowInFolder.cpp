#include "ShowInFolder.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "ScopedHandles.h"
#include "WinStrings.h"

bool ShowInFolder(const std::string& path)
{
    // The shell reuses an Explorer window that shows the folder already. It needs COM in this
    // thread, which the program has started (OLE) before any window.
    const std::wstring wide = WideText(path);
    const TaskMemory<ITEMIDLIST> item(::ILCreateFromPathW(wide.c_str()));
    if (item && SUCCEEDED(::SHOpenFolderAndSelectItems(item.Get(), 0, nullptr, 0))) return true;
    // Systems without it (Wine has none) take Explorer's own command line.
    const std::string arguments = "/select,\"" + path + "\"";
    const auto started = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, "open", "explorer.exe", arguments.c_str(), nullptr, SW_SHOWNORMAL));
    return started > 32;
}
