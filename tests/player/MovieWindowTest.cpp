// The player's Windows parts with the core: JPEG pictures decoded by the system's imaging
// component, device text in the system's fonts, and the player window driven by the mouse
// messages a user's actions produce. The movies come from tools/make-swf (100 × 100 pixels,
// navy stage, one scene unit 12.5 pixels).
#include "CMovieWindow.h"
#include "CPlayer.h"
#include "GdiDeviceFonts.h"
#include "OwnerWindow.h"
#include "WicImageDecoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

const std::string kMovies = MOVIES;
constexpr COLORREF kNavy = RGB(0, 0, 0x80);

std::shared_ptr<const CMovie> LoadWithWic(const std::string& name)
{
    std::ifstream in(kMovies + "/" + name, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note, DecodeImageWithWic);
    EXPECT_TRUE(movie) << name << ": " << note;
    return movie;
}

// 400 × 400 pixels of a player's frame as COLORREFs.
std::vector<COLORREF> Frame(const CPlayer& player)
{
    std::vector<std::uint32_t> pixels(400 * 400);
    player.Render(pixels.data(), 400, 400);
    std::vector<COLORREF> colours;
    for (std::uint32_t p : pixels) colours.push_back(RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF));
    return colours;
}

::testing::AssertionResult Near(COLORREF actual, COLORREF expected)
{
    const auto off = [](int a, int b) { return std::abs(a - b) > 12; };
    if (!off(GetRValue(actual), GetRValue(expected)) && !off(GetGValue(actual), GetGValue(expected)) &&
        !off(GetBValue(actual), GetBValue(expected)))
        return ::testing::AssertionSuccess();
    char text[64];
    std::snprintf(text, sizeof text, "saw %06lX, expected %06lX (as 0xBBGGRR)", static_cast<unsigned long>(actual),
                  static_cast<unsigned long>(expected));
    return ::testing::AssertionFailure() << text;
}

TEST(MovieOnWindows, SplitJpegStreamsDecodeWithTheSystemDecoder)
{
    const auto movie = LoadWithWic("jpeg.swf");
    ASSERT_TRUE(movie);
    const std::vector<COLORREF> frame = Frame(CPlayer(movie));
    // Each quarter shows the 16 × 16 picture: red, green over blue, white, in 100-pixel blocks.
    const COLORREF blocks[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    const char* layouts[] = {"tables and image in one tag", "DefineBits with JPEGTables", "a stray header first",
                             "DefineBitsJPEG4"};
    for (int quarter = 0; quarter < 4; ++quarter) {
        for (int block = 0; block < 4; ++block) {
            const int x = (quarter % 2) * 200 + (block % 2) * 100 + 50;
            const int y = (quarter / 2) * 200 + (block / 2) * 100 + 50;
            // The third layout's alpha plane leaves the picture's left half clear.
            const COLORREF expected = quarter == 2 && block % 2 == 0 ? kNavy : blocks[block];
            EXPECT_TRUE(Near(frame[y * 400 + x], expected)) << layouts[quarter] << ", block " << block;
        }
    }
}

TEST(MovieOnWindows, DeviceTextUsesTheSystemFonts)
{
    const auto movie = LoadWithWic("text.swf");
    ASSERT_TRUE(movie);
    const std::vector<COLORREF> frame = Frame(CPlayer(movie, std::make_shared<CGdiDeviceFonts>()));
    // The bordered field spans x 25-225, y 150-250; "AB" stands in its first line.
    int ink = 0;
    for (int y = 160; y < 210; ++y) {
        for (int x = 30; x < 120; ++x) ink += GetRValue(frame[y * 400 + x]) < 100 ? 1 : 0;
    }
    EXPECT_GT(ink, 200) << "no letters drawn in the field";
    EXPECT_LT(ink, 90 * 50 * 3 / 4) << "the letters fill their whole box";
    EXPECT_TRUE(Near(frame[230 * 400 + 150], RGB(255, 255, 255))) << "the field's background";
}

class CPlayerWindow {
public:
    explicit CPlayerWindow(const std::string& movie, IUrlOpener* opener = nullptr)
    {
        MovieWindow::Register();
        m_hWnd = ::CreateWindowExA(0, MovieWindow::kClassName, "", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(m_hWnd, PLAYER_SETURLOPENER, 0, reinterpret_cast<LPARAM>(opener));
        const std::string path = kMovies + "/" + movie;
        ::SendMessageA(m_hWnd, PLAYER_SETMOVIE, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    ~CPlayerWindow() { ::DestroyWindow(m_hWnd); }
    CPlayerWindow(const CPlayerWindow&) = delete;
    CPlayerWindow& operator=(const CPlayerWindow&) = delete;

    HWND Handle() const { return m_hWnd; }

    // What the window draws, through WM_PRINTCLIENT, as it is hidden.
    COLORREF Pixel(int x, int y) const
    {
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 400, 400);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::SendMessageA(m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
        const COLORREF colour = ::GetPixel(memory, x, y);
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        return colour;
    }

    LRESULT Frame() const { return ::SendMessageA(m_hWnd, PLAYER_GETFRAME, 0, 0); }

    std::string Note() const
    {
        char note[256] = {};
        ::SendMessageA(m_hWnd, PLAYER_GETNOTE, sizeof note, reinterpret_cast<LPARAM>(note));
        return note;
    }

private:
    HWND m_hWnd = nullptr;
};

TEST(MovieOnWindows, TheWindowsButtonFollowsTheMouse)
{
    CPlayerWindow window("button.swf");
    ASSERT_NE(window.Handle(), nullptr);
    ::SendMessageA(window.Handle(), PLAYER_PLAY, 0, 0);
    EXPECT_TRUE(Near(window.Pixel(200, 200), RGB(255, 0, 0))) << "up";
    const LPARAM centre = MAKELPARAM(200, 200);
    ::SendMessageA(window.Handle(), WM_MOUSEMOVE, 0, centre);
    EXPECT_TRUE(Near(window.Pixel(200, 200), RGB(0, 255, 0))) << "over";
    ::SendMessageA(window.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window.Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649))) << "a hand over the button";
    ::SendMessageA(window.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, centre);
    EXPECT_TRUE(Near(window.Pixel(200, 200), RGB(0, 0, 255))) << "down";
    EXPECT_EQ(::SendMessageA(window.Handle(), PLAYER_GETFRAME, 0, 0), 0) << "the movie waits for the click";
    ::SendMessageA(window.Handle(), WM_LBUTTONUP, 0, centre);
    EXPECT_TRUE(PumpUntil([&] { return ::SendMessageA(window.Handle(), PLAYER_GETFRAME, 0, 0) == 1; }, 10s))
        << "the click did not play the movie on";
    EXPECT_TRUE(Near(window.Pixel(200, 25), RGB(255, 0, 0))) << "the second frame's bar";
}

TEST(MovieOnWindows, AnActionScript3MovieShowsItsTimelineAndANote)
{
    CPlayerWindow window("as3.swf");
    EXPECT_EQ(window.Note(), MovieWindow::kActionScript3);
    EXPECT_TRUE(Near(window.Pixel(100, 100), RGB(255, 0, 0))) << "the square its timeline places";
    EXPECT_TRUE(Near(window.Pixel(2, 398), RGB(255, 255, 255))) << "the note's band in the bottom left corner";
    EXPECT_TRUE(Near(window.Pixel(398, 2), kNavy)) << "the rest of the stage";
}

// Where the scripted movies' addresses would have gone to the browser.
class CRecorder final : public IUrlOpener {
public:
    void Open(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

// tests/player/played/button.scene: a button at the middle whose on (release) goes to the third
// frame (a blue stage) and opens http://example.com/b; the first frame's own getURL opens nothing.
TEST(MovieOnWindows, AScriptedButtonAnswersTheMouseAndOpensItsAddressOnTheClick)
{
    CRecorder recorder;
    CPlayerWindow window("scripted-button.swf", &recorder);
    ::SendMessageA(window.Handle(), PLAYER_PLAY, 0, 0);
    const LPARAM centre = MAKELPARAM(200, 200);
    ::SendMessageA(window.Handle(), WM_MOUSEMOVE, 0, centre);
    ::SendMessageA(window.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window.Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649))) << "a hand over the button";
    EXPECT_TRUE(recorder.opened.empty()) << "a frame's getURL without a click";
    ::SendMessageA(window.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, centre);
    ::SendMessageA(window.Handle(), WM_LBUTTONUP, 0, centre);
    EXPECT_EQ(window.Frame(), 2) << "the button's gotoAndStop";
    EXPECT_TRUE(Near(window.Pixel(20, 20), RGB(0, 0, 255))) << "the third frame's blue";
    EXPECT_EQ(recorder.opened, std::vector<std::string>{"http://example.com/b"}) << "javascript: never opens";
    EXPECT_EQ(window.Note(), "");
}

// tests/player/played/keys.scene: a key press with the window focused reaches the button's
// on (keyPress "a"), whose getURL the key press lets open.
TEST(MovieOnWindows, KeysReachTheMovieWhileTheWindowHasTheFocus)
{
    CRecorder recorder;
    CPlayerWindow window("scripted-keys.swf", &recorder);
    ::SendMessageA(window.Handle(), PLAYER_PLAY, 0, 0);
    MSG enter{window.Handle(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_NE(::SendMessageA(window.Handle(), WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTALLKEYS, 0)
        << "a dialog keeps no key from it";
    MSG escape{window.Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_EQ(::SendMessageA(window.Handle(), WM_GETDLGCODE, VK_ESCAPE, reinterpret_cast<LPARAM>(&escape)) & DLGC_WANTALLKEYS, 0)
        << "but Esc, which closes the viewer";
    const LPARAM scanA = 0x1E << 16 | 1;
    ::SendMessageA(window.Handle(), WM_KEYDOWN, 'A', scanA);
    ::SendMessageA(window.Handle(), WM_CHAR, 'a', scanA);
    ::SendMessageA(window.Handle(), WM_KEYUP, 'A', scanA | 0xC0000000);
    EXPECT_EQ(recorder.opened, std::vector<std::string>{"https://example.com/key"});
}

// tests/player/played/limits-loop.scene: an endless loop in the first frame's script.
TEST(MovieOnWindows, AMovieWhoseScriptsAreStoppedPlaysOnWithANote)
{
    CPlayerWindow window("scripted-limits-loop.swf");
    const std::string note = window.Note();
    EXPECT_NE(note.find("scripts were stopped"), std::string::npos) << note;
    EXPECT_TRUE(Near(window.Pixel(40, 40), RGB(255, 0, 0))) << "the square the first frame shows";
    EXPECT_TRUE(Near(window.Pixel(2, 398), RGB(255, 255, 255))) << "the note's band";
    ::SendMessageA(window.Handle(), PLAYER_PLAY, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return window.Frame() == 1; }, 10s)) << "the timeline plays on";
}

} // namespace
