#pragma once
// The General page of the Options sheet: the folder that movies are saved into, how many
// downloads may run at once, and whether pages are read for object tags and scripts as well as
// "EMBED SRC=" tags.
#include "CPropertyPage.h"

class CGeneralDlg : public CPropertyPage {
public:
    CGeneralDlg();

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBrowse();

    CString m_strSavePath;
    int m_nSimultaneous = 0;
    bool m_bSaveFailed = false;   // OK could not write the settings file

    static const MessageTable s_messageTable;
    const MessageTable* GetMessageTable() const override { return &s_messageTable; }
};
