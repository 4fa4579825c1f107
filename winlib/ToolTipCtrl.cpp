#include "ToolTipCtrl.h"

bool CToolTipCtrl::Create(HWND owner, DWORD style)
{
    Destroy();
    m_hWnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, AfxGetResourceHandle(), nullptr);
    return m_hWnd != nullptr;
}

void CToolTipCtrl::Destroy()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}
