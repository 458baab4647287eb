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
TEST(RealProxy, PageFetchedThroughTinyproxy)
{
    char port[16] = {};
    if (!::GetEnvironmentVariableA("TARNWICK_TINYPROXY_PORT", port, sizeof port))
        GTEST_SKIP() << "runs under tests/net/with-tinyproxy";
    TestHttpServer server;
    server.On("/dir/page.html", Behaviour::Page("<html>through the proxy</html>"));
    ProxySettings settings("1", "127.0.0.1", port);
    FetchRecord record;
    auto messages = RunFetch(record, server.Url("/dir/page.html"));
    EXPECT_NE(record.response.find("through the proxy"), std::string::npos) << Shape(messages);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].rfind("GET /dir/page.html HTTP/1.0\r\n", 0), 0u);
}

} // namespace
