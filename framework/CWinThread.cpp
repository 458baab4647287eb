#include "CWinThread.h"

#include <process.h>

#include <exception>

const CRuntimeClass CWinThread::classCWinThread("CWinThread", &CreateObjectOf<CWinThread>,
                                                &CObject::classCObject);

CWinThread::CWinThread() = default;

CWinThread::~CWinThread()
{
    if (m_hThread) ::CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD flags, UINT stackSize, LPSECURITY_ATTRIBUTES security)
{
    // Start suspended so that m_hThread and m_nThreadID are set before the thread can run (and,
    // with auto-delete, end and delete this object).
    unsigned id = 0;
    uintptr_t handle = _beginthreadex(security, stackSize, &CWinThread::ThreadEntry, this,
                                      CREATE_SUSPENDED, &id);
    if (handle == 0) return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(handle);
    m_nThreadID = id;
    if (!(flags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread);
    return TRUE;
}

int CWinThread::Run()
{
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return ExitInstance();
}

unsigned __stdcall CWinThread::ThreadEntry(void* param)
{
    auto* thread = static_cast<CWinThread*>(param);
    int exitCode = -1;
    // No exception may leave the thread entry; one that reaches here is a fault of the thread's
    // own code, so the process is stopped where a debugger can see it rather than limping on.
    try {
        exitCode = thread->InitInstance() ? thread->Run() : thread->ExitInstance();
    } catch (...) {
        std::terminate();
    }
    if (thread->m_bAutoDelete) delete thread;
    return static_cast<unsigned>(exitCode);
}
