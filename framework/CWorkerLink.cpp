#include "CWorkerLink.h"

void CWorkerLink::Stop()
{
    std::lock_guard lock(m_mutex);
    m_bStopped.store(true, std::memory_order_release);
    if (m_halt) m_halt();
}

void CWorkerLink::Attach(std::function<void()> halt)
{
    std::lock_guard lock(m_mutex);
    m_halt = std::move(halt);
}
