// drovane.exe started as a user or a script starts it, in a process of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "RemoteProgram.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 30s;
const std::string kProgram = WindowsPath(DROVANE_EXE);

class Startup : public ::testing::Test {
protected:
    // Starts the program and waits for its main window.
    HWND Run(const std::string& commandLine, const std::string& program = kProgram)
    {
        if (!drovane.Start(program, commandLine)) return nullptr;
        return drovane.WaitForWindow("TarnwickFrame", "Tarnwick", kTimeout);
    }
    std::vector<std::string> Column(HWND frame, int column)
    {
        return RemoteListColumn(FindChild(frame, "SysListView32"), column);
    }

    RemoteProgram drovane;
};

TEST_F(Startup, NoArgumentsOpensAnEmptyListWithoutAMessage)
{
    HWND frame = Run("drovane.exe");
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(drovane.WaitForIdle(kTimeout));
    EXPECT_TRUE(drovane.Windows("#32770").empty());
    EXPECT_TRUE(Column(frame, 1).empty());
    EXPECT_TRUE(drovane.Close(kTimeout));
}

TEST_F(Startup, MainWindowDrawsForItsMonitorsDpi)
{
    HWND frame = Run("drovane.exe");
    ASSERT_NE(frame, nullptr);
    // Declared in the manifest, so Windows leaves the scaling to the program instead of
    // stretching its windows into a blur. The functions are newer than the Windows the program
    // is built for; Wine knows the first version of per-monitor awareness only.
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    const auto contextOf = reinterpret_cast<HANDLE(WINAPI*)(HWND)>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    const auto awarenessOf = reinterpret_cast<int(WINAPI*)(HANDLE)>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    ASSERT_TRUE(contextOf && awarenessOf);
    EXPECT_EQ(awarenessOf(contextOf(frame)), 2) << "DPI_AWARENESS_PER_MONITOR_AWARE";
    EXPECT_TRUE(drovane.Close(kTimeout));
}

TEST_F(Startup, MovieListBecomesTheRows)
{
    HWND frame = Run("drovane.exe http://host/a/x.swf,http://host/b/y.swf,http://host/a/x.swf,");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(Column(frame, 1), (std::vector<std::string>{"x.swf", "y.swf"}));
    EXPECT_EQ(Column(frame, 2), (std::vector<std::string>{"http://host/a/x.swf", "http://host/b/y.swf"}));
    EXPECT_EQ(Column(frame, 4), (std::vector<std::string>{"0%", "0%"}));
    EXPECT_TRUE(drovane.Close(kTimeout));
}

TEST_F(Startup, PageAddressIsAnnouncedThenOfferedInNewTask)
{
    ASSERT_TRUE(drovane.Start(kProgram, "drovane.exe http://host/a page.html"));
    HWND box = drovane.WaitForWindow("#32770", "Tarnwick", kTimeout);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageText(box), "Download from web directly");
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);

    HWND dialog = drovane.WaitForWindow("#32770", "New Task", kTimeout);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, 1000)), "http://host/a page.html");
    EXPECT_TRUE(drovane.Close(kTimeout));
}

TEST_F(Startup, ArgumentsLongerThan8191CharactersArriveWhole)
{
    std::string list;
    int count = 0;
    while (list.size() < 9000) list += "http://host/movies/clip" + std::to_string(count++) + ".swf,";
    HWND frame = Run("drovane.exe " + list);
    ASSERT_NE(frame, nullptr);
    const auto names = Column(frame, 1);
    ASSERT_EQ(names.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(names.back(), "clip" + std::to_string(count - 1) + ".swf");
    EXPECT_TRUE(drovane.Close(kTimeout));
}

// A copy of the program in a folder whose name has blanks in it.
class StartupFromFolderWithBlanks : public Startup {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "tarnwick dir with blanks";
        ::CreateDirectoryA(m_folder.c_str(), nullptr);
        m_copy = m_folder + "\\drovane.exe";
        ASSERT_TRUE(::CopyFileA(kProgram.c_str(), m_copy.c_str(), FALSE));
    }
    void TearDown() override
    {
        drovane.Close(kTimeout);
        ::DeleteFileA(m_copy.c_str());
        ::RemoveDirectoryA(m_folder.c_str());
    }
    std::string m_folder;
    std::string m_copy;
};

TEST_F(StartupFromFolderWithBlanks, QuotedPathSeparatesCorrectly)
{
    HWND frame = Run("\"" + m_copy + "\" http://host/x.swf,", m_copy);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(Column(frame, 2), std::vector<std::string>{"http://host/x.swf"});
}

TEST_F(StartupFromFolderWithBlanks, UnquotedPathLeaksIntoTheArgument)
{
    // The program name ends at the first blank, so the rest of the path is read as argument.
    HWND frame = Run(m_copy + " http://host/x.swf,", m_copy);
    ASSERT_NE(frame, nullptr);
    const std::string expected = "dir with blanks\\drovane.exe http://host/x.swf";
    EXPECT_EQ(Column(frame, 2), std::vector<std::string>{expected});
    EXPECT_EQ(Column(frame, 1), std::vector<std::string>{"x.swf"});
}

} // namespace
