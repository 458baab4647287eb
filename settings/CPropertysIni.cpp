#include "CPropertysIni.h"

#include <algorithm>
#include <string>

#include <windows.h>

#include "WinStrings.h"

namespace {

constexpr const char* kSection = "Options";

// The user's own copy, in the application-data folder; "" when the system names none.
std::string UserCopyPath()
{
    char folder[MAX_PATH] = {};
    const DWORD len = ::GetEnvironmentVariableA("APPDATA", folder, sizeof folder);
    if (len == 0 || len >= sizeof folder) return {};
    return std::string(folder, len) + "\\Tarnwick\\propertys.ini";
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

CPropertysIni::CPropertysIni() : CPropertysIni(CString(ModuleFolder())) {}

CPropertysIni::CPropertysIni(const CString& folder)
{
    CString path(folder);
    // Exactly one backslash between the folder and the name, also for a drive's root ("c:\").
    if (path.IsEmpty() || path.GetAt(path.GetLength() - 1) != '\\') path += '\\';
    path += "propertys.ini";
    const std::string userCopy = UserCopyPath();
    SetPath(!userCopy.empty() && IsFile(userCopy) ? userCopy.c_str() : static_cast<const char*>(path));
}

bool CPropertysIni::Write(const char* key, const char* value)
{
    if (WriteString(kSection, key, value)) return true;
    // A program installed for all users lies in a folder its users may not write to. Their
    // settings then move to a copy of their own, which starts as the file beside the program and
    // is read from then on.
    const std::string userCopy = UserCopyPath();
    const std::string current(GetPath().View());
    if (userCopy.empty() || current == userCopy) return false;
    const std::string folder = userCopy.substr(0, userCopy.rfind('\\'));
    if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (IsFile(current) && !IsFile(userCopy)) {
        if (!::CopyFileA(current.c_str(), userCopy.c_str(), TRUE) && ::GetLastError() != ERROR_FILE_EXISTS)
            return false;
        // The copy takes the original's attributes, a read-only mark among them.
        ::SetFileAttributesA(userCopy.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    SetPath(userCopy.c_str());
    return WriteString(kSection, key, value);
}

bool CPropertysIni::GetUseProxy() const { return ReadBool(kSection, "UseProxy", false); }
bool CPropertysIni::SetUseProxy(bool use) { return Write("UseProxy", use ? "1" : "0"); }
CString CPropertysIni::GetProxyServer() const { return ReadString(kSection, "ProxyServer", ""); }
bool CPropertysIni::SetProxyServer(const char* server) { return Write("ProxyServer", server); }
CString CPropertysIni::GetProxyPort() const { return ReadString(kSection, "ProxyPort", "8080"); }
bool CPropertysIni::SetProxyPort(const char* port) { return Write("ProxyPort", port); }
CString CPropertysIni::GetSavePath() const { return ReadString(kSection, "SavePath", "c:\\"); }
bool CPropertysIni::SetSavePath(const char* path) { return Write("SavePath", path); }
bool CPropertysIni::GetFindInObjectsAndScripts() const { return ReadBool(kSection, "FindInObjectsAndScripts", true); }
bool CPropertysIni::SetFindInObjectsAndScripts(bool find) { return Write("FindInObjectsAndScripts", find ? "1" : "0"); }

int CPropertysIni::GetSimultaneousDownloads() const
{
    const CString text = ReadString(kSection, "SimultaneousDownloads", "");
    const std::string_view digits = text.View();
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return kDefaultDownloads;
    if (digits.size() > 9) return kMaxDownloads;
    return std::clamp(std::stoi(std::string(digits)), kMinDownloads, kMaxDownloads);
}

bool CPropertysIni::SetSimultaneousDownloads(int count)
{
    return Write("SimultaneousDownloads", std::to_string(count).c_str());
}
