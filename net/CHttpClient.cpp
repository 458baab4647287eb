#include "CHttpClient.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include <ws2tcpip.h>

#include "CPropertysIni.h"
#include "CTlsSession.h"
#include "HttpReply.h"
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
    m_strFinalUrl = url ? url : "";
    for (int redirects = 0;; ++redirects) {
        std::string target;
        if (!FetchOnce(m_strFinalUrl, redirects == 0, target)) return;
        if (redirects == kMaxRedirects) {
            SetError(NET_ERR_TOO_MANY_REDIRECTS, redirects + 1, "Error: Too many redirects.");
            return;
        }
        m_strFinalUrl = target.c_str();
    }
}

void CHttpClient::ReportProgress(NetStatus status)
{
    // The owner sees one fetch: a redirect's request does not step its progress again.
    if (m_bFirstHop) SendToOwner(WM_NET_STATUS, status, 0);
}

bool CHttpClient::FetchOnce(const char* url, bool first, std::string& target)
{
    m_bFirstHop = first;
    HttpAddress address;
    AddressFailure failure = SplitAddress(url, address, first ? kMaxUrlLength : kMaxRedirectUrlLength);
    if (failure.code == 0 && m_bUseProxy && m_szServer[0] == '\0')
        failure = AddressFailure{NET_ERR_NO_PROXY, "Error: Proxy Not Specified."};
    if (failure.code == 0 && address.host.size() > kMaxUrlLength)
        failure = AddressFailure{NET_ERR_BAD_HOST, "Error: Bad Host In URL."};
    if (failure.code != 0) {
        SetError(failure.code, 0, failure.text);
        return false;
    }

    // Plain http through a proxy asks the proxy for the whole address; https asks it for a
    // tunnel and then speaks to the server itself.
    const bool proxied = m_bUseProxy != 0;
    m_szUrl = RequestTarget(address, url, proxied && !address.secure).c_str();
    const std::string server = proxied ? std::string(m_szServer) : address.host;
    const int port = proxied ? m_nPort : address.port;

    if (!Connect(server, port, !proxied && address.bracketed) || Halted()) return false;
    std::string early;
    if (address.secure && proxied && (!OpenTunnel(address, early) || Halted())) return false;
    if (address.secure && (!StartTls(address, std::move(early)) || Halted())) return false;
    ReportProgress(NET_CONNECTED);
    if (!SendGet(address) || Halted()) return false;
    ReportProgress(NET_RECEIVING);
    return ReceiveAll(target);
}

bool CHttpClient::OpenSocket(int family)
{
    SOCKET created = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    ::EnterCriticalSection(&m_socketLock);
    m_socket = created;
    ::LeaveCriticalSection(&m_socketLock);
    if (m_socket == INVALID_SOCKET) {
        SetError(NET_ERR_SOCKET, -1, "Error: socket()");
        return false;
    }
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
    // Stop may have come while there was no socket to shut down.
    return !Halted();
}

bool CHttpClient::Connect(const std::string& server, int port, bool numericHost)
{
    ReportProgress(NET_SOCKET_CREATED);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = numericHost ? AI_NUMERICHOST : 0;
    addrinfo* found = nullptr;
    // Out-of-range proxy ports keep their low bits, as they always did.
    const std::string service = std::to_string(port & 0xFFFF);
    const int lookup = server.empty() ? WSAHOST_NOT_FOUND : ::getaddrinfo(server.c_str(), service.c_str(), &hints, &found);
    if (lookup != 0) {
        SetError(NET_ERR_BAD_HOST, lookup, "Error: Resolve Host.");
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
    if (IsStopped()) return false;

    // Each address in turn: a name may have an IPv6 and an IPv4 address and answer at one.
    int error = WSAECONNREFUSED;
    for (const addrinfo* candidate = found; candidate; candidate = candidate->ai_next) {
        if (!OpenSocket(candidate->ai_family)) return false;
        if (::connect(m_socket, candidate->ai_addr, static_cast<int>(candidate->ai_addrlen)) == 0) return true;
        error = ::WSAGetLastError();
        CloseSocket();
        if (IsStopped()) return false;
    }
    SetError(NET_ERR_SOCKET, error, "Error: connect()");
    return false;
}

bool CHttpClient::OpenTunnel(const HttpAddress& address, std::string& early)
{
    const std::string request = ConnectRequest(address);
    if (!SendLine(request.c_str(), static_cast<int>(request.size()))) return false;
    // The proxy's reply ends with a blank line; the server says nothing before the client's
    // hello, but whatever did come after the head would be its.
    constexpr std::size_t kMaxProxyHead = 16 * 1024;
    std::string reply;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = reply.find("\r\n\r\n")) == std::string::npos && reply.size() < kMaxProxyHead) {
        char buffer[4096];
        const int got = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (got == SOCKET_ERROR) {
            FailSocket(NET_ERR_SOCKET, "Error: recieve()");
            return false;
        }
        if (got == 0) break;
        reply.append(buffer, static_cast<std::size_t>(got));
    }
    const int status = headEnd == std::string::npos ? 0 : ReplyStatus(reply);
    if (status < 200 || status > 299) {
        CloseSocket();
        SetError(NET_ERR_PROXY_REFUSED, status, "Error: Proxy refused the tunnel.");
        return false;
    }
    early = reply.substr(headEnd + 4);
    return true;
}

bool CHttpClient::StartTls(const HttpAddress& address, std::string early)
{
    // No name goes out for SNI when the host is an address, not a name.
    in_addr dotted{};
    const bool literal = address.bracketed || ::inet_pton(AF_INET, address.host.c_str(), &dotted) == 1;
    m_pTls = std::make_unique<CTlsSession>();
    switch (m_pTls->Handshake(m_socket, literal ? std::string() : address.host, std::move(early))) {
    case CTlsSession::Result::Ok:
        break;
    case CTlsSession::Result::SocketError:
        // A server that never finishes its side fails the way a silent server does.
        FailSocket(NET_ERR_SOCKET, "Error: recieve()");
        return false;
    case CTlsSession::Result::Closed:
    case CTlsSession::Result::Failed:
        CloseSocket();
        SetError(NET_ERR_TLS, static_cast<int>(m_pTls->Status()), "Error: TLS handshake.");
        return false;
    }
    if (Halted()) return false;

    DWORD error = 0;
    const CTlsSession::Certificate check = m_pTls->CheckCertificate(address.host, error);
    if (check == CTlsSession::Certificate::Trusted) return true;
    CloseSocket();
    if (check == CTlsSession::Certificate::Expired)
        SetError(NET_ERR_CERT_EXPIRED, static_cast<int>(error), "Error: Certificate expired.");
    else if (check == CTlsSession::Certificate::OtherHost)
        SetError(NET_ERR_CERT_OTHER_HOST, static_cast<int>(error), "Error: Certificate for another host.");
    else
        SetError(NET_ERR_CERT_UNTRUSTED, static_cast<int>(error), "Error: Certificate not trusted.");
    return false;
}

bool CHttpClient::SendGet(const HttpAddress& address)
{
    const std::vector<std::string> lines = RequestLines(m_szUrl.View(), HostForHeader(address));
    if (!m_pTls) {
        for (const std::string& line : lines) {
            if (!SendLine(line.c_str(), static_cast<int>(line.size()))) return false;
        }
        return true;
    }
    // Over TLS the request goes out as one record.
    std::string request;
    for (const std::string& line : lines) request += line;
    switch (m_pTls->Send(request)) {
    case CTlsSession::Result::Ok:
        return true;
    case CTlsSession::Result::Failed:
        CloseSocket();
        SetError(NET_ERR_TLS, static_cast<int>(m_pTls->Status()), "Error: TLS send.");
        return false;
    default:
        FailSocket(NET_ERR_SOCKET, "Error: send()");
        return false;
    }
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

int CHttpClient::ReceiveSome(char* at, int room, int& pending)
{
    if (!m_pTls) return ::recv(m_socket, at, kReceiveSize, 0);
    // Encrypted bytes sit right behind the plain ones and are decrypted in place, whole records
    // at a time, so the plain bytes land where a plain recv would have put them.
    for (;;) {
        const CTlsSession::Decrypted decrypted = m_pTls->Decrypt(at, pending);
        pending = decrypted.pending;
        if (decrypted.result == CTlsSession::Result::Failed) {
            m_bTlsFailed = true;
            return SOCKET_ERROR;
        }
        if (decrypted.plain > 0) return decrypted.plain;
        if (decrypted.result == CTlsSession::Result::Closed) return 0;
        if (pending >= room) {   // no record is that long
            m_bTlsFailed = true;
            return SOCKET_ERROR;
        }
        const int got = ::recv(m_socket, at + pending, std::min(kReceiveSize, room - pending), 0);
        if (got <= 0) return got;
        pending += got;
    }
}

void CHttpClient::HandToHooks(char* block, int from, int end)
{
    // The hooks see the data in pieces of at most 4095 bytes, in order.
    for (int at = from; at < end && !IsStopped(); at += kMaxPiece) {
        m_pChunk = block + at;
        m_nChunkLen = std::min(kMaxPiece, end - at);
        OnReceive();
    }
    m_pChunk = nullptr;
}

void CHttpClient::ReceiveInto(ReplyBlock& reply, std::string& target)
{
    char*& block = reply.block;
    SIZE_T committed = 0;
    int pending = 0;   // encrypted bytes behind the plain ones (https only)
    try {
        if (m_pTls) {
            const std::string early = m_pTls->TakeEarlyData();
            if (!EnsureCommitted(block, committed, early.size() + kReceiveSize + CTlsSession::kMaxRecord))
                throw std::bad_alloc();
            std::memcpy(block, early.data(), early.size());
            pending = static_cast<int>(early.size());
        }
        for (;;) {
            if (!EnsureCommitted(block, committed, SIZE_T(reply.total) + pending + kReceiveSize + CTlsSession::kMaxRecord)) {
                SetError(NET_ERR_SOCKET, static_cast<int>(::GetLastError()), "Error: Memory Alloc.");
                reply.reported = true;
                break;
            }
            if (IsStopped()) break;
            reply.last = ReceiveSome(block + reply.total, static_cast<int>(committed - reply.total), pending);
            m_nChunkLen = reply.last;
            if (reply.last == SOCKET_ERROR) break;
            if (reply.last == 0) {
                if (reply.total == 0) {
                    ::VirtualFree(block, 0, MEM_RELEASE);
                    block = nullptr;
                    if (!IsStopped())
                        SetError(NET_ERR_NO_BUFFER, static_cast<int>(::GetLastError()), "Error: Recieve NULL");
                }
                break;
            }
            const int end = reply.total + reply.last;
            if (reply.start == ReplyStart::Undecided) {
                reply.start = ClassifyReply(std::string_view(block, static_cast<std::size_t>(end)), false,
                                            m_strFinalUrl.View(), target);
                if (reply.start == ReplyStart::Redirect) break;
                if (reply.start == ReplyStart::Final) HandToHooks(block, 0, end);
            } else {
                HandToHooks(block, reply.total, end);
            }
            reply.total = end;
        }
    } catch (const std::bad_alloc&) {
        // A hook ran out of memory. Any other exception is a fault of the hook's own and goes on
        // to the thread's boundary.
        m_pChunk = nullptr;
        SetError(NET_ERR_SOCKET, ERROR_NOT_ENOUGH_MEMORY, "Error: Memory Alloc.");
        reply.reported = true;
    }
}

bool CHttpClient::ReceiveAll(std::string& target)
{
    // The hooks see nothing until the first bytes show that this reply is not a redirect.
    ReplyBlock reply;
    m_bTlsFailed = false;
    ReceiveInto(reply, target);
    char* block = reply.block;
    if (reply.total == 0 && block) {
        ::VirtualFree(block, 0, MEM_RELEASE);
        block = nullptr;
    }
    const int socketError = ::WSAGetLastError();
    CloseSocket();
    const SECURITY_STATUS tlsStatus = m_pTls ? m_pTls->Status() : SEC_E_OK;
    m_pTls.reset();
    // A reply that ended before it could be told apart is looked at whole.
    if (reply.start == ReplyStart::Undecided && reply.last == 0 && reply.total > 0 && !IsStopped()) {
        reply.start = ClassifyReply(std::string_view(block, static_cast<std::size_t>(reply.total)), true,
                                    m_strFinalUrl.View(), target);
        if (reply.start == ReplyStart::Final) HandToHooks(block, 0, reply.total);
    }
    const bool redirected = reply.start == ReplyStart::Redirect && !IsStopped() && !reply.reported;
    if (IsStopped() || reply.start == ReplyStart::Redirect || reply.reported) {
        // Nothing of this reply is reported; the block goes without a hook ever seeing it.
        if (block) ::VirtualFree(block, 0, MEM_RELEASE);
        return redirected;
    }
    m_pResponse = block;
    m_nResponseLen = reply.total;
    if (reply.last != 0) {
        if (m_bTlsFailed)
            SetError(NET_ERR_TLS, static_cast<int>(tlsStatus), "Error: TLS record.");
        else
            SetError(NET_ERR_SOCKET, socketError, "Error: recieve()");
        return false;
    }
    m_nTotalLen = reply.total;
    OnComplete();
    m_bDone = true;
    return false;
}
