// File > Options in the main window: the real property sheet with its General and Proxy pages,
// worked by a user on another thread, and what lands in propertys.ini.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CPropertysIni.h"
#include "FrameHost.h"
#include "ScopedAppData.h"
#include "UserThread.h"
#include "resource.h"

namespace {

constexpr int kGeneral = 0;
constexpr int kProxy = 1;
constexpr int kApplyButton = 0x3021;   // the sheet's Apply button

std::optional<std::string> Stored(const char* key)
{
    char value[512] = {};
    const CString path = CPropertysIni().GetPath();
    ::GetPrivateProfileStringA("Options", key, "\x01", value, sizeof value, path);
    if (std::string(value) == "\x01") return std::nullopt;
    return std::string(value);
}

void Store(const char* key, const std::string& value)
{
    ::WritePrivateProfileStringA("Options", key, value.c_str(), CPropertysIni().GetPath());
}

bool SettingsFileExists()
{
    return ::GetFileAttributesA(CPropertysIni().GetPath()) != INVALID_FILE_ATTRIBUTES;
}

HWND PageOf(HWND sheet, int index)
{
    return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
}

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// The user brings a page to the front by its tab; the page is ready when this returns.
HWND ShowPage(UserThread& user, HWND sheet, int index)
{
    user.ClickTab(reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0)), index);
    return CurrentPage(sheet);
}

bool IsChecked(HWND page, int id)
{
    return ::SendMessageA(::GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND page, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE;
}

std::string ItemText(HWND page, int id)
{
    return UserThread::Text(::GetDlgItem(page, id));
}

class Options : public ::testing::Test {
protected:
    // One main window for all cases: the sheet leaves it as it was.
    static void SetUpTestSuite()
    {
        ClearProfile();
        frame = OpenFrame();
    }
    static void TearDownTestSuite()
    {
        if (frame) CloseFrame(frame);
        frame = nullptr;
        ClearProfile();
    }
    void SetUp() override
    {
        ASSERT_NE(frame, nullptr);
        ::DeleteFileA(CPropertysIni().GetPath());
    }
    void TearDown() override { ::DeleteFileA(CPropertysIni().GetPath()); }

    // File > Options, as the menu sends it, worked by the user's script; returns when the sheet
    // has closed.
    static void WithOptions(const std::function<void(UserThread& user, HWND sheet)>& script)
    {
        UserThread user([&](UserThread& u) {
            HWND sheet = u.WaitForDialog("Options");
            ASSERT_NE(sheet, nullptr);
            script(u, sheet);
        });
        frame->SendMessage(WM_COMMAND, ID_OPTIONS);
    }

    static inline CMainFrame* frame = nullptr;
};

TEST_F(Options, WithoutSettingsTheSheetShowsTheDefaultsAndCancelWritesNothing)
{
    MessageBoxAnswerer boxes;
    WithOptions([](UserThread& u, HWND sheet) {
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(sheet, kApplyButton))) << "the sheet has an Apply button";
        HWND general = CurrentPage(sheet);
        EXPECT_EQ(general, PageOf(sheet, kGeneral));
        EXPECT_EQ(PageOf(sheet, kProxy), nullptr) << "the Proxy page was made before it was shown";
        EXPECT_EQ(ItemText(general, IDC_SAVE_PATH), "c:\\");

        HWND proxy = ShowPage(u, sheet, kProxy);
        ASSERT_EQ(proxy, PageOf(sheet, kProxy));
        EXPECT_TRUE(IsChecked(proxy, IDC_DIRECT));
        EXPECT_FALSE(IsChecked(proxy, IDC_USE_PROXY));
        EXPECT_EQ(ItemText(proxy, IDC_PROXY_SERVER), "");
        EXPECT_EQ(ItemText(proxy, IDC_PROXY_PORT), "8080");
        EXPECT_FALSE(IsEnabled(proxy, IDC_PROXY_SERVER));
        EXPECT_FALSE(IsEnabled(proxy, IDC_PROXY_PORT));

        // Changes on both pages, then Cancel.
        u.Click(::GetDlgItem(proxy, IDC_USE_PROXY));
        u.SetText(::GetDlgItem(proxy, IDC_PROXY_SERVER), "proxy.example");
        EXPECT_EQ(ShowPage(u, sheet, kGeneral), general);
        u.SetText(::GetDlgItem(general, IDC_SAVE_PATH), "d:\\movies");
        u.Press(sheet, IDCANCEL);
    });
    EXPECT_FALSE(SettingsFileExists()) << "Cancel wrote settings";
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Options, FolderIsStoredWithOneTrailingBackslashOrRefusedAsInvalidPath)
{
    const std::string kept = "e:\\keep\\";
    const struct {
        std::string typed;
        std::string stored;   // empty: refused
    } cases[] = {
        {"d:\\movies", "d:\\movies\\"},
        {"d:\\movies\\", "d:\\movies\\"},
        {"ab", "ab\\"},
        {"x", ""},
        // The settings keep 127 characters: 126 take the backslash, 127 without one cannot.
        {"d:\\" + std::string(123, 'a'), "d:\\" + std::string(123, 'a') + "\\"},
        {"d:\\" + std::string(124, 'b'), ""},
        {"d:\\" + std::string(140, 'c') + "\\", ""},
    };
    for (const auto& c : cases) {
        ::DeleteFileA(CPropertysIni().GetPath());
        Store("SavePath", kept);
        MessageBoxAnswerer boxes;
        HWND shown = nullptr;
        WithOptions([&](UserThread& u, HWND sheet) {
            shown = sheet;
            HWND general = CurrentPage(sheet);
            EXPECT_EQ(ItemText(general, IDC_SAVE_PATH), kept);
            u.SetText(::GetDlgItem(general, IDC_SAVE_PATH), c.typed);
            u.Press(sheet, IDOK);
        });
        // The sheet has closed in either case.
        if (c.stored.empty()) {
            EXPECT_EQ(Stored("SavePath"), kept) << c.typed;
            EXPECT_EQ(boxes.texts, std::vector<std::string>{"Invalid path"}) << c.typed;
            EXPECT_EQ(boxes.owners, std::vector<HWND>{shown}) << c.typed;
        } else {
            EXPECT_EQ(Stored("SavePath"), c.stored) << c.typed;
            EXPECT_TRUE(boxes.texts.empty()) << c.typed;
        }
        // The Proxy page was never shown: it neither read nor wrote anything.
        for (const char* key : {"UseProxy", "ProxyServer", "ProxyPort"}) EXPECT_EQ(Stored(key), std::nullopt) << key;
    }
}

TEST_F(Options, FindingInObjectsAndScriptsIsOnUntilTheUserTurnsItOff)
{
    MessageBoxAnswerer boxes;
    WithOptions([](UserThread& u, HWND sheet) {
        HWND general = CurrentPage(sheet);
        HWND box = ::GetDlgItem(general, IDC_FIND_IN_SCRIPTS);
        EXPECT_EQ(ItemText(general, IDC_FIND_IN_SCRIPTS), "Find movies in object tags and page scripts too");
        EXPECT_TRUE(IsChecked(general, IDC_FIND_IN_SCRIPTS)) << "on by default";
        // Shown whole on the page, below the folder's group.
        RECT page{}, shown{}, folder{};
        ::GetWindowRect(general, &page);
        ::GetWindowRect(box, &shown);
        ::GetWindowRect(::GetDlgItem(general, IDC_BROWSE), &folder);
        EXPECT_TRUE(::IsWindowVisible(box));
        EXPECT_TRUE(shown.top > folder.bottom && shown.bottom <= page.bottom && shown.right <= page.right);
        u.Click(box);
        u.Press(sheet, IDOK);
    });
    EXPECT_EQ(Stored("FindInObjectsAndScripts"), "0");

    WithOptions([](UserThread& u, HWND sheet) {
        HWND general = CurrentPage(sheet);
        EXPECT_FALSE(IsChecked(general, IDC_FIND_IN_SCRIPTS));
        u.Click(::GetDlgItem(general, IDC_FIND_IN_SCRIPTS));
        // Taken even when the folder typed is refused.
        u.SetText(::GetDlgItem(general, IDC_SAVE_PATH), "x");
        u.Press(sheet, IDOK);
    });
    EXPECT_EQ(Stored("FindInObjectsAndScripts"), "1");
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Invalid path"});
}

TEST_F(Options, ProxyWithServerAndPortIsStoredAndShownOnReopening)
{
    MessageBoxAnswerer boxes;
    WithOptions([](UserThread& u, HWND sheet) {
        HWND proxy = ShowPage(u, sheet, kProxy);
        u.Click(::GetDlgItem(proxy, IDC_USE_PROXY));
        EXPECT_FALSE(IsChecked(proxy, IDC_DIRECT));
        EXPECT_TRUE(IsEnabled(proxy, IDC_PROXY_SERVER));
        EXPECT_TRUE(IsEnabled(proxy, IDC_PROXY_PORT));
        u.SetText(::GetDlgItem(proxy, IDC_PROXY_SERVER), "proxy.example");
        u.SetText(::GetDlgItem(proxy, IDC_PROXY_PORT), "3128");
        u.Press(sheet, IDOK);
    });
    EXPECT_EQ(Stored("UseProxy"), "1");
    EXPECT_EQ(Stored("ProxyServer"), "proxy.example");
    EXPECT_EQ(Stored("ProxyPort"), "3128");
    EXPECT_EQ(Stored("SavePath"), "c:\\") << "the General page was shown first and is confirmed too";

    WithOptions([](UserThread& u, HWND sheet) {
        HWND proxy = ShowPage(u, sheet, kProxy);
        EXPECT_TRUE(IsChecked(proxy, IDC_USE_PROXY));
        EXPECT_FALSE(IsChecked(proxy, IDC_DIRECT));
        EXPECT_TRUE(IsEnabled(proxy, IDC_PROXY_SERVER));
        EXPECT_TRUE(IsEnabled(proxy, IDC_PROXY_PORT));
        EXPECT_EQ(ItemText(proxy, IDC_PROXY_SERVER), "proxy.example");
        EXPECT_EQ(ItemText(proxy, IDC_PROXY_PORT), "3128");
        // Back to a direct connection: the boxes keep their texts, which are still saved.
        u.Click(::GetDlgItem(proxy, IDC_DIRECT));
        EXPECT_FALSE(IsEnabled(proxy, IDC_PROXY_SERVER));
        EXPECT_FALSE(IsEnabled(proxy, IDC_PROXY_PORT));
        u.Press(sheet, IDOK);
    });
    EXPECT_EQ(Stored("UseProxy"), "0");
    EXPECT_EQ(Stored("ProxyServer"), "proxy.example");
    EXPECT_EQ(Stored("ProxyPort"), "3128");
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Options, PortIsCheckedWhenTheProxyPageIsLeftOrConfirmed)
{
    Store("ProxyPort", "x12");
    MessageBoxAnswerer boxes;
    WithOptions([&](UserThread& u, HWND sheet) {
        HWND proxy = ShowPage(u, sheet, kProxy);
        HWND port = ::GetDlgItem(proxy, IDC_PROXY_PORT);
        EXPECT_EQ(ItemText(proxy, IDC_PROXY_PORT), "0") << "a stored port without digits";

        // The port is checked even while the direct connection leaves its box disabled.
        EXPECT_EQ(ShowPage(u, sheet, kGeneral), proxy) << "the Proxy page was left with port 0";
        EXPECT_EQ(boxes.texts.size(), 1u);

        u.Click(::GetDlgItem(proxy, IDC_USE_PROXY));
        for (const char* text : {"abc", "65536"}) {
            u.SetText(port, text);
            u.Press(sheet, IDOK);
            EXPECT_EQ(CurrentPage(sheet), proxy) << text;
            EXPECT_EQ(u.Focus(), port) << text;
        }
        u.SetText(port, "65535");
        u.Press(sheet, IDOK);
    });
    const std::string range = "Please enter an integer between 1 and 65535.";
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{range, "Please enter a positive integer.", range}));
    EXPECT_EQ(Stored("ProxyPort"), "65535");
    EXPECT_EQ(Stored("UseProxy"), "1");
}

TEST_F(Options, ServerBoxTakesAtMost55CharactersAndALongerStoredNameIsShownCut)
{
    const std::string stored(70, 's');
    Store("UseProxy", "1");
    Store("ProxyServer", stored);
    WithOptions([&](UserThread& u, HWND sheet) {
        HWND proxy = ShowPage(u, sheet, kProxy);
        HWND server = ::GetDlgItem(proxy, IDC_PROXY_SERVER);
        EXPECT_EQ(ItemText(proxy, IDC_PROXY_SERVER), stored.substr(0, 55));
        // Typing into a shorter name stops at 55 characters.
        u.SetText(server, std::string(50, 'p'));
        ::SendMessageA(server, EM_SETSEL, 50, 50);
        for (int i = 0; i < 10; ++i) ::SendMessageA(server, WM_CHAR, 'q', 1);
        u.Press(sheet, IDOK);
    });
    EXPECT_EQ(Stored("ProxyServer"), std::string(50, 'p') + "qqqqq");
}

// A folder of its own with one subfolder, removed again. It sits at the root of drive C: the
// folder browser finds a folder again by its item ID, which holds the time stamps of the folder
// and of every folder above it (drives have none), and a folder that other programs change
// meanwhile (the temporary folder, say) may not be found. The two folders get fixed times.
class BrowseFolders {
public:
    BrowseFolders()
    {
        name = "tarnwick-browse-" + std::to_string(::GetCurrentProcessId());
        path = "C:\\" + name;
        sub = path + "\\clips";
        ::CreateDirectoryA(path.c_str(), nullptr);
        ::CreateDirectoryA(sub.c_str(), nullptr);
        SetOldTime(sub);
        SetOldTime(path);
    }
    ~BrowseFolders()
    {
        ::RemoveDirectoryA(sub.c_str());
        ::RemoveDirectoryA(path.c_str());
    }
    BrowseFolders(const BrowseFolders&) = delete;
    BrowseFolders& operator=(const BrowseFolders&) = delete;

    std::string name, path, sub;

private:
    static void SetOldTime(const std::string& folder)
    {
        HANDLE handle = ::CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return;
        const SYSTEMTIME when{2020, 1, 3, 1, 12, 0, 0, 0};
        FILETIME time{};
        ::SystemTimeToFileTime(&when, &time);
        ::SetFileTime(handle, &time, &time, &time);
        ::CloseHandle(handle);
    }
};

// Controls of the shell's folder browser.
constexpr int kBrowserTree = 0x3741;
constexpr int kBrowserTitle = 0x3742;
constexpr int kBrowserStatus = 0x3743;

std::string ItemName(HWND tree, HTREEITEM handle)
{
    char text[MAX_PATH] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = handle;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!handle || !::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return "(none)";
    return text;
}

std::string HighlightedFolder(HWND browser)
{
    HWND tree = ::GetDlgItem(browser, kBrowserTree);
    return ItemName(tree, reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

// The user opens the highlighted folder in the tree and highlights its subfolder of that name.
void HighlightSubfolder(HWND browser, const std::string& name)
{
    HWND tree = ::GetDlgItem(browser, kBrowserTree);
    auto parent = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
    for (auto child = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD,
                                                                  reinterpret_cast<LPARAM>(parent)));
         child; child = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                    reinterpret_cast<LPARAM>(child)))) {
        if (ItemName(tree, child) == name) {
            ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
            return;
        }
    }
    ADD_FAILURE() << "no subfolder " << name << " under " << ItemName(tree, parent);
}

TEST_F(Options, BrowseStartsAtTheFolderAndPutsTheChosenOneInTheBox)
{
    const BrowseFolders folder;
    Store("SavePath", folder.path + "\\");
    MessageBoxAnswerer boxes;
    WithOptions([&](UserThread& u, HWND sheet) {
        HWND general = CurrentPage(sheet);
        std::size_t seen = u.DialogsSeen();
        u.PressLater(general, IDC_BROWSE);
        HWND browser = u.WaitForDialogOwnedBy(sheet, seen);
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(ItemText(browser, kBrowserTitle), "Select a directory to save your flash files");
        EXPECT_EQ(HighlightedFolder(browser), folder.name);
        EXPECT_EQ(ItemText(browser, kBrowserStatus), folder.path + "\\");

        // The status line follows the highlight; an item that is no folder on disk shows nothing.
        HighlightSubfolder(browser, "clips");
        EXPECT_EQ(ItemText(browser, kBrowserStatus), folder.sub);
        LPITEMIDLIST computer = nullptr;
        ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
        ::SendMessageA(browser, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(computer));
        ::CoTaskMemFree(computer);
        EXPECT_EQ(ItemText(browser, kBrowserStatus), "");

        u.Press(browser, IDCANCEL);
        ASSERT_TRUE(u.WaitUntilGone(browser));
        EXPECT_EQ(ItemText(general, IDC_SAVE_PATH), folder.path + "\\") << "cancelled, yet the folder changed";

        seen = u.DialogsSeen();
        u.PressLater(general, IDC_BROWSE);
        browser = u.WaitForDialogOwnedBy(sheet, seen);
        ASSERT_NE(browser, nullptr);
        HighlightSubfolder(browser, "clips");
        u.Press(browser, IDOK);
        ASSERT_TRUE(u.WaitUntilGone(browser));
        EXPECT_EQ(ItemText(general, IDC_SAVE_PATH), folder.sub) << "the chosen folder, as the shell gives it";
        u.Press(sheet, IDOK);
    });
    EXPECT_EQ(Stored("SavePath"), folder.sub + "\\");
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Options, OkThatCannotWriteTheSettingsFileSaysSo)
{
    // A folder where the file should be: nobody can write the file then, not even the
    // administrator the tests may run as (who may write read-only files).
    const std::string path(CPropertysIni().GetPath().View());
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
    // And no application-data folder for a copy of the user's own.
    const ScopedAppData noAppData("c:\\no-such-folder");
    MessageBoxAnswerer boxes;
    WithOptions([](UserThread& u, HWND sheet) {
        u.SetText(::GetDlgItem(CurrentPage(sheet), IDC_SAVE_PATH), "d:\\movies");
        HWND proxy = ShowPage(u, sheet, kProxy);
        u.Click(::GetDlgItem(proxy, IDC_USE_PROXY));
        u.Press(sheet, IDOK);
    });
    ::RemoveDirectoryA(path.c_str());
    // One message for the sheet, after it closed, whichever pages failed.
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Tarnwick could not save the options to " + path + "."});
    EXPECT_EQ(boxes.owners, std::vector<HWND>{frame->m_hWnd});
    EXPECT_FALSE(SettingsFileExists());
}

} // namespace
