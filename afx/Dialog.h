// Modal dialogs made from templates that may hold ActiveX controls.
#pragma once
#include "afx/templates/DlgTemplate.h"
#include "afx/Wnd.h"
#include "base/Array.h"

class CDialog;

// Carries the direction of a data exchange to DoDataExchange.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds rControl to the dialog's child nIDC (and to its ActiveX control
// when the child is a control site). Does nothing when there is no such
// child or rControl is already bound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Uses an in-memory template (and dialog-initialisation data) instead of
    // the resources; both are copied (when the copy cannot be made, DoModal
    // answers -1).
    void InitModalIndirect(const void* pTemplate, std::size_t templateSize, CWnd* pParentWnd = nullptr,
                           const void* pDlgInit = nullptr, std::size_t dlgInitSize = 0);

    // Creates the dialog, runs its modal loop and returns the value given to
    // EndDialog, or -1 when the window could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void OnOK();
    virtual void OnCancel();
    // Default-button and dialog-navigation keys, and keyboard accelerators
    // of an in-place active ActiveX control.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    UINT GetTemplateId() const { return m_nIDHelp; }
    bool IsModalRunning() const { return m_bInModalLoop; }

    DECLARE_MESSAGE_MAP()

protected:
    UINT m_nIDHelp;  // the template's resource id
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL HandleInitDialog(HWND hWnd);
    bool LoadTemplate(Array<BYTE>& tmpl, Array<BYTE>& dlgInit) const;
    HWND FindOwner() const;
    void RunModalLoop();

    Array<BYTE> m_indirectTemplate;
    Array<BYTE> m_indirectDlgInit;
    bool m_useIndirect = false;
    bool m_bEnded = false;
    bool m_bInModalLoop = false;
    int m_nModalResult = -1;
    void CreateTemplateControls();

    const afx::SplitTemplate* m_pSplit = nullptr;  // the template being created
    const Array<BYTE>* m_pDlgInit = nullptr;
};
