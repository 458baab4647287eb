#pragma once
// A list of paths in the form the shell's file operation reads: each path followed by a zero
// byte, and one more zero byte after the last. The buffer grows to exactly the characters the
// list needs. Platform-neutral.
#include <cstddef>
#include <memory>
#include <string_view>

class CPathList {
public:
    CPathList() = default;
    CPathList(const CPathList&) = delete;
    CPathList& operator=(const CPathList&) = delete;

    // False (the list unchanged) when the buffer cannot grow, and for an empty path or one with
    // a zero byte: either would end the list early for the shell.
    bool Add(std::string_view path);

    // The list with its final zero byte; null while no path was added.
    const char* Get() const { return m_pBuffer.get(); }
    // Characters the buffer holds, and characters in use without the final zero byte.
    int GetCapacity() const { return m_nCapacity; }
    int GetUsed() const { return m_nUsed; }
    // The bytes of the list, the final zero byte included.
    std::string_view Bytes() const;

private:
    int m_nCapacity = 0;
    int m_nUsed = 0;
    std::unique_ptr<char[]> m_pBuffer;
    char* m_pWrite = nullptr;   // where the next path goes: the current final zero byte
};
