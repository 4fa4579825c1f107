// CToolTipCtrl: a tooltip window owned by the object (destroyed with it).
#pragma once

#include "Wnd.h"

#include <commctrl.h>

class CToolTipCtrl {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl() { Destroy(); }
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;

    bool Create(HWND owner, DWORD style);
    void Destroy();
    HWND GetSafeHwnd() const { return m_hWnd; }
    bool Exists() const { return m_hWnd && ::IsWindow(m_hWnd); }

    bool AddTool(TOOLINFOA& tool) const { return Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0; }
    void UpdateTipText(TOOLINFOA& tool) const { Send(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool)); }
    void RelayEvent(MSG& msg) const { Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg)); }
    void Activate(bool active) const { Send(TTM_ACTIVATE, active); }
    void SetMaxTipWidth(int width) const { Send(TTM_SETMAXTIPWIDTH, 0, width); }
    void Pop() const { Send(TTM_POP); }
    void Update() const { Send(TTM_UPDATE); }
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageA(m_hWnd, msg, wp, lp); }

private:
    HWND m_hWnd = nullptr;
};
