// The settings file beside the program: defaults, failure rules and writes.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>

#include "CPropertysIni.h"
#include "ScopedAppData.h"
#include "WinStrings.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = CPropertysIni().GetPath();
        ::DeleteFileA(m_path.c_str());
    }
    void TearDown() override { ::DeleteFileA(m_path.c_str()); }

    void WriteFile(const std::string& text)
    {
        std::ofstream(m_path, std::ios::binary) << text;
    }
    bool FileExists() const { return ::GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string m_path;
};

TEST_F(Settings, FileLiesBesideTheProgram)
{
    char module[MAX_PATH];
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder(module);
    folder.resize(folder.rfind('\\'));
    EXPECT_EQ(m_path, folder + "\\propertys.ini");
}

TEST_F(Settings, NoFileGivesTheDefaultsAndCreatesNothing)
{
    CPropertysIni settings;
    EXPECT_FALSE(settings.GetUseProxy());
    EXPECT_STREQ(settings.GetProxyServer(), "");
    EXPECT_STREQ(settings.GetProxyPort(), "8080");
    EXPECT_STREQ(settings.GetSavePath(), "c:\\");
    EXPECT_FALSE(FileExists());
}

TEST_F(Settings, EmptyValuesAreEmptyNotTheDefault)
{
    WriteFile("[Options]\r\nUseProxy=\r\nProxyServer=\r\nProxyPort=\r\nSavePath=\r\n");
    CPropertysIni settings;
    EXPECT_FALSE(settings.GetUseProxy());
    EXPECT_STREQ(settings.GetProxyPort(), "");
    EXPECT_STREQ(settings.GetSavePath(), "");
}

TEST_F(Settings, OnlyOneMeansUseTheProxy)
{
    const std::pair<const char*, bool> cases[] = {
        {"1", true}, {"0", false}, {"2", false}, {"-1", false}, {"yes", false}, {" 1", true},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        WriteFile(std::string("[Options]\r\nUseProxy=") + value + "\r\n");
        EXPECT_EQ(CPropertysIni().GetUseProxy(), expected);
    }
}

TEST_F(Settings, SimultaneousDownloadsDefaultToSixAndStayInOneToThirtyTwo)
{
    EXPECT_EQ(CPropertysIni().GetSimultaneousDownloads(), 6) << "an older file has no such key";
    const std::pair<const char*, int> cases[] = {
        {"4", 4}, {"1", 1}, {"32", 32}, {"0", 1}, {"33", 32}, {"99999999999", 32}, {"-3", 6}, {"six", 6}, {"", 6},
    };
    for (const auto& [value, expected] : cases) {
        WriteFile(std::string("[Options]\r\nSimultaneousDownloads=") + value + "\r\n");
        EXPECT_EQ(CPropertysIni().GetSimultaneousDownloads(), expected) << value;
    }
    CPropertysIni().SetSimultaneousDownloads(12);
    EXPECT_EQ(CPropertysIni().GetSimultaneousDownloads(), 12);
}

TEST_F(Settings, ProxyOnWithoutServerKeyGivesAnEmptyServer)
{
    WriteFile("[Options]\r\nUseProxy=1\r\n");
    CPropertysIni settings;
    EXPECT_TRUE(settings.GetUseProxy());
    EXPECT_STREQ(settings.GetProxyServer(), "");
}

TEST_F(Settings, ValuesLongerThan127AreCutWhenRead)
{
    const std::string longPath = "d:\\" + std::string(200, 'p') + "\\";
    WriteFile("[Options]\r\nSavePath=" + longPath + "\r\nProxyServer=" + std::string(300, 's') + "\r\n");
    CPropertysIni settings;
    EXPECT_EQ(std::string(settings.GetSavePath()), longPath.substr(0, 127));
    EXPECT_EQ(std::string(settings.GetProxyServer()), std::string(127, 's'));
}

TEST_F(Settings, WritesCreateTheFileAndReadBack)
{
    {
        CPropertysIni settings;
        settings.SetUseProxy(true);
        settings.SetProxyServer("proxy.example");
        settings.SetProxyPort("3128");
        settings.SetSavePath("d:\\movies");
    }
    EXPECT_TRUE(FileExists());
    CPropertysIni settings;
    EXPECT_TRUE(settings.GetUseProxy());
    EXPECT_STREQ(settings.GetProxyServer(), "proxy.example");
    EXPECT_STREQ(settings.GetProxyPort(), "3128");
    EXPECT_STREQ(settings.GetSavePath(), "d:\\movies") << "a folder without backslash stays as written";
    settings.SetUseProxy(false);
    EXPECT_FALSE(CPropertysIni().GetUseProxy());
}

TEST_F(Settings, FindingInObjectsAndScriptsIsOnUnlessTheFileSaysOtherwise)
{
    EXPECT_TRUE(CPropertysIni().GetFindInObjectsAndScripts()) << "no file";
    WriteFile("[Options]\r\nSavePath=d:\\\r\n");
    EXPECT_TRUE(CPropertysIni().GetFindInObjectsAndScripts()) << "a file from before the switch";
    CPropertysIni().SetFindInObjectsAndScripts(false);
    EXPECT_FALSE(CPropertysIni().GetFindInObjectsAndScripts());
    EXPECT_STREQ(CPropertysIni().GetSavePath(), "d:\\");

    // The bridge reads the file beside its own module, wherever that is.
    EXPECT_EQ(std::string(CPropertysIni(CString(ModuleFolder() + "\\")).GetPath()), m_path);
    EXPECT_FALSE(CPropertysIni(CString(ModuleFolder())).GetFindInObjectsAndScripts());
}

TEST_F(Settings, UnknownKeysAndSectionsAreKept)
{
    WriteFile("[Other]\r\nKeep=me\r\n[Options]\r\nExtra=1\r\n");
    CPropertysIni().SetSavePath("e:\\");
    char value[32] = {};
    ::GetPrivateProfileStringA("Other", "Keep", "", value, sizeof value, m_path.c_str());
    EXPECT_STREQ(value, "me");
    ::GetPrivateProfileStringA("Options", "Extra", "", value, sizeof value, m_path.c_str());
    EXPECT_STREQ(value, "1");
}

TEST_F(Settings, AUserWhoMayNotWriteTheFileGetsACopyOfTheirOwn)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string appData = std::string(temp) + "tarnwick-appdata-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(appData.c_str(), nullptr);
    const std::string copy = appData + "\\Tarnwick\\propertys.ini";
    const ScopedAppData scoped(appData);
    // The file beside the program may be read but not written, as in Program Files for a
    // standard user (a handle that shares reading only does that even for an administrator).
    WriteFile("[Options]\r\nProxyPort=3128\r\nSavePath=d:\\old\\\r\n");
    const HANDLE reader = ::CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);

    EXPECT_TRUE(CPropertysIni().SetSavePath("d:\\new\\"));
    CPropertysIni settings;
    EXPECT_EQ(std::string(settings.GetPath()), copy);
    EXPECT_STREQ(settings.GetSavePath(), "d:\\new\\");
    EXPECT_STREQ(settings.GetProxyPort(), "3128") << "the copy starts as the file beside the program";
    EXPECT_TRUE(settings.SetUseProxy(true)) << "the copy is read and written from now on";
    EXPECT_TRUE(CPropertysIni().GetUseProxy());
    char value[32] = {};
    ::GetPrivateProfileStringA("Options", "SavePath", "", value, sizeof value, m_path.c_str());
    EXPECT_STREQ(value, "d:\\old\\") << "the file beside the program is left as it was";

    // Nowhere to put the copy: the write fails, and says so.
    ::DeleteFileA(copy.c_str());
    ::RemoveDirectoryA((appData + "\\Tarnwick").c_str());
    std::ofstream(appData + "\\Tarnwick") << "a file where the folder would be";
    EXPECT_FALSE(CPropertysIni().SetSavePath("d:\\other\\"));
    EXPECT_STREQ(CPropertysIni().GetSavePath(), "d:\\old\\");

    ::DeleteFileA((appData + "\\Tarnwick").c_str());
    ::RemoveDirectoryA(appData.c_str());
    ::CloseHandle(reader);
}

} // namespace
