#include "ui/AboutDlg.h"

#include "res/resource.h"

// No parent: the dialog support gives it the main window as owner.
CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX, nullptr) {}

// The box exchanges no data with its controls.
void CAboutDlg::DoDataExchange(CDataExchange*) {}

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()
