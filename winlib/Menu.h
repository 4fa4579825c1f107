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
        m_Menu = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
        return m_Menu != nullptr;
    }
    void Destroy()
    {
        if (m_Menu)
            ::DestroyMenu(m_Menu);
        m_Menu = nullptr;
    }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_Menu, position); }
    HMENU Get() const { return m_Menu; }

private:
    HMENU m_Menu = nullptr;
};
