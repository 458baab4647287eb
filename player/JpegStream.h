#pragma once
// Puts the JPEG data movies hold into the one plain stream an image decoder takes. Movies
// split it: a tables-only stream (DefineBits with its JPEGTables) or a tables stream followed
// by the image in the same tag, and some writers put a stray end-of-image, start-of-image pair
// first. Platform-neutral.
#include <cstddef>
#include <cstdint>
#include <vector>

// True when the bytes look like JPEG data at all (start or end of image first).
bool IsJpegData(const std::uint8_t* data, std::size_t size);

// One stream from the parts in order: every segment before the image's scan, without the
// start and end markers in between, then the scan to the end. False, leaving `stream` empty,
// when the parts are not marker segments.
bool JoinJpegStreams(const std::vector<std::pair<const std::uint8_t*, std::size_t>>& parts,
                     std::vector<std::uint8_t>& stream);
