// The results list as the main window sets it up, in a top-level window that is never shown:
// the LAN tests need a list and a thread that owns it, not a picture.
#pragma once

#include "controls/EnhancedListCtrl.h"

#include <windows.h>

class CLanResultsList {
public:
    static constexpr int kListId = 1006;

    CLanResultsList();
    ~CLanResultsList();
    CLanResultsList(const CLanResultsList&) = delete;
    CLanResultsList& operator=(const CLanResultsList&) = delete;

    bool IsCreated() const { return m_List.m_hWnd != nullptr; }
    CEnhancedListCtrl& List() { return m_List; }

    // What a click on a column heading makes the list do; callable from any thread.
    void ClickHeading(int column) const;

private:
    HWND m_Window = nullptr;
    CEnhancedListCtrl m_List;
};
