// The Flash Viewer under Wine with a stand-in control registered under the Shockwave Flash
// class identifier: what the viewer hands the control, how it looks, and which row's movie the
// task list's Preview opens.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <wincodec.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CDrovaneView.h"
#include "CFlashViewerDlg.h"
#include "CMovie.h"
#include "CMovieWindow.h"
#include "WicImageDecoder.h"
#include "CPropertysIni.h"
#include "FrameHost.h"
#include "ScopedHandles.h"
#include "RemoteProgram.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

const std::string kFakeControl = WindowsPath(FAKE_FLASH_DLL);
const std::string kMovie = WindowsPath(TEST_MOVIE);
const std::string kClassKey = "CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";

std::string TempPath(const std::string& name)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId());
}

// While it lives, every dialog this thread initialises is looked at by `inspect` right after
// its WM_INITDIALOG, then closed with its Close button, as a user would.
class ViewerWatcher {
public:
    explicit ViewerWatcher(std::function<void(HWND)> inspect) : m_inspect(std::move(inspect))
    {
        s_current = this;
        m_hook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, Hook, nullptr, ::GetCurrentThreadId());
    }
    ~ViewerWatcher()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    ViewerWatcher(const ViewerWatcher&) = delete;
    ViewerWatcher& operator=(const ViewerWatcher&) = delete;

    int opened = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && s_current) {
            ++s_current->opened;
            s_current->m_inspect(call->hwnd);
            ::PostMessageA(call->hwnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(call->hwnd, IDC_CLOSE)));
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline ViewerWatcher* s_current = nullptr;
    std::function<void(HWND)> m_inspect;
    HHOOK m_hook;
};

// The stand-in control registered for the test, and the log it writes.
class HostedViewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::OleInitialize(nullptr);
        RegKey server;
        ASSERT_EQ(server.Create(HKEY_CLASSES_ROOT, (kClassKey + "\\InprocServer32").c_str()), ERROR_SUCCESS);
        ::RegSetValueExA(server.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kFakeControl.c_str()),
                         static_cast<DWORD>(kFakeControl.size() + 1));
        ::RegSetValueExA(server.Get(), "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Apartment"), 10);
        m_log = TempPath("tarnwick-control-log");
        ::DeleteFileA(m_log.c_str());
        ::SetEnvironmentVariableA("TARNWICK_CONTROL_LOG", m_log.c_str());
    }
    void TearDown() override
    {
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey.c_str());
        ::DeleteFileA(m_log.c_str());
        ::CoFreeUnusedLibraries();
        ::OleUninitialize();
    }
    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

private:
    std::string m_log;
};

TEST_F(HostedViewer, OpensWithItsIconHandsTheControlTheMovieAndPlaysIt)
{
    CFlashViewerDlg viewer;
    viewer.SetMoviePath("C:\\movies\\intro.swf");
    ASSERT_TRUE(viewer.Create(nullptr));
    EXPECT_EQ(WindowText(viewer.m_hWnd), "Flash Viewer");
    const HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VIEWER));
    EXPECT_EQ(reinterpret_cast<HICON>(viewer.SendMessage(WM_GETICON, ICON_BIG)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(viewer.SendMessage(WM_GETICON, ICON_SMALL)), icon);
    EXPECT_EQ(Log(), (std::vector<std::string>{"movie=C:\\movies\\intro.swf", "play"}));

    // The control sits where the template's placeholder was, as control 1004.
    HWND control = ::GetDlgItem(viewer.m_hWnd, IDC_FLASH);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(WindowText(control), "") << "the control's window, not the placeholder";
    RECT placed{}, expected{13, 12, 13 + 195, 12 + 124};
    ::GetWindowRect(control, &placed);
    ::MapWindowPoints(nullptr, viewer.m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
    ::MapDialogRect(viewer.m_hWnd, &expected);
    // The dialog manager converts position and size apart, so the far edges may round away.
    EXPECT_EQ(placed.left, expected.left);
    EXPECT_EQ(placed.top, expected.top);
    EXPECT_NEAR(placed.right, expected.right, 1);
    EXPECT_NEAR(placed.bottom, expected.bottom, 1);

    viewer.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED));
    EXPECT_TRUE(viewer.IsEnded());
    EXPECT_EQ(viewer.GetResult(), IDCANCEL);
    ::DestroyWindow(viewer.m_hWnd);
    EXPECT_EQ(Log().back(), "close") << "the control is closed with the viewer";
}

TEST_F(HostedViewer, PreviewShowsTheFirstSelectedRowsSavedFile)
{
    ClearProfile();
    CPropertysIni().SetSavePath("C:\\saved");   // no backslash: one is put between, as downloads do
    CMainFrame* frame = OpenFrame();
    ASSERT_NE(frame, nullptr);
    frame->AddFlashList("http://site/a/one.swf,http://site/b/two.swf?x=1,http://site/c/three.swf,");
    CListCtrl list = frame->GetTaskList()->GetListCtrl();

    std::vector<std::string> captions;
    ViewerWatcher watcher([&](HWND dialog) { captions.push_back(WindowText(dialog)); });
    frame->SendMessage(WM_COMMAND, ID_PREVIEW);
    EXPECT_EQ(watcher.opened, 0) << "nothing selected, nothing opens";

    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    frame->SendMessage(WM_COMMAND, ID_PREVIEW);
    EXPECT_EQ(watcher.opened, 1);
    EXPECT_EQ(captions, std::vector<std::string>{"Flash Viewer"});
    EXPECT_EQ(Log(), (std::vector<std::string>{"movie=C:\\saved\\two.swf", "play", "close"}));

    CloseFrame(frame);
    ::DeleteFileA(CPropertysIni().GetPath());
    ClearProfile();
}

// Without a Shockwave Flash control the built-in player stands in for it.
class BuiltInViewer : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey.c_str()); }
};

// What the window draws, through WM_PRINTCLIENT, so hidden windows can be looked at too.
COLORREF PixelOf(HWND window, int x, int y)
{
    RECT client{};
    ::GetClientRect(window, &client);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    const COLORREF colour = ::GetPixel(memory, x, y);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

std::string NoteOf(HWND player)
{
    char note[128] = {};
    ::SendMessageA(player, PLAYER_GETNOTE, sizeof note, reinterpret_cast<LPARAM>(note));
    return note;
}

TEST_F(BuiltInViewer, PlaysTheMovieFromItsFirstFrameUntilTheViewerCloses)
{
    CFlashViewerDlg viewer;
    viewer.SetMoviePath(kMovie.c_str());
    ASSERT_TRUE(viewer.Create(nullptr));
    EXPECT_TRUE(viewer.m_flash.IsBuiltInPlayer());
    HWND player = ::GetDlgItem(viewer.m_hWnd, IDC_FLASH);
    ASSERT_NE(player, nullptr);
    char className[64] = {};
    ::GetClassNameA(player, className, sizeof className);
    EXPECT_STREQ(className, MovieWindow::kClassName);
    EXPECT_EQ(::SendMessageA(player, PLAYER_GETFRAME, 0, 0), 0) << "it opens on the first frame";
    EXPECT_EQ(NoteOf(player), "");
    EXPECT_TRUE(PumpUntil([&] { return ::SendMessageA(player, PLAYER_GETFRAME, 0, 0) > 0; }, 10s))
        << "the movie does not move on";

    // The movie is 4:3 and the control wider, so the band at the left shows the movie's
    // background colour.
    RECT client{};
    ::GetClientRect(player, &client);
    EXPECT_EQ(PixelOf(player, 0, client.bottom / 2), RGB(0x10, 0x20, 0x40));

    ::DestroyWindow(viewer.m_hWnd);
    EXPECT_FALSE(::IsWindow(player)) << "the player and its timer go with the viewer";
}

TEST_F(BuiltInViewer, AFileItCannotPlayShowsANoteInstead)
{
    const std::string text = TempPath("tarnwick-not-a-movie") + ".swf";
    std::ofstream(text) << "<html>an error page saved under a movie's name</html>";
    const struct {
        std::string path;
        const char* note;
    } cases[] = {
        {TempPath("tarnwick-no-such-movie") + ".swf", MovieWindow::kFileMissing},
        {text, "Not a movie"},
    };
    for (const auto& c : cases) {
        CFlashViewerDlg viewer;
        viewer.SetMoviePath(c.path.c_str());
        ASSERT_TRUE(viewer.Create(nullptr)) << c.path;
        HWND player = ::GetDlgItem(viewer.m_hWnd, IDC_FLASH);
        EXPECT_EQ(NoteOf(player), c.note) << c.path;
        EXPECT_EQ(::SendMessageA(player, PLAYER_GETFRAME, 0, 0), -1);
        ::DestroyWindow(viewer.m_hWnd);
    }
    ::DeleteFileA(text.c_str());
}

// A small JPEG made with the system's own encoder, for the decoder the player hands movies.
std::vector<std::uint8_t> RedJpeg(UINT width, UINT height)
{
    std::vector<std::uint8_t> bytes;
    IWICImagingFactory* factory = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(&factory))))
        return bytes;
    IStream* stream = nullptr;
    ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder);
    encoder->Initialize(stream, WICBitmapEncoderNoCache);
    encoder->CreateNewFrame(&frame, nullptr);
    frame->Initialize(nullptr);
    frame->SetSize(width, height);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    frame->SetPixelFormat(&format);
    std::vector<BYTE> pixels(std::size_t{width} * height * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) pixels[i + 2] = 0xFF;   // B, G, R
    frame->WritePixels(height, width * 3, static_cast<UINT>(pixels.size()), pixels.data());
    frame->Commit();
    encoder->Commit();
    HGLOBAL memory = nullptr;
    ::GetHGlobalFromStream(stream, &memory);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    const auto* data = static_cast<const std::uint8_t*>(::GlobalLock(memory));
    bytes.assign(data, data + stat.cbSize.QuadPart);
    ::GlobalUnlock(memory);
    frame->Release();
    encoder->Release();
    stream->Release();
    factory->Release();
    return bytes;
}

TEST(ImageDecoder, DecodesJpegPicturesAndRefusesOtherBytes)
{
    ::CoInitialize(nullptr);
    const std::vector<std::uint8_t> jpeg = RedJpeg(16, 8);
    ASSERT_GT(jpeg.size(), 100u) << "the system could not make a JPEG to decode";
    Bitmap image;
    ASSERT_TRUE(DecodeImageWithWic(jpeg.data(), jpeg.size(), image));
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 8);
    ASSERT_EQ(image.pixels.size(), 16u * 8u);
    const Rgba middle = image.pixels[4 * 16 + 8];
    EXPECT_GT(middle.r, 200);
    EXPECT_LT(middle.g, 60);
    EXPECT_LT(middle.b, 60);
    EXPECT_EQ(middle.a, 255);

    const std::uint8_t garbage[] = "not a picture at all";
    Bitmap refused;
    EXPECT_FALSE(DecodeImageWithWic(garbage, sizeof garbage, refused));
    EXPECT_TRUE(refused.pixels.empty());
    ::CoUninitialize();
}

} // namespace
