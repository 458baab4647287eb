#pragma once
// A thread object: CreateThread runs InitInstance on the new thread, then Run (a message loop)
// only if InitInstance returned true, then ExitInstance, and finally deletes the object on its
// own thread when m_bAutoDelete is set.
#include <windows.h>

#include "CCmdTarget.h"

class CWinThread : public CCmdTarget {
public:
    CWinThread();
    ~CWinThread() override;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // flags: 0 or CREATE_SUSPENDED. Returns false if the thread could not be started; the
    // object is then not deleted, whatever m_bAutoDelete says.
    BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES security = nullptr);

    virtual BOOL InitInstance() { return TRUE; }
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    const CRuntimeClass* GetRuntimeClass() const override { return &classCWinThread; }
    static const CRuntimeClass classCWinThread;

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;

private:
    static unsigned __stdcall ThreadEntry(void* param);
};
