// File > Open, Save and Save As in the main window, worked through the real file dialogs by a
// user on another thread: what lands on disk, what comes back, and what is refused untouched.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "CDrovaneView.h"
#include "FrameHost.h"
#include "RemoteProgram.h"
#include "UserThread.h"
#include "resource.h"

namespace {

constexpr int kFileName = 0x47c;   // the file dialogs' name box

class TaskListFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProfile();
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "tarnwick-lists-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder.c_str(), nullptr);
        frame = OpenFrame();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override
    {
        if (frame) CloseFrame(frame);
        for (const char* name : {"list.txt", "movie.swf"}) ::DeleteFileA((folder + "\\" + name).c_str());
        ::RemoveDirectoryA(folder.c_str());
        ClearProfile();
    }

    // A command as its accelerator delivers it, with the user naming `path` in the dialog it
    // opens (or cancelling it when the path is empty).
    void Command(UINT id, const char* caption, const std::string& path)
    {
        UserThread user([&](UserThread& u) {
            HWND dialog = u.WaitForDialog(caption);
            ASSERT_NE(dialog, nullptr) << caption;
            if (path.empty()) {
                u.Press(dialog, IDCANCEL);
                return;
            }
            u.SetText(::GetDlgItem(dialog, kFileName), path);
            u.Press(dialog, IDOK);
        });
        frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, 1));
    }
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        CListCtrl list = frame->GetTaskList()->GetListCtrl();
        for (int i = 0; i < list.GetItemCount(); ++i)
            rows.push_back((list.GetStateImage(i) == 2 ? "[x] " : "[ ] ") + ListItemText(list.m_hWnd, i, 2));
        return rows;
    }
    std::string Title() { return std::string(frame->GetWindowText().View()); }

    std::string folder;
    CMainFrame* frame = nullptr;
};

TEST_F(TaskListFiles, SavedListOpensAgainWithItsRowsAndChecks)
{
    frame->AddFlashList("http://h/a.swf,http://h/dir/b.swf?v=1,http://h/c.swf,");
    frame->GetTaskList()->GetListCtrl().SetCheck(1, false);
    const std::vector<std::string> rows = Rows();
    const std::string title = Title();

    Command(ID_FILE_SAVE, "Save As", folder + "\\list");   // the dialog adds ".txt"
    const std::string text = FileBytes(folder + "\\list.txt");
    ASSERT_NE(text, "(no file)");
    EXPECT_EQ(text.substr(text.find('\n') + 1), "[x] http://h/a.swf\r\n[ ] http://h/dir/b.swf?v=1\r\n[x] http://h/c.swf\r\n");

    frame->AddFlashList("http://h/other.swf,");
    Command(ID_FILE_OPEN, "Open", folder + "\\list.txt");
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Title(), title) << "the window keeps its title";

    // The list now has a file: Save writes it there without asking.
    frame->GetTaskList()->GetListCtrl().SetCheck(0, false);
    frame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 1));
    EXPECT_EQ(FileBytes(folder + "\\list.txt").substr(text.find('\n') + 1),
              "[ ] http://h/a.swf\r\n[ ] http://h/dir/b.swf?v=1\r\n[x] http://h/c.swf\r\n");
}

TEST_F(TaskListFiles, FileThatIsNoTaskListIsRefusedAndNeverChanged)
{
    const std::string movie("FWS\x08\x40\x01\x00\x00\x78\x00\x05\x5f\x00\x00\x0f\xa0\x00\x00\x18\x01\x00", 21);
    std::ofstream(folder + "\\movie.swf", std::ios::binary) << movie;
    frame->AddFlashList("http://h/a.swf,");
    MessageBoxAnswerer boxes;

    Command(ID_FILE_OPEN, "Open", folder + "\\movie.swf");
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"This file is not a task list."});
    EXPECT_EQ(Rows(), std::vector<std::string>{"[x] http://h/a.swf"});

    // The refused file did not become the list's: Save asks where to, and the user cancels.
    Command(ID_FILE_SAVE, "Save As", "");
    EXPECT_TRUE(FileBytes(folder + "\\movie.swf") == movie) << "the movie was changed";
    EXPECT_EQ(boxes.texts.size(), 1u);
}

} // namespace
