// Download > Start and Stop in the main window against the loopback server: which rows start,
// what their Size and Progress columns show, what lands in the save folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "CDrovaneView.h"
#include "CHttpClient.h"
#include "CPropertysIni.h"
#include "FrameHost.h"
#include "RemoteProgram.h"
#include "TestHttpServer.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 30s;

std::string Movie(std::size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 13 % 251);
    return bytes;
}

class DownloadControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProfile();
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "tarnwick-downloads-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder.c_str(), nullptr);
        CPropertysIni settings;
        settings.SetSavePath((folder + "\\").c_str());
        frame = OpenFrame();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override
    {
        if (frame) {
            frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_STOP);
            CloseFrame(frame);
        }
        RemoveFolder(folder);
        ::DeleteFileA(CPropertysIni().GetPath());
        ClearProfile();
    }

    void List(const std::vector<std::string>& paths)
    {
        std::string list;
        for (const std::string& path : paths) list += server.Url(path) + ",";
        frame->AddFlashList(list.c_str());
    }
    std::string Cell(int row, int column)
    {
        return std::string(frame->GetTaskList()->GetListCtrl().GetItemText(row, column));
    }
    bool WaitForProgress(int row, const std::string& text)
    {
        return PumpUntil([&] { return Cell(row, CDrovaneView::COLUMN_PROGRESS) == text; }, kTimeout);
    }
    std::string FileContent(const std::string& name)
    {
        std::ifstream in(folder + "\\" + name, std::ios::binary);
        if (!in) return "(no file)";
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    bool MenuEnabled(UINT id)
    {
        HMENU download = ::GetSubMenu(::GetMenu(frame->m_hWnd), 3);
        frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(download), MAKELPARAM(3, FALSE));
        return !(::GetMenuState(download, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    }
    // Pieces can show "100%" before the file is in place; no row running means every DL_DONE
    // (or failure) has been handled.
    bool AllRowsFinished()
    {
        return PumpUntil([&] { return !frame->IsDownloading(); }, kTimeout);
    }
    bool AllWorkersEnded()
    {
        return PumpUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout);
    }

    TestHttpServer server;
    std::string folder;
    CMainFrame* frame = nullptr;
};

TEST_F(DownloadControl, StartRunsTheCheckedRowsAndFillsTheirColumns)
{
    const std::string a = Movie(2048, 'a'), c = Movie(35000, 'c');
    server.On("/m/a.swf", Behaviour::Page(a).InPieces({300, 900}, 10ms));
    server.On("/m/b.swf", Behaviour::Page(Movie(100, 'b')));
    server.On("/m/c.swf", Behaviour::Page(c));
    List({"/m/a.swf", "/m/b.swf", "/m/c.swf"});
    frame->GetTaskList()->GetListCtrl().SetCheck(1, false);

    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(WaitForProgress(0, "100%"));
    ASSERT_TRUE(WaitForProgress(2, "100%"));
    ASSERT_TRUE(AllRowsFinished());
    EXPECT_EQ(Cell(0, CDrovaneView::COLUMN_SIZE), "2KB");
    EXPECT_EQ(Cell(2, CDrovaneView::COLUMN_SIZE), "34KB");
    EXPECT_EQ(Cell(1, CDrovaneView::COLUMN_SIZE), "");
    EXPECT_EQ(Cell(1, CDrovaneView::COLUMN_PROGRESS), "0%");
    EXPECT_TRUE(FileContent("a.swf") == a) << "a.swf differs";
    EXPECT_TRUE(FileContent("c.swf") == c) << "c.swf differs";
    EXPECT_EQ(FileContent("b.swf"), "(no file)");
    EXPECT_TRUE(AllWorkersEnded());
}

TEST_F(DownloadControl, MovieWithoutLengthShowsUnknownSizeThenDone)
{
    server.On("/m/open.swf", Behaviour::Raw("HTTP/1.0 200 OK\r\nContent-Type: application/x-shockwave-flash\r\n\r\n", "FWS-body"));
    List({"/m/open.swf"});
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(WaitForProgress(0, "100%"));
    EXPECT_EQ(Cell(0, CDrovaneView::COLUMN_SIZE), "Unknown Size");
    EXPECT_EQ(FileContent("open.swf"), "FWS-body");
}

TEST_F(DownloadControl, FailuresShowAShortTextAndNoMessage)
{
    MessageBoxAnswerer boxes;
    server.On("/m/gone.swf", Behaviour::Page("<html>not here</html>", "404 Not Found"));
    frame->AddFlashList((server.Url("/m/gone.swf") + ",http://no-such-host.invalid/x.swf,").c_str());
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    EXPECT_TRUE(WaitForProgress(0, "HTTP 404"));
    EXPECT_TRUE(WaitForProgress(1, "Host not found"));
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(FileContent("gone.swf"), "(no file)");
    EXPECT_FALSE(frame->IsDownloading()) << "failed rows are not running";
}

TEST_F(DownloadControl, StopSilencesTheRowAndStartBeginsAgain)
{
    const std::string movie = Movie(60000, 's');
    server.On("/m/slow.swf", Behaviour::Page(movie).Drip(200, 20ms));
    List({"/m/slow.swf"});
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(PumpUntil([&] { return Cell(0, CDrovaneView::COLUMN_PROGRESS) != "0%"; }, kTimeout));
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_STOP);
    const std::string stoppedAt = Cell(0, CDrovaneView::COLUMN_PROGRESS);
    ASSERT_TRUE(AllWorkersEnded());
    EXPECT_EQ(Cell(0, CDrovaneView::COLUMN_PROGRESS), stoppedAt) << "nothing more reaches the row";
    EXPECT_EQ(FileContent("slow.swf"), "(no file)");

    server.On("/m/slow.swf", Behaviour::Page(movie));
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(WaitForProgress(0, "100%"));
    ASSERT_TRUE(AllRowsFinished());
    EXPECT_TRUE(FileContent("slow.swf") == movie) << "slow.swf differs";
}

TEST_F(DownloadControl, RowStartedAgainHearsOnlyItsNewWorker)
{
    // The first worker finishes while its DL_HEAD and DL_DONE are still queued; by the time they
    // are handled the row belongs to a second worker that has not received a byte.
    server.On("/m/twice.swf", Behaviour::Page(Movie(3000, 't')));
    List({"/m/twice.swf"});
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(ServeSentUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout));
    server.On("/m/twice.swf", Behaviour::NeverAnswer());
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    EXPECT_EQ(Cell(0, CDrovaneView::COLUMN_PROGRESS), "0%") << "a started row begins at 0%";
    ASSERT_TRUE(PumpUntil([&] { return server.Requests().size() == 2; }, kTimeout));
    PumpUntil([] { return false; }, 0ms);
    EXPECT_EQ(Cell(0, CDrovaneView::COLUMN_PROGRESS), "0%");
    EXPECT_EQ(Cell(0, CDrovaneView::COLUMN_SIZE), "");
    EXPECT_TRUE(frame->IsDownloading()) << "the second download is still running";
}

TEST_F(DownloadControl, StartAndStopNeedRowsAndRowsStayWhileDownloading)
{
    EXPECT_FALSE(MenuEnabled(ID_DOWNLOAD_START));
    EXPECT_FALSE(MenuEnabled(ID_DOWNLOAD_STOP));
    server.On("/m/slow.swf", Behaviour::Page(Movie(60000, 's')).Drip(200, 20ms));
    List({"/m/slow.swf", "/m/other.swf"});
    frame->GetTaskList()->GetListCtrl().SetCheck(0, false);
    frame->GetTaskList()->GetListCtrl().SetCheck(1, false);
    EXPECT_TRUE(MenuEnabled(ID_DOWNLOAD_START)) << "rows, even unchecked, enable Start";
    EXPECT_TRUE(MenuEnabled(ID_DOWNLOAD_STOP));

    frame->GetTaskList()->GetListCtrl().SetCheck(0, true);
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    frame->GetTaskList()->GetListCtrl().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    frame->SendMessage(WM_COMMAND, ID_DELETE);
    frame->SendMessage(WM_COMMAND, ID_CUT);
    EXPECT_EQ(frame->GetTaskList()->GetTaskCount(), 2) << "no row goes while a download runs";

    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_STOP);
    frame->SendMessage(WM_COMMAND, ID_DELETE);
    EXPECT_EQ(frame->GetTaskList()->GetTaskCount(), 1);
    EXPECT_EQ(std::string(frame->GetTaskList()->GetTaskUrl(0)), server.Url("/m/slow.swf"));
    EXPECT_TRUE(AllWorkersEnded());
}

TEST_F(DownloadControl, TwelveRowsDownloadAtOnce)
{
    std::vector<std::string> paths, movies;
    for (int i = 0; i < 12; ++i) {
        paths.push_back("/m/clip" + std::to_string(i) + ".swf");
        movies.push_back(Movie(static_cast<std::size_t>(5000 + i * 3001), static_cast<char>('A' + i)));
        server.On(paths.back(), Behaviour::Page(movies.back()));
    }
    List(paths);
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(AllRowsFinished());
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(WaitForProgress(i, "100%")) << "row " << i;
        EXPECT_TRUE(FileContent("clip" + std::to_string(i) + ".swf") == movies[static_cast<std::size_t>(i)]) << i;
    }
}

TEST_F(DownloadControl, RowsDownloadThroughTheRealProxy)
{
    char port[16] = {};
    if (!::GetEnvironmentVariableA("TARNWICK_TINYPROXY_PORT", port, sizeof port))
        GTEST_SKIP() << "runs under tests/net/with-tinyproxy";
    CPropertysIni settings;
    settings.SetUseProxy(true);
    settings.SetProxyServer("127.0.0.1");
    settings.SetProxyPort(port);
    const std::string a = Movie(70000, 'p'), b = Movie(1500, 'q');
    server.On("/p/a.swf", Behaviour::Page(a));
    server.On("/p/b.swf", Behaviour::Page(b));
    List({"/p/a.swf", "/p/b.swf"});
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(WaitForProgress(0, "100%"));
    ASSERT_TRUE(WaitForProgress(1, "100%"));
    ASSERT_TRUE(AllRowsFinished());
    EXPECT_EQ(Cell(0, CDrovaneView::COLUMN_SIZE), "68KB");
    EXPECT_TRUE(FileContent("a.swf") == a) << "a.swf differs";
    EXPECT_TRUE(FileContent("b.swf") == b) << "b.swf differs";
    ASSERT_EQ(server.Requests().size(), 2u);
    for (const std::string& request : server.Requests())
        EXPECT_EQ(request.rfind("GET /p/", 0), 0u) << "the proxy forwards the path: " << request;
}

} // namespace
