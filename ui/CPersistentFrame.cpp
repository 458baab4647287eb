#include "CPersistentFrame.h"

#include "CWinApp.h"
#include "Dpi.h"
#include "PlacementText.h"

namespace {

constexpr const char* kSection = "Window size";

const MessageEntry s_entries[] = {
    OnMessage<WM_DESTROY, &CPersistentFrame::OnDestroy>(),
};

} // namespace

const RECT CPersistentFrame::s_rectInitial = {10, 10, 500, 400};
const MessageTable CPersistentFrame::s_messageTable = MakeTable(&CFrameWnd::s_messageTable, s_entries);
const CRuntimeClass CPersistentFrame::classCPersistentFrame("CPersistentFrame", &CreateObjectOf<CPersistentFrame>,
                                                            &CFrameWnd::classCFrameWnd);

void CPersistentFrame::OnDestroy()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    CWinApp* app = AfxGetApp();
    if (app && ::GetWindowPlacement(m_hWnd, &placement)) {
        int icon = 0;
        int max = 0;
        if (placement.showCmd == SW_SHOWMAXIMIZED) {
            max = 1;
        } else if (placement.showCmd == SW_SHOWMINIMIZED) {
            icon = 1;
            max = placement.flags != 0 ? 1 : 0;   // would be restored to maximized
        }
        const RECT& r = placement.rcNormalPosition;
        const std::string text = FormatStoredRect({r.left, r.top, r.right, r.bottom});
        app->WriteProfileString(kSection, "Rect", text.c_str());
        app->WriteProfileInt(kSection, "icon", icon);
        app->WriteProfileInt(kSection, "max", max);
        SaveBarState(app->m_strAppName);
    }
    CFrameWnd::OnDestroy();
}

void CPersistentFrame::ActivateFrame(int show)
{
    if (!m_bFirstTime) {
        CFrameWnd::ActivateFrame(show);
        return;
    }
    m_bFirstTime = false;
    CWinApp* app = AfxGetApp();
    // The first window is as large, in inches, on every display.
    const UINT dpi = WindowDpi(m_hWnd);
    RECT rect = {ScaleToDpi(s_rectInitial.left, dpi), ScaleToDpi(s_rectInitial.top, dpi),
                 ScaleToDpi(s_rectInitial.right, dpi), ScaleToDpi(s_rectInitial.bottom, dpi)};
    int icon = 0;
    int max = 0;
    if (app) {
        const CString stored = app->GetProfileString(kSection, "Rect", "");
        if (const auto parsed = ParseStoredRect(stored.View())) rect = {parsed->left, parsed->top, parsed->right, parsed->bottom};
        icon = app->GetProfileInt(kSection, "icon", 0);
        max = app->GetProfileInt(kSection, "max", 0);
    }

    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (icon) {
        show = SW_SHOWMINNOACTIVE;
        placement.flags = max ? WPF_RESTORETOMAXIMIZED : WPF_SETMINPOSITION;
    } else if (max) {
        show = SW_SHOWMAXIMIZED;
        placement.flags = WPF_RESTORETOMAXIMIZED;
    } else {
        show = SW_SHOWNORMAL;
        placement.flags = WPF_SETMINPOSITION;
    }
    placement.showCmd = static_cast<UINT>(show);
    placement.ptMinPosition = {0, 0};
    placement.ptMaxPosition = {-::GetSystemMetrics(SM_CXBORDER), -::GetSystemMetrics(SM_CYBORDER)};
    placement.rcNormalPosition = rect;

    if (app) LoadBarState(app->m_strAppName);
    ::SetWindowPlacement(m_hWnd, &placement);
    CFrameWnd::ActivateFrame(show);
}
