#pragma once
// Pixels a person would see: what a window paints, or what the screen shows, saved as BMP files
// (test artifacts a person can look at).
#include <windows.h>

#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;   // 0x00RRGGBB, rows top down

    COLORREF At(int x, int y) const
    {
        const DWORD pixel = pixels[static_cast<std::size_t>(y) * width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
};

// What the window paints into its client area, as it would on the screen (WM_PRINTCLIENT):
// other windows over it, or its being hidden, change nothing.
Picture PaintedClient(HWND window);
// What the screen shows in the rectangle (screen coordinates).
Picture ScreenArea(const RECT& area);
bool SavePicture(const Picture& picture, const std::string& path);
