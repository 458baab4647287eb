#include "CCmdTarget.h"

#include "CCmdUI.h"

const MessageTable CCmdTarget::s_messageTable = MakeTable(nullptr);

const MessageEntry* CCmdTarget::FindEntry(EntryKind kind, UINT message, UINT id) const
{
    for (const MessageTable* table = GetMessageTable(); table; table = table->base) {
        for (int i = 0; i < table->count; ++i) {
            const MessageEntry& entry = table->entries[i];
            if (entry.kind != kind || entry.message != message) continue;
            if (kind == EntryKind::Message || kind == EntryKind::ReflectCommand || kind == EntryKind::ReflectNotify)
                return &entry;
            if (id >= entry.idFirst && id <= entry.idLast) return &entry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, CCmdUI* cmdUI, bool probe)
{
    const MessageEntry* entry = cmdUI ? FindEntry(EntryKind::Update, 0, id)
                                      : FindEntry(EntryKind::Command, static_cast<UINT>(code), id);
    if (!entry) return FALSE;
    if (!probe) entry->thunk(this, id, reinterpret_cast<LPARAM>(cmdUI));
    return TRUE;
}
