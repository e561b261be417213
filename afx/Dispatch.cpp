#include "base/CString.h"

#include "afx/CmdTarget.h"
#include "afx/Dispatch.h"

#include <cstring>

namespace afx {
namespace {

// The call's arguments, held in place (the calls of this program pass a
// few); frees the strings it made.
class ArgList {
public:
    static constexpr UINT kMaxArgs = 16;
    ArgList() = default;
    ArgList(const ArgList&) = delete;
    ArgList& operator=(const ArgList&) = delete;
    ~ArgList() {
        for (UINT i = 0; i < m_count; ++i)
            if (m_owned[i]) SysFreeString(m_owned[i]);
    }
    // Reads one argument of VTS type vts; false for an unknown type or one
    // argument too many.
    bool Add(BYTE vts, va_list& args) {
        if (m_count == kMaxArgs) return false;
        VARIANT v;
        VariantInit(&v);
        // VTS bytes mark a reference with 0x40 instead of VT_BYREF.
        unsigned type = (vts & 0x40) ? (VT_BYREF | (vts & 0x3Fu)) : vts;
        switch (type) {
        case VT_BSTRA: V_VT(&v) = VT_BSTR; V_BSTR(&v) = Own(AnsiToBstr(va_arg(args, const char*))); break;
        case VT_BSTR: V_VT(&v) = VT_BSTR; V_BSTR(&v) = Own(SysAllocString(va_arg(args, const wchar_t*))); break;
        case VT_I2: V_VT(&v) = VT_I2; V_I2(&v) = static_cast<SHORT>(va_arg(args, int)); break;
        case VT_I4: V_VT(&v) = VT_I4; V_I4(&v) = va_arg(args, long); break;
        case VT_R8: V_VT(&v) = VT_R8; V_R8(&v) = va_arg(args, double); break;
        case VT_BOOL: V_VT(&v) = VT_BOOL; V_BOOL(&v) = va_arg(args, int) ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_DISPATCH: V_VT(&v) = VT_DISPATCH; V_DISPATCH(&v) = va_arg(args, IDispatch*); break;
        case VT_UNKNOWN: V_VT(&v) = VT_UNKNOWN; V_UNKNOWN(&v) = va_arg(args, IUnknown*); break;
        case VT_VARIANT: {
            const VARIANT* src = va_arg(args, const VARIANT*);
            if (src) std::memcpy(&v, src, sizeof(v));  // borrowed, never cleared here
            break;
        }
        case VT_BYREF | VT_VARIANT: V_VT(&v) = VT_BYREF | VT_VARIANT; V_VARIANTREF(&v) = va_arg(args, VARIANT*); break;
        case VT_BYREF | VT_I4: V_VT(&v) = VT_BYREF | VT_I4; V_I4REF(&v) = va_arg(args, LONG*); break;
        case VT_BYREF | VT_BOOL: V_VT(&v) = VT_BYREF | VT_BOOL; V_BOOLREF(&v) = va_arg(args, VARIANT_BOOL*); break;
        default: return false;
        }
        m_args[m_count++] = v;
        return true;
    }
    // DISPPARAMS want the last argument first.
    DISPPARAMS Params() {
        for (UINT i = 0; i < m_count; ++i) m_reversed[i] = m_args[m_count - 1 - i];
        DISPPARAMS dp{};
        dp.rgvarg = m_count ? m_reversed : nullptr;
        dp.cArgs = m_count;
        return dp;
    }

private:
    // The string made for the argument being added (slot m_count).
    BSTR Own(BSTR b) {
        m_owned[m_count] = b;
        return b;
    }
    VARIANT m_args[kMaxArgs];
    VARIANT m_reversed[kMaxArgs];
    BSTR m_owned[kMaxArgs] = {};
    UINT m_count = 0;
};

HRESULT StoreResult(VARIANT& result, VARTYPE vtRet, void* pvRet) {
    if (!pvRet) return S_OK;
    if (vtRet == VT_VARIANT) {
        *static_cast<VARIANT*>(pvRet) = result;  // ownership moves to the caller
        VariantInit(&result);
        return S_OK;
    }
    VARTYPE want = vtRet == VT_BSTRA ? static_cast<VARTYPE>(VT_BSTR) : vtRet;
    HRESULT hr = VariantChangeType(&result, &result, 0, want);
    if (FAILED(hr)) return hr;
    switch (vtRet) {
    case VT_I4: *static_cast<long*>(pvRet) = V_I4(&result); break;
    case VT_BOOL: *static_cast<BOOL*>(pvRet) = V_BOOL(&result) != VARIANT_FALSE; break;
    case VT_BSTR:
    case VT_BSTRA: {
        CString text;
        if (!BstrToAnsi(V_BSTR(&result), text)) return E_OUTOFMEMORY;
        *static_cast<CString*>(pvRet) = static_cast<CString&&>(text);
        break;
    }
    case VT_DISPATCH:
        *static_cast<IDispatch**>(pvRet) = V_DISPATCH(&result);
        V_VT(&result) = VT_EMPTY;  // the reference moves to the caller
        break;
    default: return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

}  // namespace

BSTR AnsiToBstr(const char* text) {
    if (!text) return nullptr;
    int len = static_cast<int>(std::strlen(text));
    int n = MultiByteToWideChar(CP_ACP, 0, text, len, nullptr, 0);
    BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(n > 0 ? n : 0));
    if (b && n > 0) MultiByteToWideChar(CP_ACP, 0, text, len, b, n);
    return b;
}

HRESULT InvokeDispatchV(IDispatch* disp, DISPID dispid, WORD wFlags, VARTYPE vtRet, void* pvRet,
                        const BYTE* pbParamInfo, va_list args) {
    if (!disp) return E_NOINTERFACE;
    ArgList list;
    va_list ap;
    va_copy(ap, args);
    bool ok = true;
    for (const BYTE* p = pbParamInfo; ok && p && *p; ++p) ok = list.Add(*p, ap);
    va_end(ap);
    if (!ok) return E_INVALIDARG;
    DISPPARAMS dp = list.Params();
    DISPID named = DISPID_PROPERTYPUT;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        dp.rgdispidNamedArgs = &named;
        dp.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep{};
    UINT argErr = 0;
    HRESULT hr = disp->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp,
                              vtRet == VT_EMPTY ? nullptr : &result, &excep, &argErr);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    if (SUCCEEDED(hr) && vtRet != VT_EMPTY) hr = StoreResult(result, vtRet, pvRet);
    VariantClear(&result);
    return hr;
}

HRESULT InvokeDispatch(IDispatch* disp, DISPID dispid, WORD wFlags, VARTYPE vtRet, void* pvRet,
                       const BYTE* pbParamInfo, ...) {
    va_list args;
    va_start(args, pbParamInfo);
    HRESULT hr = InvokeDispatchV(disp, dispid, wFlags, vtRet, pvRet, pbParamInfo, args);
    va_end(args);
    return hr;
}

}  // namespace afx
