#include "CDownloadControl.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_set>

#include "HttpAddress.h"
#include "MovieFileName.h"
#include "ProgressPercent.h"

namespace {

bool SameText(const RowProgress& a, const RowProgress& b)
{
    if (a.kind != b.kind) return false;
    switch (a.kind) {
    case RowProgress::Percent: return ProgressPercent(a.received, a.size) == ProgressPercent(b.received, b.size);
    case RowProgress::Failed: return a.code == b.code && a.value == b.value;
    default: return true;
    }
}

bool IsActive(TaskState state)
{
    return state == TASK_RUNNING || state == TASK_WAITING;
}

} // namespace

CDownloadControl::Record* CDownloadControl::Find(int row)
{
    return row >= 0 && row < GetRowCount() ? &m_rows[static_cast<std::size_t>(row)] : nullptr;
}

const CDownloadControl::Record* CDownloadControl::Find(int row) const
{
    return row >= 0 && row < GetRowCount() ? &m_rows[static_cast<std::size_t>(row)] : nullptr;
}

std::string CDownloadControl::GetAddress(int row) const
{
    const Record* record = Find(row);
    return record ? record->address : std::string();
}

std::string CDownloadControl::GetFileName(int row) const
{
    const Record* record = Find(row);
    return record ? record->fileName : std::string();
}

TaskState CDownloadControl::GetState(int row) const
{
    const Record* record = Find(row);
    return record ? record->state : TASK_IDLE;
}

RowProgress CDownloadControl::GetProgress(int row) const
{
    const Record* record = Find(row);
    return record ? record->shown : RowProgress{};
}

bool CDownloadControl::IsBusy() const
{
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Record& r) { return IsActive(r.state); });
}

void CDownloadControl::ReplaceRows(const std::vector<std::string>& addresses)
{
    StopAll(false);
    m_rows.clear();
    m_display.DeleteAllRows();
    const std::vector<std::string> names = DistinctFileNames(addresses);
    m_rows.resize(addresses.size());
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        m_rows[i].address = addresses[i];
        m_rows[i].fileName = names[i];
        m_display.InsertRow(static_cast<int>(i), names[i], addresses[i]);
    }
}

int CDownloadControl::AddRows(const std::vector<std::string>& addresses)
{
    std::unordered_set<std::string_view> held;
    std::vector<std::string> taken;
    for (const Record& record : m_rows) {
        held.insert(record.address);
        if (!record.fileName.empty()) taken.push_back(record.fileName);
    }
    std::vector<std::string> fresh;
    for (const std::string& address : addresses) {
        if (held.insert(address).second) fresh.push_back(address);
    }
    // Appending leaves every row index as it was, so running workers still report to their rows.
    const std::vector<std::string> names = DistinctFileNames(fresh, taken);
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        Record record;
        record.address = fresh[i];
        record.fileName = names[i];
        m_rows.push_back(std::move(record));
        m_display.InsertRow(GetRowCount() - 1, names[i], fresh[i]);
    }
    return static_cast<int>(fresh.size());
}

bool CDownloadControl::RemoveRows(std::vector<int> rows)
{
    if (IsBusy()) return false;
    // Highest first, so that the lower indices stay valid on the way.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (!Find(row)) continue;
        m_rows.erase(m_rows.begin() + row);
        m_display.DeleteRow(row);
    }
    return true;
}

void CDownloadControl::Start(const std::vector<int>& rows, const std::string& folder, int limit)
{
    m_nLimit = std::max(limit, 1);
    std::vector<int> queued;
    for (int row : rows) {
        Record* record = Find(row);
        if (!record || IsActive(record->state)) continue;
        record->state = TASK_WAITING;
        record->folder = folder;
        record->beforeWaiting = record->shown;
        queued.push_back(row);
    }
    StartWaitingRows();
    // Only the rows that found no place say so: the others show their start already.
    for (int row : queued) {
        if (m_rows[static_cast<std::size_t>(row)].state == TASK_WAITING) Show(row, {RowProgress::Waiting});
    }
}

void CDownloadControl::Stop()
{
    StopAll(true);
}

void CDownloadControl::StopAll(bool showAgain)
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Record& record = m_rows[i];
        if (record.state == TASK_RUNNING) {
            if (record.link) record.link->Stop();
            record.state = TASK_STOPPED;
        } else if (record.state == TASK_WAITING) {
            record.state = TASK_STOPPED;
            if (showAgain) Show(static_cast<int>(i), record.beforeWaiting);
        }
    }
}

void CDownloadControl::StartWaitingRows()
{
    int running = static_cast<int>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const Record& r) { return r.state == TASK_RUNNING; }));
    for (std::size_t i = 0; i < m_rows.size() && running < m_nLimit; ++i) {
        if (m_rows[i].state != TASK_WAITING) continue;
        Launch(static_cast<int>(i));
        if (m_rows[i].state == TASK_RUNNING) ++running;
    }
}

void CDownloadControl::Launch(int row)
{
    Record& record = m_rows[static_cast<std::size_t>(row)];
    record.size = 0;
    record.link = m_pStarter ? m_pStarter->StartDownload(row, record.address, record.folder, record.fileName)
                             : nullptr;
    if (!record.link) {
        record.state = TASK_FAILED;
        Show(row, {RowProgress::Failed, 0, 0, kNotStarted, 0});
        return;
    }
    // A row started again begins from nothing, whatever it showed before.
    record.state = TASK_RUNNING;
    Show(row, {RowProgress::Percent});
}

bool CDownloadControl::IsFrom(const Record& record, const CDownloadLink* sender) const
{
    return sender && record.link.get() == sender && !sender->IsStopped();
}

void CDownloadControl::OnHead(int row)
{
    Record* record = Find(row);
    // A posted notice: it may arrive after the worker failed (failures are sent, and so handled
    // first), which still tells the size; never after the link was stopped or replaced.
    if (!record || !IsFrom(*record, record->link.get()) || !record->link->TakeHead()) return;
    const std::string length = record->link->GetLengthText();
    record->size = ReadDecimal(length);
    m_display.ShowSize(row, length);
    if (record->state == TASK_RUNNING) Show(row, {RowProgress::Percent, record->link->GetReceived(), record->size});
}

void CDownloadControl::OnPiece(int row, const CDownloadLink* sender)
{
    Record* record = Find(row);
    if (!record || record->state != TASK_RUNNING || !IsFrom(*record, sender)) return;
    Show(row, {RowProgress::Percent, sender->GetReceived(), record->size});
}

void CDownloadControl::OnDone(int row)
{
    Record* record = Find(row);
    if (!record || record->state != TASK_RUNNING || !IsFrom(*record, record->link.get()) || !record->link->TakeDone())
        return;
    record->state = TASK_DONE;
    Show(row, {RowProgress::Done});
    StartWaitingRows();
}

void CDownloadControl::OnFailure(int row, const CDownloadLink* sender, int code, int value)
{
    Record* record = Find(row);
    if (!record || record->state != TASK_RUNNING || !IsFrom(*record, sender)) return;
    record->state = TASK_FAILED;
    Show(row, {RowProgress::Failed, 0, 0, code, value});
    StartWaitingRows();
}

void CDownloadControl::Show(int row, const RowProgress& progress)
{
    Record& record = m_rows[static_cast<std::size_t>(row)];
    // Most pieces leave the percentage as it was; the row is only rewritten when it changes.
    const bool same = SameText(record.shown, progress);
    record.shown = progress;
    if (!same) m_display.ShowProgress(row, progress);
}
