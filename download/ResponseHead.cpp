#include "ResponseHead.h"

#include <algorithm>
#include <cctype>

std::size_t FindHeadEnd(std::string_view data)
{
    return data.find("\r\n\r\n");
}

std::string LengthTextOf(std::string_view firstPiece)
{
    const std::string_view text = firstPiece.substr(0, firstPiece.find('\0'));
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

    static constexpr std::string_view kName = "content-length: ";
    const std::size_t name = lower.find(kName);
    if (name == std::string::npos) return {};
    const std::size_t start = name + kName.size();
    const std::size_t lineFeed = lower.find('\n', start);
    if (lineFeed == std::string::npos) return {};
    std::size_t end = lineFeed;
    if (end > start && text[end - 1] == '\r') --end;
    if (end - start > kMaxLengthText) return {};
    return std::string(text.substr(start, end - start));
}

int StatusCodeOf(std::string_view response)
{
    const std::size_t lineEnd = response.find('\n');
    if (lineEnd == std::string_view::npos || response.substr(0, 5) != "HTTP/") return 0;
    const std::string_view line = response.substr(0, lineEnd);
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return 0;
    std::size_t at = line.find_first_not_of(' ', blank);
    int code = 0;
    int digits = 0;
    for (; at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])) && digits < 3; ++at, ++digits)
        code = code * 10 + (line[at] - '0');
    const bool endsThere = at >= line.size() || !std::isdigit(static_cast<unsigned char>(line[at]));
    return digits == 3 && endsThere ? code : 0;
}
