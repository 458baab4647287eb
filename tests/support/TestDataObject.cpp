#include "TestDataObject.h"

#include <shlobj.h>

#include <cstring>

namespace {

CLIPFORMAT Registered(const char* name)
{
    return static_cast<CLIPFORMAT>(::RegisterClipboardFormatA(name));
}

std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string BytesOf(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

} // namespace

void TestDataObject::Add(const char* formatName, const std::string& bytes)
{
    Add(Registered(formatName), bytes);
}

void TestDataObject::Add(CLIPFORMAT format, const std::string& bytes)
{
    m_data.emplace_back(format, bytes + '\0');
}

void TestDataObject::AddWide(const char* formatName, const std::string& utf8)
{
    AddWide(Registered(formatName), utf8);
}

void TestDataObject::AddWide(CLIPFORMAT format, const std::string& utf8)
{
    m_data.emplace_back(format, BytesOf(Wide(utf8) + L'\0'));
}

void TestDataObject::AddFiles(const std::vector<std::string>& paths)
{
    // A DROPFILES header, then the names in UTF-16, each ended by a zero, and one zero more.
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::wstring names;
    for (const std::string& path : paths) names += Wide(path) + L'\0';
    names += L'\0';
    m_data.emplace_back(CF_HDROP, std::string(reinterpret_cast<const char*>(&header), sizeof header) + BytesOf(names));
}

const std::string* TestDataObject::Find(const FORMATETC* format) const
{
    if (!format || !(format->tymed & TYMED_HGLOBAL) || format->dwAspect != DVASPECT_CONTENT) return nullptr;
    for (const auto& [id, bytes] : m_data) {
        if (id == format->cfFormat) return &bytes;
    }
    return nullptr;
}

STDMETHODIMP TestDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!medium) return E_POINTER;
    const std::string* bytes = Find(format);
    if (!bytes) return DV_E_FORMATETC;
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes->size());
    if (!block) return E_OUTOFMEMORY;
    std::memcpy(::GlobalLock(block), bytes->data(), bytes->size());
    ::GlobalUnlock(block);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP TestDataObject::QueryGetData(FORMATETC* format)
{
    return Find(format) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP TestDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP TestDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const auto& entry : m_data) formats.push_back({entry.first, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return ::SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
}

STDMETHODIMP TestDataObject::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (!::IsEqualIID(iid, IID_IUnknown) && !::IsEqualIID(iid, IID_IDataObject)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TestDataObject::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_nRefs));
}

STDMETHODIMP_(ULONG) TestDataObject::Release()
{
    const LONG refs = ::InterlockedDecrement(&m_nRefs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}
