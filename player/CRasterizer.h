#pragma once
// Scan conversion of polygons made of straight edges, in pixel coordinates, with four
// sub-scanlines per pixel row and exact horizontal coverage along each. Platform-neutral.
#include <cstddef>
#include <functional>
#include <vector>

class CRasterizer {
public:
    enum class FillRule { EvenOdd, NonZero };

    // Receives one pixel row: coverage[i] (0 to 1) belongs to the pixel at x0 + i, up to x1.
    using SpanPainter = std::function<void(int y, int x0, int x1, const float* coverage)>;

    // Drops the edges and sets the pixels that may be painted: [left, right) × [top, bottom).
    void Begin(int left, int top, int right, int bottom);
    // Edges that are not finite are dropped.
    void AddLine(double x0, double y0, double x1, double y1);
    std::size_t GetEdgeCount() const { return m_edges.size(); }

    // Paints every row the edges cover inside the clip. Each edge crossing looked at and each
    // pixel painted costs one unit of workLeft; when it runs out the fill stops where it is.
    void Fill(FillRule rule, const SpanPainter& paint, std::size_t& workLeft);

private:
    struct Edge {
        double yTop;
        double yBottom;
        double xAtTop;
        double slope;  // dx per dy
        int direction;  // +1 downwards, -1 upwards
    };
    struct Crossing {
        double x;
        int direction;
    };

    void AddSpan(double from, double to, float weight);

    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nRight = 0;
    int m_nBottom = 0;
    std::vector<Edge> m_edges;
    std::vector<std::size_t> m_active;
    std::vector<Crossing> m_crossings;
    std::vector<float> m_coverage;
    std::vector<float> m_runs;  // coverage of whole pixels, as changes from the pixel before
    int m_nTouchedLeft = 0;
    int m_nTouchedRight = 0;
};
