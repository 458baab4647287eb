#pragma once
// The stored form of the main window's normal rectangle: "%04d %04d %04d %04d" (left, top,
// right, bottom). Platform-neutral.
#include <optional>
#include <string>
#include <string_view>

struct StoredRect {
    int left, top, right, bottom;
    friend bool operator==(const StoredRect&, const StoredRect&) = default;
};

std::string FormatStoredRect(const StoredRect& rect);

// Reads four numbers separated by blanks. A text of 16 characters or more that is not that is
// read at the character offsets 0, 5, 10 and 15 (each the way atoi reads); absent (nullopt)
// when it is empty or does not give four numbers.
std::optional<StoredRect> ParseStoredRect(std::string_view text);
