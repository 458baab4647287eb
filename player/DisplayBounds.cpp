#include "DisplayBounds.h"

#include <algorithm>
#include <cmath>

void BoundsBox::Add(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (empty) {
        xMin = xMax = x;
        yMin = yMax = y;
        empty = false;
        return;
    }
    xMin = std::min(xMin, x);
    xMax = std::max(xMax, x);
    yMin = std::min(yMin, y);
    yMax = std::max(yMax, y);
}

void BoundsBox::Add(const BoundsBox& other)
{
    if (other.empty) return;
    Add(other.xMin, other.yMin);
    Add(other.xMax, other.yMax);
}

void BoundsBox::Add(const StageRect& rect, const Matrix& matrix)
{
    for (const auto& [x, y] : {std::pair<double, double>{rect.xMin, rect.yMin}, {rect.xMax, rect.yMin},
                               {rect.xMax, rect.yMax}, {rect.xMin, rect.yMax}})
        Add(matrix.a * x + matrix.c * y + matrix.tx, matrix.b * x + matrix.d * y + matrix.ty);
}

bool BoundsBox::Meets(const BoundsBox& other) const
{
    return !empty && !other.empty && xMin <= other.xMax && other.xMin <= xMax && yMin <= other.yMax &&
           other.yMin <= yMax;
}

BoundsBox ContentBounds(const CMovie& movie, const DisplayObject& object, const Matrix& matrix, IDeviceFonts* fonts,
                        int nesting)
{
    BoundsBox box;
    if (nesting >= CTimelineState::kMaxNesting) return box;
    if (object.drawing && !object.drawing->IsEmpty()) box.Add(object.drawing->GetShape().bounds, matrix);
    if (object.sprite) {
        for (const auto& [depth, child] : object.sprite->GetObjects())
            box.Add(ContentBounds(movie, child, matrix.Then(child.matrix), fonts, nesting + 1));
    } else if (object.text) {
        box.Add(object.text->Layout(fonts).bounds, matrix);
    } else if (const Shape* shape = movie.FindShape(object.characterId)) {
        box.Add(shape->bounds, matrix);
    } else if (const MorphShape* morph = movie.FindMorph(object.characterId)) {
        box.Add(morph->start.bounds, matrix);
        box.Add(morph->end.bounds, matrix);
    } else if (const StaticText* text = movie.FindText(object.characterId)) {
        box.Add(text->bounds, matrix.Then(text->matrix));
    }
    return box;
}
