#include "CStandInFonts.h"

const DeviceGlyph* CStandInFonts::GetGlyph(const DeviceFontKey&, char32_t code)
{
    if (!m_bMade) {
        const std::int32_t left = static_cast<std::int32_t>(kInkLeft);
        const std::int32_t right = static_cast<std::int32_t>(kInkRight);
        const std::int32_t top = -static_cast<std::int32_t>(kInkTop);
        const std::int32_t corners[5][2] = {{left, top}, {right, top}, {right, 0}, {left, 0}, {left, top}};
        for (int i = 0; i < 4; ++i) {
            ShapeEdge edge;
            edge.x0 = corners[i][0];
            edge.y0 = corners[i][1];
            edge.x1 = edge.cx = corners[i + 1][0];
            edge.y1 = edge.cy = corners[i + 1][1];
            edge.fill1 = 1;
            m_block.outline.edges.push_back(edge);
        }
        m_block.advance = kAdvance;
        m_space.advance = kAdvance / 2;
        m_bMade = true;
    }
    if (code < 0x20) return nullptr;
    return code == ' ' || code == 0xA0 ? &m_space : &m_block;
}

void CStandInFonts::GetMetrics(const DeviceFontKey&, double& ascent, double& descent)
{
    ascent = kAscent;
    descent = kDescent;
}
