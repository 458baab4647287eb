#pragma once
// What the download worker reads from a response's head. Platform-neutral.
#include <string>
#include <string_view>

// Longest Content-Length text kept; a longer value counts as absent (no byte count of a real
// movie needs 16 digits, and a cut value would show a wrong size).
constexpr std::size_t kMaxLengthText = 15;

// Offset of the first CR LF CR LF, or npos.
std::size_t FindHeadEnd(std::string_view data);

// The Content-Length value as the first piece shows it: the header name in any letter case with
// exactly one blank after the colon, the value up to the line feed less its carriage return.
// Only the text before the first zero byte counts. Empty when absent, unfinished in the piece,
// or longer than kMaxLengthText.
std::string LengthTextOf(std::string_view firstPiece);

// The number of the status line ("HTTP/1.0 404 Not Found" gives 404); 0 when the response does
// not begin with a complete status line.
int StatusCodeOf(std::string_view response);
