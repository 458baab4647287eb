// Download > Start and Stop in the main window against the loopback server: which rows start,
// what their Size and Progress columns show, what lands in the save folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

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
        return ListItemText(frame->GetTaskList()->m_hWnd, row, column);
    }
    bool WaitForProgress(int row, const std::string& text)
    {
        return PumpUntil([&] { return Cell(row, CDrovaneView::COLUMN_PROGRESS) == text; }, kTimeout);
    }
    std::string FileContent(const std::string& name) { return FileBytes(folder + "\\" + name); }
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
    std::vector<std::string> FilesInFolder()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(search, &found)) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
        }
        if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> Column(int column)
    {
        std::vector<std::string> texts;
        for (int row = 0; row < frame->GetTaskList()->GetTaskCount(); ++row) texts.push_back(Cell(row, column));
        return texts;
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
    // The first worker finishes while its DL_HEAD and DL_DONE are still queued; the row is
    // stopped and started again, and by the time they are handled it belongs to a second worker
    // that has not received a byte.
    server.On("/m/twice.swf", Behaviour::Page(Movie(3000, 't')));
    List({"/m/twice.swf"});
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(ServeSentUntil([] { return CHttpClient::LiveCount() == 0; }, kTimeout));
    server.On("/m/twice.swf", Behaviour::NeverAnswer());
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    EXPECT_EQ(server.Requests().size(), 1u) << "Start on a running row starts nothing new";
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_STOP);
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

TEST_F(DownloadControl, CutShortBodyShowsIncompleteAndLeavesTheEarlierFile)
{
    std::ofstream(folder + "\\cut.swf", std::ios::binary) << "the earlier, whole movie";
    Behaviour cut = Behaviour::Page(Movie(100000, 'k'));
    cut.CloseAfter(cut.response.size() - 50000);
    server.On("/m/cut.swf", cut);
    List({"/m/cut.swf"});
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    EXPECT_TRUE(WaitForProgress(0, "Incomplete"));
    ASSERT_TRUE(AllWorkersEnded());
    PumpUntil([] { return false; }, 0ms);
    EXPECT_EQ(Cell(0, CDrovaneView::COLUMN_SIZE), "97KB");
    EXPECT_EQ(FileContent("cut.swf"), "the earlier, whole movie");
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"cut.swf"}) << "no temporary file is left";
}

TEST_F(DownloadControl, TwoRowsWithOneFileNameGiveTwoFiles)
{
    const std::string first = Movie(3000, '1'), second = Movie(5000, '2');
    server.On("/dir/movie1.swf", Behaviour::Page(first));
    server.On("/dir/alt/movie1.swf", Behaviour::Page(second));
    List({"/dir/movie1.swf", "/dir/alt/movie1.swf"});
    EXPECT_EQ(Column(CDrovaneView::COLUMN_FILE_NAME), (std::vector<std::string>{"movie1.swf", "movie1 (2).swf"}));
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(AllRowsFinished());
    EXPECT_EQ(Column(CDrovaneView::COLUMN_PROGRESS), (std::vector<std::string>{"100%", "100%"}));
    EXPECT_TRUE(FileContent("movie1.swf") == first) << "movie1.swf differs";
    EXPECT_TRUE(FileContent("movie1 (2).swf") == second) << "movie1 (2).swf differs";
}

TEST_F(DownloadControl, FiftyRowsThroughAServerOfFourConnections)
{
    CPropertysIni().SetSimultaneousDownloads(4);
    server.LimitConnections(4);
    std::vector<std::string> paths;
    for (int i = 0; i < 50; ++i) {
        paths.push_back("/q/clip" + std::to_string(i) + ".swf");
        server.On(paths.back(), Behaviour::Page(Movie(static_cast<std::size_t>(2000 + i), static_cast<char>(i))));
    }
    List(paths);
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    EXPECT_EQ(Column(CDrovaneView::COLUMN_PROGRESS)[49], "Waiting");
    ASSERT_TRUE(AllRowsFinished());
    EXPECT_EQ(Column(CDrovaneView::COLUMN_PROGRESS), std::vector<std::string>(50, "100%"));
    EXPECT_EQ(FilesInFolder().size(), 50u);
    EXPECT_EQ(server.RefusedConnections(), 0u);
    EXPECT_LE(server.PeakConnections(), 4u);
}

TEST_F(DownloadControl, NewListStopsTheRunningAndWaitingDownloads)
{
    CPropertysIni().SetSimultaneousDownloads(1);
    std::ofstream(folder + "\\slow.swf", std::ios::binary) << "earlier";
    server.On("/m/slow.swf", Behaviour::Page(Movie(60000, 's')).Drip(200, 20ms));
    List({"/m/slow.swf", "/m/next.swf"});
    frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
    ASSERT_TRUE(PumpUntil([&] { return Cell(0, CDrovaneView::COLUMN_PROGRESS) != "0%"; }, kTimeout));

    List({"/m/other.swf"});
    EXPECT_EQ(Column(CDrovaneView::COLUMN_PROGRESS), std::vector<std::string>{"0%"});
    EXPECT_FALSE(frame->IsDownloading());
    ASSERT_TRUE(AllWorkersEnded());
    PumpUntil([] { return false; }, 0ms);
    EXPECT_EQ(Column(CDrovaneView::COLUMN_PROGRESS), std::vector<std::string>{"0%"}) << "the old rows' reports reached the new one";
    EXPECT_EQ(Column(CDrovaneView::COLUMN_SIZE), std::vector<std::string>{""});
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"slow.swf"});
    EXPECT_EQ(FileContent("slow.swf"), "earlier");
    EXPECT_EQ(server.Requests().size(), 1u) << "the waiting row never started";
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
