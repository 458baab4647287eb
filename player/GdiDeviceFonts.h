#pragma once
// Device fonts from the system through GDI: glyph outlines as TrueType gives them, for text
// fields that name "_sans", "_serif", "_typewriter" or a font of the system rather than embed
// their glyphs.
#include "DeviceFonts.h"

#include <memory>
#include <vector>

class CGdiDeviceFonts : public IDeviceFonts {
public:
    CGdiDeviceFonts();
    ~CGdiDeviceFonts() override;
    CGdiDeviceFonts(const CGdiDeviceFonts&) = delete;
    CGdiDeviceFonts& operator=(const CGdiDeviceFonts&) = delete;

    const DeviceGlyph* GetGlyph(const DeviceFontKey& font, char32_t code) override;
    void GetMetrics(const DeviceFontKey& font, double& ascent, double& descent) override;

private:
    struct Face;
    Face* FaceFor(const DeviceFontKey& font);

    struct Context;
    std::unique_ptr<Context> m_pContext;  // the memory DC the fonts are selected into
    std::vector<std::unique_ptr<Face>> m_faces;
};
