// Windows Sockets is started by the first live client and cleaned up by the last one. This
// program uses no other Winsock user, so a socket call tells whether Winsock is started.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "CHttpClient.h"

namespace {

bool WinsockStarted()
{
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    ::closesocket(s);
    return true;
}

TEST(WinsockCount, LastClientCleansUpAndALaterOneStartsAgain)
{
    EXPECT_FALSE(WinsockStarted());
    {
        auto first = std::make_unique<CHttpClient>();
        auto second = std::make_unique<CHttpClient>();
        EXPECT_EQ(CHttpClient::LiveCount(), 2);
        first.reset();
        EXPECT_TRUE(WinsockStarted()) << "one client is still alive";
    }
    EXPECT_EQ(CHttpClient::LiveCount(), 0);
    EXPECT_FALSE(WinsockStarted()) << "the last client cleans Winsock up";
    EXPECT_EQ(::WSAGetLastError(), WSANOTINITIALISED);

    auto later = std::make_unique<CHttpClient>();
    EXPECT_TRUE(WinsockStarted());
    later.reset();
    EXPECT_FALSE(WinsockStarted());
}

TEST(WinsockCount, ClientsOnManyThreadsAtOnceStayConsistent)
{
    // Every thread keeps creating and destroying clients; while it holds one, Winsock must be up.
    constexpr int kThreads = 8;
    constexpr int kRounds = 300;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kRounds; ++i) {
                CHttpClient client;
                if (!WinsockStarted()) ++failures[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(CHttpClient::LiveCount(), 0);
    EXPECT_FALSE(WinsockStarted());
}

} // namespace
