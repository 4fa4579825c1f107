#include "ToolTipCtrl.h"

CToolTipCtrl::~CToolTipCtrl()
{
    Destroy();
}

bool CToolTipCtrl::Create(HWND owner, DWORD style)
{
    Destroy();
    HWND tip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, AfxGetResourceHandle(), nullptr);
    if (!tip)
        return false;
    // Attached, so that we learn when the owner takes it down with itself and never hold a
    // handle the system may give to another window.
    if (!SubclassWindow(tip)) {
        ::DestroyWindow(tip);
        return false;
    }
    return true;
}

void CToolTipCtrl::Destroy()
{
    if (IsSubclassed())
        ::DestroyWindow(m_hWnd);  // detaches at WM_NCDESTROY
    UnsubclassWindow();
    SetHandle(nullptr);
}
