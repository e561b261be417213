// The application framework for the Windows build: one include for users.
// Include platform headers, then this, then anything else.
//
//   WinApp.h     CWinApp, AfxWinMain, AfxGetApp, AfxMessageBox, LoadString
//   Wnd.h        CWnd (message-map dispatch, Default, InvokeHelper,
//                CreateControl), CPaintDC, CMenu
//   Dialog.h     CDialog (DoModal with its own loop), CDataExchange,
//                DDX_Control
//   CmdTarget.h  message maps and event sink maps (ON_xxx / ON_EVENT rows)
//   DlgTemplate.h, DlgInit.h  pure readers of dialog resources
//
// Linking tq_afx provides WinMain (with the application object's
// constructor), which calls AfxWinMain.
#pragma once
#include "base/CString.h"
#include "platform/WinTypes.h"
#include "platform/User.h"

#include "afx/CmdTarget.h"
#include "base/ComPtr.h"
#include "afx/Dialog.h"
#include "afx/WinApp.h"
#include "afx/Wnd.h"

#ifndef ID_HELP
#define ID_HELP 0xE146
#endif
