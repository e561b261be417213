// The answer a hosted browser control gets when a page's connection has a
// security problem (a certificate the system does not trust, a name or a
// date that does not match): the load is cancelled, nobody is asked.
#pragma once
#include <windows.h>

namespace afx {

// An IHttpSecurity (riid: it, IWindowForBindingUI or IUnknown) whose
// dialogs, were there any, would belong to the top-level window of site.
HRESULT CreateCertificateRefusal(HWND site, REFIID riid, void** ppv);

}  // namespace afx
