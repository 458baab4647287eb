#include "CHttpClient.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "CPropertysIni.h"
#include "ScopedHandles.h"

namespace {

// The response block reserves address space once and commits it as data arrives, so it never
// moves and the bytes are copied only once, by recv itself. 2 GiB is what m_nResponseLen counts.
constexpr SIZE_T kResponseReserve = SIZE_T(1) << 31;
constexpr SIZE_T kCommitStep = SIZE_T(1) << 20;

// The live-client count and the Winsock start-up and clean-up tied to it change together.
SRWLOCK g_countLock = SRWLOCK_INIT;
int g_liveClients = 0;

// Serialises the clients' messages to their owners, and tells an owner's handler which client
// sent the message it is handling (the sender waits inside SendMessage meanwhile). Nothing may
// show a window or wait for anything while handling such a message: every other client's next
// message waits for it.
struct SendGate {
    CriticalSection lock;
    std::atomic<const CHttpClient*> sender{nullptr};
};
SendGate& Gate()
{
    static SendGate gate;
    return gate;
}

void CopyText(char* dest, std::size_t size, const char* text)
{
    const std::size_t len = std::min(std::strlen(text), size - 1);
    std::memcpy(dest, text, len);
    dest[len] = '\0';
}

// Commits the response block up to `needed` bytes, reserving it first. False when the block
// would pass its reservation or the system has no memory left.
bool EnsureCommitted(char*& block, SIZE_T& committed, SIZE_T needed)
{
    if (needed <= committed) return true;
    if (needed > kResponseReserve) return false;
    if (!block) {
        block = static_cast<char*>(::VirtualAlloc(nullptr, kResponseReserve, MEM_RESERVE, PAGE_NOACCESS));
        if (!block) return false;
    }
    SIZE_T target = std::min(kResponseReserve, (needed + kCommitStep - 1) / kCommitStep * kCommitStep);
    if (!::VirtualAlloc(block + committed, target - committed, MEM_COMMIT, PAGE_READWRITE)) return false;
    committed = target;
    return true;
}

} // namespace

CHttpClient::CHttpClient()
{
    ::InitializeCriticalSection(&m_socketLock);
    ::AcquireSRWLockExclusive(&g_countLock);
    if (g_liveClients == 0) {
        const WORD versions[] = {MAKEWORD(2, 0), MAKEWORD(1, 1), MAKEWORD(1, 0)};
        for (WORD version : versions) {
            if (::WSAStartup(version, &m_wsaData) == 0) break;
            ::WSACleanup();
        }
    }
    ++g_liveClients;
    ::ReleaseSRWLockExclusive(&g_countLock);

    m_localAddr.sin_family = AF_INET;
    m_localAddr.sin_addr.s_addr = htonl(INADDR_ANY);
    CHttpClient::InitInstance();
}

CHttpClient::~CHttpClient()
{
    CloseSocket();
    ::AcquireSRWLockExclusive(&g_countLock);
    if (--g_liveClients == 0) ::WSACleanup();
    ::ReleaseSRWLockExclusive(&g_countLock);
    ::DeleteCriticalSection(&m_socketLock);
}

int CHttpClient::LiveCount()
{
    ::AcquireSRWLockShared(&g_countLock);
    int count = g_liveClients;
    ::ReleaseSRWLockShared(&g_countLock);
    return count;
}

BOOL CHttpClient::InitInstance()
{
    m_bDone = false;
    return TRUE;
}

void CHttpClient::OnError()
{
    SendToOwner(WM_NET_STATUS, static_cast<WPARAM>(m_nErrorCode), static_cast<LPARAM>(m_nErrorValue));
    FreeResponse();
}

void CHttpClient::OnComplete()
{
    FreeResponse();
}

void CHttpClient::OnReceive()
{
}

void CHttpClient::SetUrl(const char* url)
{
    m_szUrl = url ? url : "";
}

void CHttpClient::SetProxy(const char* server, const char* portText, int enable)
{
    m_bUseProxy = enable;
    CopyText(m_szServer, sizeof m_szServer, server ? server : "");
    m_nPort = ProxyPortFromText(portText);
}

void CHttpClient::Fetch()
{
    CString url = m_szUrl;
    {
        auto settings = std::make_unique<CPropertysIni>();
        if (settings->GetUseProxy())
            SetProxy(settings->GetProxyServer(), settings->GetProxyPort(), 1);
    }
    Request(url);
}

void CHttpClient::SetError(int code, int value, const char* text)
{
    m_nErrorCode = code;
    m_nErrorValue = value;
    CopyText(m_szError, sizeof m_szError, text);
    if (IsStopped())
        FreeResponse();
    else
        OnError();
}

void CHttpClient::FreeResponse()
{
    if (m_nResponseLen != 0 && m_pResponse) {
        ::VirtualFree(m_pResponse, 0, MEM_RELEASE);
        m_pResponse = nullptr;
        m_nResponseLen = 0;
    }
}

void CHttpClient::Stop()
{
    m_bStopped.store(true, std::memory_order_release);
    ::EnterCriticalSection(&m_socketLock);
    if (m_socket != INVALID_SOCKET) ::shutdown(m_socket, SD_BOTH);
    ::LeaveCriticalSection(&m_socketLock);
}

LRESULT CHttpClient::SendToOwner(UINT message, WPARAM wParam, LPARAM lParam)
{
    SendGate& gate = Gate();
    CriticalSectionLock lock(gate.lock);
    if (IsStopped()) return 0;
    gate.sender.store(this, std::memory_order_release);
    const LRESULT result = ::SendMessageA(m_hOwner, message, wParam, lParam);
    gate.sender.store(nullptr, std::memory_order_release);
    return result;
}

bool CHttpClient::IsFromStoppedSender()
{
    const CHttpClient* sender = CurrentSender();
    return sender && sender->IsStopped();
}

const CHttpClient* CHttpClient::CurrentSender()
{
    // Only a message another thread sent has a sender waiting for it; a posted one has none,
    // and the value may then belong to a send under way on another thread.
    if (!::InSendMessage()) return nullptr;
    return Gate().sender.load(std::memory_order_acquire);
}

void CHttpClient::CloseSocket()
{
    ::EnterCriticalSection(&m_socketLock);
    if (m_socket != INVALID_SOCKET) {
        ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    ::LeaveCriticalSection(&m_socketLock);
}

bool CHttpClient::Halted()
{
    // Stop shuts the socket down, but that does not reach a socket that is not connected yet;
    // so the fetch also looks at the flag after every step that can take long.
    if (!IsStopped()) return false;
    CloseSocket();
    return true;
}

void CHttpClient::FailSocket(int code, const char* text)
{
    CloseSocket();
    SetError(code, ::WSAGetLastError(), text);
}

void CHttpClient::Request(const char* url)
{
    m_pResponse = nullptr;
    m_nResponseLen = 0;
    m_bDone = false;

    HttpAddress address;
    AddressFailure failure = SplitAddress(url, address);
    if (failure.code == 0 && m_bUseProxy && m_szServer[0] == '\0')
        failure = AddressFailure{NET_ERR_NO_PROXY, "Error: Proxy Not Specified."};
    if (failure.code != 0) {
        SetError(failure.code, 0, failure.text);
        return;
    }

    m_szUrl = RequestTarget(address, url, m_bUseProxy != 0).c_str();
    if (!m_bUseProxy) {
        CopyText(m_szAddress, sizeof m_szAddress, address.host.c_str());
        CopyText(m_szServer, sizeof m_szServer, address.host.c_str());
        m_nPort = address.port;
    }

    if (!Connect(address) || Halted()) return;
    if (!SendGet(address.host.c_str()) || Halted()) return;
    SendToOwner(WM_NET_STATUS, NET_RECEIVING, 0);
    ReceiveAll();
}

bool CHttpClient::Connect(const HttpAddress&)
{
    SOCKET created = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ::EnterCriticalSection(&m_socketLock);
    m_socket = created;
    ::LeaveCriticalSection(&m_socketLock);
    SendToOwner(WM_NET_STATUS, NET_SOCKET_CREATED, 0);
    if (m_socket == INVALID_SOCKET) {
        SetError(NET_ERR_SOCKET, -1, "Error: socket()");
        return false;
    }
    if (Halted()) return false;

    linger lingerOption{1, 0};
    if (::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&lingerOption), sizeof lingerOption) != 0) {
        FailSocket(NET_ERR_SOCKET, "Error: setsockopt(LINGER).");
        return false;
    }
    if (::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&m_nRecvTimeout), sizeof m_nRecvTimeout) != 0) {
        FailSocket(NET_ERR_SOCKET, "Error: setsockopt(RCVTIME).");
        return false;
    }
    if (::setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&m_nSendTimeout), sizeof m_nSendTimeout) != 0) {
        FailSocket(NET_ERR_SOCKET, "Error: setsockopt(SNDTIMEO).");
        return false;
    }
    if (::bind(m_socket, reinterpret_cast<const sockaddr*>(&m_localAddr), sizeof m_localAddr) != 0) {
        FailSocket(NET_ERR_SOCKET, "Error: bind()");
        return false;
    }

    in_addr remote{};
    const hostent* entry = m_szServer[0] ? ::gethostbyname(m_szServer) : nullptr;
    if (entry && entry->h_addrtype == AF_INET && entry->h_addr_list[0]) {
        std::memcpy(&remote, entry->h_addr_list[0], sizeof remote);
    } else {
        const int lookupError = ::WSAGetLastError();
        const unsigned long dotted = m_szAddress[0] ? ::inet_addr(m_szAddress) : INADDR_NONE;
        if (dotted == INADDR_NONE) {
            CloseSocket();
            SetError(NET_ERR_BAD_HOST, lookupError, "Error: Resolve Host.");
            return false;
        }
        remote.s_addr = dotted;
    }
    if (Halted()) return false;
    m_remoteAddr.sin_family = AF_INET;
    m_remoteAddr.sin_port = htons(static_cast<u_short>(m_nPort & 0xFFFF));
    m_remoteAddr.sin_addr = remote;

    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(m_socket, &readable);
    timeval noWait{0, 0};
    if (::select(0, &readable, nullptr, nullptr, &noWait) == SOCKET_ERROR) {
        FailSocket(NET_ERR_SOCKET, "Error: select()");
        return false;
    }
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&m_remoteAddr), sizeof m_remoteAddr) != 0) {
        FailSocket(NET_ERR_SOCKET, "Error: connect()");
        return false;
    }
    SendToOwner(WM_NET_STATUS, NET_CONNECTED, 0);
    return true;
}

bool CHttpClient::SendGet(const char* host)
{
    for (const std::string& line : RequestLines(m_szUrl.View(), host)) {
        if (!SendLine(line.c_str(), static_cast<int>(line.size()))) return false;
    }
    return true;
}

bool CHttpClient::SendLine(const char* text, int len)
{
    // send may take only part of the text; the rest follows until all of it is on its way.
    while (len > 0) {
        const int sent = ::send(m_socket, text, len, 0);
        if (sent == SOCKET_ERROR || sent == 0) {
            FailSocket(NET_ERR_SOCKET, "Error: send()");
            return false;
        }
        text += sent;
        len -= sent;
    }
    return true;
}

void CHttpClient::ReceiveAll()
{
    char* block = nullptr;
    SIZE_T committed = 0;
    int total = 0;
    int last = SOCKET_ERROR;
    bool failed = false;
    try {
        for (;;) {
            if (!EnsureCommitted(block, committed, SIZE_T(total) + kReceiveSize)) {
                SetError(NET_ERR_SOCKET, static_cast<int>(::GetLastError()), "Error: Memory Alloc.");
                failed = true;
                break;
            }
            if (IsStopped()) break;
            last = ::recv(m_socket, block + total, kReceiveSize, 0);
            m_nChunkLen = last;
            if (last == SOCKET_ERROR) break;
            if (last == 0) {
                if (total == 0) {
                    ::VirtualFree(block, 0, MEM_RELEASE);
                    block = nullptr;
                    if (!IsStopped())
                        SetError(NET_ERR_NO_BUFFER, static_cast<int>(::GetLastError()), "Error: Recieve NULL");
                }
                break;
            }
            const int end = total + last;
            // The hooks see the data in pieces of at most 4095 bytes, in order.
            for (int at = total; at < end && !IsStopped(); at += kMaxPiece) {
                m_pChunk = block + at;
                m_nChunkLen = std::min(kMaxPiece, end - at);
                OnReceive();
            }
            m_pChunk = nullptr;
            total = end;
        }
    } catch (const std::bad_alloc&) {
        // A hook ran out of memory. Any other exception is a fault of the hook's own and goes on
        // to the thread's boundary.
        m_pChunk = nullptr;
        SetError(NET_ERR_SOCKET, ERROR_NOT_ENOUGH_MEMORY, "Error: Memory Alloc.");
        failed = true;
    }

    if ((total == 0 || failed) && block) {
        ::VirtualFree(block, 0, MEM_RELEASE);
        block = nullptr;
        total = 0;
    }
    m_pResponse = block;
    m_nResponseLen = total;
    const int socketError = ::WSAGetLastError();
    CloseSocket();
    if (failed) return;   // reported once, above
    if (IsStopped()) {
        // Nothing more is reported; the block goes without a hook ever seeing it.
        if (m_pResponse) ::VirtualFree(m_pResponse, 0, MEM_RELEASE);
        m_pResponse = nullptr;
        m_nResponseLen = 0;
        return;
    }
    if (last != 0) {
        SetError(NET_ERR_SOCKET, socketError, "Error: recieve()");
        return;
    }
    m_nTotalLen = total;
    OnComplete();
    m_bDone = true;
}
