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
        // The whole pixels between go into a running sum, added up once per row.
        float* runs = m_runs.data() - m_nLeft;
        runs[first + 1] += weight;
        runs[last] -= weight;
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
    // Clamped before they become integers: a glyph scaled up far enough lies past any int.
    const int firstRow = static_cast<int>(std::clamp(std::floor(top), static_cast<double>(m_nTop), static_cast<double>(m_nBottom)));
    const int endRow = static_cast<int>(std::clamp(std::ceil(bottom), static_cast<double>(m_nTop), static_cast<double>(m_nBottom)));

    m_coverage.assign(static_cast<std::size_t>(m_nRight - m_nLeft), 0.0f);
    m_runs.assign(static_cast<std::size_t>(m_nRight - m_nLeft) + 1, 0.0f);
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
            // Crossings move little from one sub-scanline to the next, and the active list keeps
            // the last order, so an insertion sort is close to linear here.
            for (std::size_t i = 1; i < m_crossings.size(); ++i) {
                const Crossing crossing = m_crossings[i];
                const std::size_t edge = m_active[i];
                std::size_t j = i;
                for (; j > 0 && m_crossings[j - 1].x > crossing.x; --j) {
                    m_crossings[j] = m_crossings[j - 1];
                    m_active[j] = m_active[j - 1];
                }
                m_crossings[j] = crossing;
                m_active[j] = edge;
            }
            int winding = 0;
            for (std::size_t i = 0; i + 1 < m_crossings.size(); ++i) {
                winding += m_crossings[i].direction;
                const bool inside = rule == FillRule::EvenOdd ? (i % 2 == 0) : winding != 0;
                if (inside) AddSpan(m_crossings[i].x, m_crossings[i + 1].x, kSampleWeight);
            }
        }
        if (m_nTouchedLeft < m_nTouchedRight) {
            float* coverage = m_coverage.data() + (m_nTouchedLeft - m_nLeft);
            float* runs = m_runs.data() + (m_nTouchedLeft - m_nLeft);
            const int count = m_nTouchedRight - m_nTouchedLeft;
            float sum = 0;
            for (int i = 0; i < count; ++i) {
                sum += runs[i];
                runs[i] = 0;
                coverage[i] += sum;
            }
            runs[count] = 0;
            paint(y, m_nTouchedLeft, m_nTouchedRight, coverage);
            std::fill(coverage, coverage + count, 0.0f);
        }
        if (next >= m_edges.size() && m_active.empty()) break;
    }
}
