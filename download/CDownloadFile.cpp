#include "CDownloadFile.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "HttpAddress.h"
#include "MovieFileName.h"
#include "ProgressPercent.h"
#include "ResponseHead.h"
#include "ScopedHandles.h"

namespace {

// Each write step holds the link's lock, so that Stop waits at most for one step.
constexpr std::size_t kWriteStep = std::size_t(1) << 20;

} // namespace

const CRuntimeClass CDownloadFile::classCDownloadFile("CDownloadFile", &CreateObjectOf<CDownloadFile>,
                                                      &CWinThread::classCWinThread);

CDownloadFile::CDownloadFile() : m_link(std::make_shared<CDownloadLink>())
{
    // The client's own stop: its flag silences every report, and the socket shutdown wakes a
    // receive that would otherwise wait for the server.
    m_link->Attach([this] { CHttpClient::Stop(); });
}

CDownloadFile::~CDownloadFile()
{
    // From here on Stop must not reach this object; the client part is still whole until the
    // link lets go, so a Stop that got in first has finished with it.
    m_link->Attach(nullptr);
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

void CDownloadFile::SetFileName(const char* name)
{
    m_strFileName = name ? name : "";
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
    auto lock = m_link->Lock();
    if (m_link->IsStopped()) return;
    if (kind == DL_DONE)
        m_link->MarkDonePosted();
    else
        m_link->MarkHeadPosted();
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
        m_link->SetLengthText(lengthText);
        m_link->SetReceived(m_nReceived);
        PostToOwner(DL_HEAD);
    } else {
        m_nReceived += static_cast<long long>(piece.size());
        m_link->SetReceived(m_nReceived);
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

bool CDownloadFile::TargetPath(std::string& path) const
{
    if (m_strFileName.IsEmpty()) return MovieFilePath(m_strFolder.View(), m_strAddress.View(), path);
    // The list's name went through the same rule when the row was made; checked again here, as
    // nothing outside the save folder may ever be written.
    if (!IsMovieFileName(m_strFileName.View())) return false;
    path = PathInFolder(m_strFolder.View(), m_strFileName.View());
    return true;
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
    // SetError reports through OnError (unless stopped), which also releases the response.
    if (status != 0 && (status < 200 || status > 299)) {
        SetError(NET_ERR_HTTP_STATUS, status, "Error: HTTP status.");
    } else if (headEnd == std::string_view::npos) {
        SetError(NET_ERR_NO_HEAD, 0, "Error: No head.");
    } else if (status == 0) {
        SetError(NET_ERR_HTTP_STATUS, 0, "Error: HTTP status.");
    } else {
        SaveBody(response, headEnd + 4);
    }
}

void CDownloadFile::SaveBody(std::string_view response, std::size_t bodyStart)
{
    const long long length = static_cast<long long>(response.size() - bodyStart);
    const long long announced = ReadDecimal(LengthTextOf(response.substr(0, bodyStart)));
    std::string target;
    if (length < announced) {
        // The server closed the connection before the whole body had come: a cut-short movie
        // must not replace the one the user may already have.
        SetError(NET_ERR_INCOMPLETE, static_cast<int>(length), "Error: Incomplete.");
    } else if (!TargetPath(target)) {
        SetError(NET_ERR_BAD_FILE_NAME, 0, "Error: Bad file name.");
    } else {
        DWORD error = 0;
        if (WriteFileAtomically(response.data() + bodyStart, response.size() - bodyStart, target, error) ==
            WriteResult::Failed)
            SetError(NET_ERR_WRITE, static_cast<int>(error), "Error: Write failed.");
        else
            FreeResponse();
    }
}

CDownloadFile::WriteResult CDownloadFile::WriteFileAtomically(const char* body, std::size_t len,
                                                              const std::string& target, DWORD& error)
{
    if (target.size() >= MAX_PATH) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return WriteResult::Failed;
    }
    // The temporary file sits beside the target, so the final rename never crosses volumes.
    TemporaryFile temp{std::string(m_strFolder.View())};
    if (!temp.IsCreated()) {
        error = ::GetLastError();
        return WriteResult::Failed;
    }
    FileHandle file(::CreateFileA(temp.Path(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) {
        error = ::GetLastError();
        return WriteResult::Failed;
    }
    for (std::size_t at = 0; at < len;) {
        const DWORD step = static_cast<DWORD>(std::min(kWriteStep, len - at));
        auto lock = m_link->Lock();
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

    auto lock = m_link->Lock();
    if (m_link->IsStopped()) return WriteResult::Stopped;
    if (!temp.MoveOver(target.c_str())) {
        error = ::GetLastError();
        return WriteResult::Failed;
    }
    // Posted under the same lock as the rename: a Stop that comes later finds the file in place
    // and this notice already queued, where the owner drops it for the stopped link.
    m_link->MarkDonePosted();
    ::PostMessageA(m_hOwner, WM_DOWNLOAD_PROGRESS, DL_DONE, m_nItem);
    return WriteResult::Written;
}
