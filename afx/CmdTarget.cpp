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
            HRESULT hr = E_FAIL;
            try {
                hr = e->pfn(this, e->pbParams, params);
            } catch (...) {
                hr = E_FAIL;
            }
            if (phr) *phr = hr;
            return true;
        }
    }
    return false;
}

namespace afx {

std::string WideToAnsi(const wchar_t* text, int len) {
    if (!text || len <= 0) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, len, &out[0], n, nullptr, nullptr);
    return out;
}

std::string BstrToAnsi(const wchar_t* bstr) {
    if (!bstr) return std::string();
    std::string out = WideToAnsi(bstr, static_cast<int>(SysStringLen(const_cast<BSTR>(bstr))));
    // The handler sees a C string: stop at an embedded zero.
    out.resize(std::char_traits<char>::length(out.c_str()));
    return out;
}

}  // namespace afx
