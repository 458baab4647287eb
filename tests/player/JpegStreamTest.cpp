// The JPEG data of movies joined into one stream for the system's decoder, in every layout movies
// use: what the decoder is handed decides whether a movie's pictures show at all.
#include "JpegStream.h"

#include "SwfBuilder.h"

#include <gtest/gtest.h>

namespace {

TEST(JpegStream, PartsJoinIntoOnePlainStream)
{
    const Bytes tables = FromHex("FFD8 FFDB0004AABB FFC40003CC FFD9");
    const Bytes image = FromHex("FFD8 FFC0000411 22 FFDA000233 0102FF00 FFD9");
    const Bytes joined = FromHex("FFD8 FFDB0004AABB FFC40003CC FFC0000411 22 FFDA000233 0102FF00 FFD9");
    const struct {
        const char* layout;
        std::vector<Bytes> parts;
        Bytes expected;  // empty: not joinable
    } cases[] = {
        {"one plain stream", {joined}, joined},
        {"a stray end and start first", {Concat({FromHex("FFD9FFD8"), joined})}, joined},
        {"tables then image in one tag", {Concat({tables, image})}, joined},
        {"JPEGTables, then DefineBits", {tables, image}, joined},
        {"fill bytes before a marker", {FromHex("FFD8 FFFFFFDB0004AABB FFC40003CC FFC0000411 22 FFDA000233 0102FF00 FFD9")}, joined},
        {"a scan cut before its end", {FromHex("FFD8 FFC0000411 22 FFDA000233 0102")},
         FromHex("FFD8 FFC0000411 22 FFDA000233 0102 FFD9")},
        {"tables alone", {tables}, {}},
        {"a segment longer than the data", {FromHex("FFD8 FFDB00FF01")}, {}},
        {"not marker segments", {FromHex("FFD8 0102030405")}, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<const std::uint8_t*, std::size_t>> parts;
        for (const Bytes& part : c.parts) parts.emplace_back(part.data(), part.size());
        std::vector<std::uint8_t> stream;
        EXPECT_EQ(JoinJpegStreams(parts, stream), !c.expected.empty()) << c.layout;
        EXPECT_EQ(stream, c.expected) << c.layout;
    }
}

} // namespace
