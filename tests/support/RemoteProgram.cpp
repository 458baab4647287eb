#include "RemoteProgram.h"

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "Picture.h"

namespace {

struct FindRequest {
    DWORD processId;
    const char* className;
    const char* caption;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM param)
{
    auto* request = reinterpret_cast<FindRequest*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hWnd, &processId);
    if (processId != request->processId) return TRUE;
    if (request->visibleOnly && !::IsWindowVisible(hWnd)) return TRUE;
    char className[64] = {};
    ::GetClassNameA(hWnd, className, sizeof className);
    if (request->className && lstrcmpiA(className, request->className) != 0) return TRUE;
    if (request->caption && WindowText(hWnd) != request->caption) return TRUE;
    request->found.push_back(hWnd);
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM param)
{
    char className[16] = {};
    ::GetClassNameA(child, className, sizeof className);
    auto* longest = reinterpret_cast<std::string*>(param);
    if (lstrcmpiA(className, "Static") == 0 && !(::GetWindowLongPtrA(child, GWL_STYLE) & SS_ICON)) {
        std::string text = WindowText(child);
        if (text.size() > longest->size()) *longest = text;
    }
    return TRUE;
}

} // namespace

std::string WindowText(HWND hWnd)
{
    const int len = static_cast<int>(::SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<std::size_t>(len) + 1, '\0');
    ::SendMessageA(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string MessageText(HWND dialog)
{
    std::string text;
    ::EnumChildWindows(dialog, &CollectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

HWND FindChild(HWND parent, const char* className)
{
    return ::FindWindowExA(parent, nullptr, className, nullptr);
}

RemoteProgram::~RemoteProgram()
{
    if (!m_process.hProcess) return;
    if (IsRunning() && !Close(std::chrono::seconds(10))) ::TerminateProcess(m_process.hProcess, 1);
    ::WaitForSingleObject(m_process.hProcess, 10000);
    ::CloseHandle(m_process.hThread);
    ::CloseHandle(m_process.hProcess);
}

bool RemoteProgram::Start(const std::string& program, const std::string& commandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    return ::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process) != FALSE;
}

bool RemoteProgram::IsRunning() const
{
    return m_process.hProcess && ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> RemoteProgram::Windows(const char* className) const
{
    FindRequest request{m_process.dwProcessId, className, nullptr, true, {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&request));
    return request.found;
}

HWND RemoteProgram::WaitForWindow(const char* className, const char* caption, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        FindRequest request{m_process.dwProcessId, className, caption, true, {}};
        ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&request));
        if (!request.found.empty()) return request.found.front();
        if (!IsRunning() || std::chrono::steady_clock::now() > deadline) return nullptr;
        // Wakes early when the process ends.
        ::WaitForSingleObject(m_process.hProcess, 50);
    }
}

bool RemoteProgram::WaitUntilGone(HWND hWnd, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (::IsWindow(hWnd)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ::WaitForSingleObject(m_process.hProcess, 50);
    }
    return true;
}

bool RemoteProgram::WaitForExit(std::chrono::milliseconds timeout) const
{
    return ::WaitForSingleObject(m_process.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool RemoteProgram::Close(std::chrono::milliseconds timeout)
{
    FindRequest request{m_process.dwProcessId, nullptr, nullptr, false, {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&request));
    // Dialogs and message boxes first, so that the main window's loop is free to close.
    for (HWND hWnd : request.found) {
        char className[16] = {};
        ::GetClassNameA(hWnd, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0) ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
    }
    for (HWND hWnd : request.found) {
        char className[32] = {};
        ::GetClassNameA(hWnd, className, sizeof className);
        if (lstrcmpA(className, "TarnwickFrame") == 0) ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
    }
    return WaitForExit(timeout);
}

std::vector<std::string> RemoteListColumn(HWND listView, int column)
{
    std::vector<std::string> texts;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(listView, &processId);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return texts;
    constexpr SIZE_T kText = 4096;
    // The item record and its text buffer must live in the list's own process.
    char* remote = static_cast<char*>(::VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE));
    const int count = static_cast<int>(::SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count && remote; ++i) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = kText;
        ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        ::SendMessageA(listView, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        std::string text(kText, '\0');
        ::ReadProcessMemory(process, remote + sizeof(LVITEMA), text.data(), kText, nullptr);
        text.resize(std::strlen(text.c_str()));
        texts.push_back(text);
    }
    if (remote) ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    return texts;
}

DWORD RunToEnd(const std::string& commandLine, std::chrono::milliseconds timeout)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return ~0u;
    DWORD code = ~0u;
    if (::WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        ::WaitForSingleObject(::GetCurrentProcess(), 50);
    }
    return true;
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(search, &found))
        ::DeleteFileA((folder + "\\" + found.cFileName).c_str());
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
    ::RemoveDirectoryA(folder.c_str());
}

bool SaveScreenshot(const std::string& path)
{
    return SavePicture(ScreenArea({0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}), path);
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return "(no file)";
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
