// The packed program installed with its own install.cmd into the test prefix; a script hands a
// page's HTML to the bridge, and the real drovane.exe opens with the movies listed.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ScopedHandles.h"
#include "RemoteProgram.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 60s;
const std::string kArtifacts = WindowsPath(ARTIFACT_DIR);

std::string Environment(const char* name)
{
    char value[1024] = {};
    return ::GetEnvironmentVariableA(name, value, sizeof value) ? value : "";
}

std::optional<std::string> AppName()
{
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, "Software\\Drovane") != ERROR_SUCCESS) return std::nullopt;
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    if (::RegQueryValueExA(key.Get(), "AppName", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

TEST(InstalledBridge, ScriptHandsPageHtmlToTheInstalledProgram)
{
    const std::string folder = Environment("TARNWICK_PACKAGE_DIR");
    if (folder.empty()) GTEST_SKIP() << "runs under tests/bridge/with-package";
    const std::optional<std::string> before = AppName();

    ASSERT_EQ(RunToEnd("cmd.exe /c \"" + folder + "\\install.cmd\"", kTimeout), 0u);
    EXPECT_EQ(AppName(), folder + "\\drovane.exe");

    const std::string script = folder + "\\hand-over.js";
    std::ofstream(script) << "var bridge = new ActiveXObject(\"Hollin.Quorvel\");\n"
                             "bridge.getFlashs(\"http://127.0.0.1/fans/index.html\",\n"
                             "    '<embed src=\"movies/intro.swf\"> <EMBED SRC=\"/movies/banner.swf\"> '\n"
                             "    + '<embed src=\"movies/intro.swf\">');\n";
    ASSERT_EQ(RunToEnd("cscript.exe //nologo \"" + script + "\"", kTimeout), 0u);

    HWND frame = nullptr;
    ASSERT_TRUE(PollUntil([&] { return (frame = ::FindWindowA("TarnwickFrame", "Tarnwick")) != nullptr; }, kTimeout))
        << "the program did not open";
    DWORD pid = 0;
    ::GetWindowThreadProcessId(frame, &pid);
    HANDLE program = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    HWND list = FindChild(frame, "SysListView32");
    const std::vector<std::string> expected{"http://127.0.0.1/fans/movies/intro.swf", "http://127.0.0.1/movies/banner.swf"};
    EXPECT_TRUE(PollUntil([&] { return RemoteListColumn(list, 2) == expected; }, kTimeout))
        << ::testing::PrintToString(RemoteListColumn(list, 2));
    EXPECT_TRUE(SaveScreenshot(kArtifacts + "\\bridge-hand-over.bmp"));
    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(program, 60000), WAIT_OBJECT_0) << "the program did not close";
    ::CloseHandle(program);

    ASSERT_EQ(RunToEnd("cmd.exe /c \"" + folder + "\\uninstall.cmd\"", kTimeout), 0u);
    EXPECT_EQ(AppName(), std::nullopt);
    RegKey progId;
    EXPECT_NE(progId.Open(HKEY_CLASSES_ROOT, "Hollin.Quorvel"), ERROR_SUCCESS) << "the class is still registered";

    if (before) {
        RegKey key;
        key.Create(HKEY_CURRENT_USER, "Software\\Drovane");
        ::RegSetValueExA(key.Get(), "AppName", 0, REG_SZ, reinterpret_cast<const BYTE*>(before->c_str()),
                         static_cast<DWORD>(before->size() + 1));
    }
}

} // namespace
