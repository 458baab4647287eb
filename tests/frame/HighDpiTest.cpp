// The windows at 200 %: this program runs while the prefix's screen is set to 192 DPI (see
// at-dpi). The main window and every dialog are opened and looked at as a user would: nothing
// cut off (each control inside its parent, each label's text inside its control), the toolbar's
// large pictures, the movie drawn at the viewer's real size. Screenshots go to the artifacts.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CAboutDlg.h"
#include "CDrovaneView.h"
#include "CFlashViewerDlg.h"
#include "CMovieWindow.h"
#include "CNewTaskDlg.h"
#include "FrameHost.h"
#include "Picture.h"
#include "RemoteProgram.h"
#include "UserThread.h"
#include "resource.h"

namespace {

constexpr int kDpi = 192;

std::string ClassOf(HWND window)
{
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::string Describe(HWND window)
{
    std::ostringstream text;
    text << ClassOf(window) << " " << ::GetDlgCtrlID(window) << " \"" << WindowText(window) << "\"";
    return text.str();
}

// The space a control's text needs, as the control's font draws it on one line ("&" marks
// the shortcut letter and takes no room).
SIZE TextExtent(HWND control)
{
    std::string text = WindowText(control);
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    SIZE extent{};
    HDC dc = ::GetDC(control);
    const auto font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
    ::GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return extent;
}

// The room a control leaves its text: labels their whole width, buttons less their edges,
// check boxes and radio buttons less their box.
int TextRoom(HWND control, int width)
{
    const std::string type = ClassOf(control);
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    if (type == "Static") return width;
    const LONG kind = style & BS_TYPEMASK;
    if (kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON || kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX)
        return width - ::GetSystemMetrics(SM_CXMENUCHECK) - ::GetSystemMetrics(SM_CXEDGE);
    return width - 4 * ::GetSystemMetrics(SM_CXEDGE);
}

bool HasTextToFit(HWND control)
{
    const std::string type = ClassOf(control);
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    if (WindowText(control).empty()) return false;
    if (type == "Static") {
        const LONG kind = style & SS_TYPEMASK;
        return kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT || kind == SS_LEFTNOWORDWRAP || kind == SS_SIMPLE;
    }
    return type == "Button" && (style & BS_TYPEMASK) != BS_GROUPBOX;
}

// Every visible control below the window that sticks out of its parent's client area, or whose
// text does not fit it.
std::vector<std::string> CutOff(HWND window)
{
    std::vector<std::string> faults;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) continue;
        RECT parent{}, rect{};
        ::GetClientRect(window, &parent);
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        if (rect.left < parent.left || rect.top < parent.top || rect.right > parent.right || rect.bottom > parent.bottom) {
            std::ostringstream fault;
            fault << Describe(child) << " at " << rect.left << "," << rect.top << "-" << rect.right << "," << rect.bottom
                  << " outside " << parent.right << "x" << parent.bottom;
            faults.push_back(fault.str());
        }
        if (HasTextToFit(child)) {
            const SIZE text = TextExtent(child);
            const int room = TextRoom(child, rect.right - rect.left);
            if (text.cx > room || text.cy > rect.bottom - rect.top) {
                std::ostringstream fault;
                fault << Describe(child) << ": text " << text.cx << "x" << text.cy << " in " << room << "x"
                      << rect.bottom - rect.top;
                faults.push_back(fault.str());
            }
        }
        const std::vector<std::string> inner = CutOff(child);
        faults.insert(faults.end(), inner.begin(), inner.end());
    }
    return faults;
}

// Paints the window and its controls now, then keeps what the screen shows of it. Wine copies
// a painted window to the screen a moment later, from the thread that owns it: the picture is
// taken once it has held still for three looks.
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

void ExpectNothingCutOff(HWND window, const char* what)
{
    for (const std::string& fault : CutOff(window)) ADD_FAILURE() << what << ": " << fault;
}

class HighDpi : public FrameTest {
protected:
    void SetUp() override
    {
        const HDC screen = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        ASSERT_EQ(dpi, kDpi) << "the prefix's screen is not at 200 %: run through at-dpi";
        FrameTest::SetUp();
    }
};

TEST_F(HighDpi, MainWindowScalesItsBarsListAndColumns)
{
    frame->AddFlashList("http://host/movies/first.swf,http://host/movies/second.swf,");
    int image = 0, unused = 0;
    ::ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(frame->m_wndToolBar.SendMessage(TB_GETIMAGELIST)), &image, &unused);
    EXPECT_EQ(image, 40) << "the toolbar does not show the pictures drawn for 200 %";

    CListCtrl list = frame->GetTaskList()->GetListCtrl();
    std::vector<int> widths;
    for (int i = 0; i < CDrovaneView::COLUMN_COUNT; ++i) widths.push_back(list.GetColumnWidth(i));
    EXPECT_EQ(widths, (std::vector<int>{80, 200, 400, 120, 140})) << "the default widths, at 200 %";
    RECT window{};
    frame->GetWindowRect(&window);
    EXPECT_EQ(window.right - window.left, 980) << "the first window is as large, in inches, as at 100 %";

    // Rows are as tall as their text, which the system's font draws at this DPI.
    LOGFONTA font{};
    ::GetObjectA(list.GetFont(), sizeof font, &font);
    const RECT row = list.GetCellRect(0, CDrovaneView::COLUMN_FILE_NAME);
    EXPECT_GE(std::abs(font.lfHeight), 18);
    EXPECT_GE(row.bottom - row.top, std::abs(font.lfHeight));

    // The bars fit what they hold: the buttons in the toolbar's band, a line of text in the
    // status bar.
    RECT toolbar{}, status{};
    frame->m_wndToolBar.GetClientRect(&toolbar);
    EXPECT_GE(toolbar.bottom, HIWORD(frame->m_wndToolBar.SendMessage(TB_GETBUTTONSIZE))) << "toolbar buttons cut off";
    frame->m_wndStatusBar.GetClientRect(&status);
    EXPECT_GE(status.bottom, TextExtent(frame->m_wndStatusBar.m_hWnd).cy) << "status bar text cut off";
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
    ASSERT_TRUE(about.Create(frame->m_hWnd));
    about.ShowWindow(SW_SHOW);
    ExpectNothingCutOff(about.m_hWnd, "About");
    Screenshot(about.m_hWnd, "about");
    about.DestroyWindow();

    CNewTaskDlg newTask(frame);
    newTask.SetURL("http://host/a/page/with/a/rather/long/address.html");
    ASSERT_TRUE(newTask.Create(frame->m_hWnd));
    newTask.ShowWindow(SW_SHOW);
    ExpectNothingCutOff(newTask.m_hWnd, "New Task");
    Screenshot(newTask.m_hWnd, "new-task");
    newTask.DestroyWindow();
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
        HWND tabs = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
        u.ClickTab(tabs, 1);
        ExpectNothingCutOff(sheet, "Options, Proxy");
        Screenshot(sheet, "options-proxy");
        u.Press(sheet, IDCANCEL);
    });
    frame->SendMessage(WM_COMMAND, ID_OPTIONS);
}

TEST_F(HighDpi, ViewerDrawsTheMovieAtItsRealSize)
{
    CFlashViewerDlg viewer(frame);
    viewer.SetMoviePath(WindowsPath(TEST_MOVIE).c_str());
    ASSERT_TRUE(viewer.Create(frame->m_hWnd));
    viewer.ShowWindow(SW_SHOW);
    ExpectNothingCutOff(viewer.m_hWnd, "Flash Viewer");

    HWND player = viewer.GetDlgItem(IDC_FLASH);
    ASSERT_EQ(ClassOf(player), MovieWindow::kClassName);
    const Picture picture = PaintedClient(player);
    ASSERT_FALSE(picture.pixels.empty());
    // The movie (dark blue background) fills the window's width or its height, as it scales
    // to fit: drawn for the window's pixels, not for a quarter of them.
    const COLORREF movieBackground = RGB(0x10, 0x20, 0x40);
    int left = picture.width, right = -1, top = picture.height, bottom = -1;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (picture.At(x, y) != movieBackground) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, 0) << "no movie drawn";
    const bool fillsWidth = left <= 1 && right >= picture.width - 2;
    const bool fillsHeight = top <= 1 && bottom >= picture.height - 2;
    EXPECT_TRUE(fillsWidth || fillsHeight) << "movie drawn at " << left << "," << top << "-" << right << "," << bottom
                                           << " in " << picture.width << "x" << picture.height;
    EXPECT_GE(picture.width, 2 * 195) << "the viewer's movie area did not grow with the dialog";
    Screenshot(viewer.m_hWnd, "viewer");
    viewer.DestroyWindow();
}

} // namespace
