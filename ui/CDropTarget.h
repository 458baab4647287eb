#pragma once
// The main window as a target of OLE drag and drop: browsers drag links and texts this way,
// Explorer its files. It reads the addresses out of what is dragged over it, shows whether it
// would take them (a link for New Task, a copy for rows), and hands a drop to its window.
#include <windows.h>
#include <ole2.h>

#include <functional>

#include "DroppedLinks.h"

class CDropTarget final : public IDropTarget {
public:
    // `window` takes drops only while it is enabled (no modal dialog over it); `onDrop` runs
    // inside Drop, while the source waits, so it should only note the plan and return.
    CDropTarget(HWND window, std::function<void(DropPlan)> onDrop);
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;

    // What a drop of this data would do.
    static DropPlan PlanFor(IDataObject* data);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDropTarget
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    ~CDropTarget() = default;
    // The effect shown for the plan, among those the source allows.
    DWORD EffectFor(DropPlan::Kind kind, DWORD allowed) const;

    LONG m_nRefs = 1;
    HWND m_hWnd;
    std::function<void(DropPlan)> m_onDrop;
    DropPlan::Kind m_dragged = DropPlan::Refuse;   // what the data over the window would do
};
