// The New Task dialog under Wine, against the loopback server: the dialog runs modeless over a
// real main window with the task list and is driven with the messages its buttons and keys send.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "CGetLinks.h"
#include "CHttpClient.h"
#include "CNewTaskDlg.h"
#include "CPropertysIni.h"
#include "TaskListHost.h"
#include "TestHttpServer.h"
#include "TlsFront.h"
#include "UiTestApp.h"
#include "resource.h"

using namespace std::chrono_literals;

CUiTestApp theApp;

namespace {

constexpr auto kTimeout = 30s;
const char* const kBox = "<message box>";

// What the user sees change, in order: every text the status line takes, and every message box
// the dialog opens.
class DialogLog {
public:
    DialogLog(HWND dialog) : m_hDialog(dialog), m_hStatus(::GetDlgItem(dialog, IDC_STATUS))
    {
        s_log = this;
        m_hHook = ::SetWindowsHookExA(WH_CALLWNDPROC, &DialogLog::Hook, nullptr, ::GetCurrentThreadId());
    }
    ~DialogLog()
    {
        ::UnhookWindowsHookEx(m_hHook);
        s_log = nullptr;
    }
    DialogLog(const DialogLog&) = delete;
    DialogLog& operator=(const DialogLog&) = delete;

    bool Contains(const std::string& entry) const
    {
        for (const std::string& e : entries)
            if (e == entry) return true;
        return false;
    }

    std::vector<std::string> entries;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (DialogLog* self = s_log; self && code == HC_ACTION) {
            if (call->message == WM_SETTEXT && call->hwnd == self->m_hStatus)
                self->entries.emplace_back(reinterpret_cast<const char*>(call->lParam));
            if (call->message == WM_INITDIALOG && ::GetWindow(call->hwnd, GW_OWNER) == self->m_hDialog)
                self->entries.emplace_back(kBox);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline DialogLog* s_log = nullptr;
    HWND m_hDialog;
    HWND m_hStatus;
    HHOOK m_hHook;
};

class NewTaskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProfile();
        host = std::make_unique<TaskListHost>();
        ASSERT_NE(host->view, nullptr) << "the main window was not created";
        host->AddRows({"http://old/1.swf", "http://old/2.swf"});
    }

    void TearDown() override
    {
        dialog.reset();
        host.reset();
        EXPECT_TRUE(PumpUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout)) << "a scan is still running";
        ClearProfile();
        ::DeleteFileA(CPropertysIni().GetPath());
    }

    // Opens the dialog offering the address, as File > New Task does.
    void Open(const std::string& address, bool withTaskList = true)
    {
        dialog = std::make_unique<CNewTaskDlg>(host->frame);
        dialog->SetURL(address.c_str());
        if (withTaskList) dialog->SetTaskList(host->view);
        // Left hidden, like the main window: taking a shown window down costs seconds under Wine.
        ASSERT_TRUE(dialog->Create(host->frame->m_hWnd));
        log = std::make_unique<DialogLog>(dialog->m_hWnd);
    }

    void Click(int id)
    {
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(dialog->GetDlgItem(id)));
    }

    std::string Text(int id) const { return std::string(dialog->GetDlgItemText(id).View()); }
    int BarPosition() const { return static_cast<int>(::SendMessageA(dialog->GetDlgItem(IDC_PROGRESS), PBM_GETPOS, 0, 0)); }

    bool WaitForStatus(const char* text)
    {
        return PumpUntil([&] { return log->Contains(text); }, kTimeout);
    }

    // What the user sees in the idle dialog.
    void ExpectReady(const char* when)
    {
        EXPECT_EQ(Text(IDC_START), "Start") << when;
        EXPECT_EQ(Text(IDC_STATUS), "") << when;
        EXPECT_EQ(BarPosition(), 0) << when;
        EXPECT_FALSE(dialog->IsEnded()) << when;
    }

    TestHttpServer server;
    std::unique_ptr<TaskListHost> host;
    std::unique_ptr<CNewTaskDlg> dialog;
    std::unique_ptr<DialogLog> log;
};

TEST_F(NewTaskTest, OffersTheAddressAndWaitsForStart)
{
    const std::string address = server.Url("/page.html");
    server.On("/page.html", Behaviour::Page("<EMBED SRC=a.swf>"));
    Open(address);

    EXPECT_EQ(Text(IDC_URL), address);
    EXPECT_EQ(Text(IDC_START), "Start");
    PBRANGE range{};
    ::SendMessageA(dialog->GetDlgItem(IDC_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 4);
    EXPECT_EQ(BarPosition(), 0);

    EXPECT_EQ(CHttpClient::LiveCount(), 0) << "the scan started by itself";
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(NewTaskTest, EnterInTheAddressBoxStartsTheScanAndNeverClosesTheDialog)
{
    server.On("/slow.html", Behaviour::Page(std::string(20000, 'x') + "<EMBED SRC=late.swf>").Drip(16, 50ms));
    Open(server.Url("/slow.html"));
    // The key as the dialog's message loop hands it over, with the focus in the address box.
    const auto pressEnter = [&] {
        MSG key{};
        key.hwnd = dialog->GetDlgItem(IDC_URL);
        key.message = WM_KEYDOWN;
        key.wParam = VK_RETURN;
        key.lParam = 1;
        return dialog->PreTranslateMessage(&key);
    };
    EXPECT_TRUE(pressEnter());
    EXPECT_EQ(Text(IDC_START), "Stop") << "Enter did not start the scan";
    ASSERT_TRUE(WaitForStatus("Be ready to receive data"));

    EXPECT_TRUE(pressEnter());
    EXPECT_FALSE(dialog->IsEnded()) << "Enter closed the dialog while the page loaded";
    EXPECT_EQ(Text(IDC_START), "Stop") << "Enter stopped the scan";
    EXPECT_EQ(CHttpClient::LiveCount(), 1);
    Click(IDC_START);
    ExpectReady("after Stop");
}

TEST_F(NewTaskTest, EditBoxTakesAtMost255Characters)
{
    Open("");
    HWND edit = dialog->GetDlgItem(IDC_URL);
    for (int i = 0; i < 256; ++i) ::SendMessageA(edit, WM_CHAR, 'a', 0);
    EXPECT_EQ(::GetWindowTextLengthA(edit), 255);
}

TEST_F(NewTaskTest, EmptyAddressAsksForOne)
{
    Open("");
    MessageBoxAnswerer answerer;
    Click(IDC_START);
    EXPECT_EQ(answerer.texts, (std::vector<std::string>{"Please enter URL"}));
    EXPECT_EQ(answerer.owners, (std::vector<HWND>{dialog->m_hWnd}));
    EXPECT_EQ(Text(IDC_START), "Start");
    EXPECT_EQ(CHttpClient::LiveCount(), 0);
    EXPECT_EQ(host->view->GetTaskCount(), 2);
}

TEST_F(NewTaskTest, MoviesFoundReplaceTheTaskListOnceEachAndCloseTheDialog)
{
    server.On("/page.html",
              Behaviour::Page("<EMBED SRC=movies/a.swf> <EMBED SRC=b.swf> <EMBED SRC=movies/a.swf>"));
    // Without a task list of its own the dialog fills the main window's.
    Open(server.Url("/page.html"), false);
    Click(IDC_START);
    EXPECT_EQ(Text(IDC_START), "Stop");

    ASSERT_TRUE(PumpUntil([&] { return dialog->IsEnded(); }, kTimeout)) << "the dialog stayed open";
    EXPECT_EQ(dialog->GetResult(), 0);
    EXPECT_EQ(host->ColumnTexts(1), (std::vector<std::string>{"a.swf", "b.swf"}));
    EXPECT_EQ(host->ColumnTexts(2), (std::vector<std::string>{server.Url("/movies/a.swf"), server.Url("/b.swf")}));
    EXPECT_EQ(host->ColumnTexts(3), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(host->ColumnTexts(4), (std::vector<std::string>{"0%", "0%"}));
    EXPECT_EQ(host->Checks(), (std::vector<int>{2, 2}));
    EXPECT_EQ(std::string(host->view->GetTaskUrl(1).View()), server.Url("/b.swf"));
    EXPECT_EQ(log->entries,
              (std::vector<std::string>{"Initialise completed", "Connected", "Be ready to receive data"}));
    EXPECT_EQ(BarPosition(), 4);
}

TEST_F(NewTaskTest, ObjectAndScriptMoviesAreListedUnlessTheOptionsTurnThatOff)
{
    server.On("/site/page.html",
              Behaviour::Page("<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"400\" height=\"300\">\n"
                              "<param name=\"movie\" value=\"intro.swf?v=2&amp;lang=en\">\n"
                              "<param name=\"flashvars\" value=\"file=clip.flv\">\n"
                              "<embed src=\"intro.swf?v=2&amp;lang=en\" type=\"application/x-shockwave-flash\"></object>\n"
                              "<div id=\"game\"></div><script type=\"text/javascript\">\n"
                              "swfobject.embedSWF(\"games/game.swf\", \"game\", \"640\", \"480\", \"9.0.0\", \"expressInstall.swf\");\n"
                              "</script>\n<EMBED SRC=\"/banner.swf\">\n<!-- <EMBED SRC=\"old.swf\"> -->\n"));
    const struct {
        bool extended;
        std::vector<std::string> addresses;
    } runs[] = {
        {true, {server.Url("/site/intro.swf?v=2&lang=en"), server.Url("/banner.swf"), server.Url("/site/games/game.swf")}},
        // The literal rule alone, as before the switch: "&amp;" kept, the commented-out movie listed.
        {false, {server.Url("/site/intro.swf?v=2&amp;lang=en"), server.Url("/banner.swf"), server.Url("/site/old.swf")}},
    };
    for (const auto& run : runs) {
        CPropertysIni().SetFindInObjectsAndScripts(run.extended);
        Open(server.Url("/site/page.html"), false);
        Click(IDC_START);
        ASSERT_TRUE(PumpUntil([&] { return dialog->IsEnded(); }, kTimeout)) << "the dialog stayed open";
        EXPECT_EQ(host->ColumnTexts(2), run.addresses) << (run.extended ? "extended" : "literal");
        log.reset();
        dialog.reset();
    }
}

TEST_F(NewTaskTest, StopBeforeThePageArrivesLeavesTheListAndAllowsANewStart)
{
    server.On("/slow.html", Behaviour::Page(std::string(20000, 'x') + "<EMBED SRC=late.swf>").Drip(16, 50ms));
    server.On("/quick.html", Behaviour::Page("<EMBED SRC=quick.swf>"));
    Open(server.Url("/slow.html"));
    Click(IDC_START);
    ASSERT_TRUE(WaitForStatus("Be ready to receive data"));

    Click(IDC_START);
    ExpectReady("after Stop");
    const std::size_t seen = log->entries.size();
    ASSERT_TRUE(PumpUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout)) << "the stopped scan did not end";
    EXPECT_EQ(log->entries.size(), seen) << "the stopped scan still reported: " << log->entries.back();
    ExpectReady("after the stopped scan ended");
    EXPECT_EQ(host->ColumnTexts(2), (std::vector<std::string>{"http://old/1.swf", "http://old/2.swf"}));

    dialog->SetDlgItemText(IDC_URL, server.Url("/quick.html").c_str());
    Click(IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return dialog->IsEnded(); }, kTimeout)) << "the second scan did not finish";
    EXPECT_EQ(host->ColumnTexts(2), (std::vector<std::string>{server.Url("/quick.swf")}));
}

TEST_F(NewTaskTest, StopWhileTheScanWaitsOnTheDialogDropsWhatItSent)
{
    server.On("/page.html", Behaviour::Page("<EMBED SRC=a.swf>"));
    Open(server.Url("/page.html"));
    Click(IDC_START);
    // Without pumping, wait until the worker is blocked sending its first report to the dialog.
    const DWORD start = ::GetTickCount();
    while (!(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE)) {
        ASSERT_LT(::GetTickCount() - start, 30000u) << "the scan sent nothing";
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_SENDMESSAGE);
    }
    Click(IDC_START);
    ASSERT_TRUE(PumpUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout)) << "the stopped scan did not end";
    ExpectReady("after a report that was under way when Stop was pressed");
    EXPECT_EQ(log->entries, (std::vector<std::string>{""}));
    EXPECT_EQ(host->ColumnTexts(2), (std::vector<std::string>{"http://old/1.swf", "http://old/2.swf"}));
}

TEST_F(NewTaskTest, StopRacingTheEndOfManyScansReachesNoEndedWorker)
{
    server.On("/page.html", Behaviour::Page("<EMBED SRC=a.swf>"));
    const std::vector<std::string> oldRows{"http://old/1.swf", "http://old/2.swf"};
    enum class When { AtOnce, RequestOut, Connected, DialogGone };
    for (int i = 0; i < 80; ++i) {
        const When when = static_cast<When>(i % 4);
        const std::size_t requests = server.Requests().size();
        Open(server.Url("/page.html"));
        Click(IDC_START);
        switch (when) {
        case When::AtOnce: break;
        case When::RequestOut:
            ASSERT_TRUE(PumpUntil([&] { return server.Requests().size() > requests; }, kTimeout)) << i;
            break;
        case When::Connected: ASSERT_TRUE(WaitForStatus("Connected")) << i; break;
        case When::DialogGone:
            // The dialog's window goes while the scan runs; the scan ends on its own, and only
            // then is the dialog object cleaned up.
            log.reset();
            dialog->DestroyWindow();
            ASSERT_TRUE(PumpUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout)) << i;
            break;
        }
        // The scan may have ended before Stop (its movies are then the list); what Stop must
        // ensure is that nothing of it arrives afterwards.
        const std::vector<std::string> rowsAtStop = host->ColumnTexts(2);
        if (!dialog->m_bReady && when != When::DialogGone) Click(IDC_START);
        const std::size_t seen = log ? log->entries.size() : 0;
        ASSERT_TRUE(PumpUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout)) << "scan " << i << " did not end";
        if (log) {
            EXPECT_EQ(log->entries.size(), seen) << "scan " << i << " reported after Stop";
        }
        EXPECT_EQ(host->ColumnTexts(2), rowsAtStop) << "scan " << i << " filled the list after Stop";
        log.reset();
        dialog.reset();
        host->AddRows(oldRows);
    }
}

TEST_F(NewTaskTest, UnknownHostEmptiesTheListAndSaysSo)
{
    Open("http://no-such-host.invalid/");
    MessageBoxAnswerer answerer;
    Click(IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return dialog->m_bReady; }, 60s)) << "the scan did not end";

    EXPECT_EQ(log->entries, (std::vector<std::string>{"Initialise completed", "Host not found", kBox, ""}));
    EXPECT_EQ(answerer.texts, (std::vector<std::string>{"No flash file found"}));
    EXPECT_EQ(answerer.owners, (std::vector<HWND>{dialog->m_hWnd}));
    EXPECT_EQ(host->view->GetTaskCount(), 0);
    EXPECT_EQ(host->view->Tasks().GetRowCount(), 0);
    ExpectReady("after nothing was found");
}

TEST_F(NewTaskTest, UntrustedHttpsPageSaysWhyInTheStatusLine)
{
    if (!TlsFront::Available()) GTEST_SKIP() << "runs under tests/support/with-tls-front";
    TlsFront front;
    server.On("/page.html", Behaviour::Page("<EMBED SRC=a.swf>"));
    Open(front.Url(server, "/page.html", TlsFront::Certificate::Untrusted));
    MessageBoxAnswerer answerer;
    Click(IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return dialog->m_bReady; }, kTimeout)) << "the scan did not end";
    EXPECT_EQ(log->entries, (std::vector<std::string>{"Initialise completed", "Certificate not trusted", kBox, ""}));
    EXPECT_EQ(host->view->GetTaskCount(), 0);
}

TEST_F(NewTaskTest, ClosingWhileScanningStopsTheScan)
{
    server.On("/hang.html", Behaviour::NeverAnswer());
    enum class Close { Button, Escape, SystemMenu, Destroyed };
    const std::pair<Close, const char*> ways[] = {
        {Close::Button, "the Close button"},
        {Close::Escape, "Escape"},
        {Close::SystemMenu, "the system menu"},
        {Close::Destroyed, "the dialog object going away"},
    };
    for (const auto& [way, name] : ways) {
        Open(server.Url("/hang.html"));
        Click(IDC_START);
        ASSERT_TRUE(WaitForStatus("Be ready to receive data")) << name;
        const std::size_t seen = log->entries.size();

        switch (way) {
        case Close::Button: Click(IDCANCEL); break;
        case Close::Escape: {
            MSG key{};
            key.hwnd = dialog->GetDlgItem(IDC_URL);
            key.message = WM_KEYDOWN;
            key.wParam = VK_ESCAPE;
            key.lParam = 1;
            EXPECT_TRUE(dialog->PreTranslateMessage(&key)) << name;
            break;
        }
        case Close::SystemMenu: dialog->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case Close::Destroyed: break;
        }
        if (way == Close::Destroyed) {
            log.reset();
            dialog.reset();
        } else {
            EXPECT_TRUE(PumpUntil([&] { return dialog->IsEnded(); }, kTimeout)) << name << " did not close the dialog";
            EXPECT_EQ(dialog->GetResult(), IDCANCEL) << name;
        }

        EXPECT_TRUE(PumpUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout)) << "closing by " << name << " left the scan running";
        if (log) {
            EXPECT_EQ(log->entries.size(), seen) << "the scan reported after closing by " << name;
        }
        EXPECT_EQ(host->ColumnTexts(2), (std::vector<std::string>{"http://old/1.swf", "http://old/2.swf"})) << name;
        log.reset();
        dialog.reset();
    }
}

} // namespace
