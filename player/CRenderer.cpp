#include "CRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// Gradients are defined on a square of ±16384 twips that their matrix places in the shape.
constexpr double kGradientHalf = 16384.0;
// Most segments one curve is cut into.
constexpr int kMaxCurveSegments = 64;

std::uint32_t Pack(Rgba colour)
{
    return 0xFF000000u | static_cast<std::uint32_t>(colour.r) << 16 | static_cast<std::uint32_t>(colour.g) << 8 |
           colour.b;
}

// Source over an opaque destination; coverage and the colour's alpha together give the weight.
void Blend(std::uint32_t& pixel, Rgba colour, float coverage)
{
    const int weight = static_cast<int>(std::min(coverage, 1.0f) * colour.a * (256.0f / 255.0f) + 0.5f);
    if (weight <= 0) return;
    if (weight >= 256) {
        pixel = Pack(colour);
        return;
    }
    const auto mix = [weight](std::uint32_t under, std::uint8_t over) {
        const std::uint32_t w = static_cast<std::uint32_t>(weight);
        return (under * (256 - w) + over * w + 128) >> 8;
    };
    pixel = 0xFF000000u | mix((pixel >> 16) & 0xFF, colour.r) << 16 | mix((pixel >> 8) & 0xFF, colour.g) << 8 |
            mix(pixel & 0xFF, colour.b);
}

std::pair<double, double> Transform(const Matrix& m, double x, double y)
{
    return {m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty};
}

// The colours of a gradient at 256 positions, colour transform applied.
std::array<Rgba, 256> GradientTable(const std::vector<GradientStop>& stops, const ColourTransform& transform)
{
    std::array<Rgba, 256> table;
    std::size_t next = 0;
    for (int position = 0; position < 256; ++position) {
        while (next < stops.size() && stops[next].ratio < position) ++next;
        Rgba colour;
        if (next == 0) {
            colour = stops.front().colour;
        } else if (next == stops.size()) {
            colour = stops.back().colour;
        } else {
            const GradientStop& from = stops[next - 1];
            const GradientStop& to = stops[next];
            const float t = static_cast<float>(position - from.ratio) / static_cast<float>(to.ratio - from.ratio);
            const auto lerp = [t](std::uint8_t a, std::uint8_t b) {
                return static_cast<std::uint8_t>(a + (b - a) * t + 0.5f);
            };
            colour = {lerp(from.colour.r, to.colour.r), lerp(from.colour.g, to.colour.g),
                      lerp(from.colour.b, to.colour.b), lerp(from.colour.a, to.colour.a)};
        }
        table[position] = transform.Apply(colour);
    }
    return table;
}

int Wrap(int value, int size)
{
    const int rest = value % size;
    return rest < 0 ? rest + size : rest;
}

Rgba Texel(const Bitmap& bitmap, int x, int y, bool repeat)
{
    if (repeat) {
        x = Wrap(x, bitmap.width);
        y = Wrap(y, bitmap.height);
    } else {
        x = std::clamp(x, 0, bitmap.width - 1);
        y = std::clamp(y, 0, bitmap.height - 1);
    }
    return bitmap.pixels[static_cast<std::size_t>(y) * bitmap.width + x];
}

// Bitmap coordinates are limited before they become integers (past this any bitmap repeats);
// NaN, from a matrix near to flattening the plane, counts as the low end.
double Limit(double value)
{
    return value > -1e9 ? std::min(value, 1e9) : -1e9;
}

int ToTexel(double value)
{
    return static_cast<int>(std::floor(value));
}

Rgba Sample(const Bitmap& bitmap, double x, double y, bool repeat, bool smooth)
{
    x = Limit(x);
    y = Limit(y);
    if (!smooth) return Texel(bitmap, ToTexel(x), ToTexel(y), repeat);
    x -= 0.5;
    y -= 0.5;
    const int left = ToTexel(x);
    const int top = ToTexel(y);
    const float fx = static_cast<float>(std::clamp(x - left, 0.0, 1.0));
    const float fy = static_cast<float>(std::clamp(y - top, 0.0, 1.0));
    const Rgba c00 = Texel(bitmap, left, top, repeat);
    const Rgba c10 = Texel(bitmap, left + 1, top, repeat);
    const Rgba c01 = Texel(bitmap, left, top + 1, repeat);
    const Rgba c11 = Texel(bitmap, left + 1, top + 1, repeat);
    const auto mix = [fx, fy](std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
        const float value = (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy;
        return static_cast<std::uint8_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
    };
    return {mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g), mix(c00.b, c10.b, c01.b, c11.b),
            mix(c00.a, c10.a, c01.a, c11.a)};
}

} // namespace

CRenderer::CRenderer(const CMovie& movie, std::uint32_t* pixels, int width, int height)
    : m_movie(movie), m_pPixels(pixels), m_nWidth(std::max(width, 0)), m_nHeight(std::max(height, 0))
{
}

void CRenderer::Draw(const CTimelineState& root)
{
    const std::size_t count = static_cast<std::size_t>(m_nWidth) * m_nHeight;
    std::fill(m_pPixels, m_pPixels + count, Pack(m_movie.GetBackground()));
    const StageRect& stage = m_movie.GetStage();
    const double stageWidth = static_cast<double>(stage.xMax) - stage.xMin;
    const double stageHeight = static_cast<double>(stage.yMax) - stage.yMin;
    if (count == 0 || stageWidth <= 0 || stageHeight <= 0) return;

    // Show all of the stage: the smaller of the two scales, centred.
    const double scale = std::min(m_nWidth / stageWidth, m_nHeight / stageHeight);
    const double left = (m_nWidth - stageWidth * scale) / 2;
    const double top = (m_nHeight - stageHeight * scale) / 2;
    m_nClipLeft = static_cast<int>(std::lround(left));
    m_nClipTop = static_cast<int>(std::lround(top));
    m_nClipRight = static_cast<int>(std::lround(left + stageWidth * scale));
    m_nClipBottom = static_cast<int>(std::lround(top + stageHeight * scale));
    const Matrix view{scale, 0, 0, scale, left - stage.xMin * scale, top - stage.yMin * scale};
    DrawList(root, view, ColourTransform(), 0);
}

bool CRenderer::Affordable() const
{
    return m_nWork < kMaxWork;
}

void CRenderer::DrawList(const CTimelineState& timeline, const Matrix& matrix, const ColourTransform& colour,
                         int nesting)
{
    if (nesting >= CTimelineState::kMaxNesting) return;
    for (const auto& [depth, object] : timeline.GetObjects()) {
        if (!Affordable()) return;
        if (!object.visible || object.isMask) continue;
        const Matrix placed = matrix.Then(object.matrix);
        const ColourTransform tinted = colour.Then(object.colour);
        if (object.sprite) {
            DrawList(*object.sprite, placed, tinted, nesting + 1);
        } else if (const Shape* shape = m_movie.FindShape(object.characterId)) {
            DrawShape(*shape, placed, tinted);
        }
    }
}

void CRenderer::DrawShape(const Shape& shape, const Matrix& matrix, const ColourTransform& colour)
{
    // Each fill is drawn from every edge that has it on either side, by the even-odd rule.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> uses;  // style, edge
    for (std::uint32_t i = 0; i < shape.edges.size(); ++i) {
        const ShapeEdge& edge = shape.edges[i];
        if (edge.fill0 == edge.fill1) continue;  // the same fill on both sides is no boundary
        if (edge.fill0 != 0) uses.emplace_back(edge.fill0, i);
        if (edge.fill1 != 0) uses.emplace_back(edge.fill1, i);
    }
    m_nWork += uses.size();
    std::sort(uses.begin(), uses.end());
    for (std::size_t run = 0; run < uses.size() && Affordable();) {
        const std::uint32_t style = uses[run].first;
        m_rasterizer.Begin(m_nClipLeft, m_nClipTop, m_nClipRight, m_nClipBottom);
        for (; run < uses.size() && uses[run].first == style; ++run) AddOutline(shape.edges[uses[run].second], matrix);
        if (style <= shape.fills.size()) FillWith(shape.fills[style - 1], matrix, colour);
    }

    uses.clear();
    for (std::uint32_t i = 0; i < shape.edges.size(); ++i) {
        if (shape.edges[i].line != 0) uses.emplace_back(shape.edges[i].line, i);
    }
    m_nWork += uses.size();
    std::sort(uses.begin(), uses.end());
    const double scale = std::sqrt(std::fabs(matrix.a * matrix.d - matrix.b * matrix.c));
    for (std::size_t run = 0; run < uses.size() && Affordable();) {
        const std::uint32_t style = uses[run].first;
        if (style > shape.lines.size()) break;
        const LineStyle& line = shape.lines[style - 1];
        // Thinner than a pixel is drawn one pixel wide, as a hairline.
        const double halfWidth = std::max(line.width * scale, 1.0) / 2;
        m_rasterizer.Begin(m_nClipLeft, m_nClipTop, m_nClipRight, m_nClipBottom);
        for (; run < uses.size() && uses[run].first == style; ++run)
            AddStroke(shape.edges[uses[run].second], matrix, halfWidth);
        m_nWork += m_rasterizer.GetEdgeCount();
        std::size_t workLeft = Affordable() ? kMaxWork - m_nWork : 0;
        const Rgba lineColour = colour.Apply(line.colour);
        m_rasterizer.Fill(
            CRasterizer::FillRule::NonZero,
            [&](int y, int x0, int x1, const float* coverage) {
                std::uint32_t* row = m_pPixels + static_cast<std::size_t>(y) * m_nWidth;
                for (int x = x0; x < x1; ++x) Blend(row[x], lineColour, coverage[x - x0]);
            },
            workLeft);
        m_nWork = kMaxWork - workLeft;
    }
}

// Calls `line` for the straight pieces of an edge in pixel coordinates; curves are cut into
// pieces short enough to stay within a quarter pixel of the curve.
template <class LineFn>
static void Flatten(const ShapeEdge& edge, const Matrix& matrix, LineFn line)
{
    const auto [x0, y0] = Transform(matrix, edge.x0, edge.y0);
    const auto [x1, y1] = Transform(matrix, edge.x1, edge.y1);
    if (!edge.curved) {
        line(x0, y0, x1, y1);
        return;
    }
    const auto [cx, cy] = Transform(matrix, edge.cx, edge.cy);
    const double bend = std::hypot(x0 - 2 * cx + x1, y0 - 2 * cy + y1);
    const int segments =
        std::isfinite(bend) ? std::clamp(static_cast<int>(std::ceil(std::sqrt(bend))), 1, kMaxCurveSegments) : 1;
    double fromX = x0;
    double fromY = y0;
    for (int i = 1; i <= segments; ++i) {
        const double t = static_cast<double>(i) / segments;
        const double u = 1 - t;
        const double toX = u * u * x0 + 2 * u * t * cx + t * t * x1;
        const double toY = u * u * y0 + 2 * u * t * cy + t * t * y1;
        line(fromX, fromY, toX, toY);
        fromX = toX;
        fromY = toY;
    }
}

void CRenderer::AddOutline(const ShapeEdge& edge, const Matrix& matrix)
{
    Flatten(edge, matrix, [this](double x0, double y0, double x1, double y1) { m_rasterizer.AddLine(x0, y0, x1, y1); });
}

void CRenderer::AddStroke(const ShapeEdge& edge, const Matrix& matrix, double halfWidth)
{
    bool first = true;
    Flatten(edge, matrix, [&](double x0, double y0, double x1, double y1) {
        if (first) AddDisc(x0, y0, halfWidth);
        first = false;
        AddDisc(x1, y1, halfWidth);
        const double length = std::hypot(x1 - x0, y1 - y0);
        if (!(length > 0) || !std::isfinite(length)) return;
        // A quad around the piece, turning the same way as the discs so that the non-zero
        // rule joins them into one outline without overlaps.
        const double nx = -(y1 - y0) / length * halfWidth;
        const double ny = (x1 - x0) / length * halfWidth;
        m_rasterizer.AddLine(x0 + nx, y0 + ny, x1 + nx, y1 + ny);
        m_rasterizer.AddLine(x1 + nx, y1 + ny, x1 - nx, y1 - ny);
        m_rasterizer.AddLine(x1 - nx, y1 - ny, x0 - nx, y0 - ny);
        m_rasterizer.AddLine(x0 - nx, y0 - ny, x0 + nx, y0 + ny);
    });
}

// An octagon standing in for the round joins and caps of a line.
void CRenderer::AddDisc(double x, double y, double radius)
{
    constexpr int kCorners = 8;
    constexpr double kStep = 6.283185307179586 / kCorners;
    for (int i = 0; i < kCorners; ++i) {
        const double from = -i * kStep;
        const double to = -(i + 1) * kStep;
        m_rasterizer.AddLine(x + radius * std::cos(from), y + radius * std::sin(from), x + radius * std::cos(to),
                             y + radius * std::sin(to));
    }
}

void CRenderer::FillWith(const FillStyle& style, const Matrix& matrix, const ColourTransform& colour)
{
    m_nWork += m_rasterizer.GetEdgeCount();
    std::size_t workLeft = Affordable() ? kMaxWork - m_nWork : 0;
    const auto fill = [&](const CRasterizer::SpanPainter& paint) {
        m_rasterizer.Fill(CRasterizer::FillRule::EvenOdd, paint, workLeft);
        m_nWork = kMaxWork - workLeft;
    };
    if (style.kind == FillKind::Solid) {
        const Rgba solid = colour.Apply(style.colour);
        fill([&](int y, int x0, int x1, const float* coverage) {
            std::uint32_t* row = m_pPixels + static_cast<std::size_t>(y) * m_nWidth;
            for (int x = x0; x < x1; ++x) Blend(row[x], solid, coverage[x - x0]);
        });
        return;
    }
    // Gradients and bitmaps are sampled through the inverse of their placement: pixel centre
    // → gradient square or bitmap pixels.
    Matrix inverse;
    if (!matrix.Then(style.matrix).Invert(inverse)) return;
    if (style.kind == FillKind::Bitmap) {
        const Bitmap* bitmap = m_movie.FindBitmap(style.bitmapId);
        if (!bitmap || bitmap->pixels.empty()) return;
        fill([&](int y, int x0, int x1, const float* coverage) {
            std::uint32_t* row = m_pPixels + static_cast<std::size_t>(y) * m_nWidth;
            for (int x = x0; x < x1; ++x) {
                if (coverage[x - x0] <= 0) continue;
                const auto [u, v] = Transform(inverse, x + 0.5, y + 0.5);
                Blend(row[x], colour.Apply(Sample(*bitmap, u, v, style.repeat, style.smooth)), coverage[x - x0]);
            }
        });
        return;
    }
    if (style.stops.empty()) return;
    const std::array<Rgba, 256> table = GradientTable(style.stops, colour);
    const bool radial = style.kind == FillKind::Radial;
    fill([&](int y, int x0, int x1, const float* coverage) {
        std::uint32_t* row = m_pPixels + static_cast<std::size_t>(y) * m_nWidth;
        for (int x = x0; x < x1; ++x) {
            if (coverage[x - x0] <= 0) continue;
            const auto [u, v] = Transform(inverse, x + 0.5, y + 0.5);
            const double t = radial ? std::hypot(u, v) / kGradientHalf : (u + kGradientHalf) / (2 * kGradientHalf);
            // Outside the square the end colours carry on (pad spread); NaN takes the first.
            const int position = t > 0 ? static_cast<int>(std::min(t, 1.0) * 255 + 0.5) : 0;
            Blend(row[x], table[position], coverage[x - x0]);
        }
    });
}
