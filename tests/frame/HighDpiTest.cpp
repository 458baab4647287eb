// The windows at 200 %: this program runs while the prefix's screen is set to 192 DPI (see
// at-dpi). The main window and every dialog are opened and looked at as a user would: nothing
// cut off (each control inside its parent, each label's text inside its control), the toolbar's
// large pictures, the movie drawn at the viewer's real size. Screenshots go to the artifacts.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "CAboutDlg.h"
#include "CDrovaneView.h"
#include "CFlashViewerDlg.h"
#include "CNewTaskDlg.h"
#include "FrameHost.h"
#include "Picture.h"
#include "RemoteProgram.h"
#include "UserThread.h"
#include "resource.h"

namespace {

std::string ClassOf(HWND window)
{
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// The room a text needs on one line in the window's font.
SIZE Extent(HWND window, const std::string& text)
{
    SIZE extent{};
    HDC dc = ::GetDC(window);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)));
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return extent;
}

// The room a control's own text needs ("&" marks a shortcut and takes none).
SIZE TextExtent(HWND control)
{
    std::string text;
    for (const char c : WindowText(control)) {
        if (c != '&') text += c;
    }
    return Extent(control, text);
}

// Every visible control below the window that sticks out of its parent's client area, and
// every label, button, check box or radio button whose text does not fit it.
std::vector<std::string> CutOff(HWND window)
{
    std::vector<std::string> faults;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) continue;
        const std::string what = ClassOf(child) + " \"" + WindowText(child) + "\"";
        RECT parent{}, rect{};
        ::GetClientRect(window, &parent);
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        if (rect.left < 0 || rect.top < 0 || rect.right > parent.right || rect.bottom > parent.bottom)
            faults.push_back(what + " sticks out of its parent");
        const LONG style = ::GetWindowLongA(child, GWL_STYLE);
        const bool label = ClassOf(child) == "Static" && (style & SS_TYPEMASK) <= SS_RIGHT;
        const LONG kind = style & BS_TYPEMASK;
        const bool button = ClassOf(child) == "Button" && kind != BS_GROUPBOX;
        const bool box = button && (kind == BS_AUTORADIOBUTTON || kind == BS_AUTOCHECKBOX);
        // Buttons keep their edges, check boxes and radio buttons their box, free of text.
        const int room = rect.right - rect.left - (box ? ::GetSystemMetrics(SM_CXMENUCHECK) : button ? 8 : 0);
        const SIZE text = TextExtent(child);
        if ((label || button) && (text.cx > room || text.cy > rect.bottom - rect.top))
            faults.push_back(what + ": its text does not fit");
        const std::vector<std::string> inner = CutOff(child);
        faults.insert(faults.end(), inner.begin(), inner.end());
    }
    return faults;
}

void ExpectNothingCutOff(HWND window, const char* what)
{
    for (const std::string& fault : CutOff(window)) ADD_FAILURE() << what << ": " << fault;
}

// Paints the window now and keeps what the screen shows of it. Wine copies a painted window to
// the screen a moment later, from the thread that owns it: the picture is taken once it has
// held still for three looks.
void Screenshot(HWND window, const std::string& name)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    RECT rect{};
    ::GetWindowRect(window, &rect);
    Picture shot = ScreenArea(rect);
    int same = 0;
    PumpUntil(
        [&] {
            Picture next = ScreenArea(rect);
            same = next.pixels == shot.pixels ? same + 1 : 0;
            shot = std::move(next);
            return same >= 3;
        },
        std::chrono::seconds(5));
    EXPECT_TRUE(SavePicture(shot, WindowsPath(ARTIFACT_DIR) + "\\dpi200-" + name + ".bmp")) << name;
}

class HighDpi : public FrameTest {
protected:
    void SetUp() override
    {
        const HDC screen = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        ASSERT_EQ(dpi, 192) << "the prefix's screen is not at 200 %: run through at-dpi";
        FrameTest::SetUp();
    }
};

TEST_F(HighDpi, MainWindowScalesItsBarsListAndColumns)
{
    frame->AddFlashList("http://host/movies/first.swf,http://host/movies/second.swf,");
    int image = 0;
    ::ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(frame->m_wndToolBar.SendMessage(TB_GETIMAGELIST)), &image, &image);
    EXPECT_EQ(image, 40) << "the toolbar does not show the pictures drawn for 200 %";
    RECT window{}, toolbar{}, status{};
    frame->GetWindowRect(&window);
    EXPECT_EQ(window.right - window.left, 980) << "the first window is as large, in inches, as at 100 %";
    frame->m_wndToolBar.GetClientRect(&toolbar);
    EXPECT_GE(toolbar.bottom, HIWORD(frame->m_wndToolBar.SendMessage(TB_GETBUTTONSIZE))) << "toolbar buttons cut off";
    frame->m_wndStatusBar.GetClientRect(&status);
    EXPECT_GE(status.bottom, TextExtent(frame->m_wndStatusBar.m_hWnd).cy) << "status bar text cut off";
    CListCtrl list = frame->GetTaskList()->GetListCtrl();
    const RECT row = list.GetCellRect(1, CDrovaneView::COLUMN_URL);
    const SIZE address = Extent(list.m_hWnd, "http://host/movies/second.swf");
    EXPECT_GE(address.cy, 18) << "the list's font is not the one for 200 %";
    EXPECT_GE(row.bottom - row.top, address.cy) << "rows are lower than their text";
    EXPECT_GT(row.right - row.left, address.cx) << "the URL column (400 pixels) cuts the address";
    ExpectNothingCutOff(frame->m_hWnd, "main window");
    Screenshot(frame->m_hWnd, "main-window");

    // Kept at 96 DPI: the widths read from the profile are half of what the columns show.
    CloseFrame(frame);
    frame = nullptr;
    EXPECT_EQ(theApp.GetProfileInt("ColumnWidth", "URL", -1), 200);
    theApp.WriteProfileInt("ColumnWidth", "URL", 150);
    frame = OpenFrame();
    EXPECT_EQ(frame->GetTaskList()->GetListCtrl().GetColumnWidth(CDrovaneView::COLUMN_URL), 300);
}

TEST_F(HighDpi, DialogsShowEveryControlWhole)
{
    CAboutDlg about(frame);
    CNewTaskDlg newTask(frame);
    newTask.SetURL("http://host/a/page/with/a/rather/long/address.html");
    CFlashViewerDlg viewer(frame);
    viewer.SetMoviePath(WindowsPath(TEST_MOVIE).c_str());
    const std::pair<CDialog*, const char*> dialogs[] = {{&about, "about"}, {&newTask, "new-task"}, {&viewer, "viewer"}};
    for (const auto& [dialog, name] : dialogs) {
        ASSERT_TRUE(dialog->Create(frame->m_hWnd)) << name;
        dialog->ShowWindow(SW_SHOW);
        ExpectNothingCutOff(dialog->m_hWnd, name);
        Screenshot(dialog->m_hWnd, name);
    }

    // The built-in player draws the movie (its dark blue background) for its window's pixels:
    // scaled to fit, it reaches both sides or both the top and the bottom.
    const Picture movie = PaintedClient(viewer.GetDlgItem(IDC_FLASH));
    ASSERT_GT(movie.width, 2 * 195) << "the movie's place did not grow with the dialog";
    const COLORREF background = RGB(0x10, 0x20, 0x40);
    const int w = movie.width - 1, h = movie.height - 1;
    EXPECT_TRUE((movie.At(0, h / 2) == background && movie.At(w, h / 2) == background) ||
                (movie.At(w / 2, 0) == background && movie.At(w / 2, h) == background));
    for (const auto& [dialog, name] : dialogs) dialog->DestroyWindow();
}

TEST_F(HighDpi, OptionsPagesShowEveryControlWhole)
{
    UserThread user([](UserThread& u) {
        HWND sheet = u.WaitForDialog("Options");
        ASSERT_NE(sheet, nullptr);
        // The sheet shows itself once its pages are laid out.
        ASSERT_TRUE(PollUntil([&] { return ::IsWindowVisible(sheet) != FALSE; }, UserThread::kTimeout));
        ExpectNothingCutOff(sheet, "Options, General");
        Screenshot(sheet, "options-general");
        u.ClickTab(reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0)), 1);
        ExpectNothingCutOff(sheet, "Options, Proxy");
        Screenshot(sheet, "options-proxy");
        u.Press(sheet, IDCANCEL);
    });
    frame->SendMessage(WM_COMMAND, ID_OPTIONS);
}

} // namespace
