// The download worker against the loopback server, with a real owner window and a real save
// folder: what the owner is told, and what ends up on disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "CDownloadFile.h"
#include "OwnerWindow.h"
#include "TestHttpServer.h"
#include "TlsFront.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 60s;

std::string Bytes(std::size_t count, int seed = 0)
{
    std::string text(count, '\0');
    for (std::size_t i = 0; i < count; ++i) text[i] = static_cast<char>((i * 7 + seed * 13 + i / 4093) % 256);
    return text;
}

// A fresh folder under the system's temporary folder, removed with whatever it holds.
class SaveFolder {
public:
    SaveFolder()
    {
        static std::atomic<int> counter{0};
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + "tarnwick-dl-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(counter++) + "\\";
        ::CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~SaveFolder()
    {
        for (const std::string& name : Files()) ::DeleteFileA((m_path + name).c_str());
        ::RemoveDirectoryA(m_path.c_str());
    }
    SaveFolder(const SaveFolder&) = delete;
    SaveFolder& operator=(const SaveFolder&) = delete;

    const std::string& Path() const { return m_path; }

    // Every file in the folder, temporary ones included.
    std::vector<std::string> Files() const { return FilesIn(m_path); }

    static std::vector<std::string> FilesIn(const std::string& path)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        HANDLE search = ::FindFirstFileA((path + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string Read(const std::string& name) const
    {
        std::ifstream in(m_path + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void Write(const std::string& name, const std::string& content) const
    {
        std::ofstream(m_path + name, std::ios::binary) << content;
    }

private:
    std::string m_path;
};

// What one row's owner saw, with the owner's own checks applied: a posted DL_HEAD or DL_DONE
// of a stopped link is dropped, as the frame drops it.
struct RowRecord {
    int heads = 0;
    std::string lengthAtHead;
    std::vector<long long> receivedAtPieces;
    int done = 0;
    std::vector<std::pair<WPARAM, LPARAM>> statuses;   // WM_NET_STATUS codes and values
    bool doneWasLast = false;

    std::vector<int> Codes() const
    {
        std::vector<int> codes;
        for (const auto& s : statuses) codes.push_back(static_cast<int>(s.first));
        return codes;
    }
};

// The frame's side of downloads: one link and one record per row.
class DownloadOwner {
public:
    explicit DownloadOwner(int rows = 1) : links(static_cast<std::size_t>(rows)), rows(static_cast<std::size_t>(rows))
    {
        window.onMessage = [this](const Received& r) { Handle(r); };
    }

    // Starts a worker for the row as the frame does; returns its thread handle (ours to close).
    HANDLE Start(const std::string& url, const std::string& folder, int row = 0)
    {
        auto* worker = static_cast<CDownloadFile*>(CDownloadFile::classCDownloadFile.CreateObject());
        worker->SetOwner(window.Handle(), row);
        worker->SetUrl(url.c_str());
        worker->SetSavePath(folder.c_str());
        links[static_cast<std::size_t>(row)] = worker->GetLink();
        rows[static_cast<std::size_t>(row)] = RowRecord{};
        EXPECT_TRUE(worker->CreateThread(CREATE_SUSPENDED));
        HANDLE thread = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), worker->m_hThread, ::GetCurrentProcess(), &thread, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
        ::ResumeThread(worker->m_hThread);
        return thread;
    }

    const RowRecord& Run(const std::string& url, const std::string& folder)
    {
        HANDLE thread = Start(url, folder);
        EXPECT_TRUE(window.WaitForHandle(thread, kTimeout)) << "the download did not end";
        ::CloseHandle(thread);
        return rows[0];
    }

    OwnerWindow window;
    std::vector<std::shared_ptr<CDownloadLink>> links;
    std::vector<RowRecord> rows;
    // Runs after a DL_PIECE has been recorded, while the worker waits in SendMessage.
    std::function<void(int row)> onPiece;

private:
    void Handle(const Received& r)
    {
        if (r.message == WM_NET_STATUS) {
            // The test owns a single row when it looks at statuses.
            rows[0].statuses.emplace_back(r.wParam, r.lParam);
            rows[0].doneWasLast = false;
            return;
        }
        if (r.message != WM_DOWNLOAD_PROGRESS) return;
        const auto row = static_cast<std::size_t>(r.lParam);
        ASSERT_LT(row, rows.size()) << "progress for a row that was never started";
        RowRecord& record = rows[row];
        const auto& link = links[row];
        if (r.wParam != DL_PIECE && link->IsStopped()) return;
        record.doneWasLast = false;
        switch (r.wParam) {
        case DL_HEAD:
            ++record.heads;
            record.lengthAtHead = link->GetLengthText();
            break;
        case DL_PIECE:
            record.receivedAtPieces.push_back(link->GetReceived());
            if (onPiece) onPiece(static_cast<int>(row));
            break;
        case DL_DONE:
            ++record.done;
            record.doneWasLast = true;
            break;
        default:
            ADD_FAILURE() << "unknown progress kind " << r.wParam;
        }
    }
};

TEST(DownloadFileClass, IsCreatedThroughItsRunTimeClass)
{
    EXPECT_STREQ(CDownloadFile::classCDownloadFile.m_lpszClassName, "CDownloadFile");
    CObject* object = CDownloadFile::classCDownloadFile.CreateObject();
    EXPECT_NE(dynamic_cast<CDownloadFile*>(object), nullptr);
    delete object;
}

class Download : public ::testing::Test {
protected:
    TestHttpServer server;
    SaveFolder folder;
    DownloadOwner owner;
};

TEST_F(Download, OnePieceDownloadReportsLengthCountsAndWritesExactlyTheBody)
{
    const std::string body = Bytes(1000);
    server.On("/dir/clip.swf", Behaviour::Raw("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n", body));
    const RowRecord& row = owner.Run(server.Url("/dir/clip.swf"), folder.Path());
    EXPECT_EQ(row.Codes(), (std::vector<int>{NET_SOCKET_CREATED, NET_CONNECTED, NET_RECEIVING}));
    EXPECT_EQ(row.heads, 1);
    EXPECT_EQ(row.lengthAtHead, "1000") << "the length text must still be readable after the worker ended";
    EXPECT_EQ(row.receivedAtPieces, std::vector<long long>{1000});
    EXPECT_EQ(row.done, 1);
    EXPECT_TRUE(row.doneWasLast);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"clip.swf"}) << "no temporary file is left";
    EXPECT_EQ(folder.Read("clip.swf"), body);
}

TEST_F(Download, LengthHeaderVariantsStillComplete)
{
    const std::string body = Bytes(1000);
    const std::string filler = "X-Filler: " + std::string(6000, 'f') + "\r\n";
    struct {
        const char* path;
        std::string head;
        const char* length;
    } cases[] = {
        {"/noblank.swf", "HTTP/1.0 200 OK\r\ncontent-length:1000\r\n\r\n", ""},
        {"/none.swf", "HTTP/1.0 200 OK\r\n\r\n", ""},
        {"/toolong.swf", "HTTP/1.0 200 OK\r\nContent-Length: 0000000000001000\r\n\r\n", ""},
        // A head longer than the first piece: the length counts only if it lies in that piece.
        {"/early.swf", "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n" + filler + "\r\n", "1000"},
        {"/late.swf", "HTTP/1.0 200 OK\r\n" + filler + "Content-Length: 1000\r\n\r\n", ""},
    };
    for (const auto& c : cases) {
        server.On(c.path, Behaviour::Raw(c.head, body));
        const RowRecord& row = owner.Run(server.Url(c.path), folder.Path());
        EXPECT_EQ(row.lengthAtHead, c.length) << c.path;
        EXPECT_EQ(row.done, 1) << c.path;
        EXPECT_EQ(folder.Read(std::string(c.path + 1)), body) << c.path;
        ASSERT_FALSE(row.receivedAtPieces.empty()) << c.path;
        const long long received = owner.links[0]->GetReceived();
        if (c.head.size() > CHttpClient::kMaxPiece) {
            // The head did not end in the first piece, so the rest of it counts as received.
            EXPECT_EQ(row.receivedAtPieces.front(), 0) << c.path;
            EXPECT_EQ(received, static_cast<long long>(c.head.size() + body.size()) - CHttpClient::kMaxPiece) << c.path;
        } else {
            EXPECT_EQ(received, 1000) << c.path;
        }
    }
    EXPECT_EQ(folder.Files().size(), std::size(cases));

    // A head that comes in parts (a proxy that writes its status line first) still gives its length.
    server.On("/split.swf", Behaviour::Raw("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n", body)
                                .InPieces({17, 22}, 30ms));
    EXPECT_EQ(owner.Run(server.Url("/split.swf"), folder.Path()).lengthAtHead, "1000");
}

TEST_F(Download, FailuresAreReportedAndWriteNothing)
{
    const std::string body = Bytes(500);
    struct {
        const char* path;
        Behaviour behaviour;
        int code;
        int value;
    } cases[] = {
        {"/missing.swf", Behaviour::Page("<html>not found</html>", "404 Not Found"), NET_ERR_HTTP_STATUS, 404},
        // A redirect with a Location is followed; without one it is a reply like any other.
        {"/moved.swf", Behaviour::Page("", "302 Found"), NET_ERR_HTTP_STATUS, 302},
        {"/nohead.swf", Behaviour::Raw("HTTP/1.0 200 OK\r\nContent-Length: 500\r\n", body), NET_ERR_NO_HEAD, 0},
        {"/nostatus.swf", Behaviour::Raw("<html>\r\n\r\n", body), NET_ERR_HTTP_STATUS, 0},
        {"/dir/", Behaviour::Page(body), NET_ERR_BAD_FILE_NAME, 0},
        {"/CON.swf", Behaviour::Page(body), NET_ERR_BAD_FILE_NAME, 0},
        {"/a%2F..", Behaviour::Page(body), NET_ERR_BAD_FILE_NAME, 0},
    };
    for (const auto& c : cases) {
        server.On(c.path, c.behaviour);
        const RowRecord& row = owner.Run(server.Url(c.path), folder.Path());
        ASSERT_FALSE(row.statuses.empty()) << c.path;
        EXPECT_EQ(row.statuses.back(), (std::pair<WPARAM, LPARAM>(c.code, c.value))) << c.path;
        EXPECT_EQ(row.statuses.size(), 4u) << c.path << ": progress codes and one failure";
        EXPECT_EQ(row.done, 0) << c.path;
        EXPECT_TRUE(folder.Files().empty()) << c.path << " left a file";
    }
}

TEST_F(Download, ConnectionClosedBeforeAnyByteIsTheClientsFailureOnly)
{
    server.On("/close.swf", Behaviour::CloseAtOnce());
    const RowRecord& row = owner.Run(server.Url("/close.swf"), folder.Path());
    EXPECT_EQ(row.Codes(), (std::vector<int>{NET_SOCKET_CREATED, NET_CONNECTED, NET_RECEIVING, NET_ERR_NO_BUFFER}));
    EXPECT_EQ(row.heads, 0);
    EXPECT_EQ(row.done, 0);
    EXPECT_TRUE(folder.Files().empty());
}

TEST_F(Download, FilesThatCannotBeWrittenAreWriteFailures)
{
    server.On("/clip.swf", Behaviour::Page(Bytes(500)));
    const std::string missing = folder.Path() + "no-such-folder";   // the worker adds the backslash
    // A folder holding the movie's name: the body is written, but cannot take that name.
    const std::string taken = folder.Path() + "taken\\";
    ASSERT_TRUE(::CreateDirectoryA(taken.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((taken + "clip.swf").c_str(), nullptr));

    for (const std::string& saveFolder : {missing, taken}) {
        const RowRecord& row = owner.Run(server.Url("/clip.swf"), saveFolder);
        ASSERT_FALSE(row.statuses.empty()) << saveFolder;
        EXPECT_EQ(static_cast<int>(row.statuses.back().first), NET_ERR_WRITE) << saveFolder;
        EXPECT_NE(row.statuses.back().second, 0) << "the system error travels as the value";
        EXPECT_EQ(row.done, 0) << saveFolder;
    }
    EXPECT_EQ(::GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES) << "no folder is created";
    EXPECT_EQ(SaveFolder::FilesIn(taken), std::vector<std::string>{}) << "the temporary file is removed";
    ::RemoveDirectoryA((taken + "clip.swf").c_str());
    ::RemoveDirectoryA(taken.c_str());
}

TEST_F(Download, ExistingFileSurvivesAFailedAndAStoppedDownload)
{
    folder.Write("clip.swf", "the movie saved yesterday");
    server.On("/clip.swf", Behaviour::Page("gone", "404 Not Found"));
    owner.Run(server.Url("/clip.swf"), folder.Path());
    EXPECT_EQ(folder.Read("clip.swf"), "the movie saved yesterday");

    server.On("/clip.swf", Behaviour::Page(Bytes(200000)).Drip(1000, 10ms));
    HANDLE thread = owner.Start(server.Url("/clip.swf"), folder.Path());
    ASSERT_TRUE(owner.window.WaitUntil([&] { return owner.rows[0].receivedAtPieces.size() >= 2; }, kTimeout));
    owner.links[0]->Stop();
    EXPECT_TRUE(owner.window.WaitForHandle(thread, kTimeout));
    ::CloseHandle(thread);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"clip.swf"});
    EXPECT_EQ(folder.Read("clip.swf"), "the movie saved yesterday");

    // A complete download does replace it.
    server.On("/clip.swf", Behaviour::Page("new"));
    owner.Run(server.Url("/clip.swf"), folder.Path());
    EXPECT_EQ(folder.Read("clip.swf"), "new");
}

TEST_F(Download, ThirtyMegabytesArriveWholeWithExactCounts)
{
    const std::string body = Bytes(30u << 20);
    server.On("/big.swf", Behaviour::Page(body));
    const RowRecord& row = owner.Run(server.Url("/big.swf"), folder.Path());
    EXPECT_EQ(row.lengthAtHead, std::to_string(body.size()));
    ASSERT_FALSE(row.receivedAtPieces.empty());
    EXPECT_EQ(owner.links[0]->GetReceived(), static_cast<long long>(body.size()));
    EXPECT_TRUE(std::is_sorted(row.receivedAtPieces.begin(), row.receivedAtPieces.end()));
    EXPECT_EQ(row.done, 1);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"big.swf"});
    EXPECT_TRUE(folder.Read("big.swf") == body) << "the file differs from the body sent";
}

TEST_F(Download, PiecesAreReportedWhenWhatTheRowShowsMoves)
{
    // 400 KB with a size, arriving 2% at a time with pauses: each step is reported once.
    const std::string sized = Bytes(400000);
    server.On("/sized.swf", Behaviour::Page(sized).Drip(8000, 30ms));
    const RowRecord& row = owner.Run(server.Url("/sized.swf"), folder.Path());
    std::vector<long long> percents;
    for (long long count : row.receivedAtPieces) percents.push_back(count * 100 / 400000);
    EXPECT_TRUE(std::adjacent_find(percents.begin(), percents.end()) == percents.end())
        << "two reports showed the same percentage";
    EXPECT_GE(percents.size(), 40u) << "steps were left out";

    // The same at full speed: hundreds of pieces, far fewer reports, the count still exact.
    server.On("/fast.swf", Behaviour::Page(Bytes(2000000)));
    const RowRecord& fast = owner.Run(server.Url("/fast.swf"), folder.Path());
    EXPECT_LT(fast.receivedAtPieces.size(), 2000000u / CHttpClient::kMaxPiece / 2);
    EXPECT_EQ(owner.links[0]->GetReceived(), 2000000);
    EXPECT_EQ(fast.done, 1);

    // 3 MiB without a size, a quarter MiB at a time: the first piece, then one report a MiB.
    const std::string unsized = Bytes(3u << 20);
    server.On("/unsized.swf", Behaviour::Raw("HTTP/1.0 200 OK\r\n\r\n", unsized).Drip(256u << 10, 30ms));
    const RowRecord& open = owner.Run(server.Url("/unsized.swf"), folder.Path());
    ASSERT_GE(open.receivedAtPieces.size(), 3u);
    EXPECT_LE(open.receivedAtPieces.size(), 4u);
    for (std::size_t i = 1; i < open.receivedAtPieces.size(); ++i)
        EXPECT_GE(open.receivedAtPieces[i] - open.receivedAtPieces[i - 1], 1 << 20);
    EXPECT_EQ(owner.links[0]->GetReceived(), static_cast<long long>(unsized.size()));
    EXPECT_EQ(open.done, 1);
}

TEST_F(Download, AfterStopNothingMoreArrivesAndNothingIsWritten)
{
    server.On("/drip.swf", Behaviour::Page(Bytes(400000)).Drip(512, 5ms));
    // Stopped from the owner's loop between pieces, and from inside the handler of a piece,
    // while the worker waits in SendMessage.
    for (bool insideHandler : {false, true}) {
        owner.onPiece = nullptr;
        if (insideHandler) {
            owner.onPiece = [&](int row) {
                if (owner.rows[0].receivedAtPieces.size() == 3) owner.links[row]->Stop();
            };
        }
        HANDLE thread = owner.Start(server.Url("/drip.swf"), folder.Path());
        ASSERT_TRUE(owner.window.WaitUntil([&] { return owner.rows[0].receivedAtPieces.size() >= 3; }, kTimeout));
        if (!insideHandler) owner.links[0]->Stop();
        const std::size_t pieces = owner.rows[0].receivedAtPieces.size();
        const std::size_t statuses = owner.rows[0].statuses.size();
        const std::size_t raw = owner.window.Messages().size();

        EXPECT_TRUE(owner.window.WaitForHandle(thread, kTimeout)) << "the stopped worker must end by itself";
        ::CloseHandle(thread);
        EXPECT_EQ(owner.rows[0].receivedAtPieces.size(), pieces) << "a piece arrived after Stop";
        EXPECT_EQ(owner.rows[0].statuses.size(), statuses) << "a status arrived after Stop";
        EXPECT_EQ(owner.rows[0].done, 0);
        for (std::size_t i = raw; i < owner.window.Messages().size(); ++i) {
            const Received& r = owner.window.Messages()[i];
            EXPECT_TRUE(r.message == WM_DOWNLOAD_PROGRESS && r.wParam == DL_HEAD)
                << "only a DL_HEAD posted before Stop may still be queued: " << Describe({r});
        }
        EXPECT_TRUE(folder.Files().empty()) << "neither the movie nor a temporary file may be left";
    }
}

// Built step by step: GCC 12 gives a false -Wrestrict on a literal + to_string + literal chain.
std::string MoviePath(int index)
{
    std::string name = "/m";
    name += std::to_string(index);
    name += ".swf";
    return name;
}

TEST_F(Download, TenDownloadsAtOnceWriteTenIdenticalFiles)
{
    DownloadOwner many(10);
    std::vector<std::string> bodies;
    std::vector<HANDLE> threads;
    for (int i = 0; i < 10; ++i) {
        bodies.push_back(Bytes(1u << 20, i));
        server.On(MoviePath(i), Behaviour::Page(bodies.back()));
    }
    for (int i = 0; i < 10; ++i)
        threads.push_back(many.Start(server.Url(MoviePath(i)), folder.Path(), i));
    for (HANDLE thread : threads) {
        EXPECT_TRUE(many.window.WaitForHandle(thread, kTimeout));
        ::CloseHandle(thread);
    }
    for (int i = 0; i < 10; ++i) {
        const std::string name = MoviePath(i).substr(1);
        EXPECT_EQ(many.rows[static_cast<std::size_t>(i)].done, 1) << name;
        EXPECT_EQ(many.links[static_cast<std::size_t>(i)]->GetReceived(), 1 << 20) << name;
        EXPECT_TRUE(folder.Read(name) == bodies[static_cast<std::size_t>(i)]) << name << " differs";
    }
    EXPECT_EQ(folder.Files().size(), 10u);
}

TEST(DownloadStress, HundredStartStopCyclesLeakNothing)
{
    const std::size_t threadsBefore = ThreadCount();
    const std::uintptr_t handleBefore = NextHandleValue();
    {
        TestHttpServer server;
        SaveFolder folder;
        server.On("/slow.swf", Behaviour::Page(Bytes(100000)).Drip(64, 5ms));
        server.On("/silent.swf", Behaviour::NeverAnswer());
        DownloadOwner owner;
        std::vector<HANDLE> threads;
        for (int i = 0; i < 100; ++i) {
            const std::size_t requests = server.Requests().size();
            threads.push_back(owner.Start(server.Url(i % 2 ? "/slow.swf" : "/silent.swf"), folder.Path()));
            // Alternate between stopping at once and stopping once the request is out; the wait
            // pumps messages, since a worker's reports wait for this thread.
            if (i % 4 >= 2) {
                ASSERT_TRUE(owner.window.WaitUntil([&] { return server.Requests().size() > requests; }, kTimeout));
            }
            owner.links[0]->Stop();
        }
        for (HANDLE thread : threads) {
            ASSERT_TRUE(owner.window.WaitForHandle(thread, kTimeout)) << "a stopped worker did not end";
            ::CloseHandle(thread);
        }
        EXPECT_EQ(CHttpClient::LiveCount(), 0) << "every worker deleted itself and closed its socket";
        EXPECT_TRUE(folder.Files().empty());
        EXPECT_EQ(owner.links[0].use_count(), 1) << "the worker let go of its link";
    }
    EXPECT_EQ(ThreadCount(), threadsBefore);
    EXPECT_EQ(NextHandleValue(), handleBefore) << "a handle was left open";
}

TEST_F(Download, MovieBehindARedirectToHttpsIsSavedUnderTheRowsOwnName)
{
    if (!TlsFront::Available()) GTEST_SKIP() << "runs under tests/support/with-tls-front";
    TlsFront front;
    const std::string body = Bytes(3 << 20);
    const std::string stored = front.Url(server, "/store/8f3a.bin?sig=1");
    server.On("/dir/movie.swf", Behaviour::Raw("HTTP/1.0 302 Found\r\nLocation: " + stored + "\r\n\r\n", ""));
    server.On("/store/8f3a.bin?sig=1", Behaviour::Page(body));
    const RowRecord& row = owner.Run(server.Url("/dir/movie.swf"), folder.Path());
    EXPECT_TRUE(row.statuses.size() == 3u) << "progress once, no failure";
    EXPECT_EQ(row.lengthAtHead, std::to_string(body.size()));
    EXPECT_EQ(row.done, 1);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"movie.swf"});
    EXPECT_TRUE(folder.Read("movie.swf") == body) << "the saved movie differs from the one served";
}

TEST_F(Download, ExpiredCertificateFailsTheRowAndWritesNothing)
{
    if (!TlsFront::Available()) GTEST_SKIP() << "runs under tests/support/with-tls-front";
    TlsFront front;
    server.On("/m.swf", Behaviour::Page(Bytes(1000)));
    const RowRecord& row = owner.Run(front.Url(server, "/m.swf", TlsFront::Certificate::Expired), folder.Path());
    EXPECT_EQ(row.Codes(), (std::vector<int>{NET_SOCKET_CREATED, NET_ERR_CERT_EXPIRED}));
    EXPECT_EQ(row.done, 0);
    EXPECT_TRUE(folder.Files().empty());
}

} // namespace
