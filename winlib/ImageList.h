// CImageList: an image list destroyed with its owner.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { Destroy(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    bool Create(int cx, int cy, UINT flags, int initial, int grow)
    {
        Destroy();
        m_list = ::ImageList_Create(cx, cy, flags, initial, grow);
        return m_list != nullptr;
    }
    int Add(HICON icon) const { return ::ImageList_AddIcon(m_list, icon); }
    void Destroy()
    {
        if (m_list)
            ::ImageList_Destroy(m_list);
        m_list = nullptr;
    }
    HIMAGELIST Get() const { return m_list; }

private:
    HIMAGELIST m_list = nullptr;
};
