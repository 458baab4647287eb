#pragma once
// Copies or moves files through the shell, which shows its own progress window and asks its own
// questions (replacing a file, say) and reports its own failures.
#include <windows.h>
#include <shellapi.h>

#include "CPathList.h"

enum { FILEOP_FROM = 0, FILEOP_TO = 1 };

class CShellFileOp {
public:
    CShellFileOp() = default;
    CShellFileOp(const CShellFileOp&) = delete;
    CShellFileOp& operator=(const CShellFileOp&) = delete;

    // Appends a path to the source (FILEOP_FROM) or destination (FILEOP_TO) list. False when it
    // could not be added; the operation then refuses to run.
    bool AddPath(int list, const char* path);
    // The shell's result: 0 when it succeeded; nothing runs after a failed AddPath.
    int Copy() { return Run(FO_COPY); }
    int Move() { return Run(FO_MOVE); }

    const CPathList& GetList(int list) const { return list == FILEOP_TO ? m_to : m_from; }

private:
    int Run(UINT operation);

    // No owner window and no flags: the shell's own confirmations and progress window.
    SHFILEOPSTRUCTA m_fileOp{};
    CPathList m_from;
    CPathList m_to;
    bool m_bListFailed = false;
};
