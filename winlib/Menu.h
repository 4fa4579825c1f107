// CMenu: a menu loaded from the resources, destroyed with its owner.
#pragma once

#include "Wnd.h"

class CMenu {
public:
    CMenu() = default;
    ~CMenu() { Destroy(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    bool LoadMenu(UINT id)
    {
        Destroy();
        m_menu = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
        return m_menu != nullptr;
    }
    void Destroy()
    {
        if (m_menu)
            ::DestroyMenu(m_menu);
        m_menu = nullptr;
    }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_menu, position); }
    HMENU Get() const { return m_menu; }

private:
    HMENU m_menu = nullptr;
};
