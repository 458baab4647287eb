#include "PlacementText.h"

#include <climits>
#include <cstdio>

#include "HttpAddress.h"

namespace {

int ToInt(long long value)
{
    return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Four numbers separated by blanks, each an optional sign and digits; nothing else.
std::optional<StoredRect> ReadByBlanks(std::string_view text)
{
    int values[4] = {};
    int count = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ') ++at;
        if (at == text.size()) break;
        std::size_t end = at;
        if (text[end] == '-' || text[end] == '+') ++end;
        const std::size_t digits = end;
        while (end < text.size() && IsDigit(text[end])) ++end;
        if (end == digits || (end < text.size() && text[end] != ' ') || count == 4) return std::nullopt;
        values[count++] = ToInt(ReadDecimal(text.substr(at, end - at)));
        at = end;
    }
    if (count != 4) return std::nullopt;
    return StoredRect{values[0], values[1], values[2], values[3]};
}

} // namespace

std::string FormatStoredRect(const StoredRect& rect)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d %04d %04d %04d", rect.left, rect.top, rect.right, rect.bottom);
    return text;
}

std::optional<StoredRect> ParseStoredRect(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    // The blanks say where each number ends, also for numbers wider than four characters (a
    // window left of or above the main screen is stored as "-1000 -1000 0500 0400").
    if (const auto byBlanks = ReadByBlanks(text)) return byBlanks;
    if (text.size() < 16) return std::nullopt;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) values[i] = ToInt(ReadDecimal(text.substr(static_cast<std::size_t>(i) * 5)));
    return StoredRect{values[0], values[1], values[2], values[3]};
}
