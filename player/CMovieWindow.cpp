#include "CMovieWindow.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "CFrameClock.h"
#include "CMovie.h"
#include "CPlayer.h"
#include "CSoundMixer.h"
#include "CWaveOut.h"
#include "GdiDeviceFonts.h"
#include "Mp3AcmDecoder.h"
#include "ShellUrlOpener.h"
#include "WicImageDecoder.h"

namespace {

constexpr UINT_PTR kFrameTimer = 1;
// The timer only looks at the frame clock; frames come when the clock says they are due.
constexpr UINT kTickMs = 10;
// A movie file larger than this is not read (the expanded movie has its own limit).
constexpr LONGLONG kMaxFileBytes = LONGLONG{256} << 20;

struct PlayerState {
    std::shared_ptr<IDeviceFonts> fonts = std::make_shared<CGdiDeviceFonts>();
    CShellUrlOpener shell;
    IUrlOpener* opener = nullptr;  // a test's; null: the shell
    std::shared_ptr<const CMovie> movie;
    std::unique_ptr<CSoundMixer> mixer;  // outlives the player, which tells it what plays
    std::unique_ptr<CPlayer> player;
    std::unique_ptr<CWaveOut> output;    // goes first: it mixes on a thread of its own
    CFrameClock clock{12};
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

std::uint64_t NowMicroseconds()
{
    LARGE_INTEGER now{}, frequency{};
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<std::uint64_t>(now.QuadPart / frequency.QuadPart * 1000000 +
                                      now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

// Silence first, then the player, then what it played into.
void StopMovie(HWND window, PlayerState& state)
{
    ::KillTimer(window, kFrameTimer);
    state.output.reset();
    state.player.reset();
    state.mixer.reset();
}

// Without a sound device the movie plays on in silence.
void StartSound(PlayerState& state)
{
    state.output = std::make_unique<CWaveOut>();
    CSoundMixer* mixer = state.mixer.get();
    CWaveOut* output = state.output.get();
    const auto mix = [mixer, output](std::int16_t* out, std::size_t frames) {
        mixer->SetLead(output->GetLead());
        mixer->Mix(out, frames);
    };
    if (!state.output->Open(mix)) state.output.reset();
}

// The movie's own address, as its scripts read it in _url.
std::string FileUrl(const char* path)
{
    std::string url = "file:///";
    for (const char* c = path; *c; ++c) url += *c == '\\' ? '/' : *c;
    return url;
}

// Once the movie's scripts are stopped, the corner says so.
void TakeScriptNote(PlayerState& state)
{
    if (state.player && state.note.empty()) state.note = state.player->GetScriptNote();
}

void LoadMovie(HWND window, PlayerState& state, const char* path)
{
    StopMovie(window, state);
    std::shared_ptr<IDeviceFonts> fonts = std::move(state.fonts);
    IUrlOpener* opener = state.opener;
    state = PlayerState{};
    state.fonts = std::move(fonts);
    state.opener = opener;
    std::vector<std::uint8_t> bytes;
    if (path && ReadMovieFile(path, bytes, state.note)) {
        std::string note;
        std::shared_ptr<const CMovie> movie =
            CMovie::Load(bytes.data(), bytes.size(), note, DecodeImageWithWic, MakeAcmMp3Decoder);
        if (movie) {
            if (movie->HasUnplayedSounds())
                ::OutputDebugStringA("Tarnwick player: Nellymoser and Speex sound is not played\n");
            state.movie = std::move(movie);
            state.mixer = std::make_unique<CSoundMixer>(state.movie);
            state.player = std::make_unique<CPlayer>(state.movie, state.mixer.get(), state.fonts);
            state.player->SetUrlOpener(state.opener ? state.opener : &state.shell);
            state.player->SetUrl(FileUrl(path));
            state.clock = CFrameClock(state.movie->GetFrameRate());
            if (state.movie->NeedsActionScript3()) state.note = MovieWindow::kActionScript3;
            TakeScriptNote(state);
        } else {
            state.note = note;
        }
    }
    ::InvalidateRect(window, nullptr, FALSE);
}

// The character a key makes with the keyboard's state now, 0 for none.
int AsciiOf(WPARAM key, LPARAM lParam)
{
    BYTE keys[256] = {};
    if (!::GetKeyboardState(keys)) return 0;
    WORD made = 0;
    const UINT scan = (static_cast<UINT>(lParam) >> 16) & 0xFF;
    return ::ToAscii(static_cast<UINT>(key), scan, keys, &made, 0) == 1 ? made & 0xFF : 0;
}

void OnKey(HWND window, PlayerState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!state.player) return;
    bool changed = false;
    if (message == WM_KEYDOWN) changed = state.player->OnKeyDown(static_cast<int>(wParam), AsciiOf(wParam, lParam));
    else if (message == WM_KEYUP) changed = state.player->OnKeyUp(static_cast<int>(wParam), AsciiOf(wParam, lParam));
    else changed = state.player->OnChar(static_cast<int>(wParam));
    TakeScriptNote(state);
    if (changed) ::InvalidateRect(window, nullptr, FALSE);
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
    const bool changed = state.player->OnMouse(event, x, y, client.right, client.bottom);
    TakeScriptNote(state);
    if (changed) ::InvalidateRect(window, nullptr, FALSE);
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
        if (state) StopMovie(window, *state);
        return 0;
    case PLAYER_SETMOVIE:
        if (state) LoadMovie(window, *state, reinterpret_cast<const char*>(lParam));
        return 0;
    case PLAYER_PLAY:
        if (state && state->player && !state->playing) {
            state->playing = true;
            StartSound(*state);
            state->clock.Start(NowMicroseconds());
            ::SetTimer(window, kFrameTimer, kTickMs, nullptr);
        }
        return 0;
    case PLAYER_GETFRAME:
        return state && state->player ? state->player->GetFrame() : -1;
    case PLAYER_GETNOTE:
        if (state && lParam && wParam > 0) ::lstrcpynA(reinterpret_cast<char*>(lParam), state->note.c_str(), static_cast<int>(wParam));
        return state ? static_cast<LRESULT>(state->note.size()) : 0;
    case WM_TIMER:
        if (wParam == kFrameTimer && state && state->player) {
            const int due = state->clock.Due(NowMicroseconds());
            for (int i = 0; i < due; ++i) state->player->Advance();
            TakeScriptNote(*state);
            if (due > 0) ::InvalidateRect(window, nullptr, FALSE);
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
    case PLAYER_SETURLOPENER:
        if (state) state->opener = reinterpret_cast<IUrlOpener*>(lParam);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (state) OnKey(window, *state, message, wParam, lParam);
        return 0;
    case WM_GETDLGCODE: {
        // The movie hears every key, the arrows, Tab and Enter too, while it has the focus; Esc
        // stays the dialog's, which closes the viewer with it.
        const MSG* key = reinterpret_cast<const MSG*>(lParam);
        const bool escape = key && (key->message == WM_KEYDOWN || key->message == WM_CHAR) && key->wParam == VK_ESCAPE;
        return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS | (escape ? 0 : DLGC_WANTALLKEYS);
    }
    case WM_LBUTTONDOWN:
        ::SetFocus(window);
        ::SetCapture(window);
        if (state) OnMouse(window, *state, MouseEvent::Press, lParam);
        return 0;
    case WM_LBUTTONUP:
        if (::GetCapture() == window) ::ReleaseCapture();
        if (state) OnMouse(window, *state, MouseEvent::Release, lParam);
        return 0;
    case WM_SETCURSOR:
        if (state && state->player && LOWORD(lParam) == HTCLIENT && state->player->IsMouseHidden()) {
            ::SetCursor(nullptr);
            return TRUE;
        }
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

// No exception may cross the window procedure into the system's code. A movie too big for the
// memory left ends its playing with a note (its memory goes first, so the note finds room);
// anything else is a fault of ours, and noexcept stops the process where a debugger can see it.
LRESULT CALLBACK GuardedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        return WindowProc(window, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        ::KillTimer(window, kFrameTimer);
        if (PlayerState* state = StateOf(window)) {
            StopMovie(window, *state);
            state->movie.reset();
            state->pixels = {};
            state->playing = false;
            state->note = MovieWindow::kOutOfMemory;
        }
        ::InvalidateRect(window, nullptr, FALSE);
        // A paint that failed leaves the window to be painted again, with the note this time.
        return message == WM_PAINT ? ::DefWindowProcA(window, message, wParam, lParam) : 0;
    }
}

} // namespace

namespace MovieWindow {

bool Register()
{
    WNDCLASSA cls{};
    if (::GetClassInfoA(::GetModuleHandleA(nullptr), kClassName, &cls)) return true;
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = GuardedWindowProc;
    cls.hInstance = ::GetModuleHandleA(nullptr);
    cls.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    cls.lpszClassName = kClassName;
    return ::RegisterClassA(&cls) != 0;
}

} // namespace MovieWindow
