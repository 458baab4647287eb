#include "Dpi.h"

namespace {

// A function of user32 that only newer systems have, or null.
template <class Function>
Function UserFunction(const char* name)
{
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

// The system's font description at `dpi`: asked for that DPI where the system can, else the
// system DPI's description with its height scaled.
HFONT CreateSystemFont(UINT dpi, LOGFONTW NONCLIENTMETRICSW::*member)
{
    static const auto forDpi = UserFunction<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (member) {
        if (forDpi ? !forDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, dpi)
                   : !::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
            return nullptr;
        font = metrics.*member;
    } else if (forDpi ? !forDpi(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0, dpi)
                      : !::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0)) {
        return nullptr;
    }
    if (!forDpi) font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return ::CreateFontIndirectW(&font);
}

} // namespace

UINT SystemDpi()
{
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT WindowDpi(HWND window)
{
    static const auto forWindow = UserFunction<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = forWindow && window ? forWindow(window) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

int MetricForDpi(int index, UINT dpi)
{
    static const auto forDpi = UserFunction<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

HFONT CreateIconTitleFont(UINT dpi)
{
    return CreateSystemFont(dpi, nullptr);
}

HFONT CreateStatusFont(UINT dpi)
{
    return CreateSystemFont(dpi, &NONCLIENTMETRICSW::lfStatusFont);
}
