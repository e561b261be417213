// The About box: a small modal dialog shown from the main window's system
// menu. Everything but its template comes from the base dialog.
#pragma once
#include "afx/Afx.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override = default;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
