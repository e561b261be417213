#include "afx/CmdTarget.h"

namespace {
const AFX_MSGMAP_ENTRY kNoMessages[] = {{0, 0, 0, nullptr}};
const AFX_EVENTSINKMAP_ENTRY kNoEvents[] = {{0, 0, nullptr, nullptr}};

bool CommandMatches(const AFX_MSGMAP_ENTRY& e, WPARAM wParam, LPARAM lParam) {
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (id < e.nID || id > e.nLastID) return false;
    // Menu items and BN_CLICKED carry 0, accelerators 1 (with no control).
    return code == 0 || (code == 1 && lParam == 0);
}
}  // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP map = {nullptr, kNoMessages};
    return &map;
}
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_EVENTSINKMAP* CCmdTarget::GetThisEventSinkMap() {
    static const AFX_EVENTSINKMAP map = {nullptr, kNoEvents};
    return &map;
}
const AFX_EVENTSINKMAP* CCmdTarget::GetEventSinkMap() const { return GetThisEventSinkMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, WPARAM wParam, LPARAM lParam) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e) {
            if (e->nMessage != message) continue;
            if (message == WM_COMMAND && !CommandMatches(*e, wParam, lParam)) continue;
            return e;
        }
    }
    return nullptr;
}

bool CCmdTarget::OnEvent(UINT nCtlID, DISPID dispid, DISPPARAMS* params, HRESULT* phr) {
    for (const AFX_EVENTSINKMAP* map = GetEventSinkMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_EVENTSINKMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e) {
            if (e->nCtlID != nCtlID || e->dispid != dispid) continue;
            const HRESULT hr = e->pfn(this, e->pbParams, params);
            if (phr) *phr = hr;
            return true;
        }
    }
    return false;
}

namespace afx {

CString WideToAnsi(const wchar_t* text, int len) {
    CString out;
    if (!text || len <= 0) return out;
    const int n = WideCharToMultiByte(CP_ACP, 0, text, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return out;
    char* buf = out.GetBuffer(n);
    if (!buf) return out;
    const int written = WideCharToMultiByte(CP_ACP, 0, text, len, buf, n, nullptr, nullptr);
    out.ReleaseBuffer(written > 0 ? written : 0);
    return out;
}

bool BstrToAnsi(const wchar_t* bstr, CString& out) {
    out.Empty();
    if (!bstr) return true;
    const int len = static_cast<int>(SysStringLen(const_cast<BSTR>(bstr)));
    if (len == 0) return true;
    out = WideToAnsi(bstr, len);
    if (out.IsEmpty()) return false;
    // The handler sees a C string: stop at an embedded zero.
    out.ReleaseBuffer(-1);
    return true;
}

}  // namespace afx
