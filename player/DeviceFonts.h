#pragma once
// Fonts of the system a text field may ask for by name instead of embedding glyphs ("_sans",
// "_serif", "_typewriter" or a font's own name). The core asks through this interface; the
// Windows build answers with GDI's outlines, the native build with a stand-in. Platform-neutral.
#include "SwfTypes.h"

#include <string>

// A glyph as the core draws it: an outline in units of 1/1024 of the font's height, y down
// from the baseline, and the pen's advance in the same units.
struct DeviceGlyph {
    Shape outline;
    double advance = 0;
};

struct DeviceFontKey {
    std::string face;
    bool bold = false;
    bool italic = false;

    bool operator==(const DeviceFontKey&) const = default;
};

class IDeviceFonts {
public:
    static constexpr double kEmSquare = 1024;

    virtual ~IDeviceFonts() = default;
    // Null when the font has no glyph for the character; otherwise valid as long as this object.
    virtual const DeviceGlyph* GetGlyph(const DeviceFontKey& font, char32_t code) = 0;
    // Above and below the baseline, in 1/1024 of the font's height.
    virtual void GetMetrics(const DeviceFontKey& font, double& ascent, double& descent) = 0;
};
