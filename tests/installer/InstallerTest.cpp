// Tarnwick.msi under Wine, used as a user would: msiexec installs it, a script reaches the
// installed program through the installed bridge, msiexec removes it without a trace, and a
// newer package replaces an older install.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ScopedHandles.h"
#include "RemoteProgram.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 120s;
const std::string kPackage = "\"" + WindowsPath(TARNWICK_MSI) + "\"";
const std::string kNewerPackage = "\"" + WindowsPath(NEWER_MSI) + "\"";

std::string Folder(int csidl)
{
    char path[MAX_PATH] = {};
    return SUCCEEDED(::SHGetFolderPathA(nullptr, csidl, nullptr, 0, path)) ? path : "";
}

const std::string kInstallFolder = Folder(CSIDL_PROGRAM_FILES) + "\\Tarnwick";
const std::string kProgram = kInstallFolder + "\\drovane.exe";

DWORD Msiexec(const std::string& arguments) { return RunToEnd("msiexec.exe " + arguments + " /qn", kTimeout); }

DWORD RunScript(const std::string& text)
{
    const std::string script = (std::filesystem::temp_directory_path() / "installer-test.js").string();
    std::ofstream(script) << text;
    const DWORD code = RunToEnd("cscript.exe //nologo \"" + script + "\"", kTimeout);
    std::filesystem::remove(script);
    return code;
}

using Lines = std::set<std::string>;

// Every key and value below `path`, one line each, as regedit shows them.
void Collect(HKEY root, const std::string& path, Lines& lines)
{
    RegKey key;
    if (key.Open(root, path.c_str()) != ERROR_SUCCESS) return;
    lines.insert(path);
    std::vector<char> name(16384), data(65536);   // the longest name the registry allows
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
        const LONG result = ::RegEnumValueA(key.Get(), i, name.data(), &nameSize, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) break;
        std::string text = result == ERROR_SUCCESS ? std::string(data.data(), dataSize) : "(long data)";
        if (type == REG_SZ) text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        lines.insert(path + " : " + name.data() + " = " + text);
    }
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExA(key.Get(), i, name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        // The installer service keeps its own records of installed packages there.
        if (path != "Software\\Classes" || lstrcmpiA(name.data(), "Installer") != 0) Collect(root, path + "\\" + name.data(), lines);
    }
}

// The machine's classes: what CoCreateInstance and the script hosts read.
Lines Classes()
{
    Lines lines;
    Collect(HKEY_LOCAL_MACHINE, "Software\\Classes", lines);
    return lines;
}

std::string Text(HKEY parent, const std::string& path, const char* name)
{
    RegKey key;
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    if (key.Open(parent, path.c_str()) == ERROR_SUCCESS)
        ::RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    return text;
}

// The entries of Apps & features named Tarnwick: product code, and "Tarnwick <version>".
std::map<std::string, std::string> Installs()
{
    std::map<std::string, std::string> installs;
    RegKey list;
    list.Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    char code[256];
    for (DWORD i = 0, size = sizeof code; list && ::RegEnumKeyExA(list.Get(), i, code, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof code) {
        if (Text(list.Get(), code, "DisplayName") == "Tarnwick") installs[code] = "Tarnwick " + Text(list.Get(), code, "DisplayVersion");
    }
    return installs;
}

std::string ShortcutTarget(const std::string& shortcut)
{
    char target[MAX_PATH] = {};
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    const std::wstring path(shortcut.begin(), shortcut.end());
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) && SUCCEEDED(file->Load(path.c_str(), STGM_READ)))
        link->GetPath(target, MAX_PATH, nullptr, 0);
    if (file) file->Release();
    if (link) link->Release();
    return target;
}

// Everything an install puts on the machine that a user could find, one line each: files,
// Start menu shortcuts (for all users on Windows; Wine's installer puts a per-machine one into
// the installing user's menu), entries of Apps & features, the machine's classes, the user's
// program path for the bridge.
Lines Now()
{
    Lines now = Classes();
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kInstallFolder, error)) now.insert("file " + entry.path().string());
    for (const int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        const std::string shortcut = Folder(csidl) + "\\Tarnwick.lnk";
        if (std::filesystem::exists(shortcut)) now.insert("shortcut to " + ShortcutTarget(shortcut));
    }
    for (const auto& install : Installs()) now.insert("installed " + install.second);
    const std::string appName = Text(HKEY_CURRENT_USER, "Software\\Drovane", "AppName");
    if (!appName.empty()) now.insert("AppName " + appName);
    return now;
}

// "+ line" for each line only `after` has, "- line" for each only `before` has.
std::string Changes(const Lines& before, const Lines& after)
{
    std::string text;
    for (const std::string& line : after)
        if (!before.count(line)) text += "+ " + line + "\n";
    for (const std::string& line : before)
        if (!after.count(line)) text += "- " + line + "\n";
    return text;
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        m_appName = Text(HKEY_CURRENT_USER, "Software\\Drovane", "AppName");
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Drovane", "AppName");
        RemoveEveryInstall();
        // The script host registers its own type library whenever it runs: once before looking.
        RunScript("");
        m_before = Now();
    }

    void TearDown() override
    {
        RemoveEveryInstall();
        if (!m_appName.empty())
            ::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Drovane", "AppName", REG_SZ, m_appName.c_str(),
                              static_cast<DWORD>(m_appName.size() + 1));
        ::CoUninitialize();
    }

    // Whatever a failed run left installed goes, so that other tests find the prefix clean.
    static void RemoveEveryInstall()
    {
        for (const auto& install : Installs()) Msiexec("/x " + install.first);
    }

    Lines m_before;
    std::string m_appName;
};

TEST_F(Installer, InstallsTheProgramForScriptsAndRemovesEveryTrace)
{
    ASSERT_EQ(Msiexec("/i " + kPackage), 0u);
    const Lines installed = Now();
    for (const std::string& line : {"file " + kProgram, "file " + kInstallFolder + "\\Hollin.dll",
                                    "file " + kInstallFolder + "\\tarnhelp.chm", "shortcut to " + kProgram,
                                    std::string("installed Tarnwick " TARNWICK_VERSION), "AppName " + kProgram})
        EXPECT_TRUE(installed.count(line)) << line << " is missing; the install made:\n" << Changes(m_before, installed);

    // A script hands a page's HTML to the bridge; the installed program opens with the movies.
    ASSERT_EQ(RunScript("new ActiveXObject('Hollin.Quorvel').getFlashs('http://127.0.0.1/fans/index.html',\n"
                        "    '<embed src=\"movies/intro.swf\"> <EMBED SRC=\"/movies/banner.swf\">');\n"),
              0u);
    HWND frame = nullptr;
    ASSERT_TRUE(PollUntil([&] { return (frame = ::FindWindowA("TarnwickFrame", "Tarnwick")) != nullptr; }, kTimeout));
    DWORD pid = 0;
    ::GetWindowThreadProcessId(frame, &pid);
    HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    char image[MAX_PATH] = {};
    DWORD imageSize = MAX_PATH;
    ::QueryFullProcessImageNameA(process, 0, image, &imageSize);
    EXPECT_EQ(lstrcmpiA(image, kProgram.c_str()), 0) << image << " is not the installed program";
    const std::vector<std::string> movies{"http://127.0.0.1/fans/movies/intro.swf", "http://127.0.0.1/movies/banner.swf"};
    EXPECT_TRUE(PollUntil([&] { return RemoteListColumn(FindChild(frame, "SysListView32"), 2) == movies; }, kTimeout));
    EXPECT_TRUE(SaveScreenshot(WindowsPath(ARTIFACT_DIR) + "\\installed-program.bmp"));
    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(process, 60000), WAIT_OBJECT_0) << "the program did not close";
    ::CloseHandle(process);

    ASSERT_EQ(Msiexec("/x " + kPackage), 0u);
    EXPECT_EQ(Changes(m_before, Now()), "") << "left behind (+) or removed (-) by the uninstall";
}

// The system's registration writes folder paths without the trailing backslash the
// installer's folder paths have; both name the same folder.
Lines WithoutTrailingBackslash(Lines lines)
{
    Lines out;
    for (std::string line : lines) out.insert(line.back() == '\\' ? line.substr(0, line.size() - 1) : line);
    return out;
}

TEST_F(Installer, InstalledClassesAreTheDllsOwnRegistration)
{
    ASSERT_EQ(Msiexec("/i " + kPackage), 0u);
    const std::string regsvr32 = "regsvr32.exe /s \"" + kInstallFolder + "\\Hollin.dll\"";
    // Registering the installed DLL again changes nothing; unregistering it removes every class
    // key the package wrote.
    const Lines installed = Classes();
    ASSERT_EQ(RunToEnd(regsvr32, kTimeout), 0u);
    EXPECT_EQ(Changes(WithoutTrailingBackslash(installed), WithoutTrailingBackslash(Classes())), "");
    ASSERT_EQ(RunToEnd(regsvr32 + " /u", kTimeout), 0u);
    Lines before = m_before;
    std::erase_if(before, [](const std::string& line) { return line.rfind("Software\\Classes", 0) != 0; });
    EXPECT_EQ(Changes(before, Classes()), "") << "the DLL's unregistration leaves (+) or removes (-) these";
    ASSERT_EQ(Msiexec("/x " + kPackage), 0u);
}

TEST_F(Installer, NewerPackageReplacesTheOlderInstall)
{
    ASSERT_EQ(Msiexec("/i " + kPackage), 0u);
    const Lines older = Now();
    ASSERT_EQ(Msiexec("/i " + kNewerPackage), 0u);
    const Lines newer = Now();
    EXPECT_EQ(Changes(older, newer), "+ installed Tarnwick " NEWER_VERSION "\n- installed Tarnwick " TARNWICK_VERSION "\n");

    // The older package refuses to replace the newer install and leaves it as it is.
    EXPECT_EQ(Msiexec("/i " + kPackage), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_EQ(Changes(newer, Now()), "");

    ASSERT_EQ(Msiexec("/x " + kNewerPackage), 0u);
    EXPECT_EQ(Changes(m_before, Now()), "") << "left behind (+) or removed (-) by the uninstall";
}

} // namespace
