// Static message maps and event sink maps. A row names a message (and, for
// WM_COMMAND, a command id) or a control event, with a small thunk that
// decodes the message's arguments and calls the member function of the
// class that declared the row. Maps chain to the base class's map.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include "base/CString.h"

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

class CCmdTarget;

// ----- message maps -------------------------------------------------------

using AFX_MSG_THUNK = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;   // 0 ends the table
    UINT nID;        // WM_COMMAND: first command id
    UINT nLastID;    // WM_COMMAND: last command id
    AFX_MSG_THUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// ----- event sink maps ----------------------------------------------------

using AFX_EVENT_THUNK = HRESULT (*)(CCmdTarget* target, const BYTE* pbParams, DISPPARAMS* params);

struct AFX_EVENTSINKMAP_ENTRY {
    UINT nCtlID;     // control id; 0 with pfn null ends the table
    DISPID dispid;
    const BYTE* pbParams;  // VTS_ bytes, zero-terminated
    AFX_EVENT_THUNK pfn;
};

struct AFX_EVENTSINKMAP {
    const AFX_EVENTSINKMAP* (*pfnGetBaseMap)();
    const AFX_EVENTSINKMAP_ENTRY* lpEntries;
};

// Parameter type bytes (narrow-character build: VTS_BSTR is a char string).
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R8 "\x05"
#define VTS_WBSTR "\x08"
#define VTS_DISPATCH "\x09"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_UNKNOWN "\x0D"
#define VTS_BSTR "\x0E"
#define VTS_PI4 "\x43"
#define VTS_PBOOL "\x4B"
#define VTS_PVARIANT "\x4C"
// The framework's narrow-string variant type (a char* standing for a BSTR).
constexpr VARTYPE VT_BSTRA = 0x0E;

class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    virtual const AFX_MSGMAP* GetMessageMap() const;
    virtual const AFX_EVENTSINKMAP* GetEventSinkMap() const;
    static const AFX_MSGMAP* GetThisMessageMap();
    static const AFX_EVENTSINKMAP* GetThisEventSinkMap();

    // The row of this object's maps (own first, then the bases') that takes
    // the message, or nullptr. WM_COMMAND rows match LOWORD(wParam) and a
    // menu, accelerator or BN_CLICKED notification code.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Runs the row for a control event; false when no row takes it. The
    // handler's result is *phr (DISP_E_TYPEMISMATCH when an argument cannot
    // be decoded or held).
    bool OnEvent(UINT nCtlID, DISPID dispid, DISPPARAMS* params, HRESULT* phr = nullptr);
};

#define DECLARE_MESSAGE_MAP()                                    \
public:                                                          \
    static const AFX_MSGMAP* GetThisMessageMap();                \
    const AFX_MSGMAP* GetMessageMap() const override;            \
                                                                 \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                                \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                          \
    { 0, 0, 0, nullptr }                                                           \
    }                                                                              \
    ;                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, _messageEntries}; \
    return &messageMap;                                                            \
    }

#define AFX_MSG_ROW(msg, first, last, body) \
    {msg, first, last, [](CCmdTarget* t_, WPARAM wParam, LPARAM lParam) -> LRESULT { \
         (void)wParam; (void)lParam; ThisClass* p_ = static_cast<ThisClass*>(t_); body }},

// Command handlers: void fn(). The name may be qualified (CWinApp::OnHelp).
#define ON_COMMAND(id, memberFxn) AFX_MSG_ROW(WM_COMMAND, id, id, p_->memberFxn(); return 0;)
#define ON_COMMAND_RANGE(idFirst, idLast, memberFxn) \
    AFX_MSG_ROW(WM_COMMAND, idFirst, idLast, p_->memberFxn(static_cast<UINT>(LOWORD(wParam))); return 0;)
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
// LRESULT fn(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn) AFX_MSG_ROW(message, 0, 0, return p_->memberFxn(wParam, lParam);)

#define ON_WM_SYSCOMMAND() \
    AFX_MSG_ROW(WM_SYSCOMMAND, 0, 0, p_->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0;)
#define ON_WM_PAINT() AFX_MSG_ROW(WM_PAINT, 0, 0, p_->OnPaint(); return 0;)
#define ON_WM_QUERYDRAGICON() \
    AFX_MSG_ROW(WM_QUERYDRAGICON, 0, 0, return reinterpret_cast<LRESULT>(p_->OnQueryDragIcon());)
#define ON_WM_DROPFILES() \
    AFX_MSG_ROW(WM_DROPFILES, 0, 0, p_->OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;)
#define ON_WM_CANCELMODE() AFX_MSG_ROW(WM_CANCELMODE, 0, 0, p_->OnCancelMode(); return 0;)
#define ON_WM_TIMER() AFX_MSG_ROW(WM_TIMER, 0, 0, p_->OnTimer(static_cast<UINT>(wParam)); return 0;)
#define ON_WM_CLOSE() AFX_MSG_ROW(WM_CLOSE, 0, 0, p_->OnClose(); return 0;)
#define ON_WM_DESTROY() AFX_MSG_ROW(WM_DESTROY, 0, 0, p_->OnDestroy(); return 0;)
#define ON_WM_SIZE()                                                                                  \
    AFX_MSG_ROW(WM_SIZE, 0, 0,                                                                        \
                p_->OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;)

// ----- event sink maps ----------------------------------------------------

namespace afx {

// len UTF-16 units as bytes of the ANSI code page (code page 936 here);
// empty when there is nothing to convert or the conversion fails.
CString WideToAnsi(const wchar_t* text, int len);
// A BSTR as bytes of the ANSI code page (code page 936 here), up to an
// embedded zero; false when it cannot be converted or held.
bool BstrToAnsi(const wchar_t* bstr, CString& out);

// One decoded event argument of C++ type T, from a VARIANT and its VTS byte.
template <class T, class = void>
struct EventArg;

// The variant behind a by-reference variant, or the variant itself.
inline VARIANT* DerefVariant(VARIANT* v) {
    if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) return V_VARIANTREF(v);
    return v;
}

template <class T>
struct EventArg<T, std::enable_if_t<std::is_integral_v<T>>> {
    T value{};
    bool Load(VARIANT* v, BYTE vts) {
        VARIANT tmp;
        VariantInit(&tmp);
        VARTYPE want = vts == VT_BOOL ? VT_BOOL : VT_I4;
        if (FAILED(VariantChangeType(&tmp, DerefVariant(v), 0, want))) return false;
        value = want == VT_BOOL ? static_cast<T>(V_BOOL(&tmp) != VARIANT_FALSE) : static_cast<T>(V_I4(&tmp));
        return true;
    }
    T Get() { return value; }
};

template <>
struct EventArg<const char*> {
    CString text;
    bool Load(VARIANT* v, BYTE) {
        VARIANT* src = DerefVariant(v);
        if (V_VT(src) == VT_BSTR) return BstrToAnsi(V_BSTR(src), text);
        if (V_VT(src) == (VT_BSTR | VT_BYREF)) return BstrToAnsi(*V_BSTRREF(src), text);
        VARIANT tmp;
        VariantInit(&tmp);
        if (FAILED(VariantChangeType(&tmp, src, 0, VT_BSTR))) return false;
        const bool ok = BstrToAnsi(V_BSTR(&tmp), text);
        VariantClear(&tmp);
        return ok;
    }
    const char* Get() { return text.c_str(); }
};

template <>
struct EventArg<IDispatch*> {
    IDispatch* p = nullptr;
    bool Load(VARIANT* v, BYTE) {
        VARIANT* src = DerefVariant(v);
        if (V_VT(src) == VT_DISPATCH) p = V_DISPATCH(src);
        else if (V_VT(src) == (VT_DISPATCH | VT_BYREF)) p = *V_DISPATCHREF(src);
        else if (V_VT(src) != VT_EMPTY && V_VT(src) != VT_NULL) return false;
        return true;
    }
    IDispatch* Get() { return p; }
};

template <>
struct EventArg<VARIANT*> {
    VARIANT* p = nullptr;
    bool Load(VARIANT* v, BYTE) {
        p = DerefVariant(v);
        return true;
    }
    VARIANT* Get() { return p; }
};

template <>
struct EventArg<VARIANT_BOOL*> {
    VARIANT_BOOL* p = nullptr;
    bool Load(VARIANT* v, BYTE) {
        VARIANT* src = DerefVariant(v);
        if (V_VT(src) != (VT_BOOL | VT_BYREF)) return false;
        p = V_BOOLREF(src);
        return true;
    }
    VARIANT_BOOL* Get() { return p; }
};

template <auto Pmf>
struct EventThunk;

template <class C, class R, class... A, R (C::*Pmf)(A...)>
struct EventThunk<Pmf> {
    static HRESULT Call(CCmdTarget* target, const BYTE* vts, DISPPARAMS* dp) {
        return Run(static_cast<C*>(target), vts, dp, std::index_sequence_for<A...>{});
    }

private:
    template <std::size_t... I>
    static HRESULT Run(C* obj, const BYTE* vts, DISPPARAMS* dp, std::index_sequence<I...>) {
        constexpr UINT n = sizeof...(A);
        if (!dp || dp->cArgs < n) return DISP_E_BADPARAMCOUNT;
        std::tuple<EventArg<std::decay_t<A>>...> args;
        // DISPPARAMS hold the arguments last first.
        bool ok = (true && ... && std::get<I>(args).Load(&dp->rgvarg[dp->cArgs - 1 - I], vts[I]));
        if (!ok) return DISP_E_TYPEMISMATCH;
        (obj->*Pmf)(std::get<I>(args).Get()...);
        return S_OK;
    }
};

template <auto Pmf>
struct EventArity;
template <class C, class R, class... A, R (C::*Pmf)(A...)>
struct EventArity<Pmf> {
    static constexpr std::size_t value = sizeof...(A);
};

}  // namespace afx

#define DECLARE_EVENTSINK_MAP()                                  \
public:                                                          \
    static const AFX_EVENTSINKMAP* GetThisEventSinkMap();        \
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override;    \
                                                                 \
private:

#define BEGIN_EVENTSINK_MAP(theClass, baseClass)                                               \
    const AFX_EVENTSINKMAP* theClass::GetEventSinkMap() const { return GetThisEventSinkMap(); } \
    const AFX_EVENTSINKMAP* theClass::GetThisEventSinkMap() {                                  \
        using TheBaseClass = baseClass;                                                        \
        static const AFX_EVENTSINKMAP_ENTRY _eventEntries[] = {

// The handler's parameters must match the VTS bytes one for one.
#define ON_EVENT(theClass, id, dispid, pfnHandler, vtsParams)                                   \
    {static_cast<UINT>(id), static_cast<DISPID>(dispid),                                        \
     reinterpret_cast<const BYTE*>(vtsParams),                                                  \
     [] {                                                                                       \
         static_assert(afx::EventArity<&theClass::pfnHandler>::value == sizeof(vtsParams) - 1, \
                       "ON_EVENT: handler parameters and VTS bytes differ");                    \
         return &afx::EventThunk<&theClass::pfnHandler>::Call;                                  \
     }()},

#define END_EVENTSINK_MAP()                                                                         \
    { 0, 0, nullptr, nullptr }                                                                      \
    }                                                                                               \
    ;                                                                                               \
    static const AFX_EVENTSINKMAP eventsinkMap = {&TheBaseClass::GetThisEventSinkMap, _eventEntries}; \
    return &eventsinkMap;                                                                           \
    }
