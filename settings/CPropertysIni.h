#pragma once
// The settings file "propertys.ini" beside the program, section "Options". Callers create one
// for each operation and drop it afterwards, so a change is seen by the next operation.
#include "CIniFile.h"

class CPropertysIni : public CIniFile {
public:
    CPropertysIni();

    bool GetUseProxy() const;
    void SetUseProxy(bool use);
    CString GetProxyServer() const;
    void SetProxyServer(const char* server);
    CString GetProxyPort() const;
    void SetProxyPort(const char* port);
    CString GetSavePath() const;
    void SetSavePath(const char* path);
};
