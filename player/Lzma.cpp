#include "Lzma.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

constexpr int kProbabilityBits = 11;
constexpr std::uint16_t kHalf = 1 << (kProbabilityBits - 1);
constexpr int kMoveBits = 5;
constexpr int kStates = 12;
constexpr int kMaxPositionStates = 16;  // 1 << the largest position bit count, 4
constexpr int kLengthStates = 4;
constexpr int kEndOfModelSlot = 14;
constexpr int kFullDistances = 128;
constexpr int kAlignBits = 4;
constexpr std::uint32_t kTopValue = 1u << 24;

// The adaptive probabilities of the lengths of one kind of match.
struct LengthModel {
    std::uint16_t choice = kHalf;
    std::uint16_t choice2 = kHalf;
    std::array<std::array<std::uint16_t, 8>, kMaxPositionStates> low;
    std::array<std::array<std::uint16_t, 8>, kMaxPositionStates> mid;
    std::array<std::uint16_t, 256> high;

    LengthModel()
    {
        for (auto& tree : low) tree.fill(kHalf);
        for (auto& tree : mid) tree.fill(kHalf);
        high.fill(kHalf);
    }
};

class CLzmaDecoder {
public:
    CLzmaDecoder(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out)
        : m_pData(data), m_nSize(size), m_out(out)
    {
    }

    LzmaStatus Run(const std::uint8_t* properties, std::size_t expected, std::size_t maxOutput)
    {
        int value = properties[0];
        if (value >= 9 * 5 * 5) return LzmaStatus::BadData;
        m_nLiteralBits = value % 9;
        value /= 9;
        m_nLiteralPositionBits = value % 5;
        m_nPositionBits = value / 5;
        m_literals.assign(std::size_t{0x300} << (m_nLiteralBits + m_nLiteralPositionBits), kHalf);
        for (auto& row : m_isMatch) row.fill(kHalf);
        for (auto& row : m_isRep0Long) row.fill(kHalf);
        m_isRep.fill(kHalf);
        m_isRepG0.fill(kHalf);
        m_isRepG1.fill(kHalf);
        m_isRepG2.fill(kHalf);
        for (auto& tree : m_slots) tree.fill(kHalf);
        m_special.fill(kHalf);
        m_align.fill(kHalf);

        // The coder starts with a zero byte and four bytes of code.
        if (NextByte() != 0) return Fail(LzmaStatus::BadData);
        for (int i = 0; i < 4; ++i) m_nCode = (m_nCode << 8) | NextByte();
        if (m_status != LzmaStatus::Ok) return m_status;
        if (m_nCode == m_nRange) return LzmaStatus::BadData;

        const std::size_t limit = std::min(expected, maxOutput);
        while (m_status == LzmaStatus::Ok && m_out.size() < limit) {
            if (!Step(limit)) break;
        }
        if (m_status == LzmaStatus::Ok && m_out.size() >= maxOutput && expected > maxOutput)
            return LzmaStatus::TooLarge;
        return m_status;
    }

private:
    LzmaStatus Fail(LzmaStatus status)
    {
        if (m_status == LzmaStatus::Ok) m_status = status;
        return m_status;
    }

    std::uint8_t NextByte()
    {
        if (m_nPos >= m_nSize) {
            Fail(LzmaStatus::Truncated);
            return 0;
        }
        return m_pData[m_nPos++];
    }

    void Normalize()
    {
        if (m_nRange < kTopValue) {
            m_nRange <<= 8;
            m_nCode = (m_nCode << 8) | NextByte();
        }
    }

    unsigned Bit(std::uint16_t& probability)
    {
        const std::uint32_t bound = (m_nRange >> kProbabilityBits) * probability;
        unsigned bit = 0;
        if (m_nCode < bound) {
            m_nRange = bound;
            probability += static_cast<std::uint16_t>(((1 << kProbabilityBits) - probability) >> kMoveBits);
        } else {
            m_nRange -= bound;
            m_nCode -= bound;
            probability -= static_cast<std::uint16_t>(probability >> kMoveBits);
            bit = 1;
        }
        Normalize();
        return bit;
    }

    std::uint32_t DirectBits(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            m_nRange >>= 1;
            unsigned bit = 0;
            if (m_nCode >= m_nRange) {
                m_nCode -= m_nRange;
                bit = 1;
            }
            value = (value << 1) | bit;
            Normalize();
        }
        return value;
    }

    // Most significant bit first through a tree of 2^count probabilities.
    unsigned Tree(std::uint16_t* probabilities, int count)
    {
        unsigned node = 1;
        for (int i = 0; i < count; ++i) node = (node << 1) | Bit(probabilities[node]);
        return node - (1u << count);
    }

    // Least significant bit first.
    unsigned ReverseTree(std::uint16_t* probabilities, int count)
    {
        unsigned node = 1;
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            const unsigned bit = Bit(probabilities[node]);
            node = (node << 1) | bit;
            value |= bit << i;
        }
        return value;
    }

    unsigned Length(LengthModel& model, unsigned positionState)
    {
        if (Bit(model.choice) == 0) return Tree(model.low[positionState].data(), 3);
        if (Bit(model.choice2) == 0) return 8 + Tree(model.mid[positionState].data(), 3);
        return 16 + Tree(model.high.data(), 8);
    }

    std::uint32_t Distance(unsigned length)
    {
        const unsigned lengthState = std::min(length, static_cast<unsigned>(kLengthStates - 1));
        const unsigned slot = Tree(m_slots[lengthState].data(), 6);
        if (slot < 4) return slot;
        const int directBits = static_cast<int>(slot >> 1) - 1;
        std::uint32_t distance = (2 | (slot & 1)) << directBits;
        if (slot < kEndOfModelSlot) return distance + ReverseTree(m_special.data() + distance - slot, directBits);
        distance += DirectBits(directBits - kAlignBits) << kAlignBits;
        return distance + ReverseTree(m_align.data(), kAlignBits);
    }

    void Literal()
    {
        const std::size_t position = m_out.size();
        const unsigned previous = position > 0 ? m_out.back() : 0;
        const std::size_t literalState = ((position & ((1u << m_nLiteralPositionBits) - 1)) << m_nLiteralBits) +
                                         (previous >> (8 - m_nLiteralBits));
        std::uint16_t* probabilities = m_literals.data() + literalState * 0x300;
        unsigned symbol = 1;
        if (m_nState >= 7) {
            // After a match the byte at the match distance steers the first bits.
            unsigned matchByte = m_out[position - m_rep[0] - 1];
            while (symbol < 0x100) {
                const unsigned matchBit = (matchByte >> 7) & 1;
                matchByte <<= 1;
                const unsigned bit = Bit(probabilities[((1 + matchBit) << 8) + symbol]);
                symbol = (symbol << 1) | bit;
                if (matchBit != bit) break;
            }
        }
        while (symbol < 0x100) symbol = (symbol << 1) | Bit(probabilities[symbol]);
        m_out.push_back(static_cast<std::uint8_t>(symbol - 0x100));
        m_nState = m_nState < 4 ? 0 : m_nState < 10 ? m_nState - 3 : m_nState - 6;
    }

    // One literal or match; false once the end marker is read.
    bool Step(std::size_t limit)
    {
        const unsigned positionState = m_out.size() & ((1u << m_nPositionBits) - 1);
        if (Bit(m_isMatch[m_nState][positionState]) == 0) {
            Literal();
            return true;
        }
        unsigned length = 0;
        if (Bit(m_isRep[m_nState]) == 0) {
            m_rep[3] = m_rep[2];
            m_rep[2] = m_rep[1];
            m_rep[1] = m_rep[0];
            length = Length(m_matchLengths, positionState);
            m_nState = m_nState < 7 ? 7 : 10;
            m_rep[0] = Distance(length);
            if (m_rep[0] == 0xFFFFFFFFu) return false;  // end marker
        } else {
            if (m_out.empty()) {
                Fail(LzmaStatus::BadData);
                return false;
            }
            if (Bit(m_isRepG0[m_nState]) == 0) {
                if (Bit(m_isRep0Long[m_nState][positionState]) == 0) {
                    m_nState = m_nState < 7 ? 9 : 11;
                    return Copy(1, limit);
                }
            } else {
                std::uint32_t distance = 0;
                if (Bit(m_isRepG1[m_nState]) == 0) {
                    distance = m_rep[1];
                } else {
                    if (Bit(m_isRepG2[m_nState]) == 0) {
                        distance = m_rep[2];
                    } else {
                        distance = m_rep[3];
                        m_rep[3] = m_rep[2];
                    }
                    m_rep[2] = m_rep[1];
                }
                m_rep[1] = m_rep[0];
                m_rep[0] = distance;
            }
            length = Length(m_repLengths, positionState);
            m_nState = m_nState < 7 ? 8 : 11;
        }
        return Copy(length + 2, limit);
    }

    bool Copy(std::size_t length, std::size_t limit)
    {
        if (m_status != LzmaStatus::Ok) return false;
        if (m_rep[0] >= m_out.size()) {
            Fail(LzmaStatus::BadData);
            return false;
        }
        std::size_t from = m_out.size() - m_rep[0] - 1;
        const std::size_t count = std::min(length, limit - m_out.size());
        for (std::size_t i = 0; i < count; ++i) m_out.push_back(m_out[from++]);
        return true;
    }

    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
    std::vector<std::uint8_t>& m_out;
    LzmaStatus m_status = LzmaStatus::Ok;
    std::uint32_t m_nRange = 0xFFFFFFFFu;
    std::uint32_t m_nCode = 0;
    int m_nLiteralBits = 0;
    int m_nLiteralPositionBits = 0;
    int m_nPositionBits = 0;
    unsigned m_nState = 0;
    std::array<std::uint32_t, 4> m_rep{};
    std::vector<std::uint16_t> m_literals;
    std::array<std::array<std::uint16_t, kMaxPositionStates>, kStates> m_isMatch;
    std::array<std::array<std::uint16_t, kMaxPositionStates>, kStates> m_isRep0Long;
    std::array<std::uint16_t, kStates> m_isRep;
    std::array<std::uint16_t, kStates> m_isRepG0;
    std::array<std::uint16_t, kStates> m_isRepG1;
    std::array<std::uint16_t, kStates> m_isRepG2;
    std::array<std::array<std::uint16_t, 64>, kLengthStates> m_slots;
    std::array<std::uint16_t, 1 + kFullDistances - kEndOfModelSlot> m_special;
    std::array<std::uint16_t, 1 << kAlignBits> m_align;
    LengthModel m_matchLengths;
    LengthModel m_repLengths;
};

} // namespace

LzmaStatus LzmaDecode(const std::uint8_t* properties, const std::uint8_t* data, std::size_t size,
                      std::size_t expected, std::size_t maxOutput, std::vector<std::uint8_t>& out)
{
    out.clear();
    // The decoder's tables take about 30 KiB, too much for a thread's stack under the sanitizers.
    auto decoder = std::make_unique<CLzmaDecoder>(data, size, out);
    return decoder->Run(properties, expected, maxOutput);
}
