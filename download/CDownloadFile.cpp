#include "CDownloadFile.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "HttpAddress.h"
#include "MovieFileName.h"
#include "ProgressPercent.h"
#include "ResponseHead.h"

namespace {

// Each write step holds the link's lock, so that Stop waits at most for one step.
constexpr std::size_t kWriteStep = std::size_t(1) << 20;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    bool Close()
    {
        if (!IsValid()) return true;
        const bool closed = ::CloseHandle(m_handle) != 0;
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

// The temporary file a download is written to; removed unless it became the movie's file.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!m_bKept) ::DeleteFileA(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const char* Path() const { return m_path.c_str(); }
    void Keep() { m_bKept = true; }

private:
    std::string m_path;
    bool m_bKept = false;
};

} // namespace

const CRuntimeClass CDownloadFile::classCDownloadFile("CDownloadFile", &CreateObjectOf<CDownloadFile>,
                                                      &CWinThread::classCWinThread);

std::string CDownloadLink::GetLengthText() const
{
    std::lock_guard lock(mutex);
    return lengthText;
}

void CDownloadLink::Stop()
{
    std::lock_guard lock(mutex);
    stopped.store(true, std::memory_order_release);
    // The client's own stop: its flag silences every report, and the socket shutdown wakes a
    // receive that would otherwise wait for the server.
    if (worker) static_cast<CHttpClient*>(worker)->Stop();
}

CDownloadFile::CDownloadFile() : m_link(std::make_shared<CDownloadLink>())
{
    m_link->worker = this;
}

CDownloadFile::~CDownloadFile()
{
    // From here on Stop must not reach this object; the client part is still whole until the
    // lock is released, so a Stop that got in first has finished with it.
    std::lock_guard lock(m_link->mutex);
    m_link->worker = nullptr;
}

void CDownloadFile::SetOwner(HWND owner, int item)
{
    SetOwnerWindow(owner);
    m_nItem = item;
}

void CDownloadFile::SetUrl(const char* url)
{
    m_strAddress = url ? url : "";
    CHttpClient::SetUrl(url);
}

void CDownloadFile::SetSavePath(const char* folder)
{
    m_strFolder = folder ? folder : "";
    const std::string_view text = m_strFolder.View();
    if (!text.empty() && text.back() != '\\' && text.back() != '/') m_strFolder += '\\';
}

BOOL CDownloadFile::InitInstance()
{
    Fetch();
    return FALSE;
}

void CDownloadFile::PostToOwner(DownloadProgress kind)
{
    // Checked under the lock: once Stop has returned nothing more is posted.
    std::lock_guard lock(m_link->mutex);
    if (m_link->IsStopped()) return;
    (kind == DL_DONE ? m_link->donePosted : m_link->headPosted).store(true, std::memory_order_release);
    ::PostMessageA(m_hOwner, WM_DOWNLOAD_PROGRESS, kind, m_nItem);
}

void CDownloadFile::OnReceive()
{
    if (IsStopped()) return;
    const std::string_view piece(m_pChunk, static_cast<std::size_t>(m_nChunkLen));
    const bool first = m_nPieces == 0;
    ++m_nPieces;
    if (first) {
        const std::size_t headEnd = FindHeadEnd(piece);
        m_nReceived = headEnd == std::string_view::npos ? 0 : static_cast<long long>(piece.size() - (headEnd + 4));
        const std::string lengthText = LengthTextOf(piece);
        m_nLength = ReadDecimal(lengthText);
        {
            std::lock_guard lock(m_link->mutex);
            m_link->lengthText = lengthText;
        }
        m_link->received.store(m_nReceived, std::memory_order_release);
        PostToOwner(DL_HEAD);
    } else {
        m_nReceived += static_cast<long long>(piece.size());
        m_link->received.store(m_nReceived, std::memory_order_release);
    }
    // Every sent message is a round trip through the owner's thread (a quarter of a millisecond
    // under Wine: a 64 MiB movie's 16,000 pieces would cost four seconds, and ten downloads wait
    // for each other's). The owner shows the whole percentage only, and a person cannot read
    // more than a few changes a second, so only pieces that move what the row shows are reported,
    // and not more often than every kProgressReportGap. The count is always current in the link.
    const long long percent = ProgressPercent(m_nReceived, m_nLength);
    const auto now = std::chrono::steady_clock::now();
    if (!first) {
        const bool moved = percent != m_nPercentSent || m_nReceived - m_nReceivedSent >= kProgressReportStep;
        if (!moved || now - m_sentAt < kProgressReportGap) return;
    }
    m_nPercentSent = percent;
    m_nReceivedSent = m_nReceived;
    m_sentAt = now;
    SendToOwner(WM_DOWNLOAD_PROGRESS, DL_PIECE, m_nItem);
}

void CDownloadFile::OnComplete()
{
    // A connection closed before any byte was reported by the client already (code 0).
    if (!m_pResponse || m_nResponseLen <= 0 || IsStopped()) {
        FreeResponse();
        return;
    }
    const std::string_view response(m_pResponse, static_cast<std::size_t>(m_nResponseLen));
    const int status = StatusCodeOf(response);
    const std::size_t headEnd = FindHeadEnd(response);
    std::string target;
    // SetError reports through OnError (unless stopped), which also releases the response.
    if (status != 0 && (status < 200 || status > 299)) {
        SetError(NET_ERR_HTTP_STATUS, status, "Error: HTTP status.");
    } else if (headEnd == std::string_view::npos) {
        SetError(NET_ERR_NO_HEAD, 0, "Error: No head.");
    } else if (status == 0) {
        SetError(NET_ERR_HTTP_STATUS, 0, "Error: HTTP status.");
    } else if (!MovieFilePath(m_strFolder.View(), m_strAddress.View(), target)) {
        SetError(NET_ERR_BAD_FILE_NAME, 0, "Error: Bad file name.");
    } else {
        const std::size_t bodyStart = headEnd + 4;
        DWORD error = 0;
        if (WriteFileAtomically(m_pResponse + bodyStart, response.size() - bodyStart, target, error) ==
            WriteResult::Failed)
            SetError(NET_ERR_WRITE, static_cast<int>(error), "Error: Write failed.");
        else
            FreeResponse();
    }
}

CDownloadFile::WriteResult CDownloadFile::WriteFileAtomically(const char* body, std::size_t len,
                                                              const std::string& target, DWORD& error)
{
    // The temporary file sits beside the target, so the final rename never crosses volumes.
    const std::string folder = m_strFolder.IsEmpty() ? std::string(".") : std::string(m_strFolder.View());
    char tempPath[MAX_PATH] = {};
    if (target.size() >= MAX_PATH || ::GetTempFileNameA(folder.c_str(), "twk", 0, tempPath) == 0) {
        error = target.size() >= MAX_PATH ? ERROR_FILENAME_EXCED_RANGE : ::GetLastError();
        return WriteResult::Failed;
    }
    TemporaryFile temp(tempPath);
    FileHandle file(::CreateFileA(temp.Path(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file.IsValid()) {
        error = ::GetLastError();
        return WriteResult::Failed;
    }
    for (std::size_t at = 0; at < len;) {
        const DWORD step = static_cast<DWORD>(std::min(kWriteStep, len - at));
        std::lock_guard lock(m_link->mutex);
        if (m_link->IsStopped()) return WriteResult::Stopped;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), body + at, step, &written, nullptr) || written != step) {
            error = ::GetLastError();
            if (error == 0) error = ERROR_DISK_FULL;
            return WriteResult::Failed;
        }
        at += step;
    }
    if (!file.Close()) {
        error = ::GetLastError();
        return WriteResult::Failed;
    }

    std::lock_guard lock(m_link->mutex);
    if (m_link->IsStopped()) return WriteResult::Stopped;
    if (!::MoveFileExA(temp.Path(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = ::GetLastError();
        return WriteResult::Failed;
    }
    temp.Keep();
    // Posted under the same lock as the rename: a Stop that comes later finds the file in place
    // and this notice already queued, where the owner drops it for the stopped link.
    m_link->donePosted.store(true, std::memory_order_release);
    ::PostMessageA(m_hOwner, WM_DOWNLOAD_PROGRESS, DL_DONE, m_nItem);
    return WriteResult::Written;
}
