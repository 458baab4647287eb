#pragma once
// Pixels a person would see: what a window paints, or what the screen shows, kept as 24-bit
// colours and saved as BMP files (test artifacts a person can look at).
#include <windows.h>

#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;   // rows top down

    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// What the window paints into its client area, as it would on the screen (WM_PRINTCLIENT):
// other windows over it, or its being hidden, change nothing.
Picture PaintedClient(HWND window);
// What the screen shows in the rectangle (screen coordinates).
Picture ScreenArea(const RECT& area);
bool SavePicture(const Picture& picture, const std::string& path);
