#include "CQuorvel.h"

#include <new>

#include "CPropertysIni.h"
#include "HollinModule.h"
#include "QuorvelCommand.h"
#include "ScopedHandles.h"
#include "WinStrings.h"

CQuorvel::CQuorvel(IUnknown* outer) : m_inner(this), m_outer(outer ? outer : &m_inner)
{
    HollinModule::Lock();
}

CQuorvel::~CQuorvel()
{
    HollinModule::Unlock();
}

HRESULT CQuorvel::Create(IUnknown* outer, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && !::IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    auto* object = new (std::nothrow) CQuorvel(outer);
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->m_inner.QueryInterface(iid, out);
    object->m_inner.Release();   // the one reference it was born with
    return hr;
}

STDMETHODIMP CQuorvel::Inner::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    CQuorvel* self = m_self;
    if (::IsEqualIID(iid, IID_IUnknown)) {
        *out = static_cast<IUnknown*>(this);
    } else if (::IsEqualIID(iid, IID_IDispatch) || ::IsEqualIID(iid, IID_IQuorvel)) {
        *out = static_cast<IQuorvel*>(self);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CQuorvel::Inner::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_self->m_nRefs));
}

STDMETHODIMP_(ULONG) CQuorvel::Inner::Release()
{
    const LONG refs = ::InterlockedDecrement(&m_self->m_nRefs);
    if (refs == 0) delete m_self;
    return static_cast<ULONG>(refs);
}

HRESULT CQuorvel::TypeInfo(ITypeInfo** info)
{
    if (!m_pTypeInfo) {
        ComPtr<ITypeLib> library;
        HRESULT hr = ::LoadTypeLibEx(WideText(HollinModule::Path()).c_str(), REGKIND_NONE, library.Put());
        if (FAILED(hr)) return hr;
        hr = library->GetTypeInfoOfGuid(IID_IQuorvel, m_pTypeInfo.Put());
        if (FAILED(hr)) return hr;
    }
    *info = m_pTypeInfo.Get();
    return S_OK;
}

STDMETHODIMP CQuorvel::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP CQuorvel::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return HollinModule::ComBoundary([&] {
        ITypeInfo* typeInfo = nullptr;
        const HRESULT hr = TypeInfo(&typeInfo);
        if (FAILED(hr)) return hr;
        typeInfo->AddRef();
        *info = typeInfo;
        return S_OK;
    });
}

STDMETHODIMP CQuorvel::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!::IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return HollinModule::ComBoundary([&] {
        ITypeInfo* typeInfo = nullptr;
        const HRESULT hr = TypeInfo(&typeInfo);
        return FAILED(hr) ? hr : ::DispGetIDsOfNames(typeInfo, names, count, ids);
    });
}

STDMETHODIMP CQuorvel::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argError)
{
    if (!::IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return HollinModule::ComBoundary([&] {
        ITypeInfo* typeInfo = nullptr;
        const HRESULT hr = TypeInfo(&typeInfo);
        if (FAILED(hr)) return hr;
        return ::DispInvoke(static_cast<IQuorvel*>(this), typeInfo, id, flags, params, result, exception, argError);
    });
}

STDMETHODIMP CQuorvel::loadUrl(BSTR bStr)
{
    return HollinModule::ComBoundary([&] {
        StartProgram(AnsiText(bStr));
        return S_OK;
    });
}

STDMETHODIMP CQuorvel::getFlashs(BSTR bsUrl, BSTR bsHTML)
{
    if (!bsHTML) return S_OK;
    return HollinModule::ComBoundary([&] {
        // The Options switch of the program, in the settings file beside this module.
        const bool extended = CPropertysIni(CString(ModuleFolder(HollinModule::Instance()))).GetFindInObjectsAndScripts();
        StartProgram(FlashListPayload(AnsiText(bsUrl), AnsiText(bsHTML), extended));
        return S_OK;
    });
}

STDMETHODIMP CQuorvelFactory::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CQuorvelFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    return CQuorvel::Create(outer, iid, out);
}

STDMETHODIMP CQuorvelFactory::LockServer(BOOL lock)
{
    if (lock) HollinModule::Lock();
    else HollinModule::Unlock();
    return S_OK;
}

std::string AnsiText(BSTR text)
{
    return NarrowText(std::wstring_view(text ? text : L"", text ? ::SysStringLen(text) : 0));
}

namespace {

// The "AppName" value the installation wrote; its type is not looked at. Without it, the
// program beside this module, if it is there.
std::string ProgramPath()
{
    RegKey key;
    std::string value;
    if (key.Open(HKEY_CURRENT_USER, "Software\\Drovane") == ERROR_SUCCESS &&
        key.QueryText("AppName", value) == ERROR_SUCCESS)
        return value;
    const std::string beside = ModuleFolder(HollinModule::Instance()) + "\\drovane.exe";
    const DWORD attributes = ::GetFileAttributesA(beside.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return beside;
}

} // namespace

void StartProgram(const std::string& payload)
{
    std::string command;
    if (!ProgramCommand(ProgramPath(), payload, command)) return;
    ::WinExec(command.c_str(), SW_SHOWNORMAL);
}
