#pragma once
// The settings file "propertys.ini" beside the program, section "Options". Callers create one
// for each operation and drop it afterwards, so a change is seen by the next operation.
// A user who may not write that file (a program installed for all users) gets a copy of it in
// "%APPDATA%\Tarnwick" at the first change; once that copy exists it is the one read and written.
#include "CIniFile.h"

// The setters return false when neither file could be written.
class CPropertysIni : public CIniFile {
public:
    // The file beside the running program.
    CPropertysIni();
    // The file in that folder: the automation bridge reads the one beside its own module.
    explicit CPropertysIni(const CString& folder);

    bool GetUseProxy() const;
    bool SetUseProxy(bool use);
    CString GetProxyServer() const;
    bool SetProxyServer(const char* server);
    CString GetProxyPort() const;
    bool SetProxyPort(const char* port);
    CString GetSavePath() const;
    bool SetSavePath(const char* path);
    // Whether the page scan and the bridge read object tags and page scripts as well as the
    // "EMBED SRC=" tags; on when the key is absent.
    bool GetFindInObjectsAndScripts() const;
    bool SetFindInObjectsAndScripts(bool find);
    // How many downloads may run at once. A file without the key (an older one), or with a
    // value that is no number, gives the default; a number out of range is brought into it.
    int GetSimultaneousDownloads() const;
    bool SetSimultaneousDownloads(int count);

    static constexpr int kMinDownloads = 1;
    static constexpr int kMaxDownloads = 32;
    static constexpr int kDefaultDownloads = 6;

private:
    bool Write(const char* key, const char* value);
};
