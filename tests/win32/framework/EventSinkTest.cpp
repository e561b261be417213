#include "afx/Afx.h"
#include "afx/Dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "中文" in code page 936 and in UTF-16.
const char kGbk[] = "\xD6\xD0\xCE\xC4";
const wchar_t kWide[] = L"\x4E2D\x6587";

class CBaseSink : public CCmdTarget {
public:
    std::vector<std::string> log;
    void OnQuit() { log.push_back("base quit"); }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CBaseSink, CCmdTarget)
    ON_EVENT(CBaseSink, 1000, 253, OnQuit, VTS_NONE)
END_EVENTSINK_MAP()

class CSink : public CBaseSink {
public:
    IDispatch* lastDisp = nullptr;
    VARIANT* lastUrl = nullptr;

    void OnVisible(BOOL b) { log.push_back(std::string("visible ") + (b ? "1" : "0")); }
    void OnStatus(LPCSTR text) { log.push_back(std::string("status ") + text); }
    void OnStatusOther(LPCSTR text) { log.push_back(std::string("other ") + text); }
    void OnDocument(LPDISPATCH disp, VARIANT* url) {
        lastDisp = disp;
        lastUrl = url;
        log.push_back("document");
    }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CSink, CBaseSink)
    ON_EVENT(CSink, 1000, 254, OnVisible, VTS_BOOL)
    ON_EVENT(CSink, 1000, 102, OnStatus, VTS_BSTR)
    ON_EVENT(CSink, 1001, 102, OnStatusOther, VTS_BSTR)
    ON_EVENT(CSink, 1000, 259, OnDocument, VTS_DISPATCH VTS_PVARIANT)
END_EVENTSINK_MAP()

// Arguments as a control passes them: last first.
struct Args {
    std::vector<VARIANT> v;
    ~Args() {
        for (VARIANT& x : v) VariantClear(&x);
    }
    DISPPARAMS Params() { return DISPPARAMS{v.empty() ? nullptr : v.data(), nullptr, static_cast<UINT>(v.size()), 0}; }
};

TEST(EventSinkMap, RoutesByControlAndDispidAndConvertsBstrToCodePage936) {
    ASSERT_EQ(936u, GetACP()) << "run under a zh_CN locale";
    CSink sink;
    Args a;
    a.v.resize(1);
    VariantInit(&a.v[0]);
    V_VT(&a.v[0]) = VT_BSTR;
    V_BSTR(&a.v[0]) = SysAllocString(kWide);
    DISPPARAMS dp = a.Params();
    HRESULT hr = E_UNEXPECTED;
    EXPECT_TRUE(sink.OnEvent(1000, 102, &dp, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_TRUE(sink.OnEvent(1001, 102, &dp));
    EXPECT_FALSE(sink.OnEvent(1002, 102, &dp));
    EXPECT_FALSE(sink.OnEvent(1000, 999, &dp));
    std::vector<std::string> want = {std::string("status ") + kGbk, std::string("other ") + kGbk};
    EXPECT_EQ(want, sink.log);
}

TEST(EventSinkMap, ChainsToTheBaseMapAndDecodesEachParameterType) {
    CSink sink;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_TRUE(sink.OnEvent(1000, 253, &none));

    Args b;
    b.v.resize(1);
    VariantInit(&b.v[0]);
    V_VT(&b.v[0]) = VT_BOOL;
    V_BOOL(&b.v[0]) = VARIANT_TRUE;
    DISPPARAMS dpb = b.Params();
    EXPECT_TRUE(sink.OnEvent(1000, 254, &dpb));

    // DocumentComplete(pDisp, URL): the URL comes by reference.
    IDispatch* fakeDisp = reinterpret_cast<IDispatch*>(static_cast<INT_PTR>(0xdeadbeef));
    VARIANT url;
    VariantInit(&url);
    V_VT(&url) = VT_BSTR;
    V_BSTR(&url) = SysAllocString(L"about:blank");
    VARIANT args[2];
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_BYREF | VT_VARIANT;  // last argument first
    V_VARIANTREF(&args[0]) = &url;
    VariantInit(&args[1]);
    V_VT(&args[1]) = VT_DISPATCH;
    V_DISPATCH(&args[1]) = fakeDisp;
    DISPPARAMS dpd{args, nullptr, 2, 0};
    EXPECT_TRUE(sink.OnEvent(1000, 259, &dpd));
    EXPECT_EQ(fakeDisp, sink.lastDisp);
    EXPECT_EQ(&url, sink.lastUrl);
    VariantClear(&url);

    std::vector<std::string> want = {"base quit", "visible 1", "document"};
    EXPECT_EQ(want, sink.log);
}

TEST(EventSinkMap, TooFewArgumentsOrWrongTypesDoNotReachTheHandler) {
    CSink sink;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    HRESULT hr = S_OK;
    EXPECT_TRUE(sink.OnEvent(1000, 259, &none, &hr));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, hr);
    Args a;
    a.v.resize(1);
    VariantInit(&a.v[0]);
    V_VT(&a.v[0]) = VT_UNKNOWN;  // not convertible to a BOOL
    V_UNKNOWN(&a.v[0]) = nullptr;
    DISPPARAMS dp = a.Params();
    EXPECT_TRUE(sink.OnEvent(1000, 254, &dp, &hr));
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(sink.log.empty());
}

// An IDispatch that records one Invoke and fails loudly on anything else.
class RecordingDispatch : public IDispatch {
public:
    DISPID dispid = 0;
    WORD flags = 0;
    bool hadResult = true;
    std::vector<VARTYPE> types;  // in call order
    std::wstring firstString;
    std::vector<VARIANT*> refs;
    std::vector<DISPID> named;
    LONG returnValue = 0;

    STDMETHODIMP QueryInterface(REFIID, void**) override {
        ADD_FAILURE() << "unexpected QueryInterface";
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { ADD_FAILURE(); return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { ADD_FAILURE(); return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { ADD_FAILURE(); return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD f, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*, UINT*) override {
        dispid = id;
        flags = f;
        hadResult = result != nullptr;
        for (UINT i = dp->cArgs; i-- > 0;) {
            VARIANT& v = dp->rgvarg[i];
            types.push_back(V_VT(&v));
            if (V_VT(&v) == VT_BSTR && firstString.empty()) firstString.assign(V_BSTR(&v), SysStringLen(V_BSTR(&v)));
            if (V_VT(&v) == (VT_BYREF | VT_VARIANT)) refs.push_back(V_VARIANTREF(&v));
        }
        for (UINT i = 0; i < dp->cNamedArgs; ++i) named.push_back(dp->rgdispidNamedArgs[i]);
        if (result) {
            V_VT(result) = VT_I4;
            V_I4(result) = returnValue;
        }
        return S_OK;
    }
};

TEST(InvokeHelper, NavigateStyleCallPassesAWideUrlAndVariantReferences) {
    RecordingDispatch disp;
    VARIANT flags;
    VariantInit(&flags);
    static const BYTE params[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;
    std::string url = std::string("http://h/") + kGbk;
    HRESULT hr = afx::InvokeDispatch(&disp, 0x68, DISPATCH_METHOD, VT_EMPTY, nullptr, params, url.c_str(), &flags,
                                     static_cast<VARIANT*>(nullptr), static_cast<VARIANT*>(nullptr),
                                     static_cast<VARIANT*>(nullptr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(0x68, disp.dispid);
    EXPECT_EQ(DISPATCH_METHOD, disp.flags);
    EXPECT_FALSE(disp.hadResult);
    std::vector<VARTYPE> want = {VT_BSTR, VT_BYREF | VT_VARIANT, VT_BYREF | VT_VARIANT, VT_BYREF | VT_VARIANT,
                                 VT_BYREF | VT_VARIANT};
    EXPECT_EQ(want, disp.types);
    EXPECT_EQ(std::wstring(L"http://h/") + kWide, disp.firstString);
    std::vector<VARIANT*> refs = {&flags, nullptr, nullptr, nullptr};
    EXPECT_EQ(refs, disp.refs);
    EXPECT_TRUE(disp.named.empty());
}

TEST(InvokeHelper, PropertyPutIsNamedAndResultsAreConverted) {
    RecordingDispatch disp;
    static const BYTE putParams[] = VTS_BOOL;
    EXPECT_EQ(S_OK, afx::InvokeDispatch(&disp, 7, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, putParams, TRUE));
    EXPECT_EQ(std::vector<DISPID>{DISPID_PROPERTYPUT}, disp.named);
    EXPECT_EQ(std::vector<VARTYPE>{VT_BOOL}, disp.types);

    RecordingDispatch get;
    get.returnValue = 1;
    BOOL b = FALSE;
    EXPECT_EQ(S_OK, afx::InvokeDispatch(&get, 8, DISPATCH_PROPERTYGET, VT_BOOL, &b, reinterpret_cast<const BYTE*>("")));
    EXPECT_TRUE(get.hadResult);
    EXPECT_EQ(TRUE, b);

    RecordingDispatch text;
    text.returnValue = 42;
    CString s;
    EXPECT_EQ(S_OK, afx::InvokeDispatch(&text, 9, DISPATCH_PROPERTYGET, VT_BSTR, &s, reinterpret_cast<const BYTE*>("")));
    EXPECT_STREQ("42", s);
}

TEST(InvokeHelper, UnknownParameterTypesAndMissingObjectsFailWithoutACall) {
    static const BYTE bad[] = {0x7F, 0};
    EXPECT_EQ(E_NOINTERFACE, afx::InvokeDispatch(nullptr, 1, DISPATCH_METHOD, VT_EMPTY, nullptr, bad, 1));
    RecordingDispatch disp;
    EXPECT_EQ(E_INVALIDARG, afx::InvokeDispatch(&disp, 1, DISPATCH_METHOD, VT_EMPTY, nullptr, bad, 1));
    EXPECT_TRUE(disp.types.empty());
    EXPECT_EQ(0, disp.dispid);
}

}  // namespace
