#include "CDropTarget.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <exception>
#include <new>
#include <string>

#include "ScopedHandles.h"
#include "WinStrings.h"

namespace {

// More than any list of addresses a user drags; a larger text is not read.
constexpr SIZE_T kMaxDroppedBytes = 16 << 20;
// Browsers write the address of a saved page at its top.
constexpr DWORD kSavedPageHead = 64 * 1024;

// A storage medium the data object handed out, released once.
struct Medium {
    STGMEDIUM medium{};
    Medium() = default;
    ~Medium()
    {
        if (medium.tymed != TYMED_NULL) ::ReleaseStgMedium(&medium);
    }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
};

bool GetGlobal(IDataObject* data, CLIPFORMAT format, Medium& out)
{
    FORMATETC request{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SUCCEEDED(data->GetData(&request, &out.medium)) && out.medium.tymed == TYMED_HGLOBAL &&
           out.medium.hGlobal;
}

// The text the data holds in a text format, as UTF-8 (UTF-16 formats when `wide`, else the
// ANSI code page's); false when it holds none.
bool DataText(IDataObject* data, CLIPFORMAT format, bool wide, std::string& text)
{
    Medium medium;
    if (!GetGlobal(data, format, medium)) return false;
    const SIZE_T size = ::GlobalSize(medium.medium.hGlobal);
    const void* bytes = ::GlobalLock(medium.medium.hGlobal);
    if (!bytes || size > kMaxDroppedBytes) {
        if (bytes) ::GlobalUnlock(medium.medium.hGlobal);
        return false;
    }
    // The text ends at its terminating zero, or with the block when a source left it out.
    if (wide) {
        const auto* chars = static_cast<const wchar_t*>(bytes);
        text = NarrowText(std::wstring_view(chars, ::wcsnlen(chars, size / sizeof(wchar_t))), CP_UTF8);
    } else {
        const auto* chars = static_cast<const char*>(bytes);
        text = NarrowText(WideText(std::string_view(chars, ::strnlen(chars, size))), CP_UTF8);
    }
    ::GlobalUnlock(medium.medium.hGlobal);
    return true;
}

std::wstring LowerExtension(const std::wstring& path)
{
    const std::size_t dot = path.find_last_of(L".\\/");
    if (dot == std::wstring::npos || path[dot] != L'.') return {};
    std::wstring extension = path.substr(dot);
    for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
    return extension;
}

// The address a file from Explorer stands for: an Internet shortcut's, or the one a browser
// noted in a page it saved; "" for any other file.
std::string AddressOfFile(const std::wstring& path)
{
    const std::wstring extension = LowerExtension(path);
    if (extension == L".url") {
        std::wstring address(4096, L'\0');
        const DWORD len = ::GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", address.data(),
                                                     static_cast<DWORD>(address.size()), path.c_str());
        address.resize(len);
        const std::vector<std::string> found = AddressesInText(NarrowText(address, CP_UTF8));
        return found.size() == 1 ? found.front() : std::string();
    }
    if (extension != L".html" && extension != L".htm") return {};
    const FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string head(kSavedPageHead, '\0');
    DWORD got = 0;
    if (!::ReadFile(file.Get(), head.data(), kSavedPageHead, &got, nullptr)) return {};
    head.resize(got);
    return SavedPageAddress(head);
}

// One address for each file dropped, or nothing when any of them stands for none.
std::vector<std::string> AddressesOfFiles(IDataObject* data)
{
    Medium medium;
    if (!GetGlobal(data, CF_HDROP, medium)) return {};
    auto* drop = static_cast<HDROP>(medium.medium.hGlobal);
    std::vector<std::string> addresses;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT len = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(len + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, path.data(), len + 1));
        std::string address = AddressOfFile(path);
        if (address.empty()) return {};
        addresses.push_back(std::move(address));
    }
    return addresses;
}

// The forms a dragged link or text comes in, the most exact first: browsers give a link's
// address in a URL format and often its title as the plain text; Explorer gives files.
enum class Form { MozUrl, UrlWide, Url, Files, TextWide, Text };
constexpr Form kForms[] = {Form::MozUrl, Form::UrlWide, Form::Url, Form::Files, Form::TextWide, Form::Text};

std::vector<std::string> AddressesIn(IDataObject* data, Form form)
{
    static const auto mozUrl = static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("text/x-moz-url"));
    static const auto urlWide = static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("UniformResourceLocatorW"));
    static const auto url = static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("UniformResourceLocator"));
    std::string text;
    switch (form) {
    case Form::MozUrl: return DataText(data, mozUrl, true, text) ? AddressesInMozUrl(text) : std::vector<std::string>();
    case Form::UrlWide: return DataText(data, urlWide, true, text) ? AddressesInText(text) : std::vector<std::string>();
    case Form::Url: return DataText(data, url, false, text) ? AddressesInText(text) : std::vector<std::string>();
    case Form::Files: return AddressesOfFiles(data);
    case Form::TextWide: return DataText(data, CF_UNICODETEXT, true, text) ? AddressesInText(text) : std::vector<std::string>();
    case Form::Text: return DataText(data, CF_TEXT, false, text) ? AddressesInText(text) : std::vector<std::string>();
    }
    return {};
}

} // namespace

CDropTarget::CDropTarget(HWND window, std::function<void(DropPlan)> onDrop)
    : m_hWnd(window), m_onDrop(std::move(onDrop))
{
}

DropPlan CDropTarget::PlanFor(IDataObject* data)
{
    if (!data) return {};
    for (const Form form : kForms) {
        std::vector<std::string> addresses = AddressesIn(data, form);
        if (!addresses.empty()) return PlanDrop(std::move(addresses));
    }
    return {};
}

DWORD CDropTarget::EffectFor(DropPlan::Kind kind, DWORD allowed) const
{
    // While a dialog is open over the window it takes nothing, as it takes no clicks.
    if (kind == DropPlan::Refuse || !::IsWindowEnabled(m_hWnd)) return DROPEFFECT_NONE;
    // New Task follows the link; rows keep copies of the addresses. Nothing is ever moved.
    const DWORD preferred = kind == DropPlan::NewTask ? DROPEFFECT_LINK : DROPEFFECT_COPY;
    const DWORD other = kind == DropPlan::NewTask ? DROPEFFECT_COPY : DROPEFFECT_LINK;
    if (allowed & preferred) return preferred;
    return allowed & other;
}

STDMETHODIMP CDropTarget::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (!::IsEqualIID(iid, IID_IUnknown) && !::IsEqualIID(iid, IID_IDropTarget)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CDropTarget::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_nRefs));
}

STDMETHODIMP_(ULONG) CDropTarget::Release()
{
    const LONG refs = ::InterlockedDecrement(&m_nRefs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

// No exception may cross into OLE's code: running out of memory refuses the drop; anything
// else is a fault of ours and stops the process where a debugger can see it.
STDMETHODIMP CDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    if (!effect) return E_INVALIDARG;
    try {
        m_dragged = PlanFor(data).kind;
    } catch (const std::bad_alloc&) {
        m_dragged = DropPlan::Refuse;
    } catch (...) {
        std::terminate();
    }
    *effect = EffectFor(m_dragged, *effect);
    return S_OK;
}

STDMETHODIMP CDropTarget::DragOver(DWORD, POINTL, DWORD* effect)
{
    if (!effect) return E_INVALIDARG;
    *effect = EffectFor(m_dragged, *effect);
    return S_OK;
}

STDMETHODIMP CDropTarget::DragLeave()
{
    m_dragged = DropPlan::Refuse;
    return S_OK;
}

STDMETHODIMP CDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    if (!effect) return E_INVALIDARG;
    m_dragged = DropPlan::Refuse;
    try {
        DropPlan plan = PlanFor(data);
        *effect = EffectFor(plan.kind, *effect);
        if (*effect != DROPEFFECT_NONE) m_onDrop(std::move(plan));
    } catch (const std::bad_alloc&) {
        *effect = DROPEFFECT_NONE;
        return E_OUTOFMEMORY;
    } catch (...) {
        std::terminate();
    }
    return S_OK;
}
