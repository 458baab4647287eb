// Stands in for a browser or a mail program: writes the command line it was started with into
// "recorded.txt" beside itself and ends. The file appears under that name only once it is whole.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char module[MAX_PATH] = {};
    const std::string path(module, ::GetModuleFileNameA(nullptr, module, MAX_PATH));
    const std::string record = path.substr(0, path.find_last_of('\\') + 1) + "recorded.txt";
    const std::string part = record + ".part";

    HANDLE file = ::CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = ::GetCommandLineA();
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    ::CloseHandle(file);
    return ok && ::MoveFileExA(part.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
