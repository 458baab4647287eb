#include "CQuorvel.h"

#include <new>
#include <vector>

#include "CPropertysIni.h"
#include "HollinModule.h"
#include "QuorvelCommand.h"
#include "RegKey.h"

CQuorvel::CQuorvel(IUnknown* outer) : m_inner(this), m_outer(outer ? outer : &m_inner)
{
    HollinModule::Lock();
}

CQuorvel::~CQuorvel()
{
    if (m_pTypeInfo) m_pTypeInfo->Release();
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
        const std::string path = HollinModule::Path();
        std::wstring widePath(path.size() + 1, L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(), static_cast<int>(widePath.size()));
        ITypeLib* library = nullptr;
        HRESULT hr = ::LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, &library);
        if (FAILED(hr)) return hr;
        hr = library->GetTypeInfoOfGuid(IID_IQuorvel, &m_pTypeInfo);
        library->Release();
        if (FAILED(hr)) return hr;
    }
    *info = m_pTypeInfo;
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
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = TypeInfo(&typeInfo);
    if (FAILED(hr)) return hr;
    typeInfo->AddRef();
    *info = typeInfo;
    return S_OK;
}

STDMETHODIMP CQuorvel::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!::IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = TypeInfo(&typeInfo);
    return FAILED(hr) ? hr : ::DispGetIDsOfNames(typeInfo, names, count, ids);
}

STDMETHODIMP CQuorvel::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argError)
{
    if (!::IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = TypeInfo(&typeInfo);
    if (FAILED(hr)) return hr;
    return ::DispInvoke(static_cast<IQuorvel*>(this), typeInfo, id, flags, params, result, exception, argError);
}

STDMETHODIMP CQuorvel::loadUrl(BSTR bStr)
{
    try {
        StartProgram(AnsiText(bStr));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP CQuorvel::getFlashs(BSTR bsUrl, BSTR bsHTML)
{
    if (!bsHTML) return S_OK;
    try {
        // The Options switch of the program, in the settings file beside this module.
        std::string folder = HollinModule::Path();
        folder.resize(folder.find_last_of("\\/") + 1);
        const bool extended = CPropertysIni(CString(folder)).GetFindInObjectsAndScripts();
        StartProgram(FlashListPayload(AnsiText(bsUrl), AnsiText(bsHTML), extended));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
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
    const int length = text ? static_cast<int>(::SysStringLen(text)) : 0;
    if (length == 0) return {};
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, length, ansi.data(), size, nullptr, nullptr);
    return ansi;
}

namespace {

// The "AppName" value the installation wrote; its type is not looked at. Without it, the
// program beside this module, if it is there.
std::string ProgramPath()
{
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, "Software\\Drovane") == ERROR_SUCCESS) {
        DWORD size = 0;
        if (::RegQueryValueExA(key.Get(), "AppName", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
            std::vector<char> value(size + 1, '\0');
            if (::RegQueryValueExA(key.Get(), "AppName", nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()),
                                   &size) == ERROR_SUCCESS)
                return std::string(value.data());   // up to the first zero
        }
    }
    std::string beside = HollinModule::Path();
    beside.resize(beside.find_last_of("\\/") + 1);
    beside += "drovane.exe";
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
