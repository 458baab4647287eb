#include "CStroker.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTurn = 6.283185307179586;

} // namespace

void CStroker::MoveTo(double x, double y)
{
    m_points.assign(1, {x, y});
}

void CStroker::LineTo(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (m_points.empty()) {
        m_points.push_back({x, y});
        return;
    }
    const Point& last = m_points.back();
    if (std::hypot(x - last.x, y - last.y) < 1e-6) return;
    m_points.push_back({x, y});
}

void CStroker::Finish(bool closed)
{
    const std::vector<Point> points = std::move(m_points);
    m_points.clear();
    if (points.empty()) return;
    const double hw = m_pen.halfWidth;
    if (points.size() == 1) {
        // A dot: what its caps make of it.
        if (m_pen.startCap == LineCap::Round) AddDisc(points[0]);
        if (m_pen.startCap == LineCap::Square) {
            const Point p = points[0];
            AddPolygon({{p.x - hw, p.y - hw}, {p.x + hw, p.y - hw}, {p.x + hw, p.y + hw}, {p.x - hw, p.y + hw}});
        }
        return;
    }
    const std::size_t count = points.size();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const Point a = points[i];
        const Point b = points[i + 1];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        const double nx = -(b.y - a.y) / length * hw;
        const double ny = (b.x - a.x) / length * hw;
        AddPolygon({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
    }
    for (std::size_t i = 1; i + 1 < count; ++i) {
        AddJoin(points[i], points[i].x - points[i - 1].x, points[i].y - points[i - 1].y, points[i + 1].x - points[i].x,
                points[i + 1].y - points[i].y);
    }
    const bool joined = closed && count > 2 && std::hypot(points[0].x - points[count - 1].x,
                                                          points[0].y - points[count - 1].y) < 1e-6;
    if (joined) {
        AddJoin(points[0], points[0].x - points[count - 2].x, points[0].y - points[count - 2].y,
                points[1].x - points[0].x, points[1].y - points[0].y);
        return;
    }
    AddCap(points[0], points[0].x - points[1].x, points[0].y - points[1].y, m_pen.startCap);
    AddCap(points[count - 1], points[count - 1].x - points[count - 2].x, points[count - 1].y - points[count - 2].y,
           m_pen.endCap);
}

// Every piece is added with the same (negative, on screen) winding, whichever way it came.
void CStroker::AddPolygon(std::vector<Point> points)
{
    double area = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % points.size()];
        area += a.x * b.y - b.x * a.y;
    }
    if (area > 0) std::reverse(points.begin(), points.end());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % points.size()];
        m_rasterizer.AddLine(a.x, a.y, b.x, b.y);
    }
}

void CStroker::AddDisc(Point centre)
{
    const double radius = m_pen.halfWidth;
    const int corners = static_cast<int>(std::clamp(std::ceil(radius * 2), 8.0, 48.0));
    std::vector<Point> points;
    for (int i = 0; i < corners; ++i) {
        const double angle = i * kTurn / corners;
        points.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
    }
    AddPolygon(std::move(points));
}

// (dx, dy) points out of the line at its end.
void CStroker::AddCap(Point end, double dx, double dy, LineCap cap)
{
    if (cap == LineCap::Round) {
        AddDisc(end);
        return;
    }
    if (cap != LineCap::Square) return;
    const double length = std::hypot(dx, dy);
    const double hw = m_pen.halfWidth;
    const double ux = dx / length * hw;
    const double uy = dy / length * hw;
    AddPolygon({{end.x - uy, end.y + ux}, {end.x - uy + ux, end.y + ux + uy}, {end.x + uy + ux, end.y - ux + uy},
                {end.x + uy, end.y - ux}});
}

void CStroker::AddJoin(Point corner, double dx0, double dy0, double dx1, double dy1)
{
    if (m_pen.join == LineJoin::Round) {
        AddDisc(corner);
        return;
    }
    const double length0 = std::hypot(dx0, dy0);
    const double length1 = std::hypot(dx1, dy1);
    if (!(length0 > 0) || !(length1 > 0)) return;
    const double hw = m_pen.halfWidth;
    // The outer side of the turn: where the two segments' edges leave a gap.
    const double cross = dx0 * dy1 - dy0 * dx1;
    const double side = cross > 0 ? -1 : 1;
    const Point a{corner.x - dy0 / length0 * hw * side, corner.y + dx0 / length0 * hw * side};
    const Point b{corner.x - dy1 / length1 * hw * side, corner.y + dx1 / length1 * hw * side};
    if (m_pen.join == LineJoin::Miter) {
        // The miter reaches hw / cos(θ/2) from the corner along the bisector of the two normals.
        const double mx = (a.x + b.x) / 2 - corner.x;
        const double my = (a.y + b.y) / 2 - corner.y;
        const double half = std::hypot(mx, my);
        if (half > 1e-9) {
            const double reach = hw * hw / half;
            if (reach <= m_pen.miterLimit * hw) {
                AddPolygon({corner, a, {corner.x + mx / half * reach, corner.y + my / half * reach}, b});
                return;
            }
        }
    }
    AddPolygon({corner, a, b});
}
