#pragma once
// Memory the parsed model of one movie may still take. Every reader charges what it keeps
// before keeping it, so a file's declared counts and sizes never make the player allocate
// more than this, whatever the file says. Platform-neutral.
#include <cstddef>

class CModelBudget {
public:
    explicit CModelBudget(std::size_t bytes) : m_nLeft(bytes) {}

    bool Charge(std::size_t bytes)
    {
        if (bytes > m_nLeft) {
            m_nLeft = 0;
            return false;
        }
        m_nLeft -= bytes;
        return true;
    }
    bool Exhausted() const { return m_nLeft == 0; }

private:
    std::size_t m_nLeft;
};
