#include "SwfTypes.h"

#include <algorithm>
#include <cmath>

bool Matrix::Invert(Matrix& inverse) const
{
    const double det = a * d - b * c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
    inverse.a = d / det;
    inverse.b = -b / det;
    inverse.c = -c / det;
    inverse.d = a / det;
    inverse.tx = -(inverse.a * tx + inverse.c * ty);
    inverse.ty = -(inverse.b * tx + inverse.d * ty);
    return true;
}

namespace {

std::uint8_t Channel(std::uint8_t value, float mult, float add)
{
    const float result = value * mult + add;
    // Also catches NaN, which compares false both ways.
    if (!(result > 0)) return 0;
    if (result >= 255) return 255;
    return static_cast<std::uint8_t>(result + 0.5f);
}

} // namespace

Rgba ColourTransform::Apply(Rgba colour) const
{
    return {Channel(colour.r, multR, addR), Channel(colour.g, multG, addG), Channel(colour.b, multB, addB),
            Channel(colour.a, multA, addA)};
}

void Font::Index()
{
    m_byCode.clear();
    for (std::size_t i = 0; i < codes.size() && i < glyphs.size(); ++i)
        m_byCode.emplace_back(codes[i], static_cast<std::uint16_t>(i));
    // The first glyph of a code wins where a font lists a code twice.
    std::stable_sort(m_byCode.begin(), m_byCode.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::sort(kerning.begin(), kerning.end());
}

int Font::FindGlyph(char32_t code) const
{
    if (code > 0xFFFF) return -1;
    const auto found = std::lower_bound(m_byCode.begin(), m_byCode.end(), std::make_pair(static_cast<std::uint16_t>(code), std::uint16_t{0}),
                                        [](const auto& a, const auto& b) { return a.first < b.first; });
    return found != m_byCode.end() && found->first == code ? found->second : -1;
}

double Font::Kerning(char32_t left, char32_t right) const
{
    if (kerning.empty() || left > 0xFFFF || right > 0xFFFF) return 0;
    const std::uint32_t key = static_cast<std::uint32_t>(left) << 16 | static_cast<std::uint32_t>(right);
    const auto found = std::lower_bound(kerning.begin(), kerning.end(), std::make_pair(key, std::int16_t{-32768}));
    return found != kerning.end() && found->first == key ? found->second : 0;
}
