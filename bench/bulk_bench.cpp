// bulk_bench PAGE_URL FOLDER [SIMULTANEOUS]
// A page of many movies through the real main window: the New Task dialog scans the page and
// fills the task list, then Download > Start downloads every row into FOLDER, at most
// SIMULTANEOUS (6 by default) at once. Prints the scan and download times, the rows that
// arrived and the most threads the process had, as "key=value" lines for bench/bulk-bench.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "CDrovaneDoc.h"
#include "CDrovaneView.h"
#include "CMainFrame.h"
#include "CNewTaskDlg.h"
#include "CPropertysIni.h"
#include "CSingleDocTemplate.h"
#include "CWinApp.h"
#include "OwnerWindow.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

constexpr const char* kRegistryKey = "TarnwickBench";

class CBenchApp : public CWinApp {
public:
    CBenchApp() : CWinApp("Tarnwick") {}
};
CBenchApp theApp;

// Counts the process's threads every 20 ms on a thread of its own (a snapshot costs
// milliseconds under Wine: on the window's thread it would slow the downloads it measures). The
// sampler itself is not counted.
class ThreadSampler {
public:
    ThreadSampler()
        : m_thread([this] {
              while (!m_stop.load()) {
                  m_peak = std::max(m_peak.load(), ThreadCount() - 1);
                  std::this_thread::sleep_for(20ms);
              }
          })
    {
    }
    std::size_t Stop()
    {
        m_stop = true;
        m_thread.join();
        return m_peak;
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_peak{0};
    std::thread m_thread;
};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bulk_bench PAGE_URL FOLDER [SIMULTANEOUS]\n");
        return 2;
    }
    theApp.m_hInstance = ::GetModuleHandleA(nullptr);
    theApp.SetRegistryKey(kRegistryKey);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    {
        CPropertysIni settings;
        settings.SetSavePath(argv[2]);
        settings.SetSimultaneousDownloads(argc > 3 ? std::atoi(argv[3]) : CPropertysIni::kDefaultDownloads);
    }
    theApp.AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, &CDrovaneDoc::classCDrovaneDoc,
                                                 &CMainFrame::classCMainFrame, &CDrovaneView::classCDrovaneView));
    theApp.OnFileNew();
    auto* frame = dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
    if (!frame) return 1;
    CDrovaneView* view = frame->GetTaskList();

    // New Task: the page is read and its movies become the rows.
    const auto scanStart = std::chrono::steady_clock::now();
    {
        CNewTaskDlg dialog(frame);
        dialog.SetURL(argv[1]);
        if (!dialog.Create(frame->m_hWnd)) return 1;
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED),
                           reinterpret_cast<LPARAM>(dialog.GetDlgItem(IDC_START)));
        if (!PumpUntil([&] { return dialog.IsEnded() || dialog.m_bReady; }, 600s)) return 1;
    }
    const double scanSeconds = SecondsSince(scanStart);
    const int rows = view->GetTaskCount();

    // Download > Start.
    ThreadSampler sampler;
    const auto downloadStart = std::chrono::steady_clock::now();
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    const bool ended = PumpUntil([&] { return !frame->IsDownloading(); }, 1200s);
    const double downloadSeconds = SecondsSince(downloadStart);
    const std::size_t peakThreads = sampler.Stop();

    int done = 0;
    for (int row = 0; row < rows; ++row) done += view->Tasks().GetState(row) == TASK_DONE;
    std::printf("scan_seconds=%.4f\n", scanSeconds);
    std::printf("seconds=%.4f\n", downloadSeconds);
    std::printf("rows=%d done=%d\n", rows, done);
    std::printf("peak_threads=%zu\n", peakThreads);

    theApp.m_pMainWnd = nullptr;
    frame->SendMessage(WM_CLOSE);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + kRegistryKey).c_str());
    return ended && done == rows && rows > 0 ? 0 : 1;
}
