#pragma once
// Dots per inch of windows and the sizes that follow from them. The program declares itself
// aware of each monitor's DPI, so the system scales nothing for it: sizes written for 96 DPI
// (100 %) are scaled here. The per-monitor functions are newer than the Windows the program is
// built for; where they are missing, every window has the screen's DPI.
#include <windows.h>

constexpr UINT kDefaultDpi = 96;

// A size given at 96 DPI, at `dpi`; and back.
inline int ScaleToDpi(int value, UINT dpi) { return ::MulDiv(value, static_cast<int>(dpi), kDefaultDpi); }
inline int ScaleFromDpi(int value, UINT dpi) { return ::MulDiv(value, kDefaultDpi, static_cast<int>(dpi)); }

// The DPI the window draws for (its monitor's); the screen's when the system cannot tell.
UINT WindowDpi(HWND window);
// The DPI of the screen as the system was started with: what the system's fonts and metrics
// the controls take by default are made for.
UINT SystemDpi();
// A system metric (SM_CXVSCROLL, ...) at `dpi`.
int MetricForDpi(int index, UINT dpi);
// The font of icon titles, which list views use by default, made for `dpi`; null on failure.
HFONT CreateIconTitleFont(UINT dpi);
// The font of status bars, made for `dpi`; null on failure.
HFONT CreateStatusFont(UINT dpi);
