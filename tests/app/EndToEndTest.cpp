// The real program against the demo site on loopback: what a user does first.
#include <gtest/gtest.h>

#include <windows.h>

#include <urlmon.h>

#include <algorithm>

#include <fstream>
#include <string>

#include "CMovieWindow.h"
#include "RemoteProgram.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 60s;
const std::string kProgram = WindowsPath(DROVANE_EXE);
const std::string kArtifacts = WindowsPath(ARTIFACT_DIR);

std::string Environment(const char* name)
{
    char value[1024] = {};
    return ::GetEnvironmentVariableA(name, value, sizeof value) ? value : "";
}

// The program's settings file beside it, with the save folder pointed at a fresh folder for the
// test; the earlier value comes back afterwards.
class SaveFolder {
public:
    SaveFolder()
    {
        m_ini = kProgram.substr(0, kProgram.rfind('\\') + 1) + "propertys.ini";
        char value[512] = {};
        m_hadValue = ::GetPrivateProfileStringA("Options", "SavePath", "", value, sizeof value, m_ini.c_str()) > 0;
        m_oldValue = value;
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "tarnwick-e2e-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(m_folder.c_str(), nullptr);
        ::WritePrivateProfileStringA("Options", "SavePath", (m_folder + "\\").c_str(), m_ini.c_str());
    }
    ~SaveFolder()
    {
        ::WritePrivateProfileStringA("Options", "SavePath", m_hadValue ? m_oldValue.c_str() : nullptr, m_ini.c_str());
        RemoveFolder(m_folder);
    }
    std::string File(const std::string& name) const { return m_folder + "\\" + name; }

private:
    std::string m_ini, m_folder, m_oldValue;
    bool m_hadValue = false;
};

TEST(EndToEnd, MovieListOnTheCommandLine)
{
    RemoteProgram drovane;
    ASSERT_TRUE(drovane.Start(kProgram, "drovane.exe http://127.0.0.1/a/intro.swf,http://127.0.0.1/b/game.swf,"));
    HWND frame = drovane.WaitForWindow("TarnwickFrame", "Tarnwick", kTimeout);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(drovane.WaitForIdle(kTimeout));
    HWND list = FindChild(frame, "SysListView32");
    EXPECT_EQ(RemoteListColumn(list, 1), (std::vector<std::string>{"intro.swf", "game.swf"}));
    EXPECT_TRUE(SaveScreenshot(kArtifacts + "\\movie-list.bmp"));
    EXPECT_TRUE(drovane.Close(kTimeout));
}

TEST(EndToEnd, DemoPageScannedAndItsMoviesDownloaded)
{
    const std::string page = Environment("TARNWICK_DEMO_URL");
    if (page.empty()) GTEST_SKIP() << "runs under tests/app/with-demo-site";
    SaveFolder saved;
    RemoteProgram drovane;
    ASSERT_TRUE(drovane.Start(kProgram, "drovane.exe " + page));
    HWND box = drovane.WaitForWindow("#32770", "Tarnwick", kTimeout);
    ASSERT_NE(box, nullptr);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    HWND dialog = drovane.WaitForWindow("#32770", "New Task", kTimeout);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, 1000)), page);
    EXPECT_TRUE(SaveScreenshot(kArtifacts + "\\new-task.bmp"));

    // Start, as a click on the button sends it.
    HWND start = ::GetDlgItem(dialog, 1001);
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), reinterpret_cast<LPARAM>(start));
    ASSERT_TRUE(drovane.WaitUntilGone(dialog, kTimeout)) << "the dialog closes once the movies are listed";

    HWND frame = drovane.WaitForWindow("TarnwickFrame", "Tarnwick", kTimeout);
    ASSERT_NE(frame, nullptr);
    const auto names = RemoteListColumn(FindChild(frame, "SysListView32"), 1);
    EXPECT_GE(names.size(), 3u);
    EXPECT_EQ(names.front(), "intro.swf");
    EXPECT_TRUE(SaveScreenshot(kArtifacts + "\\demo-page.bmp"));

    // Download > Start: every row is checked after a scan, so every movie comes down.
    HWND list = FindChild(frame, "SysListView32");
    ::PostMessageA(frame, WM_COMMAND, ID_DOWNLOAD_START, 0);
    const bool allDone = PollUntil([&] {
        const auto progress = RemoteListColumn(list, 4);
        return !progress.empty() && std::all_of(progress.begin(), progress.end(), [](const std::string& cell) { return cell == "100%"; });
    }, kTimeout);
    EXPECT_TRUE(SaveScreenshot(kArtifacts + "\\demo-downloaded.bmp"));
    ASSERT_TRUE(allDone) << "progress column: " << ::testing::PrintToString(RemoteListColumn(list, 4));
    const auto addresses = RemoteListColumn(list, 2);
    const auto files = RemoteListColumn(list, 1);
    ASSERT_EQ(addresses.size(), files.size());
    for (std::size_t row = 0; row < files.size(); ++row) {
        // What the server sends, fetched by the system's own downloader for comparison.
        const std::string reference = saved.File("reference-" + files[row]);
        ASSERT_EQ(::URLDownloadToFileA(nullptr, addresses[row].c_str(), reference.c_str(), 0, nullptr), S_OK) << addresses[row];
        const std::string expected = FileBytes(reference);
        EXPECT_EQ(expected.substr(0, 3), "FWS") << files[row];
        // The last pieces can show "100%" a moment before the file is renamed into place.
        EXPECT_TRUE(PollUntil([&] { return FileBytes(saved.File(files[row])) == expected; }, kTimeout))
            << files[row] << " differs from what the server sends";
    }

    // The first movie in the viewer: Home selects the first row, then View > Flash Viewer.
    ::PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    ::PostMessageA(frame, WM_COMMAND, ID_PREVIEW, 0);
    HWND viewer = drovane.WaitForWindow("#32770", "Flash Viewer", kTimeout);
    ASSERT_NE(viewer, nullptr) << "the viewer did not open";
    HWND player = ::GetDlgItem(viewer, IDC_FLASH);
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(PollUntil([&] { return ::SendMessageA(player, PLAYER_GETFRAME, 0, 0) > 0; }, kTimeout))
        << "the movie does not play";
    EXPECT_TRUE(SaveScreenshot(kArtifacts + "\\demo-viewer.bmp"));
    ::PostMessageA(viewer, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
    EXPECT_TRUE(drovane.WaitUntilGone(viewer, kTimeout));
    EXPECT_TRUE(drovane.Close(kTimeout));
}

} // namespace
