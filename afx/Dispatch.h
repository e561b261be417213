// Building a dispatch call from VTS_ parameter bytes and C variadic
// arguments, and reading its result.
#pragma once
#include <oaidl.h>
#include <windows.h>

#include <cstdarg>

namespace afx {

// See CWnd::InvokeHelper for the parameter and result types. Never throws.
HRESULT InvokeDispatchV(IDispatch* disp, DISPID dispid, WORD wFlags, VARTYPE vtRet, void* pvRet,
                        const BYTE* pbParamInfo, va_list args);
HRESULT InvokeDispatch(IDispatch* disp, DISPID dispid, WORD wFlags, VARTYPE vtRet, void* pvRet,
                       const BYTE* pbParamInfo, ...);

// A narrow string of the ANSI code page as a new BSTR (null for null).
BSTR AnsiToBstr(const char* text);

}  // namespace afx
