#include "CDrawing.h"

#include <algorithm>
#include <cmath>

namespace {

std::int32_t Twips(double value)
{
    if (!std::isfinite(value)) return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, -CDrawing::kMaxCoordinate, CDrawing::kMaxCoordinate)));
}

} // namespace

void CDrawing::Clear()
{
    *this = CDrawing();
}

void CDrawing::LineStyle(double width, Rgba colour)
{
    if (std::isnan(width)) {
        m_nLine = 0;
        return;
    }
    ::LineStyle line;
    line.width = static_cast<std::uint16_t>(std::clamp(width, 0.0, 255.0 * 20));
    line.colour = colour;
    m_shape.lines.push_back(line);
    m_nLine = static_cast<std::uint32_t>(m_shape.lines.size());
    m_dHalfLine = std::max(m_dHalfLine, line.width / 2.0);
}

void CDrawing::BeginFill(const FillStyle& fill)
{
    CloseFill();
    m_shape.fills.push_back(fill);
    m_nFill = static_cast<std::uint32_t>(m_shape.fills.size());
    m_nStartX = m_nPenX;
    m_nStartY = m_nPenY;
}

void CDrawing::EndFill()
{
    CloseFill();
    m_nFill = 0;
}

void CDrawing::MoveTo(double x, double y)
{
    // A new outline of the same fill: the one before is closed for filling.
    CloseFill();
    m_nPenX = m_nStartX = Twips(x);
    m_nPenY = m_nStartY = Twips(y);
}

void CDrawing::LineTo(double x, double y)
{
    const std::int32_t toX = Twips(x);
    const std::int32_t toY = Twips(y);
    AddEdge(toX, toY, toX, toY, false, true);
}

void CDrawing::CurveTo(double controlX, double controlY, double x, double y)
{
    AddEdge(Twips(controlX), Twips(controlY), Twips(x), Twips(y), true, true);
}

const Shape& CDrawing::GetShape() const
{
    if (m_nFill == 0 || (m_nPenX == m_nStartX && m_nPenY == m_nStartY) || m_shape.edges.size() >= kMaxEdges) return m_shape;
    m_closed = m_shape;
    ShapeEdge edge;
    edge.x0 = m_nPenX;
    edge.y0 = m_nPenY;
    edge.cx = edge.x1 = m_nStartX;
    edge.cy = edge.y1 = m_nStartY;
    edge.fill0 = m_nFill;
    m_closed.edges.push_back(edge);
    return m_closed;
}

void CDrawing::CloseFill()
{
    // The closing edge fills but is not stroked.
    if (m_nFill != 0 && (m_nPenX != m_nStartX || m_nPenY != m_nStartY))
        AddEdge(m_nStartX, m_nStartY, m_nStartX, m_nStartY, false, false);
}

void CDrawing::AddEdge(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y, bool curved, bool withLine)
{
    if (m_shape.edges.size() >= kMaxEdges || (m_nFill == 0 && (m_nLine == 0 || !withLine))) {
        m_nPenX = x;
        m_nPenY = y;
        return;
    }
    ShapeEdge edge;
    edge.x0 = m_nPenX;
    edge.y0 = m_nPenY;
    edge.cx = cx;
    edge.cy = cy;
    edge.x1 = x;
    edge.y1 = y;
    edge.curved = curved;
    edge.fill0 = m_nFill;
    edge.line = withLine ? m_nLine : 0;
    if (m_shape.edges.empty()) m_shape.bounds = {m_nPenX, m_nPenX, m_nPenY, m_nPenY};
    Grow(m_nPenX, m_nPenY);
    Grow(cx, cy);
    Grow(x, y);
    m_shape.edges.push_back(edge);
    m_nPenX = x;
    m_nPenY = y;
}

void CDrawing::Grow(std::int32_t x, std::int32_t y)
{
    const auto half = static_cast<std::int32_t>(std::ceil(m_dHalfLine));
    StageRect& bounds = m_shape.bounds;
    bounds.xMin = std::min(bounds.xMin, x - half);
    bounds.xMax = std::max(bounds.xMax, x + half);
    bounds.yMin = std::min(bounds.yMin, y - half);
    bounds.yMax = std::max(bounds.yMax, y + half);
}
