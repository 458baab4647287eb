#pragma once
// What a script draws into a movie clip with the drawing methods (lineStyle, beginFill,
// moveTo, lineTo, curveTo, endFill, clear), kept as one Shape that the renderer draws and the
// hit test reads beneath the clip's children. Coordinates are the clip's own, in twips.
// Platform-neutral.
#include "SwfTypes.h"

#include <cstddef>

class CDrawing {
public:
    // Edges one clip's drawing may hold; further lines and curves are not kept.
    static constexpr std::size_t kMaxEdges = 65536;
    // Coordinates are held to this many twips either way.
    static constexpr double kMaxCoordinate = 1 << 26;

    void Clear();
    // A line `width` twips wide (0: a hairline) for what is drawn next; no line when `width`
    // is not a number.
    void LineStyle(double width, Rgba colour);
    // A fill for the outline drawn next; a fill already open is closed first.
    void BeginFill(const FillStyle& fill);
    // Closes the open fill back to where it began.
    void EndFill();
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void CurveTo(double controlX, double controlY, double x, double y);

    // What is drawn; a fill still open shows as if closed back to where it began.
    const Shape& GetShape() const;
    bool IsEmpty() const { return m_shape.edges.empty(); }

private:
    void AddEdge(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y, bool curved, bool withLine);
    void CloseFill();
    void Grow(std::int32_t x, std::int32_t y);

    Shape m_shape;
    mutable Shape m_closed;  // m_shape with the open fill closed, for GetShape
    std::uint32_t m_nFill = 0;  // the open fill's style, from 1; 0 none
    std::uint32_t m_nLine = 0;
    std::int32_t m_nPenX = 0;
    std::int32_t m_nPenY = 0;
    std::int32_t m_nStartX = 0;  // where the open fill's outline began
    std::int32_t m_nStartY = 0;
    double m_dHalfLine = 0;  // the widest line's half, for the bounds
};
