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

// Reads the four numbers at the character offsets 0, 5, 10 and 15 (each the way atoi reads).
// A text shorter than that is read by its blanks instead; absent (nullopt) when it is empty or
// does not give four numbers.
std::optional<StoredRect> ParseStoredRect(std::string_view text);
