#pragma once
// The HTTP/1.0 client. One object performs one fetch: it resolves the server (or the proxy),
// connects (over TLS for https, through a CONNECT tunnel when a proxy is used), sends the GET
// request, follows redirects, reads the whole final response into one block and hands it to the
// hooks. Progress and failures reach the owner window as WM_NET_STATUS.
//
// A network worker derives from CWinThread and then from CHttpClient; its InitInstance runs
// Fetch and returns false, so the thread ends (and deletes the worker) when the fetch is over.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "CString.h"
#include "HttpAddress.h"
#include "HttpReply.h"

constexpr UINT WM_NET_STATUS = WM_USER + 1;

class CTlsSession;

class CHttpClient {
public:
    CHttpClient();
    virtual ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    virtual BOOL InitInstance();
    virtual void OnError();
    // An override owns m_pResponse for the call and releases it with FreeResponse.
    virtual void OnComplete();
    // m_pChunk / m_nChunkLen hold one piece of at most kMaxPiece bytes, valid during the call.
    virtual void OnReceive();

    void Fetch();
    void Request(const char* url);
    void SetError(int code, int value, const char* text);
    void FreeResponse();

    void SetUrl(const char* url);
    void SetProxy(const char* server, const char* portText, int enable);
    void SetOwnerWindow(HWND owner) { m_hOwner = owner; }
    // The address whose reply the hooks see: the one fetched, or where its redirects led.
    const CString& GetFinalUrl() const { return m_strFinalUrl; }

    // Called from the owner's thread: from now on the client reports nothing, calls no hook
    // and its blocking socket call returns at once. The fetch still runs to its end.
    void Stop();
    bool IsStopped() const { return m_bStopped.load(std::memory_order_acquire); }

    // Sends a message to the owner unless the client has been stopped.
    LRESULT SendToOwner(UINT message, WPARAM wParam, LPARAM lParam);
    // True inside an owner's handler of a message that a stopped client sent. Stop can happen
    // while a client waits inside SendMessage; the owner's handlers drop such a message.
    static bool IsFromStoppedSender();
    // Inside an owner's handler of a message a client sent: that client (it waits meanwhile).
    // Null in any other handler, a posted message's among them.
    static const CHttpClient* CurrentSender();

    static int LiveCount();

    static constexpr int kMaxPiece = static_cast<int>(kMaxPieceBytes);
    static constexpr int kReceiveSize = 64 * 1024;

    SOCKET m_socket = INVALID_SOCKET;
    WSADATA m_wsaData{};
    // The proxy, as long as a stored setting can be.
    char m_szServer[kMaxUrlLength + 1] = {};
    int m_nRecvTimeout = 90000;
    int m_nSendTimeout = 90000;
    int m_nPort = kDefaultPort;   // the proxy's
    char* m_pResponse = nullptr;
    int m_nResponseLen = 0;
    bool m_bDone = false;
    int m_bUseProxy = 0;
    int m_nErrorCode = 0;
    int m_nErrorValue = 0;
    char m_szError[256] = {};
    const char* m_pChunk = nullptr;
    HWND m_hOwner = nullptr;
    int m_nChunkLen = 0;
    int m_nTotalLen = 0;
    // Held whole rather than in 256 characters: a proxied request target can be 262 characters,
    // and an over-long address has to reach the length check to be reported as such.
    CString m_szUrl;

private:
    // One request and its reply; true when the reply redirects to `target`.
    bool FetchOnce(const char* url, bool first, std::string& target);
    void ReportProgress(NetStatus status);
    bool Connect(const std::string& server, int port, bool numericHost);
    bool OpenSocket(int family);
    bool OpenTunnel(const HttpAddress& address, std::string& early);
    bool StartTls(const HttpAddress& address, std::string early);
    bool SendGet(const HttpAddress& address);
    bool SendLine(const char* text, int len);
    // A reply as it is received: the plain bytes at the start of the block.
    struct ReplyBlock {
        char* block = nullptr;
        int total = 0;
        int last = SOCKET_ERROR;   // what the last receive returned
        bool reported = false;     // a failure has been reported already
        ReplyStart start = ReplyStart::Undecided;
    };
    bool ReceiveAll(std::string& target);
    void ReceiveInto(ReplyBlock& reply, std::string& target);
    int ReceiveSome(char* at, int room, int& pending);
    void HandToHooks(char* block, int from, int end);
    void CloseSocket();
    bool Halted();
    void FailSocket(int code, const char* text);

    std::atomic<bool> m_bStopped{false};
    CRITICAL_SECTION m_socketLock;   // Stop (owner's thread) against the close (worker's thread)
    std::unique_ptr<CTlsSession> m_pTls;   // while an https connection is open
    bool m_bTlsFailed = false;             // the last ReceiveSome failed in TLS, not in the socket
    bool m_bFirstHop = true;               // progress is reported for the first request only
    CString m_strFinalUrl;
};
