#pragma once
// LZMA decoding, as LZMA-compressed movies store their body: five property bytes (the literal
// and position bit counts, then the dictionary size), then the range-coded stream, which ends
// at a known output length or at an end marker. Platform-neutral.
#include <cstddef>
#include <cstdint>
#include <vector>

enum class LzmaStatus {
    Ok,         // `expected` bytes decoded, or the end marker met
    Truncated,  // the input ended first; what was decoded so far is in `out`
    BadData,    // bad properties, a distance before the start, an end marker too early
    TooLarge,   // the output would pass maxOutput; `out` holds the first maxOutput bytes
};

// Decodes into `out` (emptied first) up to `expected` bytes; the stream may also end earlier
// with an end marker. Never more than maxOutput bytes; reads nothing past data + size.
LzmaStatus LzmaDecode(const std::uint8_t* properties, const std::uint8_t* data, std::size_t size,
                      std::size_t expected, std::size_t maxOutput, std::vector<std::uint8_t>& out);
