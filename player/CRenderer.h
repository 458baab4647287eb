#pragma once
// Draws a player's display list into a 32-bit pixel buffer: each pixel 0xFFRRGGBB as a 32-bit
// value (bytes B, G, R, X in memory), rows top down. The stage is scaled to fit the buffer
// keeping its proportions and centred; the bands beside it show the background colour, and
// nothing is drawn outside the stage. Platform-neutral.
#include "CRasterizer.h"
#include "CTimelineState.h"

#include <cstdint>

class CRenderer {
public:
    // Edges plus painted rows one frame may cost; a frame past it is left part drawn, so that
    // a hostile movie cannot hold the caller for long.
    static constexpr std::size_t kMaxWork = 20'000'000;

    CRenderer(const CMovie& movie, std::uint32_t* pixels, int width, int height);

    void Draw(const CTimelineState& root);

private:
    void DrawList(const CTimelineState& timeline, const Matrix& matrix, const ColourTransform& colour, int nesting);
    void DrawShape(const Shape& shape, const Matrix& matrix, const ColourTransform& colour);
    void AddOutline(const ShapeEdge& edge, const Matrix& matrix);
    void AddStroke(const ShapeEdge& edge, const Matrix& matrix, double halfWidth);
    void AddDisc(double x, double y, double radius);
    void FillWith(const FillStyle& style, const Matrix& matrix, const ColourTransform& colour);
    bool Affordable() const;

    const CMovie& m_movie;
    std::uint32_t* m_pPixels;
    int m_nWidth;
    int m_nHeight;
    int m_nClipLeft = 0;
    int m_nClipTop = 0;
    int m_nClipRight = 0;
    int m_nClipBottom = 0;
    std::size_t m_nWork = 0;
    CRasterizer m_rasterizer;
};
