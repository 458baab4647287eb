// The real program against the demo site on loopback: what a user does first.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "RemoteProgram.h"

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

TEST(EndToEnd, DemoPageScannedFromTheNewTaskDialog)
{
    const std::string page = Environment("TARNWICK_DEMO_URL");
    if (page.empty()) GTEST_SKIP() << "runs under tests/app/with-demo-site";
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
    EXPECT_TRUE(drovane.Close(kTimeout));
}

} // namespace
