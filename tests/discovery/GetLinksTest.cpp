// The page-scan worker against the loopback server, with a real owner window.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CGetLinks.h"
#include "CPropertysIni.h"
#include "OwnerWindow.h"
#include "TestHttpServer.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 30s;

// The owner's side of a scan: a window, a result list, and what the list held when
// WM_LINKS_FOUND arrived.
class ScanOwner {
public:
    ScanOwner()
    {
        window.onMessage = [this](const Received& r) {
            if (r.message == WM_LINKS_FOUND) {
                found.clear();
                for (int i = 0; i < results.GetSize(); ++i) found.emplace_back(results[i]);
            }
        };
    }

    // Starts a worker as the New Task dialog does and returns its thread handle (ours to close).
    HANDLE Start(const std::string& url)
    {
        auto* worker = static_cast<CGetLinks*>(CGetLinks::classCGetLinks.CreateObject());
        worker->SetResultArray(&results);
        worker->SetUrl(url.c_str());
        worker->SetPageUrl(url.c_str());
        worker->SetOwner(window.Handle());
        EXPECT_TRUE(worker->CreateThread(CREATE_SUSPENDED));
        HANDLE thread = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), worker->m_hThread, ::GetCurrentProcess(), &thread, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
        current = worker->GetLink();
        ::ResumeThread(worker->m_hThread);
        return thread;
    }

    // Runs one scan to its end.
    void Scan(const std::string& url)
    {
        HANDLE thread = Start(url);
        EXPECT_TRUE(window.WaitForHandle(thread, kTimeout)) << "the scan did not end";
        ::CloseHandle(thread);
    }

    std::string Codes() const
    {
        std::string text;
        for (const Received& r : window.Messages()) {
            text += r.message == WM_LINKS_FOUND ? std::string("found")
                                                : std::to_string(r.wParam) + " ";
        }
        return text;
    }

    OwnerWindow window;
    CStringArray results;
    std::vector<std::string> found;
    std::shared_ptr<CWorkerLink> current;
};

TEST(GetLinksClass, IsCreatedThroughItsRunTimeClass)
{
    EXPECT_STREQ(CGetLinks::classCGetLinks.m_lpszClassName, "CGetLinks");
    CObject* object = CGetLinks::classCGetLinks.CreateObject();
    EXPECT_NE(dynamic_cast<CGetLinks*>(object), nullptr);
    delete object;
}

// These scans follow the literal rule: the Options switch is off in the settings file beside
// this program, as a user may set it.
class PageScan : public ::testing::Test {
protected:
    void SetUp() override { CPropertysIni().SetFindInObjectsAndScripts(false); }
    void TearDown() override { ::DeleteFileA(CPropertysIni().GetPath()); }

    TestHttpServer server;
    ScanOwner owner;
};

TEST_F(PageScan, PageWithoutTagsEndsWithAnEmptyList)
{
    server.On("/plain.html", Behaviour::Page("<html><object data=x.swf></object></html>"));
    owner.results.Add("left over");
    owner.Scan(server.Url("/plain.html"));
    EXPECT_EQ(owner.Codes(), "11 9 10 found");
    EXPECT_TRUE(owner.found.empty());
}

TEST_F(PageScan, MoviesInDocumentOrderWithDuplicatesResolvedAgainstTheTypedAddress)
{
    server.On("/dir/page.html",
              Behaviour::Page("<EMBED SRC=\"a.swf\"><embed src='/top.swf'><Embed Src=a.swf>"
                              "<EMBED SRC=http://other/b.swf>"));
    owner.Scan(server.Url("/dir/page.html"));
    EXPECT_EQ(owner.Codes(), "11 9 10 found");
    const std::string root = server.Url("/");
    EXPECT_EQ(owner.found, (std::vector<std::string>{root + "dir/a.swf", root + "top.swf", root + "dir/a.swf",
                                                     "http://other/b.swf"}));

    // Typed without a scheme, the addresses keep the form the user typed.
    const std::string typed = "127.0.0.1:" + std::to_string(server.Port()) + "/dir/page.html";
    owner.window.Clear();
    owner.Scan(typed);
    ASSERT_EQ(owner.found.size(), 4u);
    EXPECT_EQ(owner.found[0], "127.0.0.1:" + std::to_string(server.Port()) + "/dir/a.swf");
}

TEST_F(PageScan, RedirectedPageResolvesItsMoviesAgainstTheFinalAddress)
{
    server.On("/old/page.html", Behaviour::Raw("HTTP/1.0 301 Moved\r\nLocation: ../new/site/page.html\r\n\r\n",
                                               "<EMBED SRC=gone.swf>"));
    server.On("/new/site/page.html", Behaviour::Page("<EMBED SRC=movie.swf><EMBED SRC=/top.swf>"));
    owner.Scan(server.Url("/old/page.html"));
    EXPECT_EQ(owner.Codes(), "11 9 10 found") << "one fetch as far as the owner can see";
    EXPECT_EQ(owner.found, (std::vector<std::string>{server.Url("/new/site/movie.swf"), server.Url("/top.swf")}));
}

TEST_F(PageScan, TagInAResponseHeaderIsFound)
{
    server.On("/head.html", Behaviour::Page("<html></html>", "200 OK", "X-Note: <EMBED SRC=head.swf>\r\n"));
    owner.Scan(server.Url("/head.html"));
    EXPECT_EQ(owner.found, std::vector<std::string>{server.Url("/head.swf")});
}

TEST_F(PageScan, FailedFetchesStillEndWithWmLinksFound)
{
    server.On("/close", Behaviour::CloseAtOnce());
    owner.Scan(server.Url("/close"));
    EXPECT_EQ(owner.Codes(), "11 9 10 0 found");
    EXPECT_TRUE(owner.found.empty());

    owner.window.Clear();
    owner.Scan("http://no-such-host.invalid/page.html");
    EXPECT_EQ(owner.Codes(), "11 7 found");
    EXPECT_TRUE(owner.found.empty());
}

TEST_F(PageScan, StoppedScanSendsNothingMoreAndANewOneRunsAtOnce)
{
    server.On("/slow.html", Behaviour::Page(std::string(50000, 'x') + "<EMBED SRC=late.swf>").Drip(16, 20ms));
    server.On("/quick.html", Behaviour::Page("<EMBED SRC=quick.swf>"));
    HANDLE first = owner.Start(server.Url("/slow.html"));
    ASSERT_TRUE(owner.window.WaitUntil([&] { return owner.window.Count(WM_NET_STATUS) == 3; }, kTimeout));
    owner.current->Stop();
    const std::string before = owner.Codes();

    HANDLE second = owner.Start(server.Url("/quick.html"));
    EXPECT_TRUE(owner.window.WaitForHandle(second, kTimeout));
    EXPECT_TRUE(owner.window.WaitForHandle(first, kTimeout)) << "the stopped worker must end by itself";
    ::CloseHandle(first);
    ::CloseHandle(second);
    EXPECT_EQ(owner.Codes(), before + "11 9 10 found") << "only the second worker reports";
    EXPECT_EQ(owner.found, std::vector<std::string>{server.Url("/quick.swf")});
}

TEST(PageScanStress, TwoHundredStartStopCyclesLeakNothing)
{
    const std::size_t threadsBefore = ThreadCount();
    const std::uintptr_t handleBefore = NextHandleValue();
    {
        TestHttpServer server;
        server.On("/slow.html", Behaviour::Page(std::string(100000, 'x')).Drip(64, 5ms));
        server.On("/silent.html", Behaviour::NeverAnswer());
        ScanOwner owner;
        std::vector<HANDLE> threads;
        for (int i = 0; i < 200; ++i) {
            const std::size_t requests = server.Requests().size();
            threads.push_back(owner.Start(server.Url(i % 2 ? "/slow.html" : "/silent.html")));
            // Alternate between stopping at once and stopping once a request is out.
            // The wait pumps messages: a worker's reports wait for this thread.
            if (i % 4 >= 2) {
                ASSERT_TRUE(owner.window.WaitUntil([&] { return server.Requests().size() > requests; }, kTimeout));
            }
            owner.current->Stop();
        }
        for (HANDLE thread : threads) {
            ASSERT_TRUE(owner.window.WaitForHandle(thread, kTimeout)) << "a stopped worker did not end";
            ::CloseHandle(thread);
        }
        EXPECT_EQ(owner.window.Count(WM_LINKS_FOUND), 0u);
        EXPECT_EQ(CHttpClient::LiveCount(), 0) << "every worker deleted itself and closed its socket";
    }
    EXPECT_EQ(ThreadCount(), threadsBefore);
    EXPECT_EQ(NextHandleValue(), handleBefore) << "a handle was left open";
}

} // namespace
