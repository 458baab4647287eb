#include "JpegStream.h"

namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;

// Markers that stand alone, with no length after them.
bool IsBare(std::uint8_t code)
{
    return code == kStartOfImage || code == kEndOfImage || code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}

} // namespace

bool IsJpegData(const std::uint8_t* data, std::size_t size)
{
    return size >= 2 && data[0] == kMarker && (data[1] == kStartOfImage || data[1] == kEndOfImage);
}

bool JoinJpegStreams(const std::vector<std::pair<const std::uint8_t*, std::size_t>>& parts,
                     std::vector<std::uint8_t>& stream)
{
    stream.assign({kMarker, kStartOfImage});
    for (const auto& [data, size] : parts) {
        std::size_t pos = 0;
        while (pos < size) {
            if (data[pos] != kMarker) {
                stream.clear();
                return false;
            }
            // Fill bytes may stand before any marker.
            while (pos + 1 < size && data[pos + 1] == kMarker) ++pos;
            if (pos + 1 >= size) break;
            const std::uint8_t code = data[pos + 1];
            if (IsBare(code)) {
                pos += 2;
                continue;
            }
            if (code == kStartOfScan) {
                // The scan's entropy-coded data runs to the image's end; it is taken whole.
                stream.insert(stream.end(), data + pos, data + size);
                if (stream.size() < 2 || stream[stream.size() - 2] != kMarker || stream.back() != kEndOfImage)
                    stream.insert(stream.end(), {kMarker, kEndOfImage});
                return true;
            }
            if (pos + 4 > size) break;
            const std::size_t length = static_cast<std::size_t>(data[pos + 2]) << 8 | data[pos + 3];
            if (length < 2 || pos + 2 + length > size) {
                stream.clear();
                return false;
            }
            stream.insert(stream.end(), data + pos, data + pos + 2 + length);
            pos += 2 + length;
        }
    }
    // Tables only, no image.
    stream.clear();
    return false;
}
