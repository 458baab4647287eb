#include "CView.h"

#include "CDocument.h"

const CRuntimeClass CView::classCView("CView", nullptr, &CObject::classCObject);

namespace {
constexpr const char* kViewClass = "TarnwickView";

void RegisterViewClass()
{
    WNDCLASSA cls{};
    if (::GetClassInfoA(AfxGetInstanceHandle(), kViewClass, &cls)) return;
    cls.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = ::DefWindowProcA;
    cls.hInstance = AfxGetInstanceHandle();
    cls.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = kViewClass;
    ::RegisterClassA(&cls);
}
}

const char* CView::ViewClassName() const
{
    RegisterViewClass();
    return kViewClass;
}

BOOL CView::Create(HWND parent, UINT id, CCreateContext* context)
{
    if (context) m_pDocument = context->m_pCurrentDoc;
    if (m_pDocument) m_pDocument->AddView(this);
    return CreateEx(WS_EX_CLIENTEDGE, ViewClassName(), "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 0, 0,
                    parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CView::OnInitialUpdate()
{
    Invalidate();
}

BOOL CView::OnCmdMsg(UINT id, int code, CCmdUI* cmdUI, bool probe)
{
    if (CWnd::OnCmdMsg(id, code, cmdUI, probe)) return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(id, code, cmdUI, probe);
}

void CView::PostNcDestroy()
{
    if (m_pDocument && m_pDocument->GetView() == this) m_pDocument->AddView(nullptr);
    delete this;
}
