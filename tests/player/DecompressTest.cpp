#include "Inflate.h"
#include "Lzma.h"

#include "SwfBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The reference streams below come from stock compressors: zlib at level 9, and LZMA in its
// .lzma form (properties first, then the stream, which ends with an end marker).
const std::string kHelloFixed = "78dacb48cdc9c957c84027150170d508d2";
const std::string kLinesDynamic =
    "78da95d2591282301004d07f4ed147c80488e06d10a3a291208ba0a7b774e201fa7bead56c1dbadec3ec315f3c1e4bd7de7018e3dae3"
    "14375c97fb30213efdf82b87e6fdc2319e61b2f055c22951653955a8ca3955ab2ac8099db29263b654e63896a76e3bf22069b78a632e"
    "1db2e65895be266444c4fc43c2a6c44af60112f7e277";
const std::string kStored = "7801010700f8ff73746f726564210bef02b3";
const std::string kLinesLzmaProperties = "5d00008000";  // 3 literal bits, 0 position, 2 state
const std::string kLinesLzma =
    "00361a4a1f08a026564e0d6cb8a5ed639c8e7cdb4ef69e4b7818565cf726ebd4a36e1c46100c586ae741921d7f584bc57f64509ee751"
    "f0bad845ed6bfae8b094acc1c9be193e871830dd4b6d19737e50505ab0d17650080cc72f72db9dd3bf64b251c00ec4db405dab8b272c"
    "4e58237fefd300bc5271fffaba8800";
const std::string kLinesLzmaOddProperties = "1200100000";  // 0 literal bits, 2 position, 0 state
const std::string kLinesLzmaOdd =
    "00361b1d14df11e65fe4432c069e7bfd02a68d5c24ae5071bed17e26fae226f31c086530391d4b8285d7cae25f7bebbcced3e862c848"
    "897c13c0614a3b044bd7785dd7ff76383b15e6ffca865c0aebe2f9397d104cb8ba462e112ddd4132481092fa5da517601bdbb9dfe56e"
    "a0cd9b922ccf3c54de64fd360290dffe5315f6";

std::string Lines()
{
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog " +
                std::to_string(i * i) + "\n";
    return text;
}

// A fixed-code block: one literal zero, then `repeats` copies of 258 bytes at distance 1 (13
// bits each), so a few bytes stand for hundreds of times as many.
Bytes Bomb(int repeats)
{
    Bytes out = {0x78, 0x01};
    std::uint32_t buffer = 0;
    int count = 0;
    const auto put = [&](std::uint32_t value, int bits) {  // least significant bit first
        buffer |= value << count;
        count += bits;
        while (count >= 8) {
            out.push_back(static_cast<std::uint8_t>(buffer));
            buffer >>= 8;
            count -= 8;
        }
    };
    // Huffman codes go most significant bit first, so they are reversed before packing.
    const auto code = [&](std::uint32_t value, int bits) {
        std::uint32_t reversed = 0;
        for (int i = 0; i < bits; ++i) reversed |= ((value >> i) & 1) << (bits - 1 - i);
        put(reversed, bits);
    };
    put(1, 1);        // last block
    put(1, 2);        // fixed codes
    code(0x30, 8);    // literal 0
    for (int i = 0; i < repeats; ++i) {
        code(0xC5, 8);  // length 258
        code(0, 5);     // distance 1
    }
    code(0, 7);  // end of block
    if (count > 0) put(0, 8 - count);
    out.insert(out.end(), 4, 0);  // a checksum that cannot match
    return out;
}

struct Decoded {
    InflateStatus status;
    Bytes out;
};

Decoded Inflate(const Bytes& in, std::size_t maxOutput = 1 << 20)
{
    Decoded result;
    result.status = ZlibInflate(in.data(), in.size(), maxOutput, result.out);
    return result;
}

TEST(Inflate, DecodesEveryKindOfBlock)
{
    EXPECT_EQ(Text(Inflate(FromHex(kStored)).out), "stored!");
    EXPECT_EQ(Text(Inflate(FromHex(kHelloFixed)).out), "hello hello hello hello!");
    const Decoded lines = Inflate(FromHex(kLinesDynamic));
    EXPECT_EQ(lines.status, InflateStatus::Ok);
    EXPECT_EQ(Text(lines.out), Lines());

    Bytes big(200000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + i / 300);
    const Decoded several = Inflate(ZlibStored(big, 1000));
    EXPECT_EQ(several.status, InflateStatus::Ok);
    EXPECT_EQ(several.out, big) << "stored blocks one after another";
    EXPECT_EQ(Inflate(ZlibStored({})).status, InflateStatus::Ok) << "an empty stream";
}

TEST(Inflate, RefusesDamagedStreams)
{
    const Bytes good = FromHex(kLinesDynamic);
    struct Case {
        const char* what;
        Bytes in;
        InflateStatus status;
    };
    const Bytes badAdler = Flipped(good, good.size() - 1, 1);
    const Bytes badHeaderCheck = Flipped(good, 1, 1);
    Bytes dictionary = {0x78, 0xBB};  // passes the header check, asks for a preset dictionary
    Bytes badMethod = {0x79, 0x9C};
    Bytes reserved = {0x78, 0x01, 0x07};  // block type 3
    const Bytes storedLength = Flipped(FromHex(kStored), 4, 0xFF);  // the length's complement no longer matches
    Bytes badDistance = {0x78, 0x01, 0x03, 0x02};  // fixed block opening with a back-reference
    const Case cases[] = {
        {"checksum off by one bit", badAdler, InflateStatus::BadChecksum},
        {"header check", badHeaderCheck, InflateStatus::BadData},
        {"preset dictionary", dictionary, InflateStatus::BadData},
        {"not deflate", badMethod, InflateStatus::BadData},
        {"reserved block type", reserved, InflateStatus::BadData},
        {"stored length complement", storedLength, InflateStatus::BadData},
        {"distance before the start", badDistance, InflateStatus::BadData},
        {"empty", {}, InflateStatus::Truncated},
        {"header only", {0x78, 0x9C}, InflateStatus::Truncated},
        {"no checksum", Bytes(good.begin(), good.end() - 4), InflateStatus::Truncated},
        {"cut in the middle", Bytes(good.begin(), good.begin() + 60), InflateStatus::Truncated},
    };
    for (const Case& c : cases) EXPECT_EQ(Inflate(c.in).status, c.status) << c.what;
}

TEST(Inflate, EveryCutOfAStreamStopsCleanly)
{
    // Under the sanitizers: no cut makes the decoder read past the bytes it was given.
    for (const std::string& hex : {kStored, kHelloFixed, kLinesDynamic}) {
        const Bytes whole = FromHex(hex);
        for (std::size_t size = 0; size < whole.size(); ++size) {
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(Inflate(cut).status, InflateStatus::Truncated) << hex << " cut at " << size;
        }
    }
}

TEST(Inflate, StopsAtTheOutputBound)
{
    const Bytes bomb = Bomb(100000);  // 25.8 MB from 160 KB
    const Decoded limited = Inflate(bomb, 1 << 20);
    EXPECT_EQ(limited.status, InflateStatus::TooLarge);
    EXPECT_EQ(limited.out.size(), std::size_t{1} << 20);
    EXPECT_EQ(limited.out[12345], 0);

    const Decoded small = Inflate(Bomb(3), 774);  // 1 + 3 × 258 = 775 bytes
    EXPECT_EQ(small.status, InflateStatus::TooLarge);
    EXPECT_EQ(small.out.size(), 774u);
    EXPECT_EQ(Inflate(Bomb(3), 775).status, InflateStatus::BadChecksum) << "fits exactly; the bomb has no checksum";

    const Decoded stored = Inflate(FromHex(kStored), 3);
    EXPECT_EQ(stored.status, InflateStatus::TooLarge);
    EXPECT_EQ(Text(stored.out), "sto");
}

struct Unpacked {
    LzmaStatus status;
    std::string text;
};

Unpacked Unlzma(const std::string& properties, const Bytes& stream, std::size_t expected,
                std::size_t maxOutput = 1 << 20)
{
    const Bytes props = FromHex(properties);
    Bytes out = {'x'};
    const LzmaStatus status = LzmaDecode(props.data(), stream.data(), stream.size(), expected, maxOutput, out);
    return {status, Text(out)};
}

TEST(Lzma, DecodesToTheEndMarkerOrTheKnownLength)
{
    const Bytes stream = FromHex(kLinesLzma);
    const Unpacked marker = Unlzma(kLinesLzmaProperties, stream, 1 << 20);
    EXPECT_EQ(marker.status, LzmaStatus::Ok);
    EXPECT_EQ(marker.text, Lines()) << "ends at the marker; what was in `out` before is gone";
    const Unpacked known = Unlzma(kLinesLzmaProperties, stream, Lines().size());
    EXPECT_EQ(known.status, LzmaStatus::Ok);
    EXPECT_EQ(known.text, Lines());
    const Unpacked shorter = Unlzma(kLinesLzmaProperties, stream, 100);
    EXPECT_EQ(shorter.status, LzmaStatus::Ok) << "a movie's length may end the stream early";
    EXPECT_EQ(shorter.text, Lines().substr(0, 100));
    const Unpacked odd = Unlzma(kLinesLzmaOddProperties, FromHex(kLinesLzmaOdd), 1 << 20);
    EXPECT_EQ(odd.status, LzmaStatus::Ok);
    EXPECT_EQ(odd.text, Lines()) << "literal position bits in use";
}

TEST(Lzma, RefusesDamagedStreamsAndStopsAtTheBound)
{
    const Bytes stream = FromHex(kLinesLzma);
    EXPECT_EQ(Unlzma("e100008000", stream, 1000).status, LzmaStatus::BadData) << "properties out of range";
    EXPECT_EQ(Unlzma(kLinesLzmaProperties, Flipped(stream, 0, 1), 1000).status, LzmaStatus::BadData)
        << "the coder's zero byte";

    const Unpacked bounded = Unlzma(kLinesLzmaProperties, stream, 1 << 20, 50);
    EXPECT_EQ(bounded.status, LzmaStatus::TooLarge);
    EXPECT_EQ(bounded.text, Lines().substr(0, 50));

    for (std::size_t size = 0; size < stream.size(); ++size) {
        const Bytes cut(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(size));
        const LzmaStatus status = Unlzma(kLinesLzmaProperties, cut, 1 << 20).status;
        EXPECT_TRUE(status == LzmaStatus::Truncated || status == LzmaStatus::BadData) << "cut at " << size;
    }
    for (std::size_t i = 5; i < stream.size(); i += 7) {
        const Unpacked damaged = Unlzma(kLinesLzmaProperties, Flipped(stream, i, 0x10), 1 << 20, 4096);
        EXPECT_LE(damaged.text.size(), 4096u) << "a flipped bit at " << i;
    }
}

} // namespace
