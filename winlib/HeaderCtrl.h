// CHeaderCtrl: the column header of a list view.
#pragma once

#include "Wnd.h"

#include <commctrl.h>

class CHeaderCtrl : public CWnd {
public:
    CHeaderCtrl() = default;
    // Borrows a header window without taking it over.
    explicit CHeaderCtrl(HWND borrowed) { SetHandle(borrowed); }

    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
    bool GetItem(int index, HDITEMA& item) const
    {
        return SendMessage(HDM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
    }
    bool SetItem(int index, const HDITEMA& item) const
    {
        return SendMessage(HDM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
    }
};
