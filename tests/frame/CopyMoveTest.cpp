// Edit > Copy To Folder and Move To Folder in the main window: movies downloaded from the
// loopback server are handed to the shell, to the place the user names in the Save As dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <string>
#include <vector>

#include "CDrovaneView.h"
#include "CPropertysIni.h"
#include "CShellFileOp.h"
#include "FrameHost.h"
#include "RemoteProgram.h"
#include "TestHttpServer.h"
#include "UserThread.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 30s;
// Controls of the Save As dialog.
constexpr int kFileName = 0x47c;
constexpr int kFileTypes = 0x470;

std::string Movie(std::size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 % 253);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string CurrentFolder()
{
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}

// An empty folder of the test's own under the temporary folder; removed with what it holds.
class Folder {
public:
    explicit Folder(const std::string& name)
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        path = std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(path.c_str(), nullptr);
    }
    ~Folder()
    {
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(search, &found))
            ::DeleteFileA((path + "\\" + found.cFileName).c_str());
        if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
        ::RemoveDirectoryA(path.c_str());
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    std::string File(const std::string& name) const { return path + "\\" + name; }

    std::string path;
};

class CopyMove : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProfile();
        CPropertysIni().SetSavePath((saved.path + "\\").c_str());
        frame = OpenFrame();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override
    {
        if (frame) CloseFrame(frame);
        ::DeleteFileA(CPropertysIni().GetPath());
        ClearProfile();
    }

    // The movies become the rows and are downloaded into the save folder.
    void Download(const std::vector<std::pair<std::string, std::string>>& movies)
    {
        std::string list;
        for (const auto& [path, bytes] : movies) {
            server.On(path, Behaviour::Page(bytes));
            list += server.Url(path) + ",";
        }
        frame->AddFlashList(list.c_str());
        frame->SendMessage(WM_COMMAND, ID_DOWNLOAD_START);
        ASSERT_TRUE(PumpUntil([&] { return !frame->IsDownloading(); }, kTimeout)) << "the downloads did not end";
    }
    void Select(const std::vector<int>& rows)
    {
        for (int row : rows) List().SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
    CListCtrl List() const { return frame->GetTaskList()->GetListCtrl(); }
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int i = 0; i < List().GetItemCount(); ++i) {
            std::string row;
            for (int column = 0; column < CDrovaneView::COLUMN_COUNT; ++column)
                row += ListItemText(List().m_hWnd, i, column) + "|";
            rows.push_back(row + std::string(frame->GetTaskList()->GetTaskUrl(i)));
        }
        return rows;
    }

    TestHttpServer server;
    Folder saved{"tarnwick-saved"};
    Folder target{"tarnwick-target"};
    CMainFrame* frame = nullptr;
};

TEST_F(CopyMove, CopyPutsTheMovieWhereTheUserSaysAndKeepsTheRow)
{
    const std::string clip = Movie(50000, 'c');
    Download({{"/m/clip.swf", clip}});
    ASSERT_EQ(FileBytes(saved.File("clip.swf")), clip) << "the download did not arrive";
    Select({0});
    const std::vector<std::string> rows = Rows();
    const std::string before = CurrentFolder();

    MessageBoxAnswerer boxes;
    {
        UserThread user([&](UserThread& u) {
            HWND dialog = u.WaitForDialog("Save As");
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(::GetWindow(dialog, GW_OWNER), frame->m_hWnd);
            EXPECT_EQ(UserThread::Text(::GetDlgItem(dialog, kFileName)), "") << "Copy offers no name";
            EXPECT_EQ(ComboItems(::GetDlgItem(dialog, kFileTypes)),
                      (std::vector<std::string>{"Flash (*.swf)", "All Files (*.*)"}));
            // Typed without an extension: the dialog adds ".swf".
            u.SetText(::GetDlgItem(dialog, kFileName), target.File("copy"));
            u.Press(dialog, IDOK);
        });
        frame->SendMessage(WM_COMMAND, ID_COPY_TO_FOLDER);
    }
    EXPECT_TRUE(FileBytes(target.File("copy.swf")) == clip) << "the copy differs";
    EXPECT_EQ(CurrentFolder(), before) << "the chosen folder became the program's current folder";
    EXPECT_TRUE(FileBytes(saved.File("clip.swf")) == clip) << "the original went";
    EXPECT_EQ(Rows(), rows);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(CopyMove, MoveOffersTheMovieNameAndTakesOnlyTheFirstSelectedMovie)
{
    const std::string first = Movie(3000, 'f'), second = Movie(4000, 's');
    Download({{"/m/first.swf", first}, {"/m/second.swf", second}});
    Select({1, 0});
    const std::vector<std::string> rows = Rows();

    MessageBoxAnswerer boxes;
    {
        UserThread user([&](UserThread& u) {
            HWND dialog = u.WaitForDialog("Save As");
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(UserThread::Text(::GetDlgItem(dialog, kFileName)), "first.swf");
            u.SetText(::GetDlgItem(dialog, kFileName), target.File("moved.swf"));
            u.Press(dialog, IDOK);
        });
        frame->SendMessage(WM_COMMAND, ID_MOVE_TO_FOLDER);
    }
    EXPECT_TRUE(FileBytes(target.File("moved.swf")) == first) << "the moved file differs";
    EXPECT_EQ(FileBytes(saved.File("first.swf")), "(no file)") << "the movie was not moved away";
    EXPECT_TRUE(FileBytes(saved.File("second.swf")) == second) << "the second selected movie was touched";
    // The row still shows the movie, although its file is no longer in the save folder.
    EXPECT_EQ(Rows(), rows);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(CopyMove, MovieNotDownloadedIsLeftToTheShell)
{
    frame->AddFlashList(server.Url("/m/never.swf,").c_str());
    Select({0});
    MessageBoxAnswerer boxes;
    for (UINT command : {ID_COPY_TO_FOLDER, ID_MOVE_TO_FOLDER}) {
        UserThread user([&](UserThread& u) {
            HWND dialog = u.WaitForDialog("Save As");
            ASSERT_NE(dialog, nullptr);
            u.SetText(::GetDlgItem(dialog, kFileName), target.File("never.swf"));
            u.Press(dialog, IDOK);
        });
        frame->SendMessage(WM_COMMAND, command);
        EXPECT_EQ(FileBytes(target.File("never.swf")), "(no file)") << command;
    }
    EXPECT_TRUE(boxes.texts.empty()) << "the program added a message of its own: " << boxes.texts.front();
}

TEST_F(CopyMove, RowWithoutAFileNameOpensNoDialog)
{
    // Without a name the source would be the save folder itself.
    WriteFile(saved.File("keep.swf"), "kept");
    frame->AddFlashList("http://host/,http://host/dir/con.swf,");
    MessageBoxAnswerer saveAs(IDCANCEL, "Save As");
    for (int row : {0, 1}) {
        List().SetItemState(-1, 0, LVIS_SELECTED);
        Select({row});
        frame->SendMessage(WM_COMMAND, ID_COPY_TO_FOLDER);
        frame->SendMessage(WM_COMMAND, ID_MOVE_TO_FOLDER);
    }
    EXPECT_TRUE(saveAs.owners.empty()) << "Save As opened for a row without a file name";
    EXPECT_EQ(FileBytes(saved.File("keep.swf")), "kept");
}

// The lists handed to the shell: each path with its zero byte, one more zero byte at the end.
TEST(ShellFileOp, ListsHoldEachPathAndOneMoreZero)
{
    CShellFileOp operation;
    EXPECT_EQ(operation.GetList(FILEOP_FROM).Get(), nullptr);
    ASSERT_TRUE(operation.AddPath(FILEOP_FROM, "c:\\a.swf"));
    ASSERT_TRUE(operation.AddPath(FILEOP_TO, "d:\\x"));
    ASSERT_TRUE(operation.AddPath(FILEOP_FROM, "c:\\bb.swf"));
    ASSERT_TRUE(operation.AddPath(FILEOP_FROM, "c"));
    using namespace std::string_view_literals;
    EXPECT_EQ(operation.GetList(FILEOP_FROM).Bytes(), "c:\\a.swf\0c:\\bb.swf\0c\0\0"sv);
    EXPECT_EQ(operation.GetList(FILEOP_FROM).GetCapacity(), 22);
    EXPECT_EQ(operation.GetList(FILEOP_TO).Bytes(), "d:\\x\0\0"sv);
    EXPECT_EQ(operation.GetList(FILEOP_TO).GetCapacity(), 6);
}

TEST(ShellFileOp, ARefusedPathStopsTheOperation)
{
    Folder folder("tarnwick-fileop");
    WriteFile(folder.File("a.swf"), "bytes");
    CShellFileOp operation;
    ASSERT_TRUE(operation.AddPath(FILEOP_FROM, folder.File("a.swf").c_str()));
    // An empty entry would end the destination list before it began.
    EXPECT_FALSE(operation.AddPath(FILEOP_TO, ""));
    EXPECT_NE(operation.Move(), 0);
    EXPECT_EQ(FileBytes(folder.File("a.swf")), "bytes");
}

} // namespace
