#pragma once
// Turns lines into outlines for the rasterizer: each path in pixel coordinates becomes pieces
// (a quad per segment, a join at each corner, a cap at each open end), all wound the same way
// so that the non-zero rule fills their union. Platform-neutral.
#include "CRasterizer.h"
#include "SwfTypes.h"

#include <vector>

class CStroker {
public:
    struct Pen {
        double halfWidth = 0.5;  // pixels
        LineCap startCap = LineCap::Round;
        LineCap endCap = LineCap::Round;
        LineJoin join = LineJoin::Round;
        double miterLimit = 3;
    };

    CStroker(CRasterizer& rasterizer, const Pen& pen) : m_rasterizer(rasterizer), m_pen(pen) {}

    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    // Ends the path; a closed one is joined at its start instead of capped.
    void Finish(bool closed);

private:
    struct Point {
        double x;
        double y;
    };

    void AddPolygon(std::vector<Point> points);
    void AddDisc(Point centre);
    void AddCap(Point end, double dx, double dy, LineCap cap);
    void AddJoin(Point corner, double dx0, double dy0, double dx1, double dy1);

    CRasterizer& m_rasterizer;
    Pen m_pen;
    std::vector<Point> m_points;
};
