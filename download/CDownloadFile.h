#pragma once
// The download worker: fetches one movie, reports progress to its owner window as
// WM_DOWNLOAD_PROGRESS and, when the server has closed the connection, writes the body into the
// save folder under the row's file name. A failure (a body shorter than its Content-Length among
// them) reaches the owner as WM_NET_STATUS and leaves no file; an existing file of that name is
// replaced only by a complete download.
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "CHttpClient.h"
#include "CString.h"
#include "CWinThread.h"
#include "DownloadLink.h"
#include "DownloadStatus.h"

// wParam: one of DownloadProgress; lParam: the row index given to SetOwner.
constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 7;

enum DownloadProgress {
    DL_HEAD = 0,    // posted: the length text can be read from the link
    DL_PIECE = 1,   // sent: the count moved (the first piece, then see ProgressPercent.h)
    DL_DONE = 2,    // posted: the file has been written and closed
};

class CDownloadFile : public CWinThread, public CHttpClient {
public:
    CDownloadFile();
    ~CDownloadFile() override;

    void SetOwner(HWND owner, int item);
    // Hides the client's: the file name comes from the address as given, not the request target.
    void SetUrl(const char* url);
    // A missing backslash at the end is added, so the file lands inside the folder.
    void SetSavePath(const char* folder);
    // The name the list gave the row; without one, MovieFileName of the address. A name the
    // rule refuses is never written.
    void SetFileName(const char* name);
    // The owner keeps this for the row; it outlives the worker.
    std::shared_ptr<CDownloadLink> GetLink() const { return m_link; }

    BOOL InitInstance() override;
    void OnReceive() override;
    void OnComplete() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &classCDownloadFile; }
    static const CRuntimeClass classCDownloadFile;

    int m_nItem = 0;
    int m_nPieces = 0;
    long long m_nReceived = 0;
    long long m_nLength = 0;   // the announced size, 0 when unknown

private:
    // The percentage, count and time of the last DL_PIECE sent.
    long long m_nPercentSent = 0;
    long long m_nReceivedSent = 0;
    std::chrono::steady_clock::time_point m_sentAt;
    enum class WriteResult { Written, Stopped, Failed };

    void PostToOwner(DownloadProgress kind);
    bool TargetPath(std::string& path) const;
    // Writes the body (unless it is shorter than announced) or reports why not.
    void SaveBody(std::string_view response, std::size_t bodyStart);
    WriteResult WriteFileAtomically(const char* body, std::size_t len, const std::string& target,
                                    DWORD& error);

    std::shared_ptr<CDownloadLink> m_link;
    CString m_strAddress;
    CString m_strFolder;
    CString m_strFileName;
};
