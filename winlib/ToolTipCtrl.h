// CToolTipCtrl: a tooltip window owned by the object (destroyed with it).
#pragma once

#include "Wnd.h"

#include <commctrl.h>

class CToolTipCtrl : public CWnd {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl() override;

    bool Create(HWND owner, DWORD style);
    void Destroy();
    HWND GetSafeHwnd() const { return m_hWnd; }
    // False once destroyed, by us or with its owner window.
    bool Exists() const { return IsSubclassed(); }

    bool AddTool(TOOLINFOA& tool) const { return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0; }
    void UpdateTipText(TOOLINFOA& tool) const { SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool)); }
    void RelayEvent(MSG& msg) const { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg)); }
    void Activate(bool active) const { SendMessage(TTM_ACTIVATE, active); }
    void SetMaxTipWidth(int width) const { SendMessage(TTM_SETMAXTIPWIDTH, 0, width); }
    void Pop() const { SendMessage(TTM_POP); }
    void Update() const { SendMessage(TTM_UPDATE); }
};
