#pragma once
// A frame that reopens where and how it was closed: its normal rectangle, minimized or
// maximized, and the visibility of its bars, kept in the profile section "Window size".
#include "CFrameWnd.h"

class CPersistentFrame : public CFrameWnd {
public:
    // The first activation restores the stored placement and ignores the show command.
    void ActivateFrame(int show = -1) override;
    void OnDestroy();

    static const RECT s_rectInitial;

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
    static const CRuntimeClass classCPersistentFrame;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCPersistentFrame; }

protected:
    bool m_bFirstTime = true;
};
