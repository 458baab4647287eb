#pragma once
// What the window tests share: the application object (name "Tarnwick", profile under
// HKCU\Software\Orlebar\Tarnwick), a clean profile, and the answering of message boxes.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "CWinApp.h"
#include "OwnerWindow.h"   // PumpUntil

class CUiTestApp : public CWinApp {
public:
    CUiTestApp();
};

// Removes HKCU\Software\Orlebar\Tarnwick and everything below it.
void ClearProfile();

// The text of one cell of a list view of this process.
std::string ListItemText(HWND list, int row, int column);

// While it lives, every message box this thread opens is recorded and answered at once with
// the given button, the way a user would click it; nothing waits a fixed time.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(int answer = IDOK, const char* caption = "Tarnwick");
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    std::vector<std::string> texts;   // the message of each box, in order
    std::vector<HWND> owners;         // the owner window of each box

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    int m_answer;
    std::string m_caption;
    HHOOK m_hook;
};

