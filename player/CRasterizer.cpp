#include "CRasterizer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSubSamples = 4;
constexpr float kSampleWeight = 1.0f / kSubSamples;

} // namespace

void CRasterizer::Begin(int left, int top, int right, int bottom)
{
    m_nLeft = left;
    m_nTop = top;
    m_nRight = std::max(left, right);
    m_nBottom = std::max(top, bottom);
    m_edges.clear();
}

void CRasterizer::AddLine(double x0, double y0, double x1, double y1)
{
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
    if (y0 == y1) return;  // horizontal edges never cross a sub-scanline
    Edge edge;
    edge.direction = y0 < y1 ? 1 : -1;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    edge.yTop = y0;
    edge.yBottom = y1;
    edge.xAtTop = x0;
    edge.slope = (x1 - x0) / (y1 - y0);
    if (!std::isfinite(edge.slope)) return;
    m_edges.push_back(edge);
}

void CRasterizer::AddSpan(double from, double to, float weight)
{
    from = std::clamp(from, static_cast<double>(m_nLeft), static_cast<double>(m_nRight));
    to = std::clamp(to, static_cast<double>(m_nLeft), static_cast<double>(m_nRight));
    if (to <= from) return;
    const int first = static_cast<int>(std::floor(from));
    const int last = static_cast<int>(std::floor(to));
    float* coverage = m_coverage.data() - m_nLeft;
    if (first == last) {
        coverage[first] += static_cast<float>(to - from) * weight;
    } else {
        coverage[first] += static_cast<float>(first + 1 - from) * weight;
        for (int x = first + 1; x < last; ++x) coverage[x] += weight;
        if (last < m_nRight) coverage[last] += static_cast<float>(to - last) * weight;
    }
    m_nTouchedLeft = std::min(m_nTouchedLeft, first);
    m_nTouchedRight = std::max(m_nTouchedRight, std::min(last + 1, m_nRight));
}

void CRasterizer::Fill(FillRule rule, const SpanPainter& paint, std::size_t& workLeft)
{
    if (m_edges.empty() || m_nLeft >= m_nRight || m_nTop >= m_nBottom) return;
    std::sort(m_edges.begin(), m_edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });
    double top = m_edges.front().yTop;
    double bottom = top;
    for (const Edge& edge : m_edges) bottom = std::max(bottom, edge.yBottom);
    const int firstRow = static_cast<int>(std::max<double>(m_nTop, std::floor(std::max(top, -1e9))));
    const int endRow = static_cast<int>(std::min<double>(m_nBottom, std::ceil(std::min(bottom, 1e9))));

    m_coverage.assign(static_cast<std::size_t>(m_nRight - m_nLeft), 0.0f);
    m_active.clear();
    std::size_t next = 0;
    for (int y = firstRow; y < endRow; ++y) {
        const std::size_t rowCost = m_active.size() * kSubSamples + static_cast<std::size_t>(m_nRight - m_nLeft);
        if (rowCost > workLeft) {
            workLeft = 0;
            return;
        }
        workLeft -= rowCost;
        m_nTouchedLeft = m_nRight;
        m_nTouchedRight = m_nLeft;
        for (int sample = 0; sample < kSubSamples; ++sample) {
            const double sampleY = y + (sample + 0.5) / kSubSamples;
            while (next < m_edges.size() && m_edges[next].yTop <= sampleY) m_active.push_back(next++);
            m_active.erase(std::remove_if(m_active.begin(), m_active.end(),
                                          [&](std::size_t i) { return m_edges[i].yBottom <= sampleY; }),
                           m_active.end());
            m_crossings.clear();
            for (std::size_t i : m_active) {
                const Edge& edge = m_edges[i];
                const double x = edge.xAtTop + (sampleY - edge.yTop) * edge.slope;
                // Kept finite and ordered for the sort, whatever the edge's coordinates.
                m_crossings.push_back({x > -1e18 ? std::min(x, 1e18) : -1e18, edge.direction});
            }
            std::sort(m_crossings.begin(), m_crossings.end(),
                      [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
            int winding = 0;
            for (std::size_t i = 0; i + 1 < m_crossings.size(); ++i) {
                winding += m_crossings[i].direction;
                const bool inside = rule == FillRule::EvenOdd ? (i % 2 == 0) : winding != 0;
                if (inside) AddSpan(m_crossings[i].x, m_crossings[i + 1].x, kSampleWeight);
            }
        }
        if (m_nTouchedLeft < m_nTouchedRight) {
            float* coverage = m_coverage.data() + (m_nTouchedLeft - m_nLeft);
            paint(y, m_nTouchedLeft, m_nTouchedRight, coverage);
            std::fill(coverage, coverage + (m_nTouchedRight - m_nTouchedLeft), 0.0f);
        }
        if (next >= m_edges.size() && m_active.empty()) break;
    }
}
