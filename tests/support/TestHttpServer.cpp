#include "TestHttpServer.h"

#include <algorithm>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
namespace {
using NativeSocket = SOCKET;
void CloseNative(NativeSocket s) { ::closesocket(s); }
void ShutdownNative(NativeSocket s) { ::shutdown(s, SD_BOTH); }
struct WinsockUser {
    WinsockUser() { WSADATA data; ::WSAStartup(MAKEWORD(2, 2), &data); }
    ~WinsockUser() { ::WSACleanup(); }
};
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
namespace {
using NativeSocket = int;
constexpr int INVALID_SOCKET = -1;
void CloseNative(NativeSocket s) { ::close(s); }
void ShutdownNative(NativeSocket s) { ::shutdown(s, SHUT_RDWR); }
struct WinsockUser {
    WinsockUser() { std::signal(SIGPIPE, SIG_IGN); }
};
}
#endif

namespace {

NativeSocket AsNative(std::intptr_t s) { return static_cast<NativeSocket>(s); }

const WinsockUser& Sockets()
{
    static WinsockUser user;
    return user;
}

bool SendAll(NativeSocket s, const char* data, std::size_t len)
{
    while (len > 0) {
        const int chunk = static_cast<int>(std::min<std::size_t>(len, 1 << 20));
        const auto sent = ::send(s, data, chunk, 0);
        if (sent <= 0) return false;
        data += sent;
        len -= static_cast<std::size_t>(sent);
    }
    return true;
}

// The second word of the request line: the target the client asked for.
std::string TargetOf(const std::string& head)
{
    const std::size_t first = head.find(' ');
    if (first == std::string::npos) return {};
    const std::size_t second = head.find(' ', first + 1);
    return head.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
}

} // namespace

Behaviour Behaviour::Page(std::string_view body, std::string_view status, std::string_view extraHead)
{
    Behaviour b;
    b.response = "HTTP/1.0 " + std::string(status) + "\r\nContent-Type: text/html\r\nContent-Length: " +
                 std::to_string(body.size()) + "\r\n" + std::string(extraHead) + "\r\n" + std::string(body);
    return b;
}

Behaviour Behaviour::Raw(std::string_view head, std::string_view body)
{
    Behaviour b;
    b.response = std::string(head) + std::string(body);
    return b;
}

Behaviour Behaviour::CloseAtOnce()
{
    Behaviour b;
    b.kind = Kind::CloseAtOnce;
    return b;
}

Behaviour Behaviour::NeverAnswer()
{
    Behaviour b;
    b.kind = Kind::NeverAnswer;
    return b;
}

Behaviour& Behaviour::Drip(std::size_t step, std::chrono::milliseconds pauseBetween)
{
    pieces.assign(response.size() / std::max<std::size_t>(step, 1), std::max<std::size_t>(step, 1));
    pause = pauseBetween;
    return *this;
}

Behaviour& Behaviour::InPieces(std::vector<std::size_t> sizes, std::chrono::milliseconds pauseBetween)
{
    pieces = std::move(sizes);
    pause = pauseBetween;
    return *this;
}

TestHttpServer::TestHttpServer(Loopback loopback) : m_loopback(loopback)
{
    Sockets();
    const bool v6 = loopback == Loopback::V6;
    NativeSocket listener = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) throw std::runtime_error("test server: socket");
    sockaddr_storage storage{};
    socklen_t len = v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (v6) {
        auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
        address->sin6_family = AF_INET6;
        address->sin6_addr = in6addr_loopback;
    } else {
        auto* address = reinterpret_cast<sockaddr_in*>(&storage);
        address->sin_family = AF_INET;
        address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    if (::bind(listener, reinterpret_cast<sockaddr*>(&storage), len) != 0 || ::listen(listener, 64) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&storage), &len) != 0) {
        CloseNative(listener);
        throw std::runtime_error("test server: bind/listen");
    }
    m_listener = static_cast<Socket>(listener);
    m_port = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                      : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer()
{
    Stop();
}

std::string TestHttpServer::Url(std::string_view path) const
{
    const char* host = m_loopback == Loopback::V6 ? "[::1]" : "127.0.0.1";
    return "http://" + std::string(host) + ":" + std::to_string(m_port) + std::string(path);
}

void TestHttpServer::On(const std::string& target, Behaviour behaviour)
{
    std::lock_guard lock(m_mutex);
    m_behaviours[target] = std::move(behaviour);
}

std::vector<std::string> TestHttpServer::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool TestHttpServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
}

void TestHttpServer::LimitConnections(std::size_t count)
{
    std::lock_guard lock(m_mutex);
    m_limit = count;
}

std::size_t TestHttpServer::PeakConnections() const
{
    std::lock_guard lock(m_mutex);
    return m_peak;
}

std::size_t TestHttpServer::RefusedConnections() const
{
    std::lock_guard lock(m_mutex);
    return m_refused;
}

void TestHttpServer::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return;
        m_stopping = true;
        for (Socket s : m_open) ShutdownNative(AsNative(s));
    }
    m_changed.notify_all();
    ShutdownNative(AsNative(m_listener));
    CloseNative(AsNative(m_listener));
    if (m_acceptThread.joinable()) m_acceptThread.join();
    for (std::thread& t : m_threads) t.join();
}

void TestHttpServer::AcceptLoop()
{
    for (;;) {
        NativeSocket client = ::accept(AsNative(m_listener), nullptr, nullptr);
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            if (client != INVALID_SOCKET) CloseNative(client);
            return;
        }
        if (client == INVALID_SOCKET) continue;
        if (m_limit != 0 && m_served >= m_limit) {
            ++m_refused;
            CloseNative(client);
            continue;
        }
        m_peak = std::max(m_peak, ++m_served);
        m_open.push_back(static_cast<Socket>(client));
        m_threads.emplace_back([this, client] { Serve(static_cast<Socket>(client)); });
    }
}

Behaviour TestHttpServer::Find(const std::string& target) const
{
    std::lock_guard lock(m_mutex);
    auto found = m_behaviours.find(target);
    if (found == m_behaviours.end()) {
        // A proxied request names the whole address; fall back to its path.
        const std::size_t scheme = target.find("://");
        const std::size_t slash = scheme == std::string::npos ? std::string::npos : target.find('/', scheme + 3);
        if (slash != std::string::npos) found = m_behaviours.find(target.substr(slash));
    }
    if (found != m_behaviours.end()) return found->second;
    return Behaviour::Page("<html>not found</html>", "404 Not Found");
}

bool TestHttpServer::PauseFor(std::chrono::milliseconds pause)
{
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, pause, [&] { return m_stopping; });
}

void TestHttpServer::Serve(Socket client)
{
    const NativeSocket s = AsNative(client);
    std::string head;
    char buffer[4096];
    bool request = true;
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const auto got = ::recv(s, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        head.append(buffer, static_cast<std::size_t>(got));
        // A request begins with its method's capital letters.
        request = head[0] >= 'A' && head[0] <= 'Z';
        if (!request) break;
    }
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(head);
    }
    m_changed.notify_all();

    const Behaviour behaviour =
        request ? Find(TargetOf(head)) : Behaviour::Page("<html>bad request</html>", "400 Bad Request");
    if (behaviour.kind == Behaviour::Kind::NeverAnswer) {
        // Holds the connection until the client gives up or the server stops.
        while (::recv(s, buffer, sizeof buffer, 0) > 0) {}
    } else if (behaviour.kind == Behaviour::Kind::Serve) {
        const std::string& data = behaviour.response;
        const std::size_t limit = std::min(behaviour.closeAfter, data.size());
        std::size_t at = 0;
        for (std::size_t i = 0; at < limit; ++i) {
            const std::size_t size = i < behaviour.pieces.size() ? behaviour.pieces[i] : limit - at;
            const std::size_t n = std::min(size, limit - at);
            if (!SendAll(s, data.data() + at, n)) break;
            at += n;
            if (at < limit && behaviour.pause.count() > 0 && !PauseFor(behaviour.pause)) break;
        }
    }
    {
        // Free before the client can see the end: a client that then connects again is served.
        std::lock_guard lock(m_mutex);
        --m_served;
        m_open.erase(std::remove(m_open.begin(), m_open.end(), client), m_open.end());
    }
    ShutdownNative(s);
    CloseNative(s);
}
