#pragma once
// The one class of Hollin.dll: scripts hand it a page address or a page's HTML, and it starts
// the main program with them on its command line. Objects keep no state between calls.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "ScopedHandles.h"
#include "hollin.h"

class CQuorvel final : public IQuorvel {
public:
    // `outer` is the controlling object when aggregated; then only IID_IUnknown may be asked
    // for, and the inner (non-delegating) unknown is returned.
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out);

    // IUnknown, delegating to the controlling object.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return m_outer->QueryInterface(iid, out); }
    STDMETHODIMP_(ULONG) AddRef() override { return m_outer->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_outer->Release(); }

    // IDispatch, answered from the type library embedded in the module.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // IQuorvel
    STDMETHODIMP loadUrl(BSTR bStr) override;
    STDMETHODIMP getFlashs(BSTR bsUrl, BSTR bsHTML) override;

private:
    // The object's own IUnknown: the one that counts references and answers for interfaces.
    class Inner : public IUnknown {
    public:
        explicit Inner(CQuorvel* self) : m_self(self) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        CQuorvel* m_self;
    };

    explicit CQuorvel(IUnknown* outer);
    ~CQuorvel();
    HRESULT TypeInfo(ITypeInfo** info);

    Inner m_inner;
    IUnknown* m_outer;   // the controlling unknown: the aggregate, or our own inner one
    LONG m_nRefs = 1;
    ComPtr<ITypeInfo> m_pTypeInfo;   // loaded on first use
};

class CQuorvelFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    // The module keeps the one factory until it unloads: references are not counted.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;
};

// ANSI text of a script's string in the system code page; a null string is empty.
std::string AnsiText(BSTR text);
// Starts the main program with the payload; nothing happens when it cannot be found.
void StartProgram(const std::string& payload);
