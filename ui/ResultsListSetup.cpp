#include "ui/ResultsListSetup.h"

#include "res/resource.h"
#include "winlib/GdiObject.h"
#include "winlib/ImageList.h"

#include <commctrl.h>

void SetUpResultsList(CEnhancedListCtrl& list)
{
    list.SetExtendedStyle(LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    list.InsertColumn(0, "Host IP Address", LVCFMT_LEFT, 140);
    list.InsertColumn(1, "Host Name", LVCFMT_LEFT, 180);
    list.InsertColumn(2, "Host MAC Address", LVCFMT_LEFT, 180);
    list.InsertColumn(3, "Description", LVCFMT_LEFT, 180);
    list.AttachHeaderCtrl();
    list.AddColorCodeColumns();
    list.SetColumnSortType(0, CEnhancedListCtrl::SortAddress);
    for (int column = 1; column <= 3; ++column)
        list.SetColumnSortType(column, CEnhancedListCtrl::SortText);
    list.SetSortIndicator(0, true);

    const CIcon rowIcon(static_cast<HICON>(
        ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_HOST), IMAGE_ICON, 24, 24, 0)));
    SetRowPicture(list, rowIcon);
}

void SetRowPicture(CEnhancedListCtrl& list, HICON icon)
{
    // Every row shows image 0.
    CImageList rowImages;
    if (!icon || !rowImages.Create(24, 24, ILC_COLOR32, 1, 5) || rowImages.Add(icon) < 0)
        return;
    // Without LVS_SHAREIMAGELISTS the list destroys its image list with itself.
    list.SetImageList(rowImages.Release(), LVSIL_SMALL);
}
