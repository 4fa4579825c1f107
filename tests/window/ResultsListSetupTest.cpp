// The results list's row picture as the main window sets it.
#include "ListTestHost.h"
#include "res/resource.h"
#include "ui/ResultsListSetup.h"
#include "winlib/GdiObject.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

TEST(ResultsListSetup, RowsGoWithoutAPictureWhenItCannotBeLoaded)
{
    CListTestHost host;
    CEnhancedListCtrl list;
    ASSERT_TRUE(list.SubclassWindow(host.List()));
    SetRowPicture(list, nullptr);
    const bool listWithoutIcon = list.GetImageList(LVSIL_SMALL) != nullptr;

    const CIcon icon(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_HOST), IMAGE_ICON, 24, 24, 0)));
    SetRowPicture(list, icon);
    HIMAGELIST images = list.GetImageList(LVSIL_SMALL);
    const int pictures = images ? ::ImageList_GetImageCount(images) : -1;
    list.UnsubclassWindow();

    EXPECT_FALSE(listWithoutIcon) << "an image list without its picture";
    ASSERT_NE(icon.Get(), nullptr);
    EXPECT_EQ(pictures, 1);
}

}  // namespace
