// The transfer engine against the scriptable loopback server, with a real owner window.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "CHttpClient.h"
#include "CPropertysIni.h"
#include "CWinThread.h"
#include "OwnerWindow.h"
#include "TestHttpServer.h"
#include "TlsFront.h"

using namespace std::chrono_literals;

namespace {

constexpr UINT WM_TEST_PIECE = WM_USER + 100;     // wParam: piece length
constexpr UINT WM_TEST_COMPLETE = WM_USER + 101;  // wParam: m_nResponseLen, lParam: m_nTotalLen
constexpr UINT WM_TEST_ENDED = WM_USER + 102;
constexpr auto kTimeout = 30s;

// What a fetch left behind for the test; written on the worker's thread before it sends the
// message that tells the test to look.
struct FetchRecord {
    std::string pieces;
    std::string response;
    bool responseWasNull = false;
    std::string error;
    std::string finalUrl;
};

// A network worker as the program's workers are built: CWinThread first, then CHttpClient.
class CRecordingFetch : public CWinThread, public CHttpClient {
public:
    explicit CRecordingFetch(FetchRecord& record) : m_record(record) {}
    ~CRecordingFetch() override { SendToOwner(WM_TEST_ENDED, 0, 0); }

    BOOL InitInstance() override
    {
        Fetch();
        return FALSE;
    }
    void OnReceive() override
    {
        m_record.pieces.append(m_pChunk, static_cast<std::size_t>(m_nChunkLen));
        SendToOwner(WM_TEST_PIECE, static_cast<WPARAM>(m_nChunkLen), 0);
    }
    void OnComplete() override
    {
        m_record.responseWasNull = m_pResponse == nullptr;
        m_record.finalUrl = GetFinalUrl().View();
        if (m_pResponse) m_record.response.assign(m_pResponse, static_cast<std::size_t>(m_nResponseLen));
        SendToOwner(WM_TEST_COMPLETE, static_cast<WPARAM>(m_nResponseLen), m_nTotalLen);
        FreeResponse();
    }
    void OnError() override
    {
        m_record.error = m_szError;
        CHttpClient::OnError();
    }

private:
    FetchRecord& m_record;
};

// The thread handle of a started worker, kept by the test (the worker closes its own).
struct StartedFetch {
    CRecordingFetch* worker;
    HANDLE thread;
};

StartedFetch Start(OwnerWindow& owner, FetchRecord& record, const std::string& url, int recvTimeout = 90000)
{
    auto* worker = new CRecordingFetch(record);
    worker->SetUrl(url.c_str());
    worker->SetOwnerWindow(owner.Handle());
    worker->m_nRecvTimeout = recvTimeout;
    EXPECT_TRUE(worker->CreateThread(CREATE_SUSPENDED));
    HANDLE thread = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), worker->m_hThread, ::GetCurrentProcess(), &thread, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    ::ResumeThread(worker->m_hThread);
    return {worker, thread};
}

// Runs one fetch to its end and returns the messages the owner received.
std::vector<Received> RunFetch(FetchRecord& record, const std::string& url, int recvTimeout = 90000)
{
    OwnerWindow owner;
    StartedFetch started = Start(owner, record, url, recvTimeout);
    EXPECT_TRUE(owner.WaitForHandle(started.thread, kTimeout)) << "the fetch did not end";
    ::CloseHandle(started.thread);
    return owner.Messages();
}

// The message list with the values of failure codes masked (they carry system error numbers).
std::string Shape(const std::vector<Received>& messages)
{
    std::string text;
    for (const Received& r : messages) {
        if (r.message == WM_NET_STATUS)
            text += "status " + std::to_string(r.wParam) + ", ";
        else if (r.message == WM_TEST_PIECE)
            text += "piece " + std::to_string(r.wParam) + ", ";
        else if (r.message == WM_TEST_COMPLETE)
            text += "complete " + std::to_string(r.wParam) + "/" + std::to_string(r.lParam) + ", ";
        else if (r.message == WM_TEST_ENDED)
            text += "ended";
        else
            text += "other " + std::to_string(r.message) + ", ";
    }
    return text;
}

std::string Bytes(std::size_t count)
{
    std::string text(count, '\0');
    for (std::size_t i = 0; i < count; ++i) text[i] = static_cast<char>('a' + i * 7 % 26);
    return text;
}

// A port that refuses connections: bound once, then released.
int RefusingPort()
{
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &len);
    ::closesocket(s);
    return ntohs(address.sin_port);
}

// Writes the proxy settings beside the test program for the duration of a test.
class ProxySettings {
public:
    ProxySettings(const char* useProxy, const char* server, const char* port)
    {
        CPropertysIni settings;
        m_path = settings.GetPath();
        std::remove(m_path.c_str());
        settings.WriteString("Options", "UseProxy", useProxy);
        if (server) settings.SetProxyServer(server);
        if (port) settings.SetProxyPort(port);
    }
    ~ProxySettings() { ::DeleteFileA(m_path.c_str()); }

private:
    std::string m_path;
};

class Transfer : public ::testing::Test {
protected:
    TestHttpServer server;
};

TEST_F(Transfer, SuccessReportsProgressPiecesAndOneCompletion)
{
    // 10000 bytes in one send arrive in one receive and are handed on as 4095, 4095, 1810.
    const std::string response = Bytes(10000);
    server.On("/whole", Behaviour::Raw(response, ""));
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/whole"));
    EXPECT_EQ(Shape(messages), "status 11, status 9, status 10, piece 4095, piece 4095, piece 1810, "
                               "complete 10000/10000, ended");
    EXPECT_EQ(record.response, response);
    EXPECT_EQ(record.pieces, response);
}

TEST_F(Transfer, PiecesSentSeparatelyKeepTheirSizes)
{
    const std::string response = Bytes(10000);
    server.On("/pieces", Behaviour::Raw(response, "").InPieces({4095, 4095, 1810}, 30ms));
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/pieces"));
    EXPECT_EQ(Shape(messages), "status 11, status 9, status 10, piece 4095, piece 4095, piece 1810, "
                               "complete 10000/10000, ended");
    EXPECT_EQ(record.response, response);
}

TEST_F(Transfer, LargeResponseArrivesWholeInOneBlock)
{
    // 8 MiB in pieces of at most 4095 bytes: the block holds exactly the received bytes.
    const std::string body = Bytes(8 << 20);
    server.On("/big.swf", Behaviour::Page(body, "200 OK"));
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/big.swf"));
    ASSERT_EQ(messages.back().message, WM_TEST_ENDED);
    ASSERT_GE(messages.size(), 3u);
    const Received& complete = messages[messages.size() - 2];
    ASSERT_EQ(complete.message, WM_TEST_COMPLETE);
    EXPECT_EQ(record.response.size(), complete.wParam);
    EXPECT_EQ(record.response.substr(record.response.size() - body.size()), body);
    EXPECT_EQ(record.pieces, record.response);
    for (const Received& r : messages)
        if (r.message == WM_TEST_PIECE) {
            EXPECT_LE(r.wParam, 4095u);
        }
}

TEST_F(Transfer, CloseBeforeAnyByteReportsRecieveNullThenAnEmptyCompletion)
{
    server.On("/empty", Behaviour::CloseAtOnce());
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/empty"));
    EXPECT_EQ(Shape(messages), "status 11, status 9, status 10, status 0, complete 0/0, ended");
    EXPECT_EQ(record.error, "Error: Recieve NULL");
    EXPECT_TRUE(record.responseWasNull);
}

TEST_F(Transfer, ErrorPageIsAnOrdinaryCompleteResponse)
{
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/missing.swf"));
    ASSERT_EQ(messages.size(), 6u) << Shape(messages);
    EXPECT_EQ(messages[4].message, WM_TEST_COMPLETE);
    EXPECT_EQ(record.response.rfind("HTTP/1.0 404 Not Found\r\n", 0), 0u);
    EXPECT_TRUE(record.error.empty());
}

TEST_F(Transfer, MidBodyCloseIsACompleteShorterResponse)
{
    const std::string body = Bytes(5000);
    server.On("/cut", Behaviour::Page(body).CloseAfter(3000));
    FetchRecord record;
    RunFetch(record, server.Url("/cut"));
    EXPECT_EQ(record.response.size(), 3000u);
}

TEST_F(Transfer, NoAnswerWithinTheReceiveTimeOutFailsWithoutCompletion)
{
    server.On("/silent", Behaviour::NeverAnswer());
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/silent"), 300);
    EXPECT_EQ(Shape(messages), "status 11, status 9, status 10, status 1, ended");
    EXPECT_EQ(record.error, "Error: recieve()");
}

TEST(TransferFailure, RefusedConnectionIsAConnectFailure)
{
    FetchRecord record;
    auto messages = RunFetch(record, "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/x");
    EXPECT_EQ(Shape(messages), "status 11, status 1, ended");
    EXPECT_EQ(record.error, "Error: connect()");
    EXPECT_NE(messages[1].lParam, 0) << "the socket error comes with the failure";
}

TEST(TransferFailure, UnresolvableHostIsCode7)
{
    FetchRecord record;
    auto messages = RunFetch(record, "http://no-such-host.invalid/page.html");
    EXPECT_EQ(Shape(messages), "status 11, status 7, ended");
    EXPECT_EQ(record.error, "Error: Resolve Host.");
}

TEST(TransferFailure, AddressFaultsAreReportedBeforeAnySocket)
{
    const std::pair<std::string, int> cases[] = {
        {"", NET_ERR_NO_URL},
        {"http://host/" + std::string(250, 'a'), NET_ERR_URL_TOO_LONG},
        {"http:/x", NET_ERR_BAD_SCHEME},
        {"http://:80/", NET_ERR_BAD_HOST},
        {"http://host:99999/", NET_ERR_BAD_PORT},
    };
    for (const auto& [url, code] : cases) {
        SCOPED_TRACE(url);
        FetchRecord record;
        auto messages = RunFetch(record, url);
        EXPECT_EQ(Shape(messages), "status " + std::to_string(code) + ", ended");
    }
}

TEST_F(Transfer, RequestBytesOnTheWireDirect)
{
    server.On("/dir/page.html", Behaviour::Page("<html></html>"));
    FetchRecord record;
    RunFetch(record, server.Url("/dir/page.html"));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "GET /dir/page.html HTTP/1.0\r\n"
              "Accept: image/gif, image/x-bitmap, image/jpeg, */*\r\n"
              "Accept-Language: en\r\n"
              "Cache-Control: no-cache\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)\r\n"
              "Host: 127.0.0.1\r\n\r\n");
}

TEST_F(Transfer, RequestBytesOnTheWireThroughAProxy)
{
    // The test server plays the proxy: it sees the whole address and the page's own host.
    ProxySettings settings("1", "127.0.0.1", std::to_string(server.Port()).c_str());
    server.On("http://host:8080/x", Behaviour::Page("proxied"));
    FetchRecord record;
    RunFetch(record, "http://host:8080/x");
    RunFetch(record, "host/x");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0],
              "GET http://host:8080/x HTTP/1.0\r\n"
              "Accept: image/gif, image/x-bitmap, image/jpeg, */*\r\n"
              "Accept-Language: en\r\n"
              "Cache-Control: no-cache\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)\r\n"
              "Host: host\r\n\r\n");
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET http://host/x HTTP/1.0");
    EXPECT_NE(requests[1].find("\r\nHost: host\r\n\r\n"), std::string::npos);
}

TEST(ProxyFailure, ProxyOnWithoutServerIsCode5UnlessTheAddressIsFaulty)
{
    ProxySettings settings("1", nullptr, nullptr);
    FetchRecord record;
    EXPECT_EQ(Shape(RunFetch(record, "http://host/x")), "status 5, ended");
    EXPECT_EQ(record.error, "Error: Proxy Not Specified.");
    EXPECT_EQ(Shape(RunFetch(record, "http:///x")), "status 7, ended");
}

TEST(ProxyFailure, UnresolvableProxyIsCode7WithoutDottedFallback)
{
    ProxySettings settings("1", "no-such-proxy.invalid", "3128");
    FetchRecord record;
    EXPECT_EQ(Shape(RunFetch(record, "http://127.0.0.1/x")), "status 11, status 7, ended");
}

TEST(ProxySettingsRead, UseProxyOtherThanOneConnectsDirectly)
{
    TestHttpServer server;
    server.On("/direct", Behaviour::Page("direct"));
    for (const char* useProxy : {"0", "2", "-1", "yes"}) {
        SCOPED_TRACE(useProxy);
        ProxySettings settings(useProxy, "no-such-proxy.invalid", "3128");
        FetchRecord record;
        RunFetch(record, server.Url("/direct"));
        EXPECT_NE(record.response.find("direct"), std::string::npos);
    }
}

TEST_F(Transfer, StopWhileReceivingSilencesTheWorker)
{
    server.On("/drip", Behaviour::Page(Bytes(100000)).Drip(10, 20ms));
    OwnerWindow owner;
    FetchRecord record;
    StartedFetch started = Start(owner, record, server.Url("/drip"));
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.Count(WM_TEST_PIECE) >= 2; }, kTimeout));
    started.worker->Stop();
    const std::size_t seen = owner.Messages().size();
    EXPECT_TRUE(owner.WaitForHandle(started.thread, kTimeout)) << "a stopped worker must end by itself";
    ::CloseHandle(started.thread);
    EXPECT_EQ(owner.Messages().size(), seen) << "after Stop: " << Shape(owner.Messages());
}

// Through tinyproxy; the wrapper with-tinyproxy sets the port.
std::string TinyproxyPort()
{
    char port[16] = {};
    ::GetEnvironmentVariableA("TARNWICK_TINYPROXY_PORT", port, sizeof port);
    return port;
}

TEST(RealProxy, PageFetchedThroughTinyproxy)
{
    const std::string port = TinyproxyPort();
    if (port.empty()) GTEST_SKIP() << "runs under tests/net/with-tinyproxy";
    TestHttpServer server;
    server.On("/dir/page.html", Behaviour::Page("<html>through the proxy</html>"));
    ProxySettings settings("1", "127.0.0.1", port.c_str());
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/dir/page.html"));
    EXPECT_NE(record.response.find("through the proxy"), std::string::npos) << Shape(messages);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].rfind("GET /dir/page.html HTTP/1.0\r\n", 0), 0u);
}

// ---- https: TLS from tests/support/tls-front in front of the same scriptable server ----

class Https : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TlsFront::Available()) GTEST_SKIP() << "runs under tests/support/with-tls-front";
        front = std::make_unique<TlsFront>();
    }
    TestHttpServer server;
    std::unique_ptr<TlsFront> front;
};

TEST_F(Https, PageAndLargeMovieArriveByteIdenticalInPiecesOfAtMost4095)
{
    const std::string page = "<html><EMBED SRC=movie.swf></html>";
    const std::string movie = Bytes(30 << 20);
    server.On("/page.html", Behaviour::Page(page));
    server.On("/movie.swf", Behaviour::Page(movie));
    const std::pair<const char*, const std::string*> cases[] = {{"/page.html", &page}, {"/movie.swf", &movie}};
    for (const auto& [path, body] : cases) {
        SCOPED_TRACE(path);
        FetchRecord record;
        auto messages = RunFetch(record, front->Url(server, path));
        ASSERT_TRUE(record.error.empty()) << record.error;
        ASSERT_GE(messages.size(), 3u) << Shape(messages);
        EXPECT_EQ(Shape({messages.begin(), messages.begin() + 3}), "status 11, status 9, status 10, ");
        ASSERT_GE(record.response.size(), body->size());
        EXPECT_TRUE(record.response.compare(record.response.size() - body->size(), body->size(), *body) == 0);
        EXPECT_TRUE(record.pieces == record.response) << "the hooks saw other bytes than the block holds";
        for (const Received& r : messages) {
            if (r.message == WM_TEST_PIECE) {
                EXPECT_LE(r.wParam, 4095u);
            }
        }
    }
    // The request inside the tunnel is the plain one, naming the host it asked for.
    ASSERT_EQ(server.Requests().size(), 2u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.rfind("GET /page.html HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_EQ(request.substr(request.find("\r\nHost: ")), "\r\nHost: localhost\r\n\r\n");
}

TEST_F(Https, CertificateFaultsEndTheFetchBeforeAnyRequest)
{
    server.On("/x", Behaviour::Page("secret"));
    const struct {
        TlsFront::Certificate certificate;
        int code;
        const char* error;
    } cases[] = {
        {TlsFront::Certificate::Untrusted, NET_ERR_CERT_UNTRUSTED, "Error: Certificate not trusted."},
        {TlsFront::Certificate::OtherHost, NET_ERR_CERT_OTHER_HOST, "Error: Certificate for another host."},
        {TlsFront::Certificate::Expired, NET_ERR_CERT_EXPIRED, "Error: Certificate expired."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        FetchRecord record;
        EXPECT_EQ(Shape(RunFetch(record, front->Url(server, "/x", c.certificate))),
                  "status 11, status " + std::to_string(c.code) + ", ended");
        EXPECT_EQ(record.error, c.error);
    }
    EXPECT_TRUE(server.Requests().empty()) << "a request went to a server that was not trusted";
}

TEST_F(Https, PlainHttpServerOnTheTlsPortIsAHandshakeFailure)
{
    FetchRecord record;
    const std::string url = "https://localhost:" + std::to_string(server.Port()) + "/x";
    EXPECT_EQ(Shape(RunFetch(record, url, 20000)), "status 11, status 17, ended");
    EXPECT_EQ(record.error, "Error: TLS handshake.");
}

TEST_F(Https, HandshakeThatNeverFinishesTimesOutOrEndsAtOnceOnStop)
{
    const std::string url = "https://localhost:" + std::to_string(front->SilentPort()) + "/x";
    FetchRecord record;
    EXPECT_EQ(Shape(RunFetch(record, url, 300)), "status 11, status 1, ended");

    // With the product's 90-second time-out, Stop still ends the worker long before it.
    OwnerWindow owner;
    FetchRecord stopped;
    StartedFetch started = Start(owner, stopped, url);
    ASSERT_TRUE(owner.WaitUntil([&] { return owner.Count(WM_NET_STATUS) >= 1; }, kTimeout));
    started.worker->Stop();
    const std::size_t seen = owner.Messages().size();
    EXPECT_TRUE(owner.WaitForHandle(started.thread, kTimeout)) << "Stop did not end the handshake";
    ::CloseHandle(started.thread);
    EXPECT_EQ(owner.Messages().size(), seen) << "after Stop: " << Shape(owner.Messages());
}

TEST_F(Https, CloseInTheMiddleOfTheBodyEndsWithTheBytesSent)
{
    const std::string body = Bytes(200000);
    server.On("/cut.swf", Behaviour::Page(body).CloseAfter(100000));
    FetchRecord record;
    RunFetch(record, front->Url(server, "/cut.swf"));
    ASSERT_EQ(record.response.size(), 100000u);
    EXPECT_EQ(record.response, Behaviour::Page(body).response.substr(0, 100000));
}

// ---- redirects ----

std::string Location(const std::string& target, const char* status = "302 Found")
{
    return "HTTP/1.0 " + std::string(status) + "\r\nLocation: " + target + "\r\nContent-Length: 5\r\n\r\n";
}

TEST_F(Https, RedirectChainsEndAtTheFinalReplyOnly)
{
    const std::string plain = server.Url("");
    const std::string secure = front->Url(server, "");
    server.On("/rel/a.html", Behaviour::Raw(Location("../b/./c.html?x=1"), "moved"));
    server.On("/abs", Behaviour::Raw(Location(plain + "/b/c.html?x=1", "301 Moved Permanently"), "moved"));
    server.On("/up", Behaviour::Raw(Location(secure + "/b/c.html?x=1", "307 Temporary Redirect"), "moved"));
    server.On("/down", Behaviour::Raw(Location(plain + "/b/c.html?x=1", "308 Permanent Redirect"), "moved"));
    server.On("/post", Behaviour::Raw(Location("/see"), "moved"));
    server.On("/see", Behaviour::Raw(Location("b/c.html?x=1", "303 See Other"), "moved"));
    server.On("/b/c.html?x=1", Behaviour::Page("final"));
    const struct {
        std::string start;
        std::string final;
    } cases[] = {
        {plain + "/rel/a.html", plain + "/b/c.html?x=1"},
        {plain + "/abs", plain + "/b/c.html?x=1"},
        {plain + "/up", secure + "/b/c.html?x=1"},
        {secure + "/down", plain + "/b/c.html?x=1"},
        {plain + "/post", plain + "/b/c.html?x=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        FetchRecord record;
        auto messages = RunFetch(record, c.start);
        EXPECT_EQ(record.finalUrl, c.final);
        EXPECT_EQ(record.response.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << record.response;
        EXPECT_EQ(record.pieces, record.response) << "a hook saw a redirect's bytes";
        ASSERT_GE(messages.size(), 4u) << Shape(messages);
        EXPECT_EQ(Shape({messages.begin(), messages.begin() + 4}),
                  "status 11, status 9, status 10, piece " + std::to_string(record.response.size()) + ", ");
    }
}

TEST_F(Transfer, RedirectWithoutLocationIsAnOrdinaryReply)
{
    server.On("/nowhere", Behaviour::Raw("HTTP/1.0 302 Found\r\nContent-Length: 4\r\n\r\n", "body"));
    FetchRecord record;
    RunFetch(record, server.Url("/nowhere"));
    EXPECT_EQ(record.response, "HTTP/1.0 302 Found\r\nContent-Length: 4\r\n\r\nbody");
}

TEST_F(Transfer, TenRedirectsAreFollowedAndTheEleventhFails)
{
    for (int step = 0; step < 11; ++step)
        server.On("/r" + std::to_string(step), Behaviour::Raw(Location("/r" + std::to_string(step + 1)), ""));
    server.On("/r11", Behaviour::Page("arrived"));
    server.On("/loop", Behaviour::Raw(Location("/loop"), ""));

    FetchRecord ten;
    RunFetch(ten, server.Url("/r1"));
    EXPECT_NE(ten.response.find("arrived"), std::string::npos) << ten.error;

    FetchRecord eleven;
    EXPECT_EQ(Shape(RunFetch(eleven, server.Url("/r0"))), "status 11, status 9, status 10, status 21, ended");
    EXPECT_EQ(eleven.error, "Error: Too many redirects.");

    FetchRecord loop;
    const std::size_t before = server.Requests().size();
    EXPECT_EQ(Shape(RunFetch(loop, server.Url("/loop"))), "status 11, status 9, status 10, status 21, ended");
    EXPECT_EQ(server.Requests().size() - before, 11u) << "the first request and ten redirects";
}

// ---- proxies and https ----

TEST_F(Https, ProxyThatRefusesTheTunnelFailsWithItsStatus)
{
    // The test server plays a proxy that forbids CONNECT.
    ProxySettings settings("1", "127.0.0.1", std::to_string(server.Port()).c_str());
    server.On("localhost:443", Behaviour::Page("no tunnels here", "403 Forbidden"));
    FetchRecord record;
    auto messages = RunFetch(record, "https://localhost/x.swf");
    EXPECT_EQ(Shape(messages), "status 11, status 22, ended");
    EXPECT_EQ(messages[1].lParam, 403);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "CONNECT localhost:443 HTTP/1.0\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)\r\n"
              "Host: localhost:443\r\n\r\n");
}

TEST(RealProxy, HttpsThroughATinyproxyTunnel)
{
    const std::string port = TinyproxyPort();
    if (port.empty() || !TlsFront::Available()) GTEST_SKIP() << "runs under with-tinyproxy and with-tls-front";
    TestHttpServer server;
    TlsFront front;
    server.On("/dir/page.html", Behaviour::Page("<html>through the tunnel</html>"));
    ProxySettings settings("1", "127.0.0.1", port.c_str());
    FetchRecord record;
    auto messages = RunFetch(record, front.Url(server, "/dir/page.html"));
    EXPECT_NE(record.response.find("through the tunnel"), std::string::npos) << Shape(messages) << record.error;
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].rfind("GET /dir/page.html HTTP/1.0\r\n", 0), 0u);
}

// ---- IPv6 ----

TEST(TransferIpv6, HostReachableOnlyAtLoopbackSix)
{
    TestHttpServer server(TestHttpServer::Loopback::V6);
    server.On("/six.html", Behaviour::Page("over IPv6"));
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/six.html"));
    EXPECT_NE(record.response.find("over IPv6"), std::string::npos) << Shape(messages) << record.error;
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find("\r\nHost: [::1]\r\n"), std::string::npos) << server.Requests()[0];
}

} // namespace
