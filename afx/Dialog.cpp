#include "afx/Dialog.h"

#include "afx/templates/DlgInit.h"
#include "afx/ControlContainment.h"
#include "afx/WinApp.h"

#include <cstring>

namespace {

constexpr WORD kComboAddString16 = 0x0403;  // the 16-bit CB_ADDSTRING some resource compilers write

const BYTE* ResourceBytes(HMODULE module, UINT id, LPCSTR type, DWORD& size) {
    size = 0;
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!res) return nullptr;
    HGLOBAL mem = LoadResource(module, res);
    if (!mem) return nullptr;
    size = SizeofResource(module, res);
    return static_cast<const BYTE*>(LockResource(mem));
}

CLSID ToClsid(const afx::Guid& g) {
    CLSID c;
    c.Data1 = g.d1;
    c.Data2 = g.d2;
    c.Data3 = g.d3;
    std::memcpy(c.Data4, g.d4, 8);
    return c;
}

CString ToAnsi(const afx::Text16& text) {
    return afx::WideToAnsi(reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()));
}

// The window after which the item at this template position goes: the
// nearest window of an earlier item, or the top.
HWND InsertAfter(const Array<HWND>& byIndex, std::size_t index) {
    while (index > 0) {
        if (HWND h = byIndex[--index]) return h;
    }
    return HWND_TOP;
}

}  // namespace

// ----- data exchange -----

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (!pDX || !pDX->m_pDlgWnd || rControl.m_hWnd) return;
    HWND dlg = pDX->m_pDlgWnd->m_hWnd;
    HWND h = dlg ? ::GetDlgItem(dlg, nIDC) : nullptr;
    if (!h || CWnd::FromHandlePermanent(h)) return;
    if (!rControl.SubclassWindow(h)) return;
    afx::ControlContainer* cont = pDX->m_pDlgWnd->GetControlContainer(false);
    afx::ControlSite* site = cont ? cont->FindSiteByWindow(h) : nullptr;
    if (site) {
        rControl.m_pCtrlSite = site;
        site->BindWrapper(&rControl);
    }
}

// ----- CDialog -----

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd && IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

void CDialog::InitModalIndirect(const void* pTemplate, std::size_t templateSize, CWnd* pParentWnd,
                                const void* pDlgInit, std::size_t dlgInitSize) {
    const BYTE* t = static_cast<const BYTE*>(pTemplate);
    const BYTE* d = static_cast<const BYTE*>(pDlgInit);
    m_indirectTemplate.clear();
    m_indirectDlgInit.clear();
    // A copy that cannot be made leaves no template, and DoModal fails.
    if (t && !m_indirectTemplate.Append(t, t + templateSize)) m_indirectTemplate.clear();
    if (d && !m_indirectDlgInit.Append(d, d + dlgInitSize)) m_indirectTemplate.clear();
    m_useIndirect = true;
    if (pParentWnd) m_pParentWnd = pParentWnd;
}

bool CDialog::LoadTemplate(Array<BYTE>& tmpl, Array<BYTE>& dlgInit) const {
    if (m_useIndirect) {
        const BYTE* t = m_indirectTemplate.data();
        const BYTE* d = m_indirectDlgInit.data();
        return !m_indirectTemplate.empty() && tmpl.Append(t, t + m_indirectTemplate.size()) &&
               dlgInit.Append(d, d + m_indirectDlgInit.size());
    }
    HMODULE module = AfxGetResourceHandle();
    DWORD size = 0;
    const BYTE* p = ResourceBytes(module, m_nIDHelp, MAKEINTRESOURCEA(5) /* RT_DIALOG */, size);
    if (!p || size == 0) return false;
    if (!tmpl.Append(p, p + size)) return false;
    p = ResourceBytes(module, m_nIDHelp, MAKEINTRESOURCEA(240) /* RT_DLGINIT */, size);
    return !p || dlgInit.Append(p, p + size);
}

HWND CDialog::FindOwner() const {
    HWND h = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!h) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd && app->m_pMainWnd != this) h = app->m_pMainWnd->m_hWnd;
    }
    if (!h || !IsWindow(h)) return nullptr;
    return GetAncestor(h, GA_ROOT);
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd) return -1;  // already running
    Array<BYTE> raw;
    Array<BYTE> dlgInit;
    afx::SplitTemplate split;
    if (!LoadTemplate(raw, dlgInit) || !afx::SplitDialogTemplate(raw.data(), raw.size(), split)) return -1;
    // The window manager wants the template DWORD-aligned.
    Array<DWORD> aligned;
    if (!aligned.Resize((split.bytes.size() + 3) / 4)) return -1;
    std::memcpy(aligned.data(), split.bytes.data(), split.bytes.size());

    HWND owner = FindOwner();
    bool reenableOwner = owner && IsWindowEnabled(owner);
    if (reenableOwner) ::EnableWindow(owner, FALSE);

    m_bEnded = false;
    m_nModalResult = -1;
    m_pSplit = &split;
    m_pDlgInit = &dlgInit;
    HWND h = CreateDialogIndirectParamA(AfxGetInstanceHandle(), reinterpret_cast<LPCDLGTEMPLATEA>(aligned.data()),
                                        owner, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    m_pSplit = nullptr;
    m_pDlgInit = nullptr;
    if (h && !m_bEnded) {
        if (!::IsWindowVisible(h)) ::ShowWindow(h, SW_SHOWNORMAL);
        RunModalLoop();
    }
    if (m_hWnd) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    // The owner comes back before the dialog goes, so it gets the activation.
    if (reenableOwner) ::EnableWindow(owner, TRUE);
    if (owner && m_hWnd && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    if (m_hWnd) Detach();
    return h ? m_nModalResult : -1;
}

void CDialog::RunModalLoop() {
    m_bInModalLoop = true;
    MSG msg;
    while (!m_bEnded && m_hWnd && IsWindow(m_hWnd)) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
            break;
        }
        bool mine = msg.hwnd && (msg.hwnd == m_hWnd || IsChild(m_hWnd, msg.hwnd));
        BOOL consumed = FALSE;
        if (mine) consumed = PreTranslateMessage(&msg);
        if (consumed) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    m_bInModalLoop = false;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = true;
    if (m_hWnd) ::PostMessageA(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    CDialog* dlg = reinterpret_cast<CDialog*>(lParam);
    if (!dlg) return TRUE;
    return dlg->HandleInitDialog(hWnd);
}

BOOL CDialog::HandleInitDialog(HWND hWnd) {
    if (!SubclassWindow(hWnd)) return TRUE;
    CreateTemplateControls();
    CenterWindow();
    return OnInitDialog();
}

void CDialog::CreateTemplateControls() {
    Array<afx::DlgInitRecord> records;
    if (m_pDlgInit && !m_pDlgInit->empty()) afx::ParseDlgInit(m_pDlgInit->data(), m_pDlgInit->size(), records);

    // Windows of the items already created, by template position, so each
    // control takes its template place in the z-order (and tab order). When
    // that table cannot be had, the dialog shows without its controls.
    Array<HWND> byIndex;
    const std::size_t items = m_pSplit ? m_pSplit->kept.size() + m_pSplit->activeX.size() : 0;
    if (m_pSplit && !m_pSplit->activeX.empty() && byIndex.Resize(items)) {
        std::size_t k = 0;
        for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c && k < m_pSplit->kept.size(); c = ::GetWindow(c, GW_HWNDNEXT))
            byIndex[m_pSplit->kept[k++].index] = c;
        afx::ControlContainer* cont = GetControlContainer(true);
        for (const afx::DlgItemInfo& item : m_pSplit->activeX) {
            if (!cont) break;
            afx::Guid g;
            afx::ParseGuidText(item.className, g);
            RECT rc{item.x, item.y, item.x + item.cx, item.y + item.cy};
            MapDialogRect(m_hWnd, &rc);
            const CString name = ToAnsi(item.title);
            afx::ControlRequest request;
            request.clsid = ToClsid(g);
            request.windowName = name.c_str();
            request.style = item.style;
            request.exStyle = item.exStyle;
            request.rect = rc;
            request.id = item.id;
            request.createControl = AfxControlContainerEnabled();
            request.insertAfter = InsertAfter(byIndex, item.index);
            if (const afx::DlgInitRecord* r = afx::FindDlgInit(records, item.id)) {
                request.stateMessage = r->message;
                request.state = m_pDlgInit->data() + r->offset;
                request.stateSize = r->length;
            }
            if (afx::ControlSite* site = cont->CreateSite(request, true)) byIndex[item.index] = site->Hwnd();
        }
    }
    for (const afx::DlgInitRecord& r : records) {
        if (r.message != CB_ADDSTRING && r.message != kComboAddString16) continue;
        const CString text(reinterpret_cast<const char*>(m_pDlgInit->data() + r.offset), static_cast<int>(r.length));
        SendDlgItemMessageA(m_hWnd, r.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (!pMsg || !m_hWnd) return FALSE;
    bool key = pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST;
    bool mouse = pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST;
    if (!key && !mouse) return FALSE;
    if (key && m_pCtrlCont) {
        afx::ControlSite* site = m_pCtrlCont->FindSiteContaining(pMsg->hwnd);
        if (site && site->TranslateKey(pMsg)) return TRUE;
    }
    return ::IsDialogMessageA(m_hWnd, pMsg);
}
