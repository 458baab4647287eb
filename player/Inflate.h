#pragma once
// zlib stream decoding (a two-byte zlib header, DEFLATE blocks, an Adler-32 trailer), as
// compressed movies and lossless bitmaps store their data. Platform-neutral.
#include <cstddef>
#include <cstdint>
#include <vector>

enum class InflateStatus {
    Ok,           // the whole stream decoded and its checksum matched
    Truncated,    // the input ended inside the stream; what was decoded so far is in `out`
    BadData,      // a malformed header, block or code
    BadChecksum,  // the data decoded but the Adler-32 trailer does not match it
    TooLarge,     // the output would pass maxOutput; `out` holds the first maxOutput bytes
};

// Appends the decoded bytes to `out`, never more than maxOutput of them. Reads nothing past
// data + size. A hostile stream costs at most maxOutput bytes of memory and time linear in
// size + maxOutput.
InflateStatus ZlibInflate(const std::uint8_t* data, std::size_t size, std::size_t maxOutput,
                          std::vector<std::uint8_t>& out);

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);
