#include "CPropertysIni.h"

#include <algorithm>
#include <string>

#include "WinStrings.h"

namespace {
constexpr const char* kSection = "Options";
}

CPropertysIni::CPropertysIni() : CPropertysIni(CString(ModuleFolder())) {}

CPropertysIni::CPropertysIni(const CString& folder)
{
    CString path(folder);
    // Exactly one backslash between the folder and the name, also for a drive's root ("c:\").
    if (path.IsEmpty() || path.GetAt(path.GetLength() - 1) != '\\') path += '\\';
    path += "propertys.ini";
    SetPath(path);
}

bool CPropertysIni::GetUseProxy() const { return ReadBool(kSection, "UseProxy", false); }
bool CPropertysIni::SetUseProxy(bool use) { return WriteBool(kSection, "UseProxy", use); }
CString CPropertysIni::GetProxyServer() const { return ReadString(kSection, "ProxyServer", ""); }
bool CPropertysIni::SetProxyServer(const char* server) { return WriteString(kSection, "ProxyServer", server); }
CString CPropertysIni::GetProxyPort() const { return ReadString(kSection, "ProxyPort", "8080"); }
bool CPropertysIni::SetProxyPort(const char* port) { return WriteString(kSection, "ProxyPort", port); }
CString CPropertysIni::GetSavePath() const { return ReadString(kSection, "SavePath", "c:\\"); }
bool CPropertysIni::SetSavePath(const char* path) { return WriteString(kSection, "SavePath", path); }
bool CPropertysIni::GetFindInObjectsAndScripts() const { return ReadBool(kSection, "FindInObjectsAndScripts", true); }
bool CPropertysIni::SetFindInObjectsAndScripts(bool find) { return WriteBool(kSection, "FindInObjectsAndScripts", find); }

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
    return WriteString(kSection, "SimultaneousDownloads", std::to_string(count).c_str());
}
