// download_bench FOLDER URL [URL...]
// The whole download path: one CDownloadFile per address, all at once, an owner window that
// handles every progress message as the main frame does (reads the length and the count,
// formats the texts), the files written into FOLDER. Prints the time and the peak memory as
// "key=value" lines for bench/fetch-bench.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "CDownloadFile.h"
#include "TaskText.h"

namespace {

struct Progress {
    std::vector<std::shared_ptr<CDownloadLink>> links;
    std::vector<long long> sizes;
    int done = 0;
    int failed = 0;
    CString lastText;   // keeps the formatting from being optimised away
};

Progress* g_progress = nullptr;

LRESULT CALLBACK OwnerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Progress& p = *g_progress;
    if (message == WM_DOWNLOAD_PROGRESS) {
        const std::size_t row = static_cast<std::size_t>(lParam);
        if (wParam == DL_HEAD) p.sizes[row] = ReadDecimal(p.links[row]->GetLengthText());
        if (wParam == DL_PIECE) p.lastText = ProgressText(p.links[row]->GetReceived(), p.sizes[row]);
        if (wParam == DL_DONE) ++p.done;
        return 0;
    }
    if (message == WM_NET_STATUS) {
        if (wParam != NET_CONNECTED && wParam != NET_RECEIVING && wParam != NET_SOCKET_CREATED) ++p.failed;
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: download_bench FOLDER URL [URL...]\n");
        return 2;
    }
    WNDCLASSA cls{};
    cls.lpfnWndProc = OwnerProc;
    cls.hInstance = ::GetModuleHandleA(nullptr);
    cls.lpszClassName = "DownloadBenchOwner";
    ::RegisterClassA(&cls);
    HWND owner = ::CreateWindowA(cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);

    Progress progress;
    g_progress = &progress;
    const int count = argc - 2;
    progress.sizes.assign(static_cast<std::size_t>(count), 0);

    PROCESS_MEMORY_COUNTERS before{};
    before.cb = sizeof before;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        auto* worker = static_cast<CDownloadFile*>(CDownloadFile::classCDownloadFile.CreateObject());
        worker->SetOwner(owner, i);
        worker->SetUrl(argv[i + 2]);
        worker->SetSavePath(argv[1]);
        progress.links.push_back(worker->GetLink());
        worker->CreateThread();
    }
    MSG msg;
    while (progress.done + progress.failed < count && ::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    ::QueryPerformanceCounter(&end);

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
    std::printf("seconds=%.4f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    std::printf("working_set_before_mib=%.1f\n", before.WorkingSetSize / 1048576.0);
    std::printf("peak_working_set_mib=%.1f\n", memory.PeakWorkingSetSize / 1048576.0);
    std::printf("done=%d failed=%d\n", progress.done, progress.failed);
    return progress.failed == 0 ? 0 : 1;
}
