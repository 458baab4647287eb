#include "CPathList.h"

#include <climits>
#include <cstring>
#include <new>

bool CPathList::Add(std::string_view path)
{
    if (path.empty() || path.find('\0') != std::string_view::npos) return false;
    // The path, its terminator, and the list's final zero byte.
    const std::size_t entry = path.size() + 1;
    const std::size_t need = static_cast<std::size_t>(m_nUsed) + entry + 1;
    if (need > static_cast<std::size_t>(INT_MAX)) return false;

    if (need > static_cast<std::size_t>(m_nCapacity)) {
        std::unique_ptr<char[]> grown(new (std::nothrow) char[need]);
        if (!grown) return false;
        if (m_pBuffer)
            std::memcpy(grown.get(), m_pBuffer.get(), static_cast<std::size_t>(m_nUsed) + 1);
        else
            grown[0] = '\0';
        m_pBuffer = std::move(grown);
        m_nCapacity = static_cast<int>(need);
        m_pWrite = m_pBuffer.get() + m_nUsed;
    }
    std::memcpy(m_pWrite, path.data(), path.size());
    m_pWrite[path.size()] = '\0';
    m_pWrite += entry;
    m_nUsed += static_cast<int>(entry);
    *m_pWrite = '\0';
    return true;
}

std::string_view CPathList::Bytes() const
{
    if (!m_pBuffer) return {};
    return std::string_view(m_pBuffer.get(), static_cast<std::size_t>(m_nUsed) + 1);
}
