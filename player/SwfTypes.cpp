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
