#pragma once
// Failure codes of a download, reported with WM_NET_STATUS after those of NetStatus.
enum DownloadStatus {
    NET_ERR_HTTP_STATUS = 12,     // value: the status code (0 when the status line is unreadable)
    NET_ERR_NO_HEAD = 13,         // no blank line after the head
    NET_ERR_BAD_FILE_NAME = 14,   // MovieFileName refused the address
    NET_ERR_WRITE = 15,           // value: the system error
    NET_ERR_INCOMPLETE = 16,      // the body ended before its Content-Length; value: the bytes that came
};
