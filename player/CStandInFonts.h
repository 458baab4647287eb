#pragma once
// Device fonts without a system to ask: every visible character is a solid block, so that text
// fields with device fonts can be laid out, drawn and checked where no GDI exists (the native
// build, the fuzz target). Platform-neutral.
#include "DeviceFonts.h"


class CStandInFonts : public IDeviceFonts {
public:
    // A block fills [kInkLeft, kInkRight) × [-kInkTop, 0) of each kAdvance-wide cell; a space
    // is half as wide and empty.
    static constexpr double kAdvance = 600;
    static constexpr double kInkLeft = 60;
    static constexpr double kInkRight = 540;
    static constexpr double kInkTop = 700;
    static constexpr double kAscent = 900;
    static constexpr double kDescent = 200;

    const DeviceGlyph* GetGlyph(const DeviceFontKey& font, char32_t code) override;
    void GetMetrics(const DeviceFontKey& font, double& ascent, double& descent) override;

private:
    DeviceGlyph m_block;
    DeviceGlyph m_space;
    bool m_bMade = false;
};
