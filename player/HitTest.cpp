#include "HitTest.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCurveSteps = 8;

bool InRect(const StageRect& rect, double x, double y)
{
    return x >= rect.xMin && x <= rect.xMax && y >= rect.yMin && y <= rect.yMax;
}

// Crossings of a ray to the right of (x, y) with the edges that bound a fill (even-odd), and
// whether the point lies within a line's half width of an edge that has one.
bool HitsShape(const Shape& shape, double x, double y)
{
    bool inside = false;
    for (const ShapeEdge& edge : shape.edges) {
        double fromX = edge.x0;
        double fromY = edge.y0;
        const int steps = edge.curved ? kCurveSteps : 1;
        const double reach =
            edge.line != 0 && edge.line <= shape.lines.size() ? shape.lines[edge.line - 1].width / 2.0 : -1;
        for (int i = 1; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            const double u = 1 - t;
            const double toX = edge.curved ? u * u * edge.x0 + 2 * u * t * edge.cx + t * t * edge.x1 : edge.x1;
            const double toY = edge.curved ? u * u * edge.y0 + 2 * u * t * edge.cy + t * t * edge.y1 : edge.y1;
            if (edge.fill0 != edge.fill1 && (fromY > y) != (toY > y)) {
                const double crossX = fromX + (y - fromY) * (toX - fromX) / (toY - fromY);
                if (crossX > x) inside = !inside;
            }
            if (reach >= 0) {
                const double dx = toX - fromX;
                const double dy = toY - fromY;
                const double length = dx * dx + dy * dy;
                const double along = length > 0 ? std::clamp(((x - fromX) * dx + (y - fromY) * dy) / length, 0.0, 1.0) : 0;
                if (std::hypot(x - (fromX + along * dx), y - (fromY + along * dy)) <= std::max(reach, 20.0)) return true;
            }
            fromX = toX;
            fromY = toY;
        }
    }
    return inside;
}

} // namespace

bool HitsObject(const CMovie& movie, const DisplayObject& object, const Matrix& matrix, double x, double y, int nesting)
{
    if (nesting >= CTimelineState::kMaxNesting) return false;
    Matrix inverse;
    const bool invertible = matrix.Invert(inverse);
    const double u = inverse.a * x + inverse.c * y + inverse.tx;
    const double v = inverse.b * x + inverse.d * y + inverse.ty;
    if (object.drawing && invertible) {
        const Shape& drawn = object.drawing->GetShape();
        if (InRect(drawn.bounds, u, v) && HitsShape(drawn, u, v)) return true;
    }
    if (object.sprite) return HitsList(*object.sprite, matrix, x, y, nesting + 1);
    if (!invertible) return false;
    if (object.text) return InRect(object.text->GetDefinition().bounds, u, v);
    if (const Shape* shape = movie.FindShape(object.characterId)) return InRect(shape->bounds, u, v) && HitsShape(*shape, u, v);
    if (const MorphShape* morph = movie.FindMorph(object.characterId)) return HitsShape(morph->start, u, v);
    if (const StaticText* text = movie.FindText(object.characterId)) {
        Matrix textInverse;
        if (!text->matrix.Invert(textInverse)) return false;
        return InRect(text->bounds, textInverse.a * u + textInverse.c * v + textInverse.tx,
                      textInverse.b * u + textInverse.d * v + textInverse.ty);
    }
    return false;
}

bool HitsList(const CTimelineState& list, const Matrix& matrix, double x, double y, int nesting)
{
    if (nesting >= CTimelineState::kMaxNesting) return false;
    for (const auto& [depth, object] : list.GetObjects()) {
        if (object.isMask || object.isScriptMask || !object.visible) continue;
        if (HitsObject(list.GetMovie(), object, matrix.Then(object.matrix), x, y, nesting)) return true;
    }
    return false;
}
