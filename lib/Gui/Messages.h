// The toolkit's own window messages. They are plain window messages above WM_APP, sent
// to a control's window procedure like any other, so a control handles them in the
// same switch as the system's.
#pragma once

#include "Rtl/Win.h"

inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0;
inline constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 2;
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 3;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 4;
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 5;
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 6;
inline constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 7;
inline constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr UINT CM_MENUCHANGED = CM_BASE + 10;
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 11;     // wp: key; lp: shift state; result 1: used
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 12;  // lp: the control that got the focus
inline constexpr UINT CM_RELEASE = CM_BASE + 13;       // a form destroys itself
inline constexpr UINT CM_RECREATEWND = CM_BASE + 14;
// wp: a character typed with Alt; result 1: a control took it as its accelerator.
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 15;

// A child's notification (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, ...), reflected to the
// child's own object as CN_BASE plus the message.
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
inline constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
inline constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
inline constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
inline constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
