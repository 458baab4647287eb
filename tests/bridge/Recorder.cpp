// Stands in for drovane.exe in the bridge tests: appends its whole command line and a line
// feed to the file named by TARNWICK_RECORD_FILE, then releases the semaphore named by
// TARNWICK_RECORD_SIGNAL, so that a test can wait for each start.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char file[MAX_PATH] = {};
    char signal[MAX_PATH] = {};
    if (!::GetEnvironmentVariableA("TARNWICK_RECORD_FILE", file, MAX_PATH) ||
        !::GetEnvironmentVariableA("TARNWICK_RECORD_SIGNAL", signal, MAX_PATH))
        return 2;
    // Several recorders may run at once; each record is one whole line.
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, "TarnwickRecorderFile");
    ::WaitForSingleObject(mutex, 30000);
    HANDLE out = ::CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    const char* line = ::GetCommandLineA();
    DWORD written = 0;
    ::WriteFile(out, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    ::WriteFile(out, "\n", 1, &written, nullptr);
    ::CloseHandle(out);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
    HANDLE semaphore = ::OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, signal);
    if (semaphore) {
        ::ReleaseSemaphore(semaphore, 1, nullptr);
        ::CloseHandle(semaphore);
    }
    return 0;
}
