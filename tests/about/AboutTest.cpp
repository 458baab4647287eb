// The About box under Wine: opened modeless over a hidden window and driven with the messages
// the mouse and the link controls send. What a link opens is a recorder program (recorder.cpp)
// registered under HKEY_CLASSES_ROOT; it writes down the command line it was started with.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "CAboutDlg.h"
#include "ScopedHandles.h"
#include "UiTestApp.h"
#include "resource.h"

using namespace std::chrono_literals;

CUiTestApp theApp;

namespace {

constexpr auto kTimeout = 30s;
constexpr COLORREF kLinkColour = RGB(0, 0, 238);
constexpr COLORREF kVisitedColour = RGB(85, 26, 139);
const std::string kOpenFailure = "Unable to open hyperlink:\n\n";
// Wine's shell knows no handler for it, and answers SE_ERR_NOASSOC.
const char* const kUnknownScheme = "tarnwick-test-nothing:x";

std::string TestFolder()
{
    char path[MAX_PATH] = {};
    const std::string module(path, ::GetModuleFileNameA(nullptr, path, MAX_PATH));
    return module.substr(0, module.find_last_of('\\') + 1);
}

std::string RecorderPath() { return TestFolder() + "about_recorder.exe"; }
std::string RecordPath() { return TestFolder() + "recorded.txt"; }

// The recorder's path in quotes, then `rest`.
std::string RecorderLine(const char* rest)
{
    std::string line(1, '"');
    line += RecorderPath();
    line += '"';
    line += rest;
    return line;
}

void SetDefaultValue(HKEY root, const std::string& subkey, const std::string& value)
{
    RegKey key;
    ASSERT_EQ(key.Create(root, subkey.c_str()), ERROR_SUCCESS) << subkey;
    ::RegSetValueExA(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
}

// A class of our own under HKEY_CLASSES_ROOT for the length of a test. Wine's
// HKEY_CLASSES_ROOT does not show HKCU\Software\Classes, so the machine's classes of the test's
// own prefix are written; the names are ours alone.
class TestClass {
public:
    TestClass(const std::string& name, const std::string& openCommand, bool urlProtocol = false) : m_name(name)
    {
        SetDefaultValue(HKEY_CLASSES_ROOT, name + "\\shell\\open\\command", openCommand);
        RegKey key;
        if (urlProtocol && key.Open(HKEY_CLASSES_ROOT, name.c_str(), KEY_SET_VALUE) == ERROR_SUCCESS)
            ::RegSetValueExA(key.Get(), "URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    }
    ~TestClass() { ::RegDeleteTreeA(HKEY_CLASSES_ROOT, m_name.c_str()); }
    TestClass(const TestClass&) = delete;
    TestClass& operator=(const TestClass&) = delete;

private:
    std::string m_name;
};

// Makes a class the one registered for ".htm" and puts back what was there before (Wine has
// none).
class PageClass {
public:
    explicit PageClass(const char* name)
        : m_bExisted(CLinkStatic::QueryKeyDefault(HKEY_CLASSES_ROOT, ".htm", m_old) == ERROR_SUCCESS)
    {
        SetDefaultValue(HKEY_CLASSES_ROOT, ".htm", name);
    }
    ~PageClass()
    {
        if (m_bExisted) SetDefaultValue(HKEY_CLASSES_ROOT, ".htm", m_old.GetString());
        else ::RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
    }
    PageClass(const PageClass&) = delete;
    PageClass& operator=(const PageClass&) = delete;

private:
    CString m_old;
    bool m_bExisted;
};

struct Drawing {
    COLORREF text;
    int bkMode;
    HBRUSH brush;
};

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Hidden, like the box: taking a shown window down costs seconds under Wine.
        m_hParent = ::CreateWindowExA(0, "STATIC", "Tarnwick", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                      ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_hParent, nullptr);
        about = std::make_unique<CAboutDlg>();
        ASSERT_TRUE(about->Create(m_hParent)) << "the About box did not open";
        ::DeleteFileA(RecordPath().c_str());
    }

    void TearDown() override
    {
        about.reset();
        if (m_hParent) ::DestroyWindow(m_hParent);
        ::DeleteFileA(RecordPath().c_str());
    }

    HWND Link(int id) const { return about->GetDlgItem(id); }

    // What the dialog's colour request for the control sets up for drawing its text.
    Drawing DrawingOf(int id) const
    {
        HWND control = Link(id);
        HDC dc = ::GetDC(control);
        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SetBkMode(dc, OPAQUE);
        const auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageA(about->m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
        const Drawing drawing{::GetTextColor(dc), ::GetBkMode(dc), brush};
        ::ReleaseDC(control, dc);
        return drawing;
    }
    COLORREF ColourOf(int id) const { return DrawingOf(id).text; }

    void Click(int id)
    {
        about->SendMessage(WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(Link(id)));
    }

    void MoveMouse(int id, int x, int y) { ::SendMessageA(Link(id), WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

    // The command line the recorder was started with; empty when it did not run in time.
    static std::string WaitForRecord()
    {
        const std::string path = RecordPath();
        if (!PumpUntil([&] { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, kTimeout))
            return {};
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::string ToolTipText(CLinkStatic& link) const
    {
        char text[256] = {};
        TTTOOLINFOA info{};
        info.cbSize = sizeof info;
        info.hwnd = link.m_hWnd;
        info.uId = 1;
        info.lpszText = text;
        link.m_toolTip.SendMessage(TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        return text;
    }

    HWND m_hParent = nullptr;
    std::unique_ptr<CAboutDlg> about;
};

TEST_F(AboutTest, ShowsTheMakerAndWhereTheLinksLead)
{
    EXPECT_EQ(about->GetDlgItemText(IDC_COPYRIGHT), "Copyright (C) 2001-2026 Orlebar Co., Ltd.");

    struct Expected {
        int id;
        CLinkStatic& link;
        const char* text;
        const char* target;
    } const links[] = {
        {IDC_WEBSITE, about->m_website, "http://www.orlebar.example/tarnwick/", "http://www.orlebar.example/tarnwick/"},
        {IDC_MAIL, about->m_mail, "support@orlebar.example", "mailto:support@orlebar.example"},
    };
    for (const Expected& e : links) {
        SCOPED_TRACE(e.text);
        EXPECT_EQ(about->GetDlgItemText(e.id), e.text);
        EXPECT_EQ(e.link.m_strUrl, e.target);
        EXPECT_EQ(ToolTipText(e.link), e.target) << "the tooltip does not show the target";
        EXPECT_TRUE(::GetWindowLongPtrA(Link(e.id), GWL_STYLE) & SS_NOTIFY) << "the link would not report clicks";

        const Drawing drawing = DrawingOf(e.id);
        EXPECT_EQ(drawing.text, kLinkColour);
        EXPECT_EQ(drawing.bkMode, TRANSPARENT);
        EXPECT_EQ(drawing.brush, ::GetStockObject(NULL_BRUSH)) << "the dialog's background would not show through";
    }
}

TEST_F(AboutTest, LinksShrinkToTheirUnderlinedText)
{
    const struct {
        int id;
        CLinkStatic& link;
        RECT placed;   // the template's rectangle, in dialog units
    } links[] = {
        {IDC_WEBSITE, about->m_website, {41, 77, 41 + 153, 77 + 8}},
        {IDC_MAIL, about->m_mail, {41, 88, 41 + 153, 88 + 8}},
    };
    for (auto& [id, link, placed] : links) {
        SCOPED_TRACE(id);
        HWND control = Link(id);
        auto font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
        LOGFONTA logFont{};
        ASSERT_TRUE(::GetObjectA(font, sizeof logFont, &logFont));
        EXPECT_TRUE(logFont.lfUnderline) << "the link text is not underlined";

        const CString text = about->GetDlgItemText(id);
        HDC dc = ::GetDC(control);
        HGDIOBJ old = ::SelectObject(dc, font);
        SIZE extent{};
        ::GetTextExtentPoint32A(dc, text, text.GetLength(), &extent);
        ::SelectObject(dc, old);
        ::ReleaseDC(control, dc);

        RECT rect;
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, about->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        RECT expected = placed;
        ::MapDialogRect(about->m_hWnd, &expected);
        EXPECT_EQ(rect.left, expected.left);
        EXPECT_EQ(rect.top, expected.top);
        EXPECT_EQ(rect.right - rect.left, extent.cx) << "a click beside the text would open the link";
        EXPECT_EQ(rect.bottom - rect.top, extent.cy);
        EXPECT_LT(extent.cx, expected.right - expected.left);

        // The tooltip covers the text it now has, not the empty text of the template.
        TTTOOLINFOA info{};
        info.cbSize = sizeof info;
        info.hwnd = control;
        info.uId = 1;
        ASSERT_TRUE(link.m_toolTip.SendMessage(TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)));
        RECT client;
        ::GetClientRect(control, &client);
        EXPECT_TRUE(::EqualRect(&info.rect, &client)) << "the tooltip would not appear over the whole link";
    }
}

TEST_F(AboutTest, HoveringChangesTheColourUntilThePointerLeaves)
{
    const COLORREF hover = ::GetSysColor(COLOR_HIGHLIGHT);
    ASSERT_NE(hover, kLinkColour);

    MoveMouse(IDC_WEBSITE, 2, 2);
    EXPECT_EQ(ColourOf(IDC_WEBSITE), hover);
    EXPECT_EQ(::GetCapture(), Link(IDC_WEBSITE)) << "the move that leaves the link would not arrive";
    EXPECT_EQ(ColourOf(IDC_MAIL), kLinkColour);

    MoveMouse(IDC_WEBSITE, 3, 2);
    EXPECT_EQ(ColourOf(IDC_WEBSITE), hover) << "a move within the link ended the hover";

    MoveMouse(IDC_WEBSITE, -4, 2);
    EXPECT_EQ(ColourOf(IDC_WEBSITE), kLinkColour);
    EXPECT_EQ(::GetCapture(), nullptr);

    // A visited link goes back to the visited colour.
    about->m_website.MarkVisited(true);
    MoveMouse(IDC_WEBSITE, 2, 2);
    EXPECT_EQ(ColourOf(IDC_WEBSITE), hover);
    RECT client;
    ::GetClientRect(Link(IDC_WEBSITE), &client);
    MoveMouse(IDC_WEBSITE, 2, client.bottom);
    EXPECT_EQ(ColourOf(IDC_WEBSITE), kVisitedColour);
}

TEST_F(AboutTest, TheLinksSetTheHandCursor)
{
    for (int id : {IDC_WEBSITE, IDC_MAIL}) {
        SCOPED_TRACE(id);
        ::SetCursor(nullptr);
        const LRESULT handled =
            ::SendMessageA(Link(id), WM_SETCURSOR, reinterpret_cast<WPARAM>(Link(id)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(handled, TRUE);
        EXPECT_NE(::GetCursor(), nullptr);
    }
    EXPECT_EQ(::GetCursor(), about->m_mail.m_hCursor.Get());
}

TEST_F(AboutTest, AClickThatOpensTheTargetTurnsTheLinkVisited)
{
    TestClass scheme("tarnwick-test-open", RecorderLine(" \"%1\""), true);
    about->m_website.SetLinkUrl("tarnwick-test-open:page");
    MessageBoxAnswerer boxes;

    Click(IDC_WEBSITE);
    EXPECT_NE(WaitForRecord().find("tarnwick-test-open:page"), std::string::npos) << "the target was not opened";
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(ColourOf(IDC_WEBSITE), kVisitedColour);
    EXPECT_EQ(ColourOf(IDC_MAIL), kLinkColour);
}

TEST_F(AboutTest, ATargetTheShellCannotOpenGoesToTheRegisteredBrowser)
{
    // Longer than the registry reads and the command buffer of the browser's usual size: nothing
    // may be cut.
    const std::string option = " --profile=" + std::string(300, 'p');
    TestClass browser("TarnwickTest.Page", RecorderLine((option + " \"%1\"").c_str()));
    PageClass htm("TarnwickTest.Page");
    MessageBoxAnswerer boxes;

    for (const std::string& target : {std::string(kUnknownScheme), "tarnwick-test-nothing:" + std::string(600, 'a')}) {
        SCOPED_TRACE(target.substr(0, 30));
        ::DeleteFileA(RecordPath().c_str());
        about->m_website.MarkVisited(false);
        about->m_website.SetLinkUrl(target.c_str());

        Click(IDC_WEBSITE);
        // The quoted "%1" is cut off, then a blank and the target follow.
        EXPECT_EQ(WaitForRecord(), RecorderLine((option + "  " + target).c_str()));
        EXPECT_EQ(ColourOf(IDC_WEBSITE), kVisitedColour);
    }
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(AboutTest, WhenBothWaysFailTheMessageNamesTheLastFailure)
{
    const struct {
        const char* what;
        const char* command;   // the open command of the class registered for ".htm", if any
        const char* message;
    } cases[] = {
        {"no browser is registered", nullptr,   // the shell's answer
         "There is no application associated\nwith the given filename extension."},
        {"the browser cannot start", "C:\\windows\\tarnwick-missing.exe \"%1\"",   // WinExec's answer
         "The specified file was not found."},
    };
    about->m_website.SetLinkUrl(kUnknownScheme);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TestClass> browser;
        if (c.command) browser = std::make_unique<TestClass>("TarnwickTest.Page", c.command);
        PageClass htm("TarnwickTest.Page");
        MessageBoxAnswerer boxes;

        Click(IDC_WEBSITE);
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], kOpenFailure + c.message);
        EXPECT_EQ(boxes.owners[0], about->m_hWnd);
        EXPECT_EQ(ColourOf(IDC_WEBSITE), kLinkColour) << "a failed link looks visited";
        EXPECT_TRUE(::IsWindow(about->m_hWnd));
    }
}

// The way the Help menu opens it.
TEST(AboutBoxTest, OpensModallyAndClosesWithOK)
{
    MessageBoxAnswerer user(IDOK, "About");   // clicks OK as soon as the box is active
    CAboutDlg about;
    EXPECT_EQ(about.DoModal(), IDOK);
    ASSERT_EQ(user.texts.size(), 1u) << "the box did not open";
    EXPECT_EQ(user.texts[0], "Copyright (C) 2001-2026 Orlebar Co., Ltd.");
    EXPECT_EQ(about.m_hWnd, nullptr);
}

TEST(OpenErrorTextTest, ExplainsEachCode)
{
    const struct {
        INT_PTR code;
        const char* text;
    } codes[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {4, "Unknown Error (4) occurred."},
        {-1, "Unknown Error (-1) occurred."},
    };
    for (const auto& c : codes) EXPECT_EQ(CLinkStatic::OpenErrorText(c.code), c.text) << "code " << c.code;
}

// Each box costs seconds under Wine, so one shows how the message is framed; the clicks above
// show the others.
TEST_F(AboutTest, TheFailureMessageIsTitledWithTheApplicationName)
{
    MessageBoxAnswerer boxes;   // it answers only boxes titled "Tarnwick"
    about->m_mail.ShowOpenError(1234);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], kOpenFailure + "Unknown Error (1234) occurred.");
    EXPECT_EQ(boxes.owners[0], about->m_hWnd);
}

TEST_F(AboutTest, ClosingTheBoxReleasesTheFontsAndTooltips)
{
    std::vector<HGDIOBJ> fonts;
    std::vector<HWND> tips;
    for (CLinkStatic* link : {&about->m_website, &about->m_mail}) {
        fonts.push_back(reinterpret_cast<HGDIOBJ>(link->SendMessage(WM_GETFONT)));
        tips.push_back(link->m_toolTip.m_hWnd);
        ASSERT_NE(::GetObjectType(fonts.back()), 0u);
        ASSERT_TRUE(::IsWindow(tips.back()));
    }
    about.reset();
    for (HGDIOBJ font : fonts) EXPECT_EQ(::GetObjectType(font), 0u) << "the underlined font leaked";
    for (HWND tip : tips) EXPECT_FALSE(::IsWindow(tip)) << "the tooltip outlived the box";
}

TEST(BrowserCommandTest, TheTargetTakesThePlaceOfPercentOne)
{
    const struct {
        const char* commandTemplate;
        const char* command;
    } cases[] = {
        {"\"C:\\b.exe\" \"%1\"", "\"C:\\b.exe\"  t:x"},
        {"C:\\b.exe %1", "C:\\b.exe  t:x"},
        {"C:\\b.exe -nohome", "C:\\b.exe -nohome t:x"},
        {"b.exe \"%1\" -new-window", "b.exe  t:x"},
        {"b.exe -url %1 \"%1\"", "b.exe -url %1  t:x"},   // the quoted form is looked for first
        {"", " t:x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CLinkStatic::BrowserCommand(c.commandTemplate, "t:x"), c.command) << c.commandTemplate;
}

} // namespace
