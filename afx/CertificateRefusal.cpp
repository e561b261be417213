#include "afx/CertificateRefusal.h"

#include "afx/ComObject.h"

#include <urlmon.h>

#include <new>

namespace afx {
namespace {

// The control asks its host's IServiceProvider for IHttpSecurity before it
// falls back to its own warning box. Of the documented answers, E_ABORT
// cancels the load, S_FALSE would let the box ask the user and RPC_E_RETRY
// would load the page anyway. Every problem is refused alike: the pages are
// the maker's own, so any problem means the connection is not the maker's,
// and a list of codes would let a new one slip through to the box.
class CertificateRefusal final : public ComObject<CertificateRefusal, IHttpSecurity> {
public:
    explicit CertificateRefusal(HWND site) : m_site(site) {}

    void* InterfaceFor(REFIID riid) {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IWindowForBindingUI) &&
            !IsEqualIID(riid, IID_IHttpSecurity))
            return nullptr;
        return static_cast<IHttpSecurity*>(this);
    }
    // S_FALSE, as the interface allows, once the site's window is gone.
    STDMETHODIMP GetWindow(REFGUID, HWND* phwnd) override {
        if (!phwnd) return E_INVALIDARG;
        *phwnd = IsWindow(m_site) ? GetAncestor(m_site, GA_ROOT) : nullptr;
        return *phwnd ? S_OK : S_FALSE;
    }
    STDMETHODIMP OnSecurityProblem(DWORD) override { return E_ABORT; }

private:
    friend ComObject;
    ~CertificateRefusal() = default;
    HWND m_site;
};

}  // namespace

HRESULT CreateCertificateRefusal(HWND site, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    CertificateRefusal* refusal = new (std::nothrow) CertificateRefusal(site);
    if (!refusal) return E_OUTOFMEMORY;
    HRESULT hr = refusal->QueryInterface(riid, ppv);
    refusal->Release();
    return hr;
}

}  // namespace afx
