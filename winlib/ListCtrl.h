// CListCtrl: the list view control, for the thread that owns it.
#pragma once

#include "Wnd.h"

#include <commctrl.h>
#include <string>

class CListCtrl : public CWnd {
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    bool DeleteAllItems() const { return SendMessage(LVM_DELETEALLITEMS) != 0; }
    HWND GetHeaderCtrl() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }
    void SetExtendedStyle(DWORD style) const { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)); }
    HIMAGELIST SetImageList(HIMAGELIST list, int kind) const
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(list)));
    }
    HIMAGELIST GetImageList(int kind) const
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, static_cast<WPARAM>(kind)));
    }

    int InsertColumn(int index, const char* heading, int format, int width) const;
    bool SetColumnWidth(int column, int width) const { return SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)) != 0; }
    int GetColumnWidth(int column) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column))); }

    // Inserts a row with its column-0 text and image; returns its index or -1.
    int InsertItem(int index, const char* text, int image) const;
    bool SetItemText(int row, int column, const char* text) const;
    // Copies at most size - 1 characters of the cell and a terminator; returns the length copied.
    int GetItemText(int row, int column, char* buffer, int size) const;
    std::string GetItemText(int row, int column, int limit = 1000) const;
    bool SetItemData(int row, LPARAM data) const;
    LPARAM GetItemData(int row) const;
    int GetItemImage(int row) const;
    int GetNextItem(int start, int flags) const { return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags)); }
    UINT GetItemState(int row, UINT mask) const { return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(row), static_cast<LPARAM>(mask))); }
    bool GetItemRect(int row, RECT& rect, int code) const;
    bool RedrawItems(int first, int last) const { return SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(first), last) != 0; }
    bool SortItems(PFNLVCOMPARE compare, LPARAM param) const { return SendMessage(LVM_SORTITEMS, static_cast<WPARAM>(param), reinterpret_cast<LPARAM>(compare)) != 0; }

private:
    // The row's fields named by `mask` (LVIF_*), read at once.
    LVITEMA GetItemFields(int row, UINT mask) const;
};
