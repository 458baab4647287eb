// The task list view in a real frame under Wine, driven by the messages a user's actions
// produce: menu commands, menus opening, clicks reported by the list.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "CPropertysIni.h"
#include "CWinApp.h"
#include "DownloadStatus.h"
#include "Picture.h"
#include "RemoteProgram.h"
#include "TaskListHost.h"
#include "UiTestApp.h"
#include "resource.h"

using namespace std::chrono_literals;

CUiTestApp theApp;

namespace {

constexpr int kEditMenu = 1;
constexpr int kViewMenu = 2;
constexpr int kChecked = 2;
constexpr int kUnchecked = 1;

const std::vector<std::string> kFive = {"http://h/a.swf", "http://h/b.swf", "http://h/c.swf", "http://h/d.swf",
                                        "http://h/e.swf"};

std::vector<std::string> Urls(const CDrovaneView& view)
{
    std::vector<std::string> urls;
    for (int i = 0; i < view.GetTaskCount(); ++i) urls.emplace_back(view.GetTaskUrl(i).View());
    return urls;
}

// Downloads that never end: rows it starts stay running until they are stopped.
class EndlessDownloads : public CDownloadStarter {
public:
    std::shared_ptr<CDownloadLink> StartDownload(int, const std::string&, const std::string&,
                                                 const std::string&) override
    {
        return std::make_shared<CDownloadLink>();
    }
};

std::vector<int> ColumnWidths(const CListCtrl& list)
{
    std::vector<int> widths;
    for (int i = 0; i < list.GetColumnCount(); ++i) widths.push_back(list.GetColumnWidth(i));
    return widths;
}

std::vector<int> ProfileWidths()
{
    std::vector<int> widths;
    for (const char* name : {"Status", "File Name", "URL", "Size", "Progress"})
        widths.push_back(theApp.GetProfileInt("ColumnWidth", name, -1));
    return widths;
}

std::string ClipboardText()
{
    std::string text;
    if (!::OpenClipboard(nullptr)) return "<clipboard busy>";
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const auto* chars = static_cast<const char*>(::GlobalLock(data))) {
            text = chars;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text)
{
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(::GlobalLock(memory), text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory);
    if (!::SetClipboardData(CF_TEXT, memory)) ::GlobalFree(memory);
    ::CloseClipboard();
}

// The row menu while it is open: the view owns it, so the view is sent WM_INITMENUPOPUP when
// it opens and WM_ENTERIDLE once it waits for the user. A hook on this thread reads the items
// then and closes the menu, as a user pressing Escape would.
class RowMenuProbe {
public:
    RowMenuProbe(HWND view) : m_hView(view)
    {
        s_probe = this;
        m_hHook = ::SetWindowsHookExA(WH_CALLWNDPROC, &RowMenuProbe::Hook, nullptr, ::GetCurrentThreadId());
    }
    ~RowMenuProbe()
    {
        ::UnhookWindowsHookEx(m_hHook);
        s_probe = nullptr;
    }
    RowMenuProbe(const RowMenuProbe&) = delete;
    RowMenuProbe& operator=(const RowMenuProbe&) = delete;

    bool seen = false;
    std::map<UINT, bool> enabled;   // command id -> enabled, for every command item

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        RowMenuProbe* self = s_probe;
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (self && code == HC_ACTION && call->hwnd == self->m_hView) {
            if (call->message == WM_INITMENUPOPUP) self->m_hMenu = reinterpret_cast<HMENU>(call->wParam);
            if (call->message == WM_ENTERIDLE && call->wParam == MSGF_MENU && self->m_hMenu && !self->seen) {
                self->Read();
                ::EndMenu();
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    void Read()
    {
        seen = true;
        for (int i = 0; i < ::GetMenuItemCount(m_hMenu); ++i) {
            const UINT id = ::GetMenuItemID(m_hMenu, i);
            if (id == 0 || id == static_cast<UINT>(-1)) continue;
            enabled[id] = (::GetMenuState(m_hMenu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
        }
    }

    static inline RowMenuProbe* s_probe = nullptr;
    HWND m_hView;
    HHOOK m_hHook;
    HMENU m_hMenu = nullptr;
};

// A right click at a point of the list (client coordinates), as the list reports it to the
// frame; the probe reads the menu it opens.
void RightClick(TaskListHost& host, POINT point, const RowMenuProbe& probe)
{
    HWND list = host.view->m_hWnd;
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
    click.hdr.code = NM_RCLICK;
    click.iItem = -1;
    click.ptAction = point;
    host.frame->SendMessage(WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    // A menu that never reaches its idle state is closed after a while, failing the test.
    const UINT_PTR timer = ::SetTimer(host.frame->m_hWnd, 1, 10000, [](HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); });
    EXPECT_TRUE(PumpUntil([&] { return probe.seen; }, 15s)) << "the row menu did not open";
    ::KillTimer(host.frame->m_hWnd, timer);
}

POINT CentreOfCell(const CListCtrl& list, int row, int column)
{
    const RECT rect = list.GetCellRect(row, column);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class TaskListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProfile();
        host = std::make_unique<TaskListHost>();
        ASSERT_NE(host->view, nullptr) << "the main window was not created";
    }
    void TearDown() override
    {
        host.reset();
        ClearProfile();
    }
    std::unique_ptr<TaskListHost> host;
};

TEST_F(TaskListTest, AddedRowsAreCheckedAndShowNameAddressSizeAndProgress)
{
    // An address longer than the old fixed buffers comes back whole.
    const std::string longUrl = "http://h/" + std::string(300, 'x') + ".swf";
    host->AddRows({"http://h/dir/a.swf", "http://h/b.swf", "http://h/c.swf", "http://h/b.swf", longUrl});
    CDrovaneView& view = *host->view;

    EXPECT_EQ(view.GetTaskCount(), 4) << "the second http://h/b.swf is dropped";
    EXPECT_EQ(host->ColumnTexts(0), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(host->ColumnTexts(1), (std::vector<std::string>{"a.swf", "b.swf", "c.swf", std::string(300, 'x') + ".swf"}));
    EXPECT_EQ(host->ColumnTexts(2), (std::vector<std::string>{"http://h/dir/a.swf", "http://h/b.swf", "http://h/c.swf", longUrl}));
    EXPECT_EQ(host->ColumnTexts(3), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(host->ColumnTexts(4), (std::vector<std::string>{"0%", "0%", "0%", "0%"}));
    EXPECT_EQ(host->Checks(), (std::vector<int>{kChecked, kChecked, kChecked, kChecked}));
    EXPECT_EQ(Urls(view), host->ColumnTexts(2));
    EXPECT_TRUE(view.GetTaskUrl(4).IsEmpty());
    EXPECT_TRUE(view.GetTaskUrl(-1).IsEmpty());

    host->AddRows({});
    EXPECT_EQ(view.GetTaskCount(), 0);
    EXPECT_TRUE(view.GetTaskUrl(0).IsEmpty());
}

TEST_F(TaskListTest, SizeAndProgressTextsGoToTheirColumns)
{
    // The text rules themselves are tested natively (TaskTextTest).
    host->AddRows({"http://h/a.swf", "http://h/b.swf"});
    host->view->ShowSize(1, "2047");
    host->view->ShowProgress(1, {RowProgress::Failed, 0, 0, 7, 0});
    host->view->ShowSize(0, "");
    EXPECT_EQ(host->ColumnTexts(3), (std::vector<std::string>{"Unknown Size", "1KB"}));
    EXPECT_EQ(host->ColumnTexts(4), (std::vector<std::string>{"0%", "Host not found"}));
    EXPECT_EQ(host->ColumnTexts(2), (std::vector<std::string>{"http://h/a.swf", "http://h/b.swf"}));
}

TEST_F(TaskListTest, CheckCommandsSetEveryRow)
{
    struct Case {
        std::vector<UINT> commands;
        std::vector<int> after;
    };
    const int C = kChecked, U = kUnchecked;
    const Case cases[] = {
        {{ID_CHECK_ALL}, {C, C, C, C}},
        {{ID_UNCHECK_ALL}, {U, U, U, U}},
        {{ID_REVERSE}, {U, C, U, C}},
        {{ID_CHECK_ALL, ID_REVERSE}, {U, U, U, U}},
        {{ID_UNCHECK_ALL, ID_REVERSE}, {C, C, C, C}},
        {{ID_REVERSE, ID_REVERSE}, {C, U, C, U}},
    };
    for (const Case& c : cases) {
        host->AddRows({"a/1", "a/2", "a/3", "a/4"});
        host->List().SetCheck(1, false);
        host->List().SetCheck(3, false);
        for (UINT id : c.commands) host->Command(id);
        EXPECT_EQ(host->Checks(), c.after) << "after " << c.commands.size() << " command(s) from C U C U";
    }
}

TEST_F(TaskListTest, CheckedRowsAreWalkedInOrder)
{
    const int C = kChecked, U = kUnchecked;
    struct Case {
        std::vector<int> states;     // 0: the row shows no check box
        std::vector<int> walk;       // GetFirstChecked, then GetNextChecked until -1
    };
    const Case cases[] = {
        {{}, {}},
        {{U, U}, {}},
        {{C, U, C}, {0, 2}},
        {{U, U, C}, {2}},
        {{U, 0, U, C}, {1, 3}},   // a row without a box counts as checked
    };
    for (const Case& c : cases) {
        std::vector<std::string> urls;
        for (std::size_t i = 0; i < c.states.size(); ++i) urls.push_back("u/x" + std::to_string(i));
        host->AddRows(urls);
        for (std::size_t i = 0; i < c.states.size(); ++i)
            host->List().SetItemState(static_cast<int>(i), INDEXTOSTATEIMAGEMASK(c.states[i]), LVIS_STATEIMAGEMASK);
        std::vector<int> walk;
        for (int row = host->view->GetFirstChecked(); row >= 0 && walk.size() < 10; row = host->view->GetNextChecked(row))
            walk.push_back(row);
        EXPECT_EQ(walk, c.walk) << "list of " << c.states.size();
    }
}

TEST_F(TaskListTest, SelectedTaskIsTheFirstSelectedRow)
{
    host->AddRows(kFive);
    EXPECT_EQ(host->view->GetSelectedTask(), -1);
    host->Select({3, 1});
    EXPECT_EQ(host->view->GetSelectedTask(), 1);
    host->Select({4});
    EXPECT_EQ(host->view->GetSelectedTask(), 4);
}

TEST_F(TaskListTest, ColumnWidthsStartAtTheirDefaultsAndComeBackAfterARestart)
{
    EXPECT_EQ(ColumnWidths(host->List()), (std::vector<int>{40, 100, 200, 60, 70}));
    EXPECT_EQ(host->view->GetStyle() & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
    EXPECT_EQ(ListView_GetExtendedListViewStyle(host->List().m_hWnd) & 0x24, 0x24u);

    const int resized[] = {25, 130, 310, 45, 90};
    for (int i = 0; i < 5; ++i) ListView_SetColumnWidth(host->List().m_hWnd, i, resized[i]);
    host->Destroy();
    EXPECT_EQ(ProfileWidths(), (std::vector<int>{25, 130, 310, 45, 90}));

    host = std::make_unique<TaskListHost>();
    ASSERT_NE(host->view, nullptr);
    EXPECT_EQ(ColumnWidths(host->List()), (std::vector<int>{25, 130, 310, 45, 90}));
}

TEST_F(TaskListTest, ASecondInitialUpdateAddsNoColumns)
{
    host->AddRows({"http://h/a.swf"});
    ListView_SetColumnWidth(host->List().m_hWnd, 2, 333);
    host->frame->InitialUpdateFrame(host->Document(), FALSE);   // as opening a document does
    EXPECT_EQ(ColumnWidths(host->List()), (std::vector<int>{40, 100, 333, 60, 70}));
    EXPECT_EQ(host->ColumnTexts(1), (std::vector<std::string>{"a.swf"}));
}

TEST_F(TaskListTest, EditMenuItemsNeedRowsOrASelection)
{
    struct Item {
        int menu;
        UINT id;
        const char* name;
    };
    const Item needRows[] = {
        {kEditMenu, ID_CHECK_ALL, "Check All"}, {kEditMenu, ID_UNCHECK_ALL, "Uncheck All"}, {kEditMenu, ID_REVERSE, "Reverse"}};
    const Item needSelection[] = {{kEditMenu, ID_COPY_TO_FOLDER, "Copy To Folder"},
                                  {kEditMenu, ID_MOVE_TO_FOLDER, "Move To Folder"},
                                  {kEditMenu, ID_COPY_URL, "Copy URL"},
                                  {kEditMenu, ID_DELETE, "Delete"}};
    struct State {
        const char* name;
        std::vector<std::string> rows;
        std::vector<int> selected;
    };
    const State states[] = {
        {"an empty list", {}, {}},
        {"rows but no selection", {"a/1", "a/2"}, {}},
        {"a selected row", {"a/1", "a/2"}, {1}},
    };
    for (const State& s : states) {
        host->AddRows(s.rows);
        host->Select(s.selected);
        for (const Item& item : needRows)
            EXPECT_EQ(host->IsMenuItemEnabled(item.menu, item.id), !s.rows.empty()) << item.name << " with " << s.name;
        for (const Item& item : needSelection)
            EXPECT_EQ(host->IsMenuItemEnabled(item.menu, item.id), !s.selected.empty()) << item.name << " with " << s.name;
        EXPECT_TRUE(host->IsMenuItemEnabled(kViewMenu, ID_PREVIEW)) << "Flash Viewer with " << s.name;
    }
}

TEST_F(TaskListTest, RowMenuIsGrayedBelowTheRowsAndEnabledOnARow)
{
    host->AddRows({"http://h/a.swf", "http://h/b.swf"});
    RECT client{};
    host->view->GetClientRect(&client);
    const UINT commands[] = {ID_PREVIEW,        ID_TASK_START, ID_TASK_STOP, ID_COPY_TO_FOLDER,
                             ID_MOVE_TO_FOLDER, ID_COPY_URL,   ID_DELETE};
    struct Case {
        const char* where;
        POINT point;
        bool enabled;
    };
    const Case cases[] = {
        {"the empty area below the rows", POINT{20, client.bottom - 10}, false},
        {"the second row's name", CentreOfCell(host->List(), 1, 1), true},
        {"the first row's address", CentreOfCell(host->List(), 0, 2), true},
    };
    for (const Case& c : cases) {
        RowMenuProbe probe(host->view->m_hWnd);
        RightClick(*host, c.point, probe);
        ASSERT_TRUE(probe.seen) << c.where;
        EXPECT_EQ(probe.enabled.size(), std::size(commands) + 1) << c.where;
        for (UINT id : commands) EXPECT_EQ(probe.enabled[id], c.enabled) << "item " << id << " on " << c.where;
        EXPECT_FALSE(probe.enabled[ID_OPEN_FOLDER]) << "no movie file was written, on " << c.where;
    }
}

TEST_F(TaskListTest, RowMenuStartAndStopRunTheFramesDownloadCommands)
{
    host->AddRows({"http://h/a.swf"});
    host->view->SendMessage(WM_COMMAND, MAKEWPARAM(ID_TASK_START, 0), 0);
    host->view->SendMessage(WM_COMMAND, MAKEWPARAM(ID_TASK_STOP, 0), 0);
    EXPECT_EQ(host->frame->commands, (std::vector<UINT>{ID_DOWNLOAD_START, ID_DOWNLOAD_STOP}));
}

TEST_F(TaskListTest, CopyUrlPutsEverySelectedAddressOnTheClipboard)
{
    host->AddRows(kFive);
    struct Case {
        std::vector<int> selected;
        std::string clipboard;
    };
    const Case cases[] = {
        {{2}, "http://h/c.swf"},
        {{4, 0, 2}, "http://h/a.swf\r\nhttp://h/c.swf\r\nhttp://h/e.swf"},
        {{}, "left alone"},
    };
    for (const Case& c : cases) {
        SetClipboardText("left alone");
        host->Select(c.selected);
        host->Command(ID_COPY_URL);
        EXPECT_EQ(ClipboardText(), c.clipboard) << c.selected.size() << " row(s) selected";
    }
}

TEST_F(TaskListTest, DeleteRemovesTheSelectedRowsAndTheirAddresses)
{
    host->AddRows(kFive);
    host->Select({3, 1});
    host->Command(ID_DELETE);
    EXPECT_EQ(host->ColumnTexts(1), (std::vector<std::string>{"a.swf", "c.swf", "e.swf"}));
    EXPECT_EQ(Urls(*host->view), host->ColumnTexts(2));
    EXPECT_EQ(std::string(host->view->GetTaskUrl(1).View()), "http://h/c.swf");

    // Nothing selected: nothing goes.
    host->Select({});
    host->Command(ID_DELETE);
    EXPECT_EQ(host->view->GetTaskCount(), 3);
}

TEST_F(TaskListTest, DeleteDoesNothingWhileADownloadRunsOrWaits)
{
    EndlessDownloads downloads;
    host->view->Tasks().SetStarter(&downloads);
    host->AddRows(kFive);
    host->List().SetCheck(1, false);
    host->List().SetCheck(2, false);
    host->List().SetCheck(3, false);
    // One place: row 0 runs, row 4 waits.
    host->view->Tasks().Start(host->view->GetCheckedTasks(), "c:\\", 1);
    EXPECT_EQ(host->ColumnTexts(4), (std::vector<std::string>{"0%", "0%", "0%", "0%", "Waiting"}));

    host->Select({1, 2});
    host->Command(ID_DELETE);
    EXPECT_EQ(Urls(*host->view), kFive);

    host->view->Tasks().Stop();
    host->Command(ID_DELETE);
    EXPECT_EQ(Urls(*host->view), (std::vector<std::string>{"http://h/a.swf", "http://h/d.swf", "http://h/e.swf"}));
    EXPECT_EQ(host->ColumnTexts(4), (std::vector<std::string>{"0%", "0%", "0%"})) << "the waiting row shows what it did";
    host->view->Tasks().SetStarter(nullptr);
}

TEST(TaskListWithoutInitialUpdate, LeavesTheStoredWidthsAlone)
{
    ClearProfile();
    theApp.WriteProfileInt("ColumnWidth", "URL", 321);
    {
        CDrovaneDoc doc;
        CCreateContext context;
        context.m_pNewViewClass = &CDrovaneView::classCDrovaneView;
        context.m_pCurrentDoc = &doc;
        auto* frame = new CFrameWnd;
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, &context));
        frame->DestroyWindow();
    }
    EXPECT_EQ(ProfileWidths(), (std::vector<int>{-1, -1, 321, -1, -1}));
    ClearProfile();
}

// Downloads the test plays: each row's link, reported for as a worker would.
class PlayedDownloads : public CDownloadStarter {
public:
    explicit PlayedDownloads(CDownloadControl& tasks) : tasks(tasks) { tasks.SetStarter(this); }
    std::shared_ptr<CDownloadLink> StartDownload(int row, const std::string&, const std::string&,
                                                 const std::string&) override
    {
        return links[row] = std::make_shared<CDownloadLink>();
    }
    void Head(int row, long long size)
    {
        links[row]->SetLengthText(std::to_string(size));
        links[row]->MarkHeadPosted();
        tasks.OnHead(row);
    }
    void Piece(int row, long long count)
    {
        links[row]->SetReceived(count);
        tasks.OnPiece(row, links[row].get());
    }

    CDownloadControl& tasks;
    std::map<int, std::shared_ptr<CDownloadLink>> links;
};

// Along a line near the bottom of a cell: how many pixels are coloured (the text is black or
// grey, the background white), and whether any is reddish.
std::pair<int, bool> BarAlong(const Picture& picture, const RECT& cell)
{
    int length = 0;
    bool red = false;
    for (int x = cell.left; x < cell.right; ++x) {
        const COLORREF pixel = picture.At(x, cell.bottom - 2);
        const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
        if (std::max({r, g, b}) - std::min({r, g, b}) < 24) continue;
        ++length;
        red = red || r > g + 40;
    }
    return {length, red};
}

TEST_F(TaskListTest, ProgressColumnDrawsABarBehindItsText)
{
    host->AddRows(kFive);
    PlayedDownloads downloads(host->view->Tasks());
    downloads.tasks.Start({0, 2, 3}, "c:\\", 3);
    downloads.links[2]->MarkDonePosted();
    downloads.tasks.OnDone(2);
    downloads.tasks.OnFailure(3, downloads.links[3].get(), NET_ERR_HTTP_STATUS, 404);
    downloads.Head(0, 1000);
    downloads.Piece(0, 500);
    downloads.tasks.Start({1}, "c:\\", 1);   // one runs already: it waits
    ASSERT_EQ(host->ColumnTexts(CDrovaneView::COLUMN_PROGRESS),
              (std::vector<std::string>{"50%", "Waiting", "100%", "HTTP 404", "0%"}));

    const Picture picture = PaintedClient(host->view->m_hWnd);
    SavePicture(picture, WindowsPath(ARTIFACT_DIR) + "\\progress-bars.bmp");
    const struct {
        int low, high;   // the bar's length, in per cent of the cell
        bool red;
    } expected[] = {{47, 53, false}, {0, 0, false}, {96, 100, false}, {96, 100, true}, {0, 0, false}};
    for (int row = 0; row < 5; ++row) {
        const RECT cell = host->List().GetCellRect(row, CDrovaneView::COLUMN_PROGRESS);
        const auto [length, red] = BarAlong(picture, cell);
        const int percent = length * 100 / (cell.right - cell.left);
        EXPECT_TRUE(percent >= expected[row].low && percent <= expected[row].high) << "row " << row << ": " << percent << "%";
        EXPECT_EQ(red, expected[row].red) << "row " << row;
    }
}

TEST_F(TaskListTest, NewProgressRepaintsOnlyItsCell)
{
    host->AddRows({"http://h/a.swf", "http://h/b.swf", "http://h/c.swf"});
    PlayedDownloads downloads(host->view->Tasks());
    downloads.tasks.Start({0, 1, 2}, "c:\\", 3);
    downloads.Head(1, 1000);
    host->frame->ShowWindow(SW_SHOWNOACTIVATE);
    host->view->UpdateWindow();
    downloads.Piece(1, 250);
    const OwnedRegion due(::CreateRectRgn(0, 0, 0, 0));
    ::GetUpdateRgn(host->view->m_hWnd, due.Get(), FALSE);
    RECT box{};
    ::GetRgnBox(due.Get(), &box);
    const RECT cell = host->List().GetCellRect(1, CDrovaneView::COLUMN_PROGRESS);
    EXPECT_TRUE(::EqualRect(&box, &cell)) << "repainted " << box.left << "," << box.top << "-" << box.right << ","
                                          << box.bottom << " for the cell at " << cell.left << "," << cell.top;
    host->frame->ShowWindow(SW_HIDE);
}

TEST_F(TaskListTest, OpenContainingFolderShowsTheRowsOwnFileOnlyWhenItIsThere)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "tarnwick-open-folder-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CPropertysIni().SetSavePath((folder + "\\").c_str()));
    // Two rows of one name: the second saves as "a (2).swf", and only its file is there.
    host->AddRows({"http://h/a.swf", "http://h/x/a.swf"});
    std::ofstream(folder + "\\a (2).swf") << "movie";
    std::vector<std::string> shown;
    host->view->m_fnShowInFolder = [&](const std::string& path) {
        shown.push_back(path);
        return true;
    };
    for (const int row : {0, 1}) {
        host->Select({row});
        EXPECT_EQ(host->IsMenuItemEnabled(kEditMenu, ID_OPEN_FOLDER), row == 1) << "Edit menu, row " << row;
        RowMenuProbe probe(host->view->m_hWnd);
        RightClick(*host, CentreOfCell(host->List(), row, 1), probe);
        EXPECT_EQ(probe.enabled[ID_OPEN_FOLDER], row == 1) << "row menu, row " << row;
        host->Command(ID_OPEN_FOLDER);
    }
    EXPECT_EQ(shown, std::vector<std::string>{folder + "\\a (2).swf"});
    RemoveFolder(folder);
    ::DeleteFileA(CPropertysIni().GetPath());
}

} // namespace
