#pragma once
// Draws a player's display list into a 32-bit pixel buffer: each pixel 0xFFRRGGBB as a 32-bit
// value (bytes B, G, R, X in memory), rows top down. The stage is scaled to fit the buffer
// keeping its proportions and centred; the bands beside it show the background colour, and
// nothing is drawn outside the stage. Platform-neutral.
#include "CRasterizer.h"
#include "CTimelineState.h"
#include "DeviceFonts.h"

#include <cstdint>
#include <vector>

class CRenderer {
public:
    // Edges plus painted rows one frame may cost; a frame past it is left part drawn, so that
    // a hostile movie cannot hold the caller for long.
    static constexpr std::size_t kMaxWork = 20'000'000;
    // Masks inside masks past this depth hide what they would clip.
    static constexpr int kMaxMaskNesting = 8;

    // `fonts` may be null: text in device fonts is then left out. `index` finds the masks
    // scripts set (setMask); without it they are not followed.
    CRenderer(const CMovie& movie, std::uint32_t* pixels, int width, int height, IDeviceFonts* fonts = nullptr,
              const IDisplayIndex* index = nullptr);

    // The main timeline's clip, its own matrix and colour applied.
    void Draw(const DisplayObject& root);

    // Stage twips → buffer pixels for a buffer of that size.
    static Matrix ViewMatrix(const StageRect& stage, int width, int height);

private:
    // What the current object paints through: the clip of the masks over it, and how its
    // colours combine with those below.
    struct Paint {
        const float* mask = nullptr;  // one weight per pixel, or none
        std::uint8_t blend = BLEND_NORMAL;
        std::vector<float>* maskTarget = nullptr;  // drawing a mask: coverage goes here
    };

    void DrawList(const CTimelineState& timeline, const Matrix& matrix, const ColourTransform& colour, int nesting,
                  Paint paint);
    void DrawObject(const DisplayObject& object, const Matrix& matrix, const ColourTransform& colour, int nesting,
                    const Paint& paint);
    // The coverage of a mask object drawn on its own, weighted by `outer` (may be null).
    void DrawMask(const DisplayObject& mask, const Matrix& matrix, int nesting, const float* outer,
                  std::vector<float>& weights);
    void DrawShape(const Shape& shape, const Matrix& matrix, const ColourTransform& colour, const Paint& paint);
    void DrawStroke(const Shape& shape, const LineStyle& line, std::size_t from, std::size_t to,
                    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& uses, const Matrix& matrix,
                    const ColourTransform& colour, const Paint& paint);
    void DrawStaticText(const StaticText& text, const Matrix& matrix, const ColourTransform& colour, const Paint& paint);
    void DrawTextField(CTextField& field, const Matrix& matrix, const ColourTransform& colour, const Paint& paint);
    void AddGlyph(const Shape& glyph, const Matrix& matrix);
    void AddOutline(const ShapeEdge& edge, const Matrix& matrix);
    void FillSolid(Rgba colour, CRasterizer::FillRule rule, const Paint& paint);
    void FillWith(const FillStyle& style, const Matrix& matrix, const ColourTransform& colour,
                  CRasterizer::FillRule rule, const Paint& paint);
    bool Affordable() const;

    const CMovie& m_movie;
    std::uint32_t* m_pPixels;
    int m_nWidth;
    int m_nHeight;
    IDeviceFonts* m_pFonts;  // the player's; may be null
    const IDisplayIndex* m_pIndex;  // the player's; may be null
    Matrix m_view;
    int m_nClipLeft = 0;
    int m_nClipTop = 0;
    int m_nClipRight = 0;
    int m_nClipBottom = 0;
    double m_dViewScale = 1;  // pixels per stage twip
    int m_nMaskNesting = 0;
    std::vector<float> m_hidden;  // a clip that shows nothing, shared by masks past the limit
    std::size_t m_nWork = 0;
    CRasterizer m_rasterizer;
};
