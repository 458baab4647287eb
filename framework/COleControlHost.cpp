#include "COleControlHost.h"

#include <ocidl.h>

#include <new>

// What the control sees of its container. One object answers for the client site, the in-place
// site and the in-place frame; the host owns it, and the control's references only keep it
// alive until the control lets go.
class COleControlHost::Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    Site(HWND parent, const RECT& rect) : m_hParent(parent), m_rect(rect) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (::IsEqualIID(iid, IID_IOleWindow) || ::IsEqualIID(iid, IID_IOleInPlaceSite))
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (::IsEqualIID(iid, IID_IOleInPlaceUIWindow) || ::IsEqualIID(iid, IID_IOleInPlaceFrame))
            *out = static_cast<IOleInPlaceFrame*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_nRefs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = ::InterlockedDecrement(&m_nRefs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override
    {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (for both the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* window) override
    {
        if (!window) return E_POINTER;
        *window = m_hParent;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                  RECT* clip, OLEINPLACEFRAMEINFO* info) override
    {
        if (frame) {
            *frame = this;
            AddRef();
        }
        if (document) *document = nullptr;
        if (position) *position = m_rect;
        if (clip) *clip = m_rect;
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = m_hParent;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(const RECT* rect) override
    {
        if (rect) m_rect = *rect;
        return S_OK;
    }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or status bar to share.
    STDMETHODIMP GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(const BORDERWIDTHS*) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(const BORDERWIDTHS*) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(MSG*, WORD) override { return S_FALSE; }

private:
    ~Site() = default;

    LONG m_nRefs = 1;
    HWND m_hParent;
    RECT m_rect;
};

HRESULT COleControlHost::Create(REFCLSID clsid, HWND parent, const RECT& rect)
{
    Destroy();
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, m_pObject.PutVoid());
    if (FAILED(hr)) return hr;
    m_pSite.Attach(new (std::nothrow) Site(parent, rect));
    if (!m_pSite) {
        Destroy();
        return E_OUTOFMEMORY;
    }
    IOleClientSite* clientSite = m_pSite.Get();
    m_pObject->SetClientSite(clientSite);
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(m_pObject->QueryInterface(IID_IPersistStreamInit, persist.PutVoid()))) persist->InitNew();
    RECT position = rect;
    hr = m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, parent, &position);
    if (FAILED(hr)) {
        Destroy();
        return hr;
    }
    if (SUCCEEDED(m_pObject->QueryInterface(IID_IOleInPlaceObject, m_pInPlace.PutVoid()))) {
        m_pInPlace->GetWindow(&m_hControl);
        m_pInPlace->SetObjectRects(&position, &position);
    }
    m_pObject->QueryInterface(IID_IDispatch, m_pDispatch.PutVoid());
    return S_OK;
}

void COleControlHost::Destroy()
{
    if (m_pInPlace) m_pInPlace->InPlaceDeactivate();
    m_pInPlace.Reset();
    m_pDispatch.Reset();
    if (m_pObject) {
        m_pObject->Close(OLECLOSE_NOSAVE);
        m_pObject->SetClientSite(nullptr);
    }
    m_pObject.Reset();
    m_pSite.Reset();
    m_hControl = nullptr;
}

HRESULT COleControlHost::PutProperty(DISPID id, const VARIANT& value)
{
    if (!m_pDispatch) return E_NOINTERFACE;
    VARIANT argument = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&argument, &named, 1, 1};
    return m_pDispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                               nullptr);
}

HRESULT COleControlHost::CallMethod(DISPID id)
{
    if (!m_pDispatch) return E_NOINTERFACE;
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    return m_pDispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}
