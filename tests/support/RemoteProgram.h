#pragma once
// Runs a program of ours in a process of its own and looks at its windows the way a user
// would: finds them, reads their texts and list rows, answers message boxes, closes them.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class RemoteProgram {
public:
    RemoteProgram() = default;
    // Closes the program if it still runs: WM_CLOSE first, termination as the last resort.
    ~RemoteProgram();
    RemoteProgram(const RemoteProgram&) = delete;
    RemoteProgram& operator=(const RemoteProgram&) = delete;

    // The whole command line, the program's name first, exactly as it is to arrive.
    bool Start(const std::string& program, const std::string& commandLine);
    // A visible top-level window of the process with this class and caption; null after the
    // time-out or when the process ends first.
    HWND WaitForWindow(const char* className, const char* caption, std::chrono::milliseconds timeout) const;
    // The top-level windows of the process with this class (e.g. "#32770" for message boxes).
    std::vector<HWND> Windows(const char* className) const;
    // Until the window is gone; false after the time-out.
    bool WaitUntilGone(HWND hWnd, std::chrono::milliseconds timeout) const;
    bool WaitForExit(std::chrono::milliseconds timeout) const;
    // Until the program waits for input with nothing left to do (start-up is over).
    bool WaitForIdle(std::chrono::milliseconds timeout) const
    {
        return ::WaitForInputIdle(m_process.hProcess, static_cast<DWORD>(timeout.count())) == 0;
    }
    bool Close(std::chrono::milliseconds timeout);
    bool IsRunning() const;
    DWORD ProcessId() const { return m_process.dwProcessId; }

private:
    PROCESS_INFORMATION m_process{};
};

// "Z:\..." for a path of the Linux file system, as Wine's programs see it.
std::string WindowsPath(const std::string& unixPath);
// The longest text of the static controls of a dialog: a message box's message.
std::string MessageText(HWND dialog);
std::string WindowText(HWND hWnd);
HWND FindChild(HWND parent, const char* className);
// The texts of one column of a list view in another process.
std::vector<std::string> RemoteListColumn(HWND listView, int column);

// Runs a command line to its end: its exit code, or ~0 when it could not start or ran past
// the time-out.
DWORD RunToEnd(const std::string& commandLine, std::chrono::milliseconds timeout);
// Another process's windows and files can only be looked at: checks `done` every 50 ms until
// it holds (true) or the time runs out (false).
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// Deletes the files in a folder, then the folder.
void RemoveFolder(const std::string& folder);
// The whole content of a file, or "(no file)" when it cannot be read.
std::string FileBytes(const std::string& path);

// Saves what the screen shows as a 24-bit BMP file (a test artifact a person can look at).
bool SaveScreenshot(const std::string& path);
