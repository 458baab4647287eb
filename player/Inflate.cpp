#include "Inflate.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr int kMaxCodeBits = 15;
constexpr int kLiteralCodes = 288;  // 286 and 287 take part in the fixed code but never occur
constexpr int kDistanceCodes = 32;  // likewise 30 and 31
constexpr int kEndOfBlock = 256;

constexpr std::array<std::uint16_t, 29> kLengthBase = {
    3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769,
    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block lists the lengths of the code-length code.
constexpr std::array<std::uint8_t, 19> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A canonical Huffman code as counts per length and symbols in code order; decoding walks the
// lengths one bit at a time, which needs no table and cannot be led out of bounds.
struct HuffmanCode {
    std::array<std::uint16_t, kMaxCodeBits + 1> count{};
    std::array<std::uint16_t, kLiteralCodes> symbol{};

    // False for an over-subscribed set of lengths. Incomplete codes are accepted; a bit
    // pattern they leave unassigned fails when it is met.
    bool Build(const std::uint8_t* lengths, int symbols)
    {
        count.fill(0);
        for (int i = 0; i < symbols; ++i) ++count[lengths[i]];
        count[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            left = (left << 1) - count[len];
            if (left < 0) return false;
        }
        std::array<std::uint16_t, kMaxCodeBits + 2> offset{};
        for (int len = 1; len <= kMaxCodeBits; ++len) offset[len + 1] = offset[len] + count[len];
        for (int i = 0; i < symbols; ++i) {
            if (lengths[i] != 0) symbol[offset[lengths[i]]++] = static_cast<std::uint16_t>(i);
        }
        return true;
    }
};

class CInflater {
public:
    CInflater(const std::uint8_t* data, std::size_t size, std::size_t maxOutput, std::vector<std::uint8_t>& out)
        : m_pData(data), m_nSize(size), m_nMaxOutput(maxOutput), m_out(out), m_nStart(out.size())
    {
    }

    InflateStatus Run()
    {
        const unsigned cmf = Bits(8);
        const unsigned flg = Bits(8);
        if (m_status != InflateStatus::Ok) return m_status;
        // Method 8 (deflate), a window of at most 32 KiB, a header checksum, no preset dictionary.
        if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || ((cmf << 8) | flg) % 31 != 0 || (flg & 0x20) != 0)
            return InflateStatus::BadData;
        bool last = false;
        while (!last && m_status == InflateStatus::Ok) {
            last = Bits(1) != 0;
            switch (Bits(2)) {
            case 0: StoredBlock(); break;
            case 1: FixedBlock(); break;
            case 2: DynamicBlock(); break;
            default: Fail(InflateStatus::BadData); break;
            }
        }
        if (m_status != InflateStatus::Ok) return m_status;
        m_nBitCount -= m_nBitCount % 8;
        std::uint32_t expected = 0;
        for (int i = 0; i < 4; ++i) expected = (expected << 8) | Bits(8);
        if (m_status != InflateStatus::Ok) return m_status;
        const std::size_t produced = m_out.size() - m_nStart;
        return Adler32(m_out.data() + m_nStart, produced) == expected ? InflateStatus::Ok : InflateStatus::BadChecksum;
    }

private:
    void Fail(InflateStatus status)
    {
        if (m_status == InflateStatus::Ok) m_status = status;
    }

    // Bits are taken from the least significant end of each byte, as DEFLATE packs them.
    unsigned Bits(int count)
    {
        while (m_nBitCount < count) {
            if (m_nPos >= m_nSize) {
                Fail(InflateStatus::Truncated);
                return 0;
            }
            m_nBitBuffer |= static_cast<std::uint64_t>(m_pData[m_nPos++]) << m_nBitCount;
            m_nBitCount += 8;
        }
        const unsigned value = static_cast<unsigned>(m_nBitBuffer & ((std::uint64_t{1} << count) - 1));
        m_nBitBuffer >>= count;
        m_nBitCount -= count;
        return value;
    }

    bool Room(std::size_t count)
    {
        if (m_out.size() - m_nStart + count <= m_nMaxOutput) return true;
        Fail(InflateStatus::TooLarge);
        return false;
    }

    void StoredBlock()
    {
        const int drop = m_nBitCount % 8;
        m_nBitBuffer >>= drop;
        m_nBitCount -= drop;
        const unsigned len = Bits(16);
        const unsigned complement = Bits(16);
        if (m_status != InflateStatus::Ok) return;
        if (len != (~complement & 0xFFFF)) return Fail(InflateStatus::BadData);
        unsigned left = len;
        // Whole bytes still held in the bit buffer come first.
        while (left > 0 && m_nBitCount >= 8) {
            if (!Room(1)) return;
            m_out.push_back(static_cast<std::uint8_t>(Bits(8)));
            --left;
        }
        const std::size_t available = m_nSize - m_nPos;
        const std::size_t take = std::min<std::size_t>(left, available);
        const std::size_t room = m_nMaxOutput - (m_out.size() - m_nStart);
        m_out.insert(m_out.end(), m_pData + m_nPos, m_pData + m_nPos + std::min(take, room));
        m_nPos += std::min(take, room);
        if (take > room) return Fail(InflateStatus::TooLarge);
        if (take < left) Fail(InflateStatus::Truncated);
    }

    int Decode(const HuffmanCode& code)
    {
        int bits = 0;
        int first = 0;
        int index = 0;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            bits |= static_cast<int>(Bits(1));
            if (m_status != InflateStatus::Ok) return -1;
            const int count = code.count[len];
            if (bits - first < count) return code.symbol[index + bits - first];
            index += count;
            first = (first + count) << 1;
            bits <<= 1;
        }
        Fail(InflateStatus::BadData);
        return -1;
    }

    void Codes(const HuffmanCode& literals, const HuffmanCode& distances)
    {
        while (m_status == InflateStatus::Ok) {
            const int symbol = Decode(literals);
            if (symbol < 0 || symbol == kEndOfBlock) return;
            if (symbol < kEndOfBlock) {
                if (!Room(1)) return;
                m_out.push_back(static_cast<std::uint8_t>(symbol));
                continue;
            }
            const int lengthCode = symbol - 257;
            if (lengthCode >= static_cast<int>(kLengthBase.size())) return Fail(InflateStatus::BadData);
            const std::size_t length = kLengthBase[lengthCode] + Bits(kLengthExtra[lengthCode]);
            const int distanceCode = Decode(distances);
            if (distanceCode < 0) return;
            if (distanceCode >= static_cast<int>(kDistanceBase.size())) return Fail(InflateStatus::BadData);
            const std::size_t distance = kDistanceBase[distanceCode] + Bits(kDistanceExtra[distanceCode]);
            if (m_status != InflateStatus::Ok) return;
            if (distance > m_out.size() - m_nStart) return Fail(InflateStatus::BadData);
            const bool fits = Room(length);
            const std::size_t copy = fits ? length : m_nMaxOutput - (m_out.size() - m_nStart);
            // Byte by byte: the source may overlap the bytes this copy appends.
            std::size_t from = m_out.size() - distance;
            for (std::size_t i = 0; i < copy; ++i) m_out.push_back(m_out[from++]);
            if (!fits) return;
        }
    }

    void FixedBlock()
    {
        static const auto codes = [] {
            std::array<std::uint8_t, kLiteralCodes + kDistanceCodes> lengths{};
            std::fill(lengths.begin(), lengths.begin() + 144, 8);
            std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
            std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
            std::fill(lengths.begin() + 280, lengths.begin() + kLiteralCodes, 8);
            std::fill(lengths.begin() + kLiteralCodes, lengths.end(), 5);
            std::array<HuffmanCode, 2> built;
            built[0].Build(lengths.data(), kLiteralCodes);
            built[1].Build(lengths.data() + kLiteralCodes, kDistanceCodes);
            return built;
        }();
        Codes(codes[0], codes[1]);
    }

    void DynamicBlock()
    {
        const int literalCount = static_cast<int>(Bits(5)) + 257;
        const int distanceCount = static_cast<int>(Bits(5)) + 1;
        const int lengthCount = static_cast<int>(Bits(4)) + 4;
        if (m_status != InflateStatus::Ok) return;
        if (literalCount > 286 || distanceCount > 30) return Fail(InflateStatus::BadData);

        std::array<std::uint8_t, 19> codeLengthLengths{};
        for (int i = 0; i < lengthCount; ++i)
            codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(Bits(3));
        HuffmanCode lengthCode;
        if (!lengthCode.Build(codeLengthLengths.data(), 19)) return Fail(InflateStatus::BadData);

        std::array<std::uint8_t, kLiteralCodes + kDistanceCodes> lengths{};
        const int total = literalCount + distanceCount;
        int index = 0;
        while (index < total && m_status == InflateStatus::Ok) {
            const int symbol = Decode(lengthCode);
            if (symbol < 0) return;
            if (symbol < 16) {
                lengths[index++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint8_t value = 0;
            int repeat = 0;
            if (symbol == 16) {
                if (index == 0) return Fail(InflateStatus::BadData);
                value = lengths[index - 1];
                repeat = 3 + static_cast<int>(Bits(2));
            } else if (symbol == 17) {
                repeat = 3 + static_cast<int>(Bits(3));
            } else {
                repeat = 11 + static_cast<int>(Bits(7));
            }
            if (index + repeat > total) return Fail(InflateStatus::BadData);
            while (repeat-- > 0) lengths[index++] = value;
        }
        if (m_status != InflateStatus::Ok) return;
        if (lengths[kEndOfBlock] == 0) return Fail(InflateStatus::BadData);

        HuffmanCode literals;
        HuffmanCode distances;
        if (!literals.Build(lengths.data(), literalCount) ||
            !distances.Build(lengths.data() + literalCount, distanceCount))
            return Fail(InflateStatus::BadData);
        Codes(literals, distances);
    }

    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
    std::uint64_t m_nBitBuffer = 0;
    int m_nBitCount = 0;
    std::size_t m_nMaxOutput;
    std::vector<std::uint8_t>& m_out;
    std::size_t m_nStart;
    InflateStatus m_status = InflateStatus::Ok;
};

} // namespace

InflateStatus ZlibInflate(const std::uint8_t* data, std::size_t size, std::size_t maxOutput,
                          std::vector<std::uint8_t>& out)
{
    return CInflater(data, size, maxOutput, out).Run();
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size)
{
    constexpr std::uint32_t kModulus = 65521;
    // 5552 bytes is the longest run whose sums cannot overflow 32 bits before the reduction.
    constexpr std::size_t kRun = 5552;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    while (size > 0) {
        const std::size_t run = std::min(size, kRun);
        for (std::size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= kModulus;
        b %= kModulus;
        data += run;
        size -= run;
    }
    return (b << 16) | a;
}
