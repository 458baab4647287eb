#pragma once
// The task list's rows as the downloads see them: one record per row (its address, the file name
// it saves under, its state, its size, the link to its latest worker) and every decision about
// what a row shows in answer to Start, Stop, the workers' notices and edits of the list. At most
// a set number of downloads run at once; the other started rows wait, and start in row order as
// running ones end. The window side hands it a display to write the rows into and a starter to
// start workers with. Platform-neutral.
#include <memory>
#include <string>
#include <vector>

#include "DownloadLink.h"

// A row's download state; the user sees only the Size and Progress texts.
enum TaskState {
    TASK_IDLE = 1,      // never started
    TASK_RUNNING = 2,   // a worker was started and has not ended in a way the row knows
    TASK_STOPPED = 3,   // the user stopped it (running or waiting)
    TASK_DONE = 4,      // its file has been written
    TASK_FAILED = 5,    // the worker reported a failure, or none could start
    TASK_WAITING = 6,   // started, waiting for a free place
};

// What a row's Progress column shows, as the control decides it; the display words it.
struct RowProgress {
    enum Kind { Percent, Done, Waiting, Failed };
    Kind kind = Percent;
    long long received = 0;   // Percent: the count and the announced size (0 when unknown)
    long long size = 0;
    int code = 0;             // Failed: the failure code and value the worker reported
    int value = 0;
};

// The failure a row shows when no worker could be started for it.
constexpr int kNotStarted = -1;

// Where the rows are shown: the task list window, or a recorder in tests.
class CTaskDisplay {
public:
    // A checked row with an empty Size and the Progress "0%". `fileName` is empty when the
    // address gives no name a file may have.
    virtual void InsertRow(int row, const std::string& fileName, const std::string& address) = 0;
    virtual void DeleteRow(int row) = 0;
    virtual void DeleteAllRows() = 0;
    // The Content-Length text as the server sent it ("" when it sent none).
    virtual void ShowSize(int row, const std::string& lengthText) = 0;
    virtual void ShowProgress(int row, const RowProgress& progress) = 0;

protected:
    ~CTaskDisplay() = default;
};

// Starts the download worker of a row; the worker reports the row index it was given.
class CDownloadStarter {
public:
    // Null when no worker could be started.
    virtual std::shared_ptr<CDownloadLink> StartDownload(int row, const std::string& address,
                                                         const std::string& folder, const std::string& fileName) = 0;

protected:
    ~CDownloadStarter() = default;
};

class CDownloadControl {
public:
    explicit CDownloadControl(CTaskDisplay& display) : m_display(display) {}
    CDownloadControl(const CDownloadControl&) = delete;
    CDownloadControl& operator=(const CDownloadControl&) = delete;
    // Without a starter, rows that are due to start fail as "Failed".
    void SetStarter(CDownloadStarter* starter) { m_pStarter = starter; }

    // The list is replaced: downloads that run or wait are stopped first (their temporary files
    // go, earlier files stay), then the new rows come in, each under a file name no other row of
    // the list has.
    void ReplaceRows(const std::vector<std::string>& addresses);
    // Adds rows after the last one for the addresses the list does not hold yet (each once),
    // under file names no other row has. The rows already there, running or not, stay as they
    // are. Returns how many rows came in.
    int AddRows(const std::vector<std::string>& addresses);
    // Removes the rows (any order); refused, removing nothing, while a download runs or waits.
    bool RemoveRows(std::vector<int> rows);

    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    // Empty for a row that does not exist.
    std::string GetAddress(int row) const;
    // The name the row saves under; empty when its address gives none, or no such row.
    std::string GetFileName(int row) const;
    TaskState GetState(int row) const;
    // What the row's Progress column shows (a new row's "0%" for no such row).
    RowProgress GetProgress(int row) const;
    // True while a download runs or waits.
    bool IsBusy() const;

    // Starts the rows (ascending) that neither run nor wait, into `folder`, with at most `limit`
    // downloads at once (at least one), counting those already running.
    void Start(const std::vector<int>& rows, const std::string& folder, int limit);
    // Stops every running and waiting download. A running row keeps what it showed; a waiting
    // one shows again what it showed before it was started.
    void Stop();

    // A worker's notices, with the row index it reports. A notice from a worker the row no
    // longer holds (started again, stopped, or the list replaced) is dropped.
    void OnHead(int row);
    void OnPiece(int row, const CDownloadLink* sender);
    void OnDone(int row);
    void OnFailure(int row, const CDownloadLink* sender, int code, int value);

private:
    struct Record {
        std::string address;
        std::string fileName;
        std::string folder;   // of the Start that queued it
        TaskState state = TASK_IDLE;
        long long size = 0;
        std::shared_ptr<CDownloadLink> link;
        RowProgress shown;           // what its Progress column shows now
        RowProgress beforeWaiting;   // what it showed when it was queued
    };

    Record* Find(int row);
    const Record* Find(int row) const;
    bool IsFrom(const Record& record, const CDownloadLink* sender) const;
    void Show(int row, const RowProgress& progress);
    void Launch(int row);
    void StartWaitingRows();
    void StopAll(bool showAgain);

    CTaskDisplay& m_display;
    CDownloadStarter* m_pStarter = nullptr;   // the main window; outlives the rows
    std::vector<Record> m_rows;
    int m_nLimit = 1;
};
