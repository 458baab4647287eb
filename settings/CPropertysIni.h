#pragma once
// The settings file "propertys.ini" beside the program, section "Options". Callers create one
// for each operation and drop it afterwards, so a change is seen by the next operation.
#include "CIniFile.h"

// The setters return false when the file could not be written.
class CPropertysIni : public CIniFile {
public:
    CPropertysIni();

    bool GetUseProxy() const;
    bool SetUseProxy(bool use);
    CString GetProxyServer() const;
    bool SetProxyServer(const char* server);
    CString GetProxyPort() const;
    bool SetProxyPort(const char* port);
    CString GetSavePath() const;
    bool SetSavePath(const char* path);
    // How many downloads may run at once. A file without the key (an older one), or with a
    // value that is no number, gives the default; a number out of range is brought into it.
    int GetSimultaneousDownloads() const;
    bool SetSimultaneousDownloads(int count);

    static constexpr int kMinDownloads = 1;
    static constexpr int kMaxDownloads = 32;
    static constexpr int kDefaultDownloads = 6;
};
