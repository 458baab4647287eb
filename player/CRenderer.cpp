#include "CRenderer.h"

#include "CStroker.h"

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

// The blend modes that mix with the colour below per channel; `under` and `over` 0 to 255.
int Mix(std::uint8_t mode, int under, int over)
{
    switch (mode) {
    case BLEND_MULTIPLY: return under * over / 255;
    case BLEND_SCREEN: return 255 - (255 - under) * (255 - over) / 255;
    case BLEND_LIGHTEN: return std::max(under, over);
    case BLEND_DARKEN: return std::min(under, over);
    case BLEND_DIFFERENCE: return std::abs(under - over);
    case BLEND_ADD: return std::min(under + over, 255);
    case BLEND_SUBTRACT: return std::max(under - over, 0);
    case BLEND_INVERT: return 255 - under;
    case BLEND_OVERLAY:
        return under < 128 ? 2 * under * over / 255 : 255 - 2 * (255 - under) * (255 - over) / 255;
    case BLEND_HARDLIGHT:
        return over < 128 ? 2 * under * over / 255 : 255 - 2 * (255 - under) * (255 - over) / 255;
    default: return over;
    }
}

void BlendMode(std::uint32_t& pixel, Rgba colour, float coverage, std::uint8_t mode)
{
    const Rgba under{static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                     static_cast<std::uint8_t>(pixel), 255};
    const Rgba mixed{static_cast<std::uint8_t>(Mix(mode, under.r, colour.r)),
                     static_cast<std::uint8_t>(Mix(mode, under.g, colour.g)),
                     static_cast<std::uint8_t>(Mix(mode, under.b, colour.b)), colour.a};
    Blend(pixel, mixed, coverage);
}

// Where along a gradient (0 to 1 across its colours) a point of the gradient square lies, its
// spread applied.
double GradientPosition(const FillStyle& style, double u, double v)
{
    u /= kGradientHalf;
    v /= kGradientHalf;
    double t = 0;
    if (style.kind == FillKind::Linear) {
        t = (u + 1) / 2;
    } else if (style.focal == 0) {
        t = std::hypot(u, v);
    } else {
        // From the focal point F through the point to the unit circle: t = |P − F| / |Q − F|.
        const double f = style.focal;
        const double dx = u - f;
        const double a = dx * dx + v * v;
        if (a > 0) {
            const double b = 2 * f * dx;
            const double c = f * f - 1;
            const double s = (-b + std::sqrt(std::max(b * b - 4 * a * c, 0.0))) / (2 * a);
            t = s > 0 ? 1 / s : 1;
        }
    }
    if (!std::isfinite(t)) return 0;
    switch (style.spread) {
    case Spread::Repeat: return t - std::floor(t);
    case Spread::Reflect: {
        const double period = t - 2 * std::floor(t / 2);
        return period > 1 ? 2 - period : period;
    }
    case Spread::Pad: break;
    }
    return std::clamp(t, 0.0, 1.0);
}

std::uint8_t Lerp8(std::uint8_t a, std::uint8_t b, double t)
{
    return static_cast<std::uint8_t>(std::clamp(a + (b - a) * t + 0.5, 0.0, 255.0));
}

Rgba LerpColour(Rgba a, Rgba b, double t)
{
    return {Lerp8(a.r, b.r, t), Lerp8(a.g, b.g, t), Lerp8(a.b, b.b, t), Lerp8(a.a, b.a, t)};
}

Matrix LerpMatrix(const Matrix& a, const Matrix& b, double t)
{
    const auto lerp = [t](double x, double y) { return x + (y - x) * t; };
    return {lerp(a.a, b.a), lerp(a.b, b.b), lerp(a.c, b.c), lerp(a.d, b.d), lerp(a.tx, b.tx), lerp(a.ty, b.ty)};
}

FillStyle LerpFill(const FillStyle& a, const FillStyle& b, double t)
{
    FillStyle fill = a;
    fill.colour = LerpColour(a.colour, b.colour, t);
    fill.matrix = LerpMatrix(a.matrix, b.matrix, t);
    for (std::size_t i = 0; i < fill.stops.size() && i < b.stops.size(); ++i) {
        fill.stops[i].ratio = Lerp8(a.stops[i].ratio, b.stops[i].ratio, t);
        fill.stops[i].colour = LerpColour(a.stops[i].colour, b.stops[i].colour, t);
    }
    return fill;
}

std::int32_t LerpCoordinate(std::int32_t a, std::int32_t b, double t)
{
    return static_cast<std::int32_t>(std::lround(a + (static_cast<double>(b) - a) * t));
}

// A morph shape at a ratio from 0 (its start) to 1 (its end). A straight edge paired with a
// curved one bends about its middle.
Shape MorphAt(const MorphShape& morph, double t)
{
    Shape shape;
    shape.bounds = morph.start.bounds;
    for (std::size_t i = 0; i < morph.start.fills.size(); ++i)
        shape.fills.push_back(LerpFill(morph.start.fills[i], morph.end.fills[i], t));
    for (std::size_t i = 0; i < morph.start.lines.size(); ++i) {
        LineStyle line = morph.start.lines[i];
        const LineStyle& end = morph.end.lines[i];
        line.width = static_cast<std::uint16_t>(LerpCoordinate(line.width, end.width, t));
        line.colour = LerpColour(line.colour, end.colour, t);
        if (line.hasFill) line.fill = LerpFill(line.fill, end.fill, t);
        shape.lines.push_back(line);
    }
    shape.edges.reserve(morph.start.edges.size());
    for (std::size_t i = 0; i < morph.start.edges.size(); ++i) {
        ShapeEdge a = morph.start.edges[i];
        ShapeEdge b = morph.end.edges[i];
        if (a.curved != b.curved) {
            for (ShapeEdge* edge : {&a, &b}) {
                if (edge->curved) continue;
                edge->cx = static_cast<std::int32_t>((static_cast<std::int64_t>(edge->x0) + edge->x1) / 2);
                edge->cy = static_cast<std::int32_t>((static_cast<std::int64_t>(edge->y0) + edge->y1) / 2);
                edge->curved = true;
            }
        }
        ShapeEdge edge = a;
        edge.x0 = LerpCoordinate(a.x0, b.x0, t);
        edge.y0 = LerpCoordinate(a.y0, b.y0, t);
        edge.cx = LerpCoordinate(a.cx, b.cx, t);
        edge.cy = LerpCoordinate(a.cy, b.cy, t);
        edge.x1 = LerpCoordinate(a.x1, b.x1, t);
        edge.y1 = LerpCoordinate(a.y1, b.y1, t);
        shape.edges.push_back(edge);
    }
    return shape;
}

Matrix Scaled(double x, double y, double scale)
{
    return {scale, 0, 0, scale, x, y};
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

CRenderer::CRenderer(const CMovie& movie, std::uint32_t* pixels, int width, int height, IDeviceFonts* fonts,
                     const IDisplayIndex* index)
    : m_movie(movie),
      m_pPixels(pixels),
      m_nWidth(std::max(width, 0)),
      m_nHeight(std::max(height, 0)),
      m_pFonts(fonts),
      m_pIndex(index)
{
}

Matrix CRenderer::ViewMatrix(const StageRect& stage, int width, int height)
{
    const double stageWidth = static_cast<double>(stage.xMax) - stage.xMin;
    const double stageHeight = static_cast<double>(stage.yMax) - stage.yMin;
    if (width <= 0 || height <= 0 || stageWidth <= 0 || stageHeight <= 0) return {};
    // Show all of the stage: the smaller of the two scales, centred.
    const double scale = std::min(width / stageWidth, height / stageHeight);
    const double left = (width - stageWidth * scale) / 2;
    const double top = (height - stageHeight * scale) / 2;
    return {scale, 0, 0, scale, left - stage.xMin * scale, top - stage.yMin * scale};
}

void CRenderer::Draw(const DisplayObject& root)
{
    const std::size_t count = static_cast<std::size_t>(m_nWidth) * m_nHeight;
    std::fill(m_pPixels, m_pPixels + count, Pack(m_movie.GetBackground()));
    const StageRect& stage = m_movie.GetStage();
    const double stageWidth = static_cast<double>(stage.xMax) - stage.xMin;
    const double stageHeight = static_cast<double>(stage.yMax) - stage.yMin;
    if (count == 0 || stageWidth <= 0 || stageHeight <= 0) return;

    const Matrix view = ViewMatrix(stage, m_nWidth, m_nHeight);
    m_view = view;
    m_dViewScale = view.a;
    m_nClipLeft = static_cast<int>(std::lround(view.tx + stage.xMin * view.a));
    m_nClipTop = static_cast<int>(std::lround(view.ty + stage.yMin * view.a));
    m_nClipRight = static_cast<int>(std::lround(view.tx + stage.xMax * view.a));
    m_nClipBottom = static_cast<int>(std::lround(view.ty + stage.yMax * view.a));
    if (!root.visible) return;
    const Matrix matrix = view.Then(root.matrix);
    if (root.drawing && !root.drawing->IsEmpty()) DrawShape(root.drawing->GetShape(), matrix, root.colour, Paint());
    if (root.sprite) DrawList(*root.sprite, matrix, root.colour, 0, Paint());
}

bool CRenderer::Affordable() const
{
    return m_nWork < kMaxWork;
}

void CRenderer::DrawList(const CTimelineState& timeline, const Matrix& matrix, const ColourTransform& colour,
                         int nesting, Paint paint)
{
    if (nesting >= CTimelineState::kMaxNesting) return;
    // Masks in force on this list: each clips the objects up to its clip depth.
    struct ActiveMask {
        int until;
        std::vector<float> weights;
        const float* clip;  // the weights, or nothing visible past the nesting limit
    };
    std::vector<ActiveMask> masks;
    const float* outer = paint.mask;
    for (const auto& [depth, object] : timeline.GetObjects()) {
        if (!Affordable()) break;
        while (!masks.empty() && depth > masks.back().until) {
            masks.pop_back();
            --m_nMaskNesting;
        }
        paint.mask = masks.empty() ? outer : masks.back().clip;
        const Matrix placed = matrix.Then(object.matrix);
        if (object.isMask) {
            // Inside a mask's own drawing nested masks are not followed: the outline is what counts.
            if (paint.maskTarget) continue;
            const std::size_t pixels = static_cast<std::size_t>(m_nWidth) * m_nHeight;
            ActiveMask mask{object.clipDepth, {}, nullptr};
            if (m_nMaskNesting < kMaxMaskNesting) {
                mask.weights.assign(pixels, 0.0f);
                Paint drawing;
                drawing.mask = paint.mask;
                drawing.maskTarget = &mask.weights;
                DrawObject(object, placed, colour, nesting, drawing);
                mask.clip = mask.weights.data();
            } else {
                if (m_hidden.size() != pixels) m_hidden.assign(pixels, 0.0f);
                mask.clip = m_hidden.data();
            }
            masks.push_back(std::move(mask));
            ++m_nMaskNesting;
            continue;
        }
        if (!object.visible || object.isScriptMask) continue;
        DrawObject(object, placed, colour.Then(object.colour), nesting, paint);
    }
    m_nMaskNesting -= static_cast<int>(masks.size());
}

void CRenderer::DrawObject(const DisplayObject& object, const Matrix& matrix, const ColourTransform& colour,
                           int nesting, const Paint& outer)
{
    Paint paint = outer;
    // Blend modes reach the object's own pictures; a layer is drawn as a plain group. Alpha and
    // erase only cut into a layer below, which is not composited: such objects show nothing.
    if (object.blendMode == BLEND_ALPHA || object.blendMode == BLEND_ERASE) {
        if (!paint.maskTarget) return;
    } else if (object.blendMode > BLEND_LAYER) {
        paint.blend = object.blendMode;
    }
    // A mask a script set: the object shows only where the mask's shape lies.
    std::vector<float> scriptMask;
    Matrix maskMatrix;
    const DisplayObject* mask = object.maskId && m_pIndex && !paint.maskTarget ? m_pIndex->Find(object.maskId) : nullptr;
    if (mask && m_pIndex->StageMatrix(object.maskId, maskMatrix) && m_nMaskNesting < kMaxMaskNesting) {
        DrawMask(*mask, m_view.Then(maskMatrix), nesting, paint.mask, scriptMask);
        paint.mask = scriptMask.data();
    }
    // What a script drew lies beneath the clip's children.
    if (object.drawing && !object.drawing->IsEmpty()) DrawShape(object.drawing->GetShape(), matrix, colour, paint);
    if (object.sprite) {
        DrawList(*object.sprite, matrix, colour, nesting + 1, paint);
    } else if (object.text) {
        DrawTextField(*object.text, matrix, colour, paint);
    } else if (const Shape* shape = m_movie.FindShape(object.characterId)) {
        DrawShape(*shape, matrix, colour, paint);
    } else if (const StaticText* text = m_movie.FindText(object.characterId)) {
        DrawStaticText(*text, matrix, colour, paint);
    } else if (const MorphShape* morph = m_movie.FindMorph(object.characterId)) {
        m_nWork += morph->start.edges.size();
        if (!Affordable()) return;
        DrawShape(MorphAt(*morph, object.ratio / 65535.0), matrix, colour, paint);
    }
}

void CRenderer::DrawMask(const DisplayObject& mask, const Matrix& matrix, int nesting, const float* outer,
                         std::vector<float>& weights)
{
    weights.assign(static_cast<std::size_t>(m_nWidth) * m_nHeight, 0.0f);
    Paint drawing;
    drawing.mask = outer;
    drawing.maskTarget = &weights;
    ++m_nMaskNesting;
    DrawObject(mask, matrix, ColourTransform(), nesting, drawing);
    --m_nMaskNesting;
}

void CRenderer::DrawShape(const Shape& shape, const Matrix& matrix, const ColourTransform& colour, const Paint& paint)
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
        if (style <= shape.fills.size())
            FillWith(shape.fills[style - 1], matrix, colour, CRasterizer::FillRule::EvenOdd, paint);
    }

    uses.clear();
    for (std::uint32_t i = 0; i < shape.edges.size(); ++i) {
        if (shape.edges[i].line != 0) uses.emplace_back(shape.edges[i].line, i);
    }
    m_nWork += uses.size();
    std::sort(uses.begin(), uses.end());
    for (std::size_t run = 0; run < uses.size() && Affordable();) {
        const std::uint32_t style = uses[run].first;
        if (style > shape.lines.size()) break;
        std::size_t end = run;
        while (end < uses.size() && uses[end].first == style) ++end;
        DrawStroke(shape, shape.lines[style - 1], run, end, uses, matrix, colour, paint);
        run = end;
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
        std::isfinite(bend) ? static_cast<int>(std::clamp(std::ceil(std::sqrt(bend)), 1.0, double{kMaxCurveSegments})) : 1;
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

void CRenderer::DrawStroke(const Shape& shape, const LineStyle& line, std::size_t from, std::size_t to,
                           const std::vector<std::pair<std::uint32_t, std::uint32_t>>& uses, const Matrix& matrix,
                           const ColourTransform& colour, const Paint& paint)
{
    // A line that does not scale keeps its width on the stage, whatever the object's matrix.
    const double scale = line.noHScale || line.noVScale ? m_dViewScale
                                                        : std::sqrt(std::fabs(matrix.a * matrix.d - matrix.b * matrix.c));
    CStroker::Pen pen;
    // Thinner than a pixel is drawn one pixel wide, as a hairline.
    pen.halfWidth = std::max(line.width * scale, 1.0) / 2;
    pen.startCap = line.startCap;
    pen.endCap = line.endCap;
    pen.join = line.join;
    pen.miterLimit = line.miterLimit;
    m_rasterizer.Begin(m_nClipLeft, m_nClipTop, m_nClipRight, m_nClipBottom);
    CStroker stroker(m_rasterizer, pen);
    // Edges that meet end to start, in the order the shape gives them, make one path.
    const ShapeEdge* first = nullptr;
    const ShapeEdge* previous = nullptr;
    const auto finish = [&] {
        if (first) stroker.Finish(!line.noClose && previous->x1 == first->x0 && previous->y1 == first->y0);
    };
    for (std::size_t i = from; i < to; ++i) {
        const ShapeEdge& edge = shape.edges[uses[i].second];
        if (!previous || previous->x1 != edge.x0 || previous->y1 != edge.y0) {
            finish();
            first = &edge;
            const auto [x, y] = Transform(matrix, edge.x0, edge.y0);
            stroker.MoveTo(x, y);
        }
        Flatten(edge, matrix, [&](double, double, double x1, double y1) { stroker.LineTo(x1, y1); });
        previous = &edge;
    }
    finish();
    if (line.hasFill) {
        FillWith(line.fill, matrix, colour, CRasterizer::FillRule::NonZero, paint);
    } else {
        FillSolid(colour.Apply(line.colour), CRasterizer::FillRule::NonZero, paint);
    }
}

void CRenderer::AddOutline(const ShapeEdge& edge, const Matrix& matrix)
{
    Flatten(edge, matrix, [this](double x0, double y0, double x1, double y1) { m_rasterizer.AddLine(x0, y0, x1, y1); });
}

// Glyph edges are turned so that ink lies on the same side of each; the non-zero rule then
// fills overlapping contours and leaves holes open.
void CRenderer::AddGlyph(const Shape& glyph, const Matrix& matrix)
{
    m_nWork += glyph.edges.size();
    for (const ShapeEdge& edge : glyph.edges) {
        if (edge.fill0 == edge.fill1) continue;
        const bool reversed = edge.fill1 == 0;
        Flatten(edge, matrix, [&](double x0, double y0, double x1, double y1) {
            if (reversed) {
                m_rasterizer.AddLine(x1, y1, x0, y0);
            } else {
                m_rasterizer.AddLine(x0, y0, x1, y1);
            }
        });
    }
}

void CRenderer::DrawStaticText(const StaticText& text, const Matrix& matrix, const ColourTransform& colour,
                               const Paint& paint)
{
    const Matrix placed = matrix.Then(text.matrix);
    for (const TextRun& run : text.runs) {
        const Font* font = m_movie.FindFont(run.fontId);
        if (!font || !Affordable()) continue;
        const double scale = run.height / font->emSquare;
        m_rasterizer.Begin(m_nClipLeft, m_nClipTop, m_nClipRight, m_nClipBottom);
        double x = run.x;
        for (const TextGlyph& glyph : run.glyphs) {
            if (glyph.index < font->glyphs.size()) AddGlyph(font->glyphs[glyph.index], placed.Then(Scaled(x, run.y, scale)));
            x += glyph.advance;
        }
        FillSolid(colour.Apply(run.colour), CRasterizer::FillRule::NonZero, paint);
    }
}

void CRenderer::DrawTextField(CTextField& field, const Matrix& matrix, const ColourTransform& colour,
                              const Paint& paint)
{
    const TextLayout& layout = field.Layout(m_pFonts);
    m_nWork += layout.glyphs.size();
    const StageRect& box = layout.bounds;
    const auto rectangle = [&](double x0, double y0, double x1, double y1) {
        const double xs[] = {x0, x1, x1, x0};
        const double ys[] = {y0, y0, y1, y1};
        for (int i = 0; i < 4; ++i) {
            const auto [ax, ay] = Transform(matrix, xs[i], ys[i]);
            const auto [bx, by] = Transform(matrix, xs[(i + 1) % 4], ys[(i + 1) % 4]);
            m_rasterizer.AddLine(ax, ay, bx, by);
        }
    };
    const EditText& definition = field.GetDefinition();
    if (definition.background) {
        m_rasterizer.Begin(m_nClipLeft, m_nClipTop, m_nClipRight, m_nClipBottom);
        rectangle(box.xMin, box.yMin, box.xMax, box.yMax);
        FillSolid(colour.Apply(definition.backgroundColour), CRasterizer::FillRule::NonZero, paint);
    }
    if (definition.border) {
        // A one pixel frame just inside the box.
        const double inset = 1 / std::max(std::sqrt(std::fabs(matrix.a * matrix.d - matrix.b * matrix.c)), 1e-6);
        m_rasterizer.Begin(m_nClipLeft, m_nClipTop, m_nClipRight, m_nClipBottom);
        rectangle(box.xMin, box.yMin, box.xMax, box.yMax);
        rectangle(box.xMin + inset, box.yMin + inset, box.xMax - inset, box.yMax - inset);
        FillSolid(colour.Apply(definition.borderColour), CRasterizer::FillRule::EvenOdd, paint);
    }

    // Text shows only inside the box (its bounding box on screen, when turned).
    double left = 1e18, top = 1e18, right = -1e18, bottom = -1e18;
    for (const auto& [x, y] : {std::pair<double, double>{box.xMin, box.yMin}, {box.xMax, box.yMin}, {box.xMax, box.yMax}, {box.xMin, box.yMax}}) {
        const auto [px, py] = Transform(matrix, x, y);
        left = std::min(left, px);
        top = std::min(top, py);
        right = std::max(right, px);
        bottom = std::max(bottom, py);
    }
    const auto clamp = [](double value, int low, int high) {
        return static_cast<int>(std::clamp(std::isfinite(value) ? value : low, static_cast<double>(low), static_cast<double>(high)));
    };
    const int clipLeft = clamp(std::floor(left), m_nClipLeft, m_nClipRight);
    const int clipTop = clamp(std::floor(top), m_nClipTop, m_nClipBottom);
    const int clipRight = clamp(std::ceil(right), m_nClipLeft, m_nClipRight);
    const int clipBottom = clamp(std::ceil(bottom), m_nClipTop, m_nClipBottom);

    // Glyphs of one colour are filled together.
    std::size_t next = 0;
    const std::vector<LaidGlyph>& glyphs = layout.glyphs;
    while (next < glyphs.size() && Affordable()) {
        const Rgba ink = glyphs[next].colour;
        m_rasterizer.Begin(clipLeft, clipTop, clipRight, clipBottom);
        for (; next < glyphs.size() && glyphs[next].colour == ink; ++next) {
            const LaidGlyph& glyph = glyphs[next];
            AddGlyph(*glyph.outline, matrix.Then(Scaled(glyph.x, glyph.y, glyph.size / glyph.em)));
        }
        FillSolid(colour.Apply(ink), CRasterizer::FillRule::NonZero, paint);
    }
    for (const LaidUnderline& line : layout.underlines) {
        m_rasterizer.Begin(clipLeft, clipTop, clipRight, clipBottom);
        rectangle(line.x0, line.y - line.thickness / 2, line.x1, line.y + line.thickness / 2);
        FillSolid(colour.Apply(line.colour), CRasterizer::FillRule::NonZero, paint);
    }
}

namespace {

// Paints one row of coverage: into the pixels with the colour colourAt(x) gives, or, while a
// mask is drawn, into the mask's weights.
template <class ColourAt>
void PaintRow(std::uint32_t* pixels, int width, int y, int x0, int x1, const float* coverage,
              const float* mask, std::vector<float>* maskTarget, std::uint8_t blend, ColourAt colourAt)
{
    const std::size_t rowStart = static_cast<std::size_t>(y) * width;
    if (maskTarget) {
        float* target = maskTarget->data() + rowStart;
        for (int x = x0; x < x1; ++x) {
            float weight = std::min(coverage[x - x0], 1.0f);
            if (mask) weight *= mask[rowStart + x];
            target[x] += weight * (1 - target[x]);
        }
        return;
    }
    std::uint32_t* row = pixels + rowStart;
    for (int x = x0; x < x1; ++x) {
        float weight = coverage[x - x0];
        if (mask) weight *= mask[rowStart + x];
        if (weight <= 0) continue;
        if (blend <= BLEND_LAYER) {
            Blend(row[x], colourAt(x), weight);
        } else {
            BlendMode(row[x], colourAt(x), weight, blend);
        }
    }
}

} // namespace

void CRenderer::FillSolid(Rgba colour, CRasterizer::FillRule rule, const Paint& paint)
{
    m_nWork += m_rasterizer.GetEdgeCount();
    std::size_t workLeft = Affordable() ? kMaxWork - m_nWork : 0;
    m_rasterizer.Fill(
        rule,
        [&](int y, int x0, int x1, const float* coverage) {
            PaintRow(m_pPixels, m_nWidth, y, x0, x1, coverage, paint.mask, paint.maskTarget, paint.blend,
                     [colour](int) { return colour; });
        },
        workLeft);
    m_nWork = kMaxWork - workLeft;
}

void CRenderer::FillWith(const FillStyle& style, const Matrix& matrix, const ColourTransform& colour,
                         CRasterizer::FillRule rule, const Paint& paint)
{
    if (style.kind == FillKind::Solid) {
        FillSolid(colour.Apply(style.colour), rule, paint);
        return;
    }
    m_nWork += m_rasterizer.GetEdgeCount();
    std::size_t workLeft = Affordable() ? kMaxWork - m_nWork : 0;
    const auto fill = [&](auto colourAt) {
        m_rasterizer.Fill(
            rule,
            [&](int y, int x0, int x1, const float* coverage) {
                PaintRow(m_pPixels, m_nWidth, y, x0, x1, coverage, paint.mask, paint.maskTarget, paint.blend,
                         [&](int x) { return colourAt(x, y); });
            },
            workLeft);
        m_nWork = kMaxWork - workLeft;
    };
    // Gradients and bitmaps are sampled through the inverse of their placement: pixel centre
    // → gradient square or bitmap pixels.
    Matrix inverse;
    if (!matrix.Then(style.matrix).Invert(inverse)) return;
    if (style.kind == FillKind::Bitmap) {
        const Bitmap* bitmap = m_movie.FindBitmap(style.bitmapId);
        if (!bitmap || bitmap->pixels.empty()) return;
        fill([&](int x, int y) {
            const auto [u, v] = Transform(inverse, x + 0.5, y + 0.5);
            return colour.Apply(Sample(*bitmap, u, v, style.repeat, style.smooth));
        });
        return;
    }
    if (style.stops.empty()) return;
    const std::array<Rgba, 256> table = GradientTable(style.stops, colour);
    // A plain radial gradient padded at its ends, the common case, needs only a distance.
    if (style.kind == FillKind::Radial && style.focal == 0 && style.spread == Spread::Pad) {
        const double scale = 255.0 / kGradientHalf;
        fill([&](int x, int y) {
            const auto [u, v] = Transform(inverse, x + 0.5, y + 0.5);
            const double t = std::sqrt(u * u + v * v) * scale;
            return table[t < 255 ? static_cast<int>(t + 0.5) : 255];
        });
        return;
    }
    fill([&](int x, int y) {
        const auto [u, v] = Transform(inverse, x + 0.5, y + 0.5);
        return table[static_cast<int>(GradientPosition(style, u, v) * 255 + 0.5)];
    });
}
