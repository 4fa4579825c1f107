// CImageList: an image list destroyed with its owner.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { Destroy(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    bool Create(int cx, int cy, UINT flags, int initial, int grow)
    {
        Destroy();
        m_List = ::ImageList_Create(cx, cy, flags, initial, grow);
        return m_List != nullptr;
    }
    int Add(HICON icon) const { return ::ImageList_AddIcon(m_List, icon); }
    void Destroy()
    {
        if (m_List)
            ::ImageList_Destroy(m_List);
        m_List = nullptr;
    }
    HIMAGELIST Get() const { return m_List; }
    // Hands the list to a new owner, such as a list view that destroys it with itself.
    HIMAGELIST Release() { return std::exchange(m_List, nullptr); }

private:
    HIMAGELIST m_List = nullptr;
};
