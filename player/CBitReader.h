#pragma once
// Reads the fields of a movie's tags: little-endian integers and the bit fields that records
// pack most significant bit first. Reading past the end never touches memory beyond the data:
// it yields zeros and sets a flag that stays set. Platform-neutral.
#include "SwfTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CBitReader {
public:
    CBitReader(const std::uint8_t* data, std::size_t size) : m_pData(data), m_nSize(size) {}

    bool Failed() const { return m_bFailed; }
    // Bytes from the (byte-aligned) position to the end.
    std::size_t Remaining() const { return m_nPos < m_nSize ? m_nSize - m_nPos : 0; }
    std::size_t Position() const { return m_nPos; }
    const std::uint8_t* Here() const { return m_pData + m_nPos; }

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    void Skip(std::size_t count);
    // Up to the next zero byte, which is passed over.
    std::string String();

    // Bit fields; a run of them ends with Align before the next byte field.
    std::uint32_t UB(int bits);
    std::int32_t SB(int bits);
    double FB(int bits) { return SB(bits) / 65536.0; }
    void Align()
    {
        if (m_nBit != 0) {
            m_nBit = 0;
            ++m_nPos;
        }
    }

    StageRect Rect();
    Matrix ReadMatrix();
    Rgba Rgb();
    Rgba RgbaColour();
    ColourTransform ReadColourTransform(bool withAlpha);

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
    int m_nBit = 0;  // bits of the byte at m_nPos already read
    bool m_bFailed = false;
};
