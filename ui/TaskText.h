#pragma once
// Text rules of the task list, platform-neutral: file names of movie addresses, duplicate
// removal, size texts and the comma-terminated movie list of the command line.
#include "CDownloadControl.h"
#include "CString.h"
#include "CStringArray.h"
#include "TaskListFile.h"

// The name the movie is saved under (MovieFileName: query and fragment cut, forbidden
// characters replaced). For an address that names no file it can save, the part after its last
// "/" as written; without "/" after its first character, all but its first character.
CString FileNameOfAddress(const CString& address);

// Removes every later entry whose address equals (byte for byte) an earlier one's; keeps the
// order.
void RemoveDuplicates(std::vector<TaskEntry>& list);

// The Size column for a length text: "Unknown Size", "<n>byte" or "<n/1024>KB".
CString SizeText(const char* lengthText);

// Splits "a,b,c," at every ","; what follows the last "," is dropped, "" entries are kept.
CStringArray SplitMovieList(const CString& text);

// The Progress column while a download runs: received * 100 / size, rounded down, followed by
// "%"; "0%" while either is unknown (0). Not capped: a longer body shows more than 100.
CString ProgressText(long long received, long long size);

// The Progress column of a failed download, for the failure code and value it reported.
CString FailureText(int code, int value);

// The Progress column as the download control decides it: the percentage, "100%" once the
// file is written, "Waiting", or the failure's text.
CString RowProgressText(const RowProgress& progress);

// The bar drawn behind a row's Progress text: filled as far as the percentage goes (never past
// the cell), full once the file is written, full and red-tinted for a failure, none while the
// row waits.
struct ProgressBar {
    enum Kind { None, Normal, Failed };
    Kind kind = None;
    int percent = 0;   // 0 to 100
};
ProgressBar RowProgressBar(const RowProgress& progress);
