// The Flash Viewer under Wine with a stand-in control registered under the Shockwave Flash
// class identifier: what the viewer hands the control, how it looks, and which row's movie the
// task list's Preview opens.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CDrovaneView.h"
#include "CFlashViewerDlg.h"
#include "CPropertysIni.h"
#include "FrameHost.h"
#include "RegKey.h"
#include "RemoteProgram.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

const std::string kFakeControl = WindowsPath(FAKE_FLASH_DLL);
const std::string kClassKey = "CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";

std::string TempPath(const std::string& name)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId());
}

// While it lives, every dialog this thread initialises is looked at by `inspect` right after
// its WM_INITDIALOG, then closed with its Close button, as a user would.
class ViewerWatcher {
public:
    explicit ViewerWatcher(std::function<void(HWND)> inspect) : m_inspect(std::move(inspect))
    {
        s_current = this;
        m_hook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, Hook, nullptr, ::GetCurrentThreadId());
    }
    ~ViewerWatcher()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    ViewerWatcher(const ViewerWatcher&) = delete;
    ViewerWatcher& operator=(const ViewerWatcher&) = delete;

    int opened = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && s_current) {
            ++s_current->opened;
            s_current->m_inspect(call->hwnd);
            ::PostMessageA(call->hwnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(call->hwnd, IDC_CLOSE)));
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline ViewerWatcher* s_current = nullptr;
    std::function<void(HWND)> m_inspect;
    HHOOK m_hook;
};

// The stand-in control registered for the test, and the log it writes.
class HostedViewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::OleInitialize(nullptr);
        RegKey server;
        ASSERT_EQ(server.Create(HKEY_CLASSES_ROOT, (kClassKey + "\\InprocServer32").c_str()), ERROR_SUCCESS);
        ::RegSetValueExA(server.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kFakeControl.c_str()),
                         static_cast<DWORD>(kFakeControl.size() + 1));
        ::RegSetValueExA(server.Get(), "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Apartment"), 10);
        m_log = TempPath("tarnwick-control-log");
        ::DeleteFileA(m_log.c_str());
        ::SetEnvironmentVariableA("TARNWICK_CONTROL_LOG", m_log.c_str());
    }
    void TearDown() override
    {
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey.c_str());
        ::DeleteFileA(m_log.c_str());
        ::CoFreeUnusedLibraries();
        ::OleUninitialize();
    }
    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

private:
    std::string m_log;
};

TEST_F(HostedViewer, OpensWithItsIconHandsTheControlTheMovieAndPlaysIt)
{
    CFlashViewerDlg viewer;
    viewer.SetMoviePath("C:\\movies\\intro.swf");
    ASSERT_TRUE(viewer.Create(nullptr));
    EXPECT_EQ(WindowText(viewer.m_hWnd), "Flash Viewer");
    const HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VIEWER));
    EXPECT_EQ(reinterpret_cast<HICON>(viewer.SendMessage(WM_GETICON, ICON_BIG)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(viewer.SendMessage(WM_GETICON, ICON_SMALL)), icon);
    EXPECT_EQ(Log(), (std::vector<std::string>{"movie=C:\\movies\\intro.swf", "play"}));

    // The control sits where the template's placeholder was, as control 1004.
    HWND control = ::GetDlgItem(viewer.m_hWnd, IDC_FLASH);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(WindowText(control), "") << "the control's window, not the placeholder";
    RECT placed{}, expected{13, 12, 13 + 195, 12 + 124};
    ::GetWindowRect(control, &placed);
    ::MapWindowPoints(nullptr, viewer.m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
    ::MapDialogRect(viewer.m_hWnd, &expected);
    // The dialog manager converts position and size apart, so the far edges may round away.
    EXPECT_EQ(placed.left, expected.left);
    EXPECT_EQ(placed.top, expected.top);
    EXPECT_NEAR(placed.right, expected.right, 1);
    EXPECT_NEAR(placed.bottom, expected.bottom, 1);

    viewer.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED));
    EXPECT_TRUE(viewer.IsEnded());
    EXPECT_EQ(viewer.GetResult(), IDCANCEL);
    ::DestroyWindow(viewer.m_hWnd);
    EXPECT_EQ(Log().back(), "close") << "the control is closed with the viewer";
}

TEST_F(HostedViewer, PreviewShowsTheFirstSelectedRowsSavedFile)
{
    ClearProfile();
    CPropertysIni().SetSavePath("C:\\saved");   // no backslash: one is put between, as downloads do
    CMainFrame* frame = OpenFrame();
    ASSERT_NE(frame, nullptr);
    frame->AddFlashList("http://site/a/one.swf,http://site/b/two.swf?x=1,http://site/c/three.swf,");
    CListCtrl list = frame->GetTaskList()->GetListCtrl();

    std::vector<std::string> captions;
    ViewerWatcher watcher([&](HWND dialog) { captions.push_back(WindowText(dialog)); });
    frame->SendMessage(WM_COMMAND, ID_PREVIEW);
    EXPECT_EQ(watcher.opened, 0) << "nothing selected, nothing opens";

    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    frame->SendMessage(WM_COMMAND, ID_PREVIEW);
    EXPECT_EQ(watcher.opened, 1);
    EXPECT_EQ(captions, std::vector<std::string>{"Flash Viewer"});
    EXPECT_EQ(Log(), (std::vector<std::string>{"movie=C:\\saved\\two.swf", "play", "close"}));

    CloseFrame(frame);
    ::DeleteFileA(CPropertysIni().GetPath());
    ClearProfile();
}

} // namespace
