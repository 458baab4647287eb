#pragma once
// The application object of drovane.exe: start-up, and what the command line asks for.
#include "CWinApp.h"

class CDrovaneApp : public CWinApp {
public:
    BOOL InitInstance() override;
    void OnAppAbout();

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
};
