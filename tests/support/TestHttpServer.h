#pragma once
// A scriptable HTTP server on 127.0.0.1 (or ::1) and a free port, for transfer tests. Each
// request target gets a behaviour: serve bytes in given send sizes, close before any byte or
// after some, accept and never answer, drip slowly. It records every request head it reads.
// Bytes that cannot begin a request (a TLS hello, say) get "400 Bad Request" at once, as a
// plain web server answers them. Builds with Winsock (tests under Wine) and with POSIX sockets.
// TlsFront (Windows tests) puts TLS in front of it.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct Behaviour {
    enum class Kind { Serve, CloseAtOnce, NeverAnswer };
    Kind kind = Kind::Serve;
    std::string response;              // the exact bytes sent: status line, head and body
    std::vector<std::size_t> pieces;   // sizes of the separate sends; the rest goes in one send
    std::chrono::milliseconds pause{0};// between two sends
    std::size_t closeAfter = std::string::npos; // close once this many bytes were sent

    // "HTTP/1.0 <status>" with a Content-Length that matches the body.
    static Behaviour Page(std::string_view body, std::string_view status = "200 OK",
                          std::string_view extraHead = "");
    // Any head text, sent as it stands, followed by the body.
    static Behaviour Raw(std::string_view head, std::string_view body);
    static Behaviour CloseAtOnce();
    static Behaviour NeverAnswer();
    // Sends the response `step` bytes at a time with `pause` between.
    Behaviour& Drip(std::size_t step, std::chrono::milliseconds pauseBetween);
    Behaviour& InPieces(std::vector<std::size_t> sizes, std::chrono::milliseconds pauseBetween);
    Behaviour& CloseAfter(std::size_t bytes) { closeAfter = bytes; return *this; }
};

class TestHttpServer {
public:
    enum class Loopback { V4, V6 };
    explicit TestHttpServer(Loopback loopback = Loopback::V4);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>" (or "http://[::1]:<port>") followed by the path.
    std::string Url(std::string_view path) const;
    // The request target to answer: a path ("/a.swf") or, for proxied requests, a whole address.
    void On(const std::string& target, Behaviour behaviour);
    // Request heads received so far, in arrival order, exactly as read (up to the blank line).
    std::vector<std::string> Requests() const;
    // Waits until `count` requests have been read; false on time-out.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // From now on at most `count` connections are served at once: one more is closed at once,
    // unread, as a busy server refuses it. A connection counts until the server closes it.
    void LimitConnections(std::size_t count);
    // The most connections served at once, and how many were refused.
    std::size_t PeakConnections() const;
    std::size_t RefusedConnections() const;
    void Stop();

private:
    using Socket = std::intptr_t;
    void AcceptLoop();
    void Serve(Socket client);
    Behaviour Find(const std::string& target) const;
    bool PauseFor(std::chrono::milliseconds pause);

    Socket m_listener;
    int m_port = 0;
    Loopback m_loopback;
    bool m_stopping = false;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, Behaviour> m_behaviours;
    std::vector<std::string> m_requests;
    std::vector<Socket> m_open;
    std::size_t m_limit = 0;   // 0: no limit
    std::size_t m_served = 0;
    std::size_t m_peak = 0;
    std::size_t m_refused = 0;
    std::vector<std::thread> m_threads;
    std::thread m_acceptThread;
};
