#pragma once
// What a drag source hands a drop target: texts and files in the formats browsers and Explorer
// use, each given out as a fresh block the receiver releases.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

class TestDataObject final : public IDataObject {
public:
    // The object starts with one reference, the caller's.
    TestDataObject() = default;
    TestDataObject(const TestDataObject&) = delete;
    TestDataObject& operator=(const TestDataObject&) = delete;

    // Bytes as they are (a terminating zero is added), in a registered format or a standard one.
    void Add(const char* formatName, const std::string& bytes);
    void Add(CLIPFORMAT format, const std::string& bytes);
    // UTF-16 text (from UTF-8) in a registered format or a standard one.
    void AddWide(const char* formatName, const std::string& utf8);
    void AddWide(CLIPFORMAT format, const std::string& utf8);
    // CF_HDROP: the files as Explorer lists them.
    void AddFiles(const std::vector<std::string>& paths);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDataObject: GetData and QueryGetData for HGLOBAL media; the rest is not offered.
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    ~TestDataObject() = default;
    const std::string* Find(const FORMATETC* format) const;

    LONG m_nRefs = 1;
    std::vector<std::pair<CLIPFORMAT, std::string>> m_data;
};
