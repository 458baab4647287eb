#include "CBitReader.h"

std::uint8_t CBitReader::U8()
{
    Align();
    if (m_nPos >= m_nSize) {
        m_bFailed = true;
        return 0;
    }
    return m_pData[m_nPos++];
}

std::uint16_t CBitReader::U16()
{
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | (U8() << 8));
}

std::uint32_t CBitReader::U32()
{
    const std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
}

void CBitReader::Skip(std::size_t count)
{
    Align();
    if (count > Remaining()) {
        m_nPos = m_nSize;
        m_bFailed = true;
        return;
    }
    m_nPos += count;
}

std::string CBitReader::String()
{
    std::string text;
    for (std::uint8_t c = U8(); c != 0 && !m_bFailed; c = U8()) text.push_back(static_cast<char>(c));
    return text;
}

std::uint32_t CBitReader::UB(int bits)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bits; ++i) {
        if (m_nPos >= m_nSize) {
            m_bFailed = true;
            return 0;
        }
        value = (value << 1) | ((m_pData[m_nPos] >> (7 - m_nBit)) & 1u);
        if (++m_nBit == 8) {
            m_nBit = 0;
            ++m_nPos;
        }
    }
    return value;
}

std::int32_t CBitReader::SB(int bits)
{
    if (bits <= 0) return 0;
    const std::uint32_t value = UB(bits);
    if (bits >= 32) return static_cast<std::int32_t>(value);
    const std::uint32_t sign = 1u << (bits - 1);
    return static_cast<std::int32_t>(value ^ sign) - static_cast<std::int32_t>(sign);
}

StageRect CBitReader::Rect()
{
    Align();
    const int bits = static_cast<int>(UB(5));
    StageRect rect;
    rect.xMin = SB(bits);
    rect.xMax = SB(bits);
    rect.yMin = SB(bits);
    rect.yMax = SB(bits);
    Align();
    return rect;
}

Matrix CBitReader::ReadMatrix()
{
    Align();
    Matrix matrix;
    if (UB(1)) {
        const int bits = static_cast<int>(UB(5));
        matrix.a = FB(bits);
        matrix.d = FB(bits);
    }
    if (UB(1)) {
        const int bits = static_cast<int>(UB(5));
        matrix.b = FB(bits);
        matrix.c = FB(bits);
    }
    const int bits = static_cast<int>(UB(5));
    matrix.tx = SB(bits);
    matrix.ty = SB(bits);
    Align();
    return matrix;
}

Rgba CBitReader::Rgb()
{
    Rgba colour;
    colour.r = U8();
    colour.g = U8();
    colour.b = U8();
    return colour;
}

Rgba CBitReader::RgbaColour()
{
    Rgba colour = Rgb();
    colour.a = U8();
    return colour;
}

ColourTransform CBitReader::ReadColourTransform(bool withAlpha)
{
    Align();
    const bool hasAdd = UB(1) != 0;
    const bool hasMult = UB(1) != 0;
    const int bits = static_cast<int>(UB(4));
    ColourTransform transform;
    if (hasMult) {
        transform.multR = SB(bits) / 256.0f;
        transform.multG = SB(bits) / 256.0f;
        transform.multB = SB(bits) / 256.0f;
        if (withAlpha) transform.multA = SB(bits) / 256.0f;
    }
    if (hasAdd) {
        transform.addR = static_cast<float>(SB(bits));
        transform.addG = static_cast<float>(SB(bits));
        transform.addB = static_cast<float>(SB(bits));
        if (withAlpha) transform.addA = static_cast<float>(SB(bits));
    }
    Align();
    return transform;
}
