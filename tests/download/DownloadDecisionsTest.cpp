// What the task list's rows show as commands, list edits and the workers' notices arrive, decided
// by the download control without any window: each case is a script of events and the columns a
// user then sees.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CDownloadControl.h"
#include "DownloadStatus.h"
#include "TaskText.h"

namespace {

// The rows as the task list would show them, and the workers the control started.
class FakeWindow : public CTaskDisplay, public CDownloadStarter {
public:
    struct Row {
        std::string name, address, size, progress;
    };

    void InsertRow(int row, const std::string& fileName, const std::string& address) override
    {
        rows.insert(rows.begin() + row, Row{fileName, address, "", "0%"});
    }
    void DeleteRow(int row) override { rows.erase(rows.begin() + row); }
    void DeleteAllRows() override { rows.clear(); }
    void ShowSize(int row, const std::string& lengthText) override { rows.at(row).size = SizeText(lengthText.c_str()).View(); }
    void ShowProgress(int row, const RowProgress& progress) override
    {
        rows.at(row).progress = RowProgressText(progress).View();
    }

    std::shared_ptr<CDownloadLink> StartDownload(int row, const std::string&, const std::string&,
                                                 const std::string&) override
    {
        started.push_back(row);
        if (refuse) return nullptr;
        auto link = std::make_shared<CDownloadLink>();
        link->Attach([this] { ++halted; });
        links[row] = link;
        return link;
    }

    std::vector<std::string> Column(std::string Row::*field) const
    {
        std::vector<std::string> texts;
        for (const Row& row : rows) texts.push_back(row.*field);
        return texts;
    }

    std::vector<Row> rows;
    std::vector<int> started;                            // rows in the order their workers started
    std::map<int, std::shared_ptr<CDownloadLink>> links;   // the latest worker of each row
    int halted = 0;                                      // workers stopped
    bool refuse = false;
};

enum class Do { Start, Stop, Head, Piece, Done, Fail, OldDone, OldPiece, Replace, Refuse };

struct Event {
    Do what = Do::Stop;
    std::vector<int> rows = {};   // Start; otherwise the first is the row
    long long number = 0;    // Start: the limit; Head: the length; Piece: the count; Fail: the code
    int value = 0;           // Fail: the value
};

struct Case {
    const char* name;
    int rows;
    std::vector<Event> events;
    std::vector<std::string> progress;   // the Progress column at the end
    std::vector<int> started;
    int halted;
};

// Runs the events against a list of `rows` movies, keeping the worker each row had before its
// latest Start so that a late notice from it can be sent too.
FakeWindow Play(int rows, const std::vector<Event>& events)
{
    FakeWindow window;
    CDownloadControl control(window);
    control.SetStarter(&window);
    std::vector<std::string> addresses;
    for (int i = 0; i < rows; ++i) addresses.push_back("http://h/m" + std::to_string(i) + ".swf");
    control.ReplaceRows(addresses);
    std::map<int, std::shared_ptr<CDownloadLink>> earlier;

    for (const Event& e : events) {
        const int row = e.rows.empty() ? 0 : e.rows.front();
        std::shared_ptr<CDownloadLink> link = window.links[row];
        switch (e.what) {
        case Do::Start:
            earlier = window.links;
            control.Start(e.rows, "c:\\movies\\", static_cast<int>(e.number));
            break;
        case Do::Stop: control.Stop(); break;
        case Do::Head:
            link->SetLengthText(std::to_string(e.number));
            link->MarkHeadPosted();
            control.OnHead(row);
            break;
        case Do::Piece:
            link->SetReceived(e.number);
            control.OnPiece(row, link.get());
            break;
        case Do::Done:
            link->MarkDonePosted();
            control.OnDone(row);
            break;
        case Do::Fail: control.OnFailure(row, link.get(), static_cast<int>(e.number), e.value); break;
        case Do::OldDone:
            earlier[row]->MarkDonePosted();
            control.OnDone(row);
            break;
        case Do::OldPiece:
            earlier[row]->SetReceived(e.number);
            control.OnPiece(row, earlier[row].get());
            break;
        case Do::Replace:
            earlier = window.links;
            control.ReplaceRows({"http://h/new.swf", "http://h/other.swf"});
            break;
        case Do::Refuse: window.refuse = true; break;
        }
    }
    return window;
}

TEST(DownloadDecisions, EventsAndWhatTheRowsShow)
{
    const Case cases[] = {
        {"the rows past the limit wait, in row order", 5, {{Do::Start, {0, 1, 2, 3, 4}, 2}},
         {"0%", "0%", "Waiting", "Waiting", "Waiting"}, {0, 1}, 0},
        {"a finished row frees its place for the first waiting one", 4,
         {{Do::Start, {0, 1, 2, 3}, 2}, {Do::Head, {1}, 2048}, {Do::Piece, {1}, 1024}, {Do::Done, {0}}},
         {"100%", "50%", "0%", "Waiting"}, {0, 1, 2}, 0},
        {"a failed row frees its place too", 3, {{Do::Start, {0, 1, 2}, 1}, {Do::Fail, {0}, NET_ERR_HTTP_STATUS, 404}},
         {"HTTP 404", "0%", "Waiting"}, {0, 1}, 0},
        {"a body cut short shows Incomplete", 1,
         {{Do::Start, {0}, 6}, {Do::Head, {0}, 100000}, {Do::Piece, {0}, 50000}, {Do::Fail, {0}, NET_ERR_INCOMPLETE, 50000}},
         {"Incomplete"}, {0}, 0},
        {"Stop ends running rows and takes waiting ones out of the queue", 4,
         {{Do::Start, {0, 1, 2, 3}, 2}, {Do::Stop}, {Do::Done, {0}}},
         {"0%", "0%", "0%", "0%"}, {0, 1}, 2},
        {"Start on a running or waiting row starts nothing new", 3,
         {{Do::Start, {0, 1, 2}, 1}, {Do::Start, {0, 1, 2}, 1}},
         {"0%", "Waiting", "Waiting"}, {0}, 0},
        {"a waiting row that is stopped shows again what it showed", 2,
         {{Do::Start, {0}, 1}, {Do::Done, {0}}, {Do::Start, {1}, 1}, {Do::Start, {0}, 1}, {Do::Stop}},
         {"100%", "0%"}, {0, 1}, 1},
        {"a row started again hears only its new worker", 1,
         {{Do::Start, {0}, 1}, {Do::Stop}, {Do::Start, {0}, 1}, {Do::OldPiece, {0}, 99}, {Do::OldDone, {0}}},
         {"0%"}, {0, 0}, 1},
        {"Start after Stop downloads the rows again", 2,
         {{Do::Start, {0, 1}, 1}, {Do::Stop}, {Do::Start, {0, 1}, 1}, {Do::Done, {0}}},
         {"100%", "0%"}, {0, 0, 1}, 1},
        {"rows no worker could start for fail without holding a place", 3,
         {{Do::Refuse}, {Do::Start, {0, 1}, 1}},
         {"Failed", "Failed", "0%"}, {0, 1}, 0},
        {"replacing the list stops every download; the new rows start clean", 3,
         {{Do::Start, {0, 1, 2}, 1}, {Do::Head, {0}, 5000}, {Do::Replace}, {Do::OldDone, {0}}, {Do::OldPiece, {0}, 4000}},
         {"0%", "0%"}, {0}, 1},
    };
    for (const Case& c : cases) {
        const FakeWindow window = Play(c.rows, c.events);
        EXPECT_EQ(window.Column(&FakeWindow::Row::progress), c.progress) << c.name;
        EXPECT_EQ(window.started, c.started) << c.name;
        EXPECT_EQ(window.halted, c.halted) << c.name << ": workers stopped";
    }
}

TEST(DownloadDecisions, SizeComesFromTheHeadEvenAfterAFailure)
{
    // A failure is sent and so handled before the head its worker posted earlier.
    FakeWindow window = Play(1, {{Do::Start, {0}, 1}, {Do::Fail, {0}, NET_ERR_INCOMPLETE, 50000}, {Do::Head, {0}, 100000}});
    EXPECT_EQ(window.Column(&FakeWindow::Row::size), std::vector<std::string>{"97KB"});
    EXPECT_EQ(window.Column(&FakeWindow::Row::progress), std::vector<std::string>{"Incomplete"});
}

TEST(DownloadDecisions, RowsOfOneListNeverShareAFileAndRowsGoOnlyWhenIdle)
{
    FakeWindow window;
    CDownloadControl control(window);
    control.SetStarter(&window);
    control.ReplaceRows({"http://h/dir/movie1.swf", "http://h/dir/alt/movie1.swf", "http://h/MOVIE1.SWF", "http://h/dir/"});
    EXPECT_EQ(window.Column(&FakeWindow::Row::name),
              (std::vector<std::string>{"movie1.swf", "movie1 (2).swf", "MOVIE1 (3).SWF", ""}));
    EXPECT_EQ(control.GetFileName(1), "movie1 (2).swf") << "the download and the viewer use the shown name";

    control.Start({0}, "c:\\", 6);
    EXPECT_FALSE(control.RemoveRows({1, 2})) << "no row goes while a download runs";
    EXPECT_EQ(window.rows.size(), 4u);
    control.Stop();
    EXPECT_TRUE(control.RemoveRows({2, 1}));
    EXPECT_EQ(window.Column(&FakeWindow::Row::address), (std::vector<std::string>{"http://h/dir/movie1.swf", "http://h/dir/"}));
    EXPECT_EQ(control.GetFileName(1), "");
}

TEST(DownloadDecisions, AddedRowsComeAfterTheListUnderNamesOfTheirOwnAndRunningOnesGoOn)
{
    FakeWindow window;
    CDownloadControl control(window);
    control.SetStarter(&window);
    control.ReplaceRows({"http://h/a.swf", "http://h/x/b.swf"});
    control.Start({0}, "c:\\", 6);
    EXPECT_EQ(control.AddRows({"http://h/x/b.swf", "http://h/y/a.swf", "http://h/y/A.SWF", "http://h/y/a.swf", "http://h/c.swf"}), 3);
    EXPECT_EQ(window.Column(&FakeWindow::Row::name),
              (std::vector<std::string>{"a.swf", "b.swf", "a (2).swf", "A (3).SWF", "c.swf"}));
    EXPECT_EQ(control.GetFileName(3), "A (3).SWF");
    EXPECT_EQ(control.AddRows({"http://h/c.swf"}), 0) << "an address the list holds comes in once";

    // The download that ran before is neither stopped nor moved to another row.
    EXPECT_EQ(window.halted, 0);
    window.links[0]->SetLengthText("1000");
    window.links[0]->MarkHeadPosted();
    control.OnHead(0);
    window.links[0]->SetReceived(500);
    control.OnPiece(0, window.links[0].get());
    EXPECT_EQ(window.Column(&FakeWindow::Row::progress), (std::vector<std::string>{"50%", "0%", "0%", "0%", "0%"}));
}

} // namespace
