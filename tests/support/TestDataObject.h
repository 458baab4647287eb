#pragma once
// What a drag source hands a drop target: data in the formats browsers and Explorer use, each
// given out as a fresh block the receiver releases. Starts with one reference, the caller's.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

class TestDataObject final : public IDataObject {
public:
    static CLIPFORMAT Format(const char* name) { return static_cast<CLIPFORMAT>(::RegisterClipboardFormatA(name)); }

    // Text in the ANSI code page or (wide) in UTF-16, ended by a zero as sources end it.
    void Add(CLIPFORMAT format, const std::string& text, bool wide = false)
    {
        const std::wstring utf16(text.begin(), text.end());   // the tests' texts are ASCII
        m_data.emplace_back(format, wide ? Bytes(utf16 + L'\0') : text + '\0');
    }
    // CF_HDROP as Explorer gives it: a DROPFILES header, then the UTF-16 names, each ended by a
    // zero, and one zero more.
    void AddFiles(const std::vector<std::string>& paths)
    {
        DROPFILES header{};
        header.pFiles = sizeof header;
        header.fWide = TRUE;
        std::wstring names;
        for (const std::string& path : paths) names += std::wstring(path.begin(), path.end()) + L'\0';
        m_data.emplace_back(CF_HDROP, std::string(reinterpret_cast<const char*>(&header), sizeof header) + Bytes(names + L'\0'));
    }

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        const std::string* bytes = Find(format);
        if (!bytes || !medium) return DV_E_FORMATETC;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = ::GlobalAlloc(GMEM_MOVEABLE, bytes->size());
        medium->pUnkForRelease = nullptr;
        std::memcpy(::GlobalLock(medium->hGlobal), bytes->data(), bytes->size());
        ::GlobalUnlock(medium->hGlobal);
        return S_OK;
    }
    STDMETHODIMP QueryGetData(FORMATETC* format) override { return Find(format) ? S_OK : DV_E_FORMATETC; }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        *out = ::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDataObject) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
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

private:
    static std::string Bytes(const std::wstring& text)
    {
        return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    }
    const std::string* Find(const FORMATETC* format) const
    {
        for (const auto& [id, bytes] : m_data) {
            if (format && id == format->cfFormat && (format->tymed & TYMED_HGLOBAL)) return &bytes;
        }
        return nullptr;
    }

    LONG m_nRefs = 1;
    std::vector<std::pair<CLIPFORMAT, std::string>> m_data;
};
