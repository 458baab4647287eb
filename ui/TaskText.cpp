#include "TaskText.h"

#include <string>
#include <unordered_set>

#include "DownloadStatus.h"
#include "HttpAddress.h"
#include "MovieFileName.h"
#include "ProgressPercent.h"

CString FileNameOfAddress(const CString& address)
{
    // The name the download writes, so that the list shows the file the user will find.
    std::string name;
    if (MovieFileName(address.View(), name)) return CString(name);
    const int slash = address.ReverseFind('/');
    if (slash > 0) return address.Mid(slash + 1);
    return address.Mid(1);
}

void RemoveDuplicates(std::vector<TaskEntry>& list)
{
    // One pass with a set of the addresses kept so far: linear, and the same result as removing
    // every later copy of each entry in turn.
    std::unordered_set<std::string_view> seen;
    std::vector<TaskEntry> kept;
    for (const TaskEntry& entry : list) {
        if (seen.insert(entry.address).second) kept.push_back(entry);
    }
    // The views point into `list`; it changes only now.
    list = std::move(kept);
}

CString SizeText(const char* lengthText)
{
    if (!lengthText || !*lengthText) return "Unknown Size";
    const long long n = ReadDecimal(lengthText);
    if (n >= 1024) return CString(std::to_string(n / 1024) + "KB");
    return CString(std::string(lengthText) + "byte");
}

CStringArray SplitMovieList(const CString& text)
{
    CStringArray list;
    int start = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text.GetAt(i) != ',') continue;
        list.Add(CString(text.View().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start))));
        start = i + 1;
    }
    return list;
}

CString ProgressText(long long received, long long size)
{
    return CString(std::to_string(ProgressPercent(received, size)) + "%");
}

CString FailureText(int code, int value)
{
    switch (code) {
    case NET_ERR_NO_BUFFER: return "No data";
    case NET_ERR_SOCKET: return "Connect time out";
    case NET_ERR_UNKNOWN_HOST:
    case NET_ERR_BAD_HOST: return "Host not found";
    case NET_ERR_NO_PROXY: return "Unknown Proxy";
    case NET_ERR_HTTP_STATUS:
        // A status other than 2xx; none at all when the reply does not begin with a status line.
        return value == 0 ? CString("Bad reply") : CString("HTTP " + std::to_string(value));
    case NET_ERR_BAD_FILE_NAME: return "Bad file name";
    case NET_ERR_WRITE: return "Write failed";
    case NET_ERR_INCOMPLETE: return "Incomplete";
    case NET_ERR_TLS: return "Secure connection failed";
    case NET_ERR_CERT_UNTRUSTED: return "Certificate not trusted";
    case NET_ERR_CERT_OTHER_HOST: return "Certificate for another host";
    case NET_ERR_CERT_EXPIRED: return "Certificate expired";
    case NET_ERR_TOO_MANY_REDIRECTS: return "Too many redirects";
    case NET_ERR_PROXY_REFUSED:   // the proxy's status, 0 when it gave none
        return value != 0 ? CString("Proxy HTTP " + std::to_string(value)) : CString("Proxy refused");
    default: return "Failed";
    }
}

ProgressBar RowProgressBar(const RowProgress& progress)
{
    switch (progress.kind) {
    case RowProgress::Done: return {ProgressBar::Normal, 100};
    case RowProgress::Waiting: return {ProgressBar::None, 0};
    case RowProgress::Failed: return {ProgressBar::Failed, 100};
    default: {
        const long long percent = ProgressPercent(progress.received, progress.size);
        return {ProgressBar::Normal, static_cast<int>(percent < 100 ? percent : 100)};
    }
    }
}

CString RowProgressText(const RowProgress& progress)
{
    switch (progress.kind) {
    case RowProgress::Done: return "100%";
    case RowProgress::Waiting: return "Waiting";
    case RowProgress::Failed: return FailureText(progress.code, progress.value);
    default: return ProgressText(progress.received, progress.size);
    }
}
