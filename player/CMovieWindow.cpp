#include "CMovieWindow.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CMovie.h"
#include "CPlayer.h"
#include "GdiDeviceFonts.h"
#include "WicImageDecoder.h"

namespace {

constexpr UINT_PTR kFrameTimer = 1;
// A movie file larger than this is not read (the expanded movie has its own limit).
constexpr LONGLONG kMaxFileBytes = LONGLONG{256} << 20;

struct PlayerState {
    std::shared_ptr<IDeviceFonts> fonts = std::make_shared<CGdiDeviceFonts>();
    std::shared_ptr<const CMovie> movie;
    std::unique_ptr<CPlayer> player;
    std::string note;
    bool playing = false;
    bool trackingMouse = false;
    std::vector<std::uint32_t> pixels;
};

PlayerState* StateOf(HWND window)
{
    return reinterpret_cast<PlayerState*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The whole file, or false with the note to show.
bool ReadMovieFile(const char* path, std::vector<std::uint8_t>& bytes, std::string& note)
{
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        note = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? MovieWindow::kFileMissing
                                                                              : MovieWindow::kFileUnreadable;
        return false;
    }
    LARGE_INTEGER size{};
    bool read = ::GetFileSizeEx(file, &size) && size.QuadPart <= kMaxFileBytes;
    if (read) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        read = bytes.empty() ||
               (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
    }
    ::CloseHandle(file);
    if (!read) note = MovieWindow::kFileUnreadable;
    return read;
}

void LoadMovie(HWND window, PlayerState& state, const char* path)
{
    ::KillTimer(window, kFrameTimer);
    std::shared_ptr<IDeviceFonts> fonts = std::move(state.fonts);
    state = PlayerState{};
    state.fonts = std::move(fonts);
    std::vector<std::uint8_t> bytes;
    if (path && ReadMovieFile(path, bytes, state.note)) {
        std::string note;
        std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note, DecodeImageWithWic);
        if (movie) {
            state.movie = std::move(movie);
            state.player = std::make_unique<CPlayer>(state.movie, state.fonts);
            if (state.movie->NeedsActionScript3()) state.note = MovieWindow::kActionScript3;
        } else {
            state.note = note;
        }
    }
    ::InvalidateRect(window, nullptr, FALSE);
}

// A note over the movie in its bottom left corner, on a plain band so that it reads on any
// picture.
void DrawCornerNote(HDC dc, const RECT& client, const std::string& note)
{
    HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    RECT box{0, 0, client.right, 0};
    ::DrawTextA(dc, note.c_str(), -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    constexpr int kPadding = 4;
    const RECT band{0, client.bottom - (box.bottom + 2 * kPadding), std::min<LONG>(client.right, box.right + 2 * kPadding),
                    client.bottom};
    ::FillRect(dc, &band, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    RECT text{band.left + kPadding, band.top + kPadding, band.right - kPadding, band.bottom - kPadding};
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawTextA(dc, note.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(dc, oldFont);
}

// The mouse as the player takes it, in client pixels; repaints when a button changed.
void OnMouse(HWND window, PlayerState& state, MouseEvent event, LPARAM lParam)
{
    if (!state.player) return;
    RECT client{};
    ::GetClientRect(window, &client);
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    if (state.player->OnMouse(event, x, y, client.right, client.bottom)) ::InvalidateRect(window, nullptr, FALSE);
}

void Draw(HWND window, PlayerState& state, HDC dc)
{
    RECT client{};
    ::GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    if (state.player && width > 0 && height > 0) {
        state.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        state.player->Render(state.pixels.data(), width, height);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;   // rows top down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                            static_cast<UINT>(height), state.pixels.data(), &info, DIB_RGB_COLORS);
        if (!state.note.empty()) DrawCornerNote(dc, client, state.note);
    } else {
        ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        if (!state.note.empty()) {
            HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
            ::SetBkMode(dc, TRANSPARENT);
            ::DrawTextA(dc, state.note.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            ::SelectObject(dc, oldFont);
        }
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PlayerState* state = StateOf(window);
    switch (message) {
    case WM_NCCREATE:
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new PlayerState));
        break;
    case WM_NCDESTROY:
        delete state;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        break;
    case WM_DESTROY:
        ::KillTimer(window, kFrameTimer);
        return 0;
    case PLAYER_SETMOVIE:
        if (state) LoadMovie(window, *state, reinterpret_cast<const char*>(lParam));
        return 0;
    case PLAYER_PLAY:
        if (state && state->player) {
            state->playing = true;
            ::SetTimer(window, kFrameTimer, state->movie->GetFrameIntervalMs(), nullptr);
        }
        return 0;
    case PLAYER_GETFRAME:
        return state && state->player ? state->player->GetFrame() : -1;
    case PLAYER_GETNOTE:
        if (state && lParam && wParam > 0) ::lstrcpynA(reinterpret_cast<char*>(lParam), state->note.c_str(), static_cast<int>(wParam));
        return state ? static_cast<LRESULT>(state->note.size()) : 0;
    case WM_TIMER:
        if (wParam == kFrameTimer && state && state->player) {
            state->player->Advance();
            ::InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (state) {
            if (!state->trackingMouse) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
                state->trackingMouse = ::TrackMouseEvent(&track) != FALSE;
            }
            OnMouse(window, *state, MouseEvent::Move, lParam);
        }
        return 0;
    case WM_MOUSELEAVE:
        if (state) {
            state->trackingMouse = false;
            if (state->player && state->player->OnMouse(MouseEvent::Leave, 0, 0, 1, 1)) ::InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONDOWN:
        ::SetCapture(window);
        if (state) OnMouse(window, *state, MouseEvent::Press, lParam);
        return 0;
    case WM_LBUTTONUP:
        if (::GetCapture() == window) ::ReleaseCapture();
        if (state) OnMouse(window, *state, MouseEvent::Release, lParam);
        return 0;
    case WM_SETCURSOR:
        if (state && state->player && LOWORD(lParam) == HTCLIENT && state->player->IsOverButton()) {
            ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (state) {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(window, &paint);
            Draw(window, *state, dc);
            ::EndPaint(window, &paint);
            return 0;
        }
        break;
    case WM_PRINTCLIENT:
        if (state) Draw(window, *state, reinterpret_cast<HDC>(wParam));
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

namespace MovieWindow {

bool Register()
{
    WNDCLASSA cls{};
    if (::GetClassInfoA(::GetModuleHandleA(nullptr), kClassName, &cls)) return true;
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = ::GetModuleHandleA(nullptr);
    cls.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    cls.lpszClassName = kClassName;
    return ::RegisterClassA(&cls) != 0;
}

} // namespace MovieWindow
