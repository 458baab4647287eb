#pragma once
// An object that commands can reach: windows, documents, the application. It looks commands
// and enabling requests up in its message table chain.
#include <windows.h>

#include "CObject.h"
#include "MessageTable.h"

class CCmdUI;

constexpr int CN_COMMAND = 0;

class CCmdTarget : public CObject {
public:
    // Finds the handler of a command (code: the notification code, 0 for menus, accelerators
    // and buttons) or, with cmdUI, of its enabling request, and runs it unless probing.
    // True when there is one.
    virtual BOOL OnCmdMsg(UINT id, int code, CCmdUI* cmdUI, bool probe = false);

    virtual const MessageTable* GetMessageTable() const { return &s_messageTable; }
    static const MessageTable s_messageTable;

protected:
    // The first entry of the given kind that matches, searching this class's table first.
    const MessageEntry* FindEntry(EntryKind kind, UINT message, UINT id) const;
};
