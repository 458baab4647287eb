// The main window as the document template creates it: commands, enabling, the bars, the
// status-bar prompts, the movie list form, the New Task clipboard rule, drops on the window,
// a move to a monitor of another DPI and window placement.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CDrovaneView.h"
#include "FrameHost.h"
#include "TestDataObject.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

std::vector<std::string> RowNames(CMainFrame* frame)
{
    std::vector<std::string> names;
    CListCtrl list = frame->GetTaskList()->GetListCtrl();
    for (int i = 0; i < list.GetItemCount(); ++i) names.push_back(ListItemText(list.m_hWnd, i, 1));
    return names;
}

void SetClipboardText(HWND owner, const char* text)
{
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
    std::memcpy(::GlobalLock(data), text, std::strlen(text) + 1);
    ::GlobalUnlock(data);
    ::SetClipboardData(CF_TEXT, data);
    ::CloseClipboard();
}

// Watches for the New Task dialog opening on this thread, records the address it offers and
// closes it again, like a user pressing Close.
class NewTaskWatcher {
public:
    NewTaskWatcher() : m_hook(::SetWindowsHookExA(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId())) { s_self = this; }
    ~NewTaskWatcher()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_self = nullptr;
    }
    std::vector<std::string> offered;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_ACTIVATE && s_self) {
            HWND dialog = reinterpret_cast<HWND>(wParam);
            char caption[32] = {};
            ::GetWindowTextA(dialog, caption, sizeof caption);
            if (std::string(caption) == "New Task") {
                char address[512] = {};
                ::GetDlgItemTextA(dialog, IDC_URL, address, sizeof address);
                s_self->offered.emplace_back(address);
                ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline NewTaskWatcher* s_self = nullptr;
    HHOOK m_hook;
};

class MainFrame : public FrameTest {
protected:
    // The enabled state of a menu item after the frame prepared the pop-up that holds it.
    bool MenuEnabled(int popup, UINT id)
    {
        HMENU sub = ::GetSubMenu(::GetMenu(frame->m_hWnd), popup);
        frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(popup, FALSE));
        return !(::GetMenuState(sub, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    }
    bool MenuChecked(int popup, UINT id)
    {
        HMENU sub = ::GetSubMenu(::GetMenu(frame->m_hWnd), popup);
        frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(popup, FALSE));
        return (::GetMenuState(sub, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    bool ButtonEnabled(UINT id)
    {
        theApp.OnIdle(0);
        return frame->m_wndToolBar.SendMessage(TB_ISBUTTONENABLED, id) != 0;
    }
    CString StatusText() { return frame->m_wndStatusBar.GetPaneText(0); }
};

TEST_F(MainFrame, MovieListBecomesTheRowsWithoutDuplicates)
{
    MessageBoxAnswerer boxes;
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"a/x.swf,b/y.swf,a/x.swf,", {"x.swf", "y.swf"}},
        {"a/x.swf,b/y.swf", {"x.swf"}},
        {",", {""}},
        {",,", {""}},
        {"http://host/dir/m.swf,nodir.swf,", {"m.swf", "odir.swf"}},
    };
    for (const auto& [list, names] : cases) {
        frame->AddFlashList(list);
        EXPECT_EQ(RowNames(frame), names) << list;
    }
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(std::string(frame->GetTaskList()->GetTaskUrl(0)), "http://host/dir/m.swf");

    // A list without a comma holds no address: the rows go and the user is told.
    frame->AddFlashList("a/x.swf");
    EXPECT_TRUE(RowNames(frame).empty());
    ASSERT_EQ(boxes.texts, std::vector<std::string>{"No flash file found"});
    EXPECT_EQ(boxes.owners[0], frame->m_hWnd);
}

TEST_F(MainFrame, NewTaskOffersOnlyASmallHttpAddressFromTheClipboardAndKeepsIt)
{
    NewTaskWatcher watcher;
    SetClipboardText(frame->m_hWnd, "HTTP://HOST/PAGE.HTML");
    frame->SendMessage(WM_COMMAND, ID_NEW_TASK);
    SetClipboardText(frame->m_hWnd, "http://host/page.html");
    frame->SendMessage(WM_COMMAND, ID_NEW_TASK);
    SetClipboardText(frame->m_hWnd, "http://other/changed.html");
    frame->SendMessage(WM_COMMAND, ID_NEW_TASK);
    EXPECT_EQ(watcher.offered, (std::vector<std::string>{"", "http://host/page.html", "http://host/page.html"}));
}

TEST_F(MainFrame, NewTaskOffersASmallHttpsAddressFromTheClipboardToo)
{
    NewTaskWatcher watcher;
    SetClipboardText(frame->m_hWnd, "HTTPS://HOST/PAGE.HTML");
    frame->SendMessage(WM_COMMAND, ID_NEW_TASK);
    SetClipboardText(frame->m_hWnd, "https://host/page.html");
    frame->SendMessage(WM_COMMAND, ID_NEW_TASK);
    EXPECT_EQ(watcher.offered, (std::vector<std::string>{"", "https://host/page.html"}));
}

TEST_F(MainFrame, AddressFromTheCommandLineWinsOverTheClipboard)
{
    NewTaskWatcher watcher;
    SetClipboardText(frame->m_hWnd, "http://clip/page.html");
    frame->OpenNewTask("http://given/page.html");
    frame->SendMessage(WM_COMMAND, ID_NEW_TASK);
    EXPECT_EQ(watcher.offered, (std::vector<std::string>{"http://given/page.html", "http://given/page.html"}));
}

TEST_F(MainFrame, EditCommandsFollowRowsAndSelection)
{
    constexpr int kFile = 0, kEdit = 1, kView = 2, kHelp = 4;
    EXPECT_TRUE(MenuEnabled(kFile, ID_NEW_TASK));
    EXPECT_TRUE(MenuEnabled(kFile, ID_OPTIONS));
    EXPECT_TRUE(MenuEnabled(kFile, ID_APP_EXIT));
    EXPECT_TRUE(MenuEnabled(kView, ID_PREVIEW));
    EXPECT_TRUE(MenuEnabled(kHelp, ID_HELP_CONTENTS));
    for (UINT id : {ID_CHECK_ALL, ID_UNCHECK_ALL, ID_REVERSE, ID_COPY_TO_FOLDER, ID_MOVE_TO_FOLDER, ID_COPY_URL, ID_DELETE}) {
        EXPECT_FALSE(MenuEnabled(kEdit, id)) << "empty list, command " << id;
    }
    for (UINT id : {ID_CHECK_ALL, ID_UNCHECK_ALL, ID_REVERSE, ID_DELETE}) EXPECT_FALSE(ButtonEnabled(id)) << id;
    EXPECT_TRUE(ButtonEnabled(ID_NEW_TASK));
    EXPECT_TRUE(ButtonEnabled(ID_OPTIONS));
    EXPECT_TRUE(ButtonEnabled(ID_APP_EXIT));

    frame->AddFlashList("a/x.swf,b/y.swf,");
    for (UINT id : {ID_CHECK_ALL, ID_UNCHECK_ALL, ID_REVERSE}) EXPECT_TRUE(MenuEnabled(kEdit, id)) << id;
    for (UINT id : {ID_COPY_URL, ID_DELETE}) EXPECT_FALSE(MenuEnabled(kEdit, id)) << "no selection, " << id;
    EXPECT_TRUE(ButtonEnabled(ID_CHECK_ALL));
    EXPECT_FALSE(ButtonEnabled(ID_DELETE));

    frame->GetTaskList()->GetListCtrl().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    for (UINT id : {ID_COPY_URL, ID_DELETE}) EXPECT_TRUE(MenuEnabled(kEdit, id)) << "selection, " << id;
    EXPECT_TRUE(ButtonEnabled(ID_DELETE));
}

TEST_F(MainFrame, CutCopiesTheSelectedAddressesAndRemovesTheRows)
{
    frame->AddFlashList("a/x.swf,b/y.swf,c/z.swf,");
    CListCtrl list = frame->GetTaskList()->GetListCtrl();
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    frame->SendMessage(WM_COMMAND, ID_CUT);
    EXPECT_EQ(RowNames(frame), std::vector<std::string>{"y.swf"});
    EXPECT_EQ(std::string(frame->GetTaskList()->GetTaskUrl(0)), "b/y.swf");
    ASSERT_TRUE(::OpenClipboard(frame->m_hWnd));
    HANDLE data = ::GetClipboardData(CF_TEXT);
    std::string text = data ? static_cast<const char*>(::GlobalLock(data)) : "";
    if (data) ::GlobalUnlock(data);
    ::CloseClipboard();
    EXPECT_EQ(text, "a/x.swf\r\nc/z.swf");
}

TEST_F(MainFrame, ViewMenuHidesAndShowsTheBars)
{
    constexpr int kView = 2;
    EXPECT_TRUE(MenuChecked(kView, ID_VIEW_TOOLBAR));
    EXPECT_TRUE(MenuChecked(kView, ID_VIEW_STATUS_BAR));
    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    frame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(::IsWindowVisible(frame->m_wndReBar.m_hWnd));
    EXPECT_FALSE(::IsWindowVisible(frame->m_wndStatusBar.m_hWnd));
    EXPECT_FALSE(MenuChecked(kView, ID_VIEW_TOOLBAR));
    EXPECT_FALSE(MenuChecked(kView, ID_VIEW_STATUS_BAR));

    // The bars stay as they were left across a restart.
    CloseFrame(frame);
    frame = OpenFrame();
    EXPECT_FALSE(::IsWindowVisible(frame->m_wndReBar.m_hWnd));
    EXPECT_FALSE(::IsWindowVisible(frame->m_wndStatusBar.m_hWnd));
    frame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(::IsWindowVisible(frame->m_wndStatusBar.m_hWnd));
}

TEST_F(MainFrame, StatusBarShowsPromptsAndToolTipsComeFromTheStrings)
{
    EXPECT_STREQ(StatusText(), "Ready");
    HMENU file = ::GetSubMenu(::GetMenu(frame->m_hWnd), 0);
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_NEW_TASK, MF_HILITE), reinterpret_cast<LPARAM>(file));
    EXPECT_STREQ(StatusText(), "Add a new download task.");
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_HELP_CONTENTS, MF_HILITE), reinterpret_cast<LPARAM>(file));
    EXPECT_STREQ(StatusText(), "Display online help./nContents");
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_STREQ(StatusText(), "Ready");
    // The row menu is the view's; its prompts reach the same status bar.
    CDrovaneView* view = frame->GetTaskList();
    view->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_OPEN_FOLDER, MF_HILITE), reinterpret_cast<LPARAM>(file));
    EXPECT_STREQ(StatusText(), "Opens the folder of the selected flash file in Explorer, with the file selected.");
    view->SendMessage(WM_EXITMENULOOP, TRUE, 0);
    EXPECT_STREQ(StatusText(), "Ready");

    const std::pair<UINT, const char*> tips[] = {
        {ID_NEW_TASK, "New Task"}, {ID_MOVE_TO_FOLDER, "Move To"}, {ID_DELETE, "Delete"}, {ID_APP_EXIT, "Exit"},
    };
    for (const auto& [id, tip] : tips) {
        NMTTDISPINFOA info{};
        info.hdr.hwndFrom = nullptr;
        info.hdr.idFrom = id;
        info.hdr.code = TTN_GETDISPINFOA;
        frame->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(info.lpszText, tip);
    }
}

TEST_F(MainFrame, ToolbarHasTheButtonsInOrder)
{
    const UINT expected[] = {ID_NEW_TASK, 0, ID_CHECK_ALL, ID_UNCHECK_ALL, ID_REVERSE, 0, ID_DOWNLOAD_START,
                             ID_DOWNLOAD_STOP, 0, ID_MOVE_TO_FOLDER, ID_COPY_TO_FOLDER, ID_DELETE, 0, ID_OPTIONS,
                             0, ID_APP_EXIT};
    ASSERT_EQ(frame->m_wndToolBar.GetButtonCount(), static_cast<int>(std::size(expected)));
    for (int i = 0; i < frame->m_wndToolBar.GetButtonCount(); ++i)
        EXPECT_EQ(frame->m_wndToolBar.GetItemID(i), expected[i]) << "button " << i;
}

// A drag from a browser or Explorer that ends over the window: DragEnter, DragOver and Drop as
// OLE calls them on the window's drop target. Returns the effect shown; what the drop does has
// happened when this returns (the window acts on a message it posts itself).
DWORD DragAndDrop(CMainFrame* frame, IDataObject* data, DWORD allowed)
{
    IDropTarget* target = frame->GetDropTarget();
    const POINTL at{100, 100};
    DWORD entered = allowed, over = allowed, dropped = allowed;
    target->DragEnter(data, MK_LBUTTON, at, &entered);
    target->DragOver(MK_LBUTTON, at, &over);
    target->Drop(data, 0, at, &dropped);
    EXPECT_TRUE(over == entered && dropped == entered) << "the effect changed while the drag stood still";
    MSG msg;
    while (::PeekMessageA(&msg, frame->m_hWnd, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    return dropped;
}

std::string TempFile(const std::string& name, const std::string& content)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "tarnwick-drop-" + std::to_string(::GetCurrentProcessId()) + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

TEST_F(MainFrame, DroppedLinksOpenNewTaskOrAddRows)
{
    const std::string saved = TempFile("saved.html", "<!-- saved from url=(0022)http://host/saved.html -->");
    const std::string plain = TempFile("plain.html", "<html><embed src=a.swf></html>");
    const CLIPFORMAT text = CF_UNICODETEXT, url = TestDataObject::Format("UniformResourceLocatorW");
    const struct {
        std::function<void(TestDataObject&)> fill;
        DWORD effect;
        std::vector<std::string> offered;   // New Task opened with these
        std::vector<std::string> rows;      // the File Name column afterwards
    } cases[] = {
        {[&](TestDataObject& d) { d.Add(text, " http://host/page.html\r\n", true); }, DROPEFFECT_LINK,
         {"http://host/page.html"}, {"x.swf"}},
        // A browser's link: its address, not the title it gives as text.
        {[&](TestDataObject& d) { d.Add(url, "http://host/w.html", true), d.Add(text, "Title", true); },
         DROPEFFECT_LINK, {"http://host/w.html"}, {"x.swf"}},
        {[](TestDataObject& d) { d.Add(TestDataObject::Format("text/x-moz-url"), "http://host/m.html\nTitle", true); },
         DROPEFFECT_LINK, {"http://host/m.html"}, {"x.swf"}},
        {[&](TestDataObject& d) { d.AddFiles({saved}); }, DROPEFFECT_LINK, {"http://host/saved.html"}, {"x.swf"}},
        {[](TestDataObject& d) { d.Add(CF_TEXT, "http://h/y/x.swf"); }, DROPEFFECT_COPY, {}, {"x.swf", "x (2).swf"}},
        {[&](TestDataObject& d) { d.Add(text, "http://h/x.swf\r\nhttp://h/z.swf\r\nhttp://h/a.html", true); },
         DROPEFFECT_COPY, {}, {"x.swf", "z.swf", "a.html"}},
        {[&](TestDataObject& d) { d.Add(text, "some words of a page", true); }, DROPEFFECT_NONE, {}, {"x.swf"}},
        {[&](TestDataObject& d) { d.AddFiles({saved, plain}); }, DROPEFFECT_NONE, {}, {"x.swf"}},
    };
    for (const auto& c : cases) {
        frame->AddFlashList("http://h/x.swf,");
        NewTaskWatcher watcher;
        auto* data = new TestDataObject;
        c.fill(*data);
        const std::string what = std::to_string(&c - cases);
        EXPECT_EQ(DragAndDrop(frame, data, DROPEFFECT_COPY | DROPEFFECT_LINK | DROPEFFECT_MOVE), c.effect) << what;
        data->Release();
        EXPECT_EQ(watcher.offered, c.offered) << what;
        EXPECT_EQ(RowNames(frame), c.rows) << what;
    }
    ::DeleteFileA(saved.c_str());
    ::DeleteFileA(plain.c_str());
}

TEST_F(MainFrame, DropsAreRegisteredWithOleAndFollowTheSourcesEffects)
{
    EXPECT_EQ(::RegisterDragDrop(frame->m_hWnd, frame->GetDropTarget()), DRAGDROP_E_ALREADYREGISTERED);
    auto* page = new TestDataObject;
    page->Add(CF_TEXT, "http://host/page.html");
    NewTaskWatcher watcher;
    // A source that cannot link lets the page be copied; one that can only move is refused.
    EXPECT_EQ(DragAndDrop(frame, page, DROPEFFECT_COPY), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(DragAndDrop(frame, page, DROPEFFECT_MOVE), static_cast<DWORD>(DROPEFFECT_NONE));
    // While a dialog is open over the window, it takes no drop.
    ::EnableWindow(frame->m_hWnd, FALSE);
    EXPECT_EQ(DragAndDrop(frame, page, DROPEFFECT_LINK), static_cast<DWORD>(DROPEFFECT_NONE));
    ::EnableWindow(frame->m_hWnd, TRUE);
    page->Release();
    EXPECT_EQ(watcher.offered, std::vector<std::string>{"http://host/page.html"});
}

TEST_F(MainFrame, MovingToAMonitorOfAnotherDpiDrawsForIt)
{
    int image = 0;
    const auto toolbarImages = [&] {
        ::ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(frame->m_wndToolBar.SendMessage(TB_GETIMAGELIST)), &image, &image);
        return image;
    };
    frame->AddFlashList("http://h/x.swf,");
    CListCtrl list = frame->GetTaskList()->GetListCtrl();
    const RECT row = list.GetCellRect(0, 0);
    ASSERT_EQ(toolbarImages(), 20);

    const RECT suggested{100, 80, 1060, 720};
    frame->SendMessage(WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(toolbarImages(), 40) << "the toolbar keeps the 100 % pictures";
    RECT window{}, band{};
    frame->GetWindowRect(&window);
    EXPECT_TRUE(::EqualRect(&window, &suggested)) << "the window did not take the suggested place";
    frame->m_wndReBar.GetClientRect(&band);
    EXPECT_GE(band.bottom, HIWORD(frame->m_wndToolBar.SendMessage(TB_GETBUTTONSIZE))) << "toolbar cut off";
    const RECT tallRow = list.GetCellRect(0, 0);
    EXPECT_GE(tallRow.bottom - tallRow.top, 2 * (row.bottom - row.top) - 4) << "the list's font is the old one";
    std::vector<int> widths;
    for (int i = 0; i < CDrovaneView::COLUMN_COUNT; ++i) widths.push_back(list.GetColumnWidth(i));
    EXPECT_EQ(widths, (std::vector<int>{80, 200, 400, 120, 140}));

    // Closed there, the widths are kept as they would be at 100 %.
    CloseFrame(frame);
    frame = nullptr;
    EXPECT_EQ(theApp.GetProfileInt("ColumnWidth", "URL", -1), 200);
}

// Placement: the frame is closed in a state and opened again.
class Placement : public ::testing::Test {
protected:
    void SetUp() override { ClearProfile(); }
    void TearDown() override { ClearProfile(); }

    static WINDOWPLACEMENT PlacementOf(CMainFrame* frame)
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        ::GetWindowPlacement(frame->m_hWnd, &placement);
        return placement;
    }
    static std::string StoredRect() { return std::string(theApp.GetProfileString("Window size", "Rect", "(none)")); }
    static int Stored(const char* name) { return theApp.GetProfileInt("Window size", name, -1); }
    static bool SameRect(const RECT& a, const RECT& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

TEST_F(Placement, FirstStartUsesTheInitialRectangle)
{
    CMainFrame* frame = OpenFrame();
    const WINDOWPLACEMENT placement = PlacementOf(frame);
    EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
    EXPECT_TRUE(SameRect(placement.rcNormalPosition, RECT{10, 10, 500, 400}));
    CloseFrame(frame);
}

TEST_F(Placement, NormalWindowIsStoredAndReopensThere)
{
    CMainFrame* frame = OpenFrame();
    ::MoveWindow(frame->m_hWnd, 50, 60, 480, 320, TRUE);
    CloseFrame(frame);
    EXPECT_EQ(StoredRect(), "0050 0060 0530 0380");
    EXPECT_EQ(Stored("icon"), 0);
    EXPECT_EQ(Stored("max"), 0);

    frame = OpenFrame();
    EXPECT_TRUE(SameRect(PlacementOf(frame).rcNormalPosition, RECT{50, 60, 530, 380}));
    CloseFrame(frame);
}

TEST_F(Placement, NegativeEdgeIsStoredAsMinus004)
{
    CMainFrame* frame = OpenFrame();
    ::MoveWindow(frame->m_hWnd, -4, 20, 400, 300, TRUE);
    CloseFrame(frame);
    EXPECT_EQ(StoredRect(), "-004 0020 0396 0320");
    frame = OpenFrame();
    EXPECT_TRUE(SameRect(PlacementOf(frame).rcNormalPosition, RECT{-4, 20, 396, 320}));
    CloseFrame(frame);
}

TEST_F(Placement, MaximizedAndMinimizedStatesComeBack)
{
    struct Case {
        const char* name;
        std::vector<int> shows;
        int icon, max;
        UINT reopenedShow;
    };
    const Case cases[] = {
        {"maximized", {SW_MAXIMIZE}, 0, 1, SW_SHOWMAXIMIZED},
        {"minimized from maximized", {SW_MAXIMIZE, SW_MINIMIZE}, 1, 1, SW_SHOWMINIMIZED},
        {"minimized from normal", {SW_MINIMIZE}, 1, 0, SW_SHOWMINIMIZED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearProfile();
        CMainFrame* frame = OpenFrame();
        ::MoveWindow(frame->m_hWnd, 40, 50, 400, 300, TRUE);
        for (int show : c.shows) ::ShowWindow(frame->m_hWnd, show);
        CloseFrame(frame);
        EXPECT_EQ(StoredRect(), "0040 0050 0440 0350");
        EXPECT_EQ(Stored("icon"), c.icon);
        EXPECT_EQ(Stored("max"), c.max);

        frame = OpenFrame();
        const WINDOWPLACEMENT placement = PlacementOf(frame);
        EXPECT_EQ(placement.showCmd, c.reopenedShow);
        EXPECT_TRUE(SameRect(placement.rcNormalPosition, RECT{40, 50, 440, 350}));
        if (c.icon) {
            EXPECT_EQ((placement.flags & WPF_RESTORETOMAXIMIZED) != 0, c.max == 1);
        }
        CloseFrame(frame);
    }
}

TEST_F(Placement, HandWrittenShortRectIsReadByItsBlanks)
{
    theApp.WriteProfileString("Window size", "Rect", "30 40 330 240");
    CMainFrame* frame = OpenFrame();
    EXPECT_TRUE(SameRect(PlacementOf(frame).rcNormalPosition, RECT{30, 40, 330, 240}));
    CloseFrame(frame);

    theApp.WriteProfileString("Window size", "Rect", "30 40");
    frame = OpenFrame();
    EXPECT_TRUE(SameRect(PlacementOf(frame).rcNormalPosition, RECT{10, 10, 500, 400})) << "absent: the initial rectangle";
    CloseFrame(frame);
}

} // namespace
