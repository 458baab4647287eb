#include "Picture.h"

#include <fstream>

namespace {

// A top-down 32-bit bitmap to draw into, its pixels read back as colours.
class Canvas {
public:
    Canvas(int width, int height) : m_hDC(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_hBitmap = ::CreateDIBSection(m_hDC, &info, DIB_RGB_COLORS, &m_pBits, nullptr, 0);
        if (m_hBitmap) m_hOld = ::SelectObject(m_hDC, m_hBitmap);
        m_picture.width = width;
        m_picture.height = height;
    }
    ~Canvas()
    {
        if (m_hOld) ::SelectObject(m_hDC, m_hOld);
        if (m_hBitmap) ::DeleteObject(m_hBitmap);
        ::DeleteDC(m_hDC);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC DC() const { return m_hBitmap ? m_hDC : nullptr; }
    Picture Take()
    {
        ::GdiFlush();
        const auto* bits = static_cast<const DWORD*>(m_pBits);
        const std::size_t count = static_cast<std::size_t>(m_picture.width) * static_cast<std::size_t>(m_picture.height);
        for (std::size_t i = 0; bits && i < count; ++i)
            m_picture.pixels.push_back(RGB((bits[i] >> 16) & 0xFF, (bits[i] >> 8) & 0xFF, bits[i] & 0xFF));
        return m_picture;
    }

private:
    HDC m_hDC;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
    void* m_pBits = nullptr;
    Picture m_picture;
};

} // namespace

Picture PaintedClient(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    Canvas canvas(client.right, client.bottom);
    if (!canvas.DC()) return {};
    ::SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.DC()), 0);
    ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.DC()), PRF_CLIENT);
    return canvas.Take();
}

Picture ScreenArea(const RECT& area)
{
    Canvas canvas(area.right - area.left, area.bottom - area.top);
    if (!canvas.DC()) return {};
    HDC screen = ::GetDC(nullptr);
    ::BitBlt(canvas.DC(), 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    return canvas.Take();
}

bool SavePicture(const Picture& picture, const std::string& path)
{
    if (picture.pixels.empty()) return false;
    const DWORD rowBytes = (static_cast<DWORD>(picture.width) * 3 + 3) & ~3u;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = picture.height;   // rows bottom up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + rowBytes * static_cast<DWORD>(picture.height);
    std::string bytes(rowBytes * static_cast<std::size_t>(picture.height), '\0');
    for (int y = 0; y < picture.height; ++y) {
        char* row = bytes.data() + static_cast<std::size_t>(picture.height - 1 - y) * rowBytes;
        for (int x = 0; x < picture.width; ++x) {
            const COLORREF colour = picture.At(x, y);
            row[x * 3] = static_cast<char>(GetBValue(colour));
            row[x * 3 + 1] = static_cast<char>(GetGValue(colour));
            row[x * 3 + 2] = static_cast<char>(GetRValue(colour));
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
