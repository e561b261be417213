// The window wrapper through which the main window drives the web browser
// ActiveX control. The dialog creates the control from its template; the
// wrapper is bound to it by data exchange and adds no data of its own.
#pragma once
#include "afx/Afx.h"

// The wrapper's creation record: name, size and a factory, so that a wrapper
// can be made from its class name alone. The main window makes its one
// wrapper directly and needs none of it.
struct WndClassRecord {
    const char* className;
    int objectSize;
    unsigned schema;              // 0xFFFF: not serialisable
    CWnd* (*createObject)();      // null when the allocation fails
    const char* baseClassName;
};

class CWebBrowser2 : public CWnd {
public:
    CWebBrowser2() = default;
    ~CWebBrowser2() override = default;

    static const WndClassRecord classCWebBrowser2;
    static CWnd* CreateObject();
    const WndClassRecord* GetClassRecord() const { return &classCWebBrowser2; }

    // The control's class identifier (the Windows WebBrowser control).
    static const CLSID& GetClsid();

    // Any creation through this slot makes the browser control; the class
    // name and the creation context are ignored.
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;

    // IWebBrowser2::Navigate. Each VARIANT pointer may be null: no flags, the
    // control's own window, no post data (a GET), no extra headers.
    void Navigate(LPCSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers);
};
