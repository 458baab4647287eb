#include "Picture.h"

#include <cstring>
#include <fstream>

namespace {

BITMAPINFOHEADER Header(int width, int height)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;   // rows top down
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

// Draws into a 32-bit bitmap of the size and reads the pixels back.
template <class Draw>
Picture Drawn(int width, int height, Draw draw)
{
    Picture picture{width, height, {}};
    const BITMAPINFOHEADER header = Header(width, height);
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        draw(dc);
        ::GdiFlush();
        picture.pixels.resize(static_cast<std::size_t>(width) * height);
        std::memcpy(picture.pixels.data(), bits, picture.pixels.size() * sizeof(DWORD));
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(dc);
    return picture;
}

} // namespace

Picture PaintedClient(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    return Drawn(client.right, client.bottom, [&](HDC dc) {
        ::SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

Picture ScreenArea(const RECT& area)
{
    return Drawn(area.right - area.left, area.bottom - area.top, [&](HDC dc) {
        HDC screen = ::GetDC(nullptr);
        ::BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
    });
}

bool SavePicture(const Picture& picture, const std::string& path)
{
    if (picture.pixels.empty()) return false;
    const BITMAPINFOHEADER header = Header(picture.width, picture.height);
    const DWORD bytes = static_cast<DWORD>(picture.pixels.size() * sizeof(DWORD));
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + bytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(picture.pixels.data()), bytes);
    return static_cast<bool>(out);
}
