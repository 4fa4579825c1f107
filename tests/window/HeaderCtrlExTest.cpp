// The header keeps the height it is given through every layout the list view makes.
#include "controls/HeaderCtrlEx.h"
#include "ListTestHost.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

namespace {

int WindowHeight(HWND hwnd)
{
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    return rect.bottom - rect.top;
}

int FirstRowTop(HWND list)
{
    RECT rect{};
    rect.left = LVIR_BOUNDS;
    ::SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect));
    return rect.top;
}

// The list view lays its header out again after a real change of its size.
void ResizeBackAndForth(HWND list)
{
    RECT rect{};
    ::GetWindowRect(list, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    constexpr UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(list, nullptr, 0, 0, width, height + 3, flags);
    ::SetWindowPos(list, nullptr, 0, 0, width, height, flags);
    PumpUntilHandled();
}

void FillList(HWND list)
{
    const char* headings[] = {"Host IP Address", "Host Name", "Host MAC Address", "Description"};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.cx = i == 0 ? 140 : 180;
        column.pszText = const_cast<char*>(headings[i]);
        column.iSubItem = i;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>("192.168.1.1");
    ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

TEST(HeaderCtrlEx, AttachedHeaderTakesTheHeightItIsGivenAtTheNextLayout)
{
    CListTestHost host;
    FillList(host.List());
    HWND headerWindow = reinterpret_cast<HWND>(::SendMessageA(host.List(), LVM_GETHEADER, 0, 0));

    CHeaderCtrlEx header;
    ASSERT_TRUE(header.Init(headerWindow));
    ResizeBackAndForth(host.List());
    // Attached but not yet given a height: 20, not the font's natural height.
    EXPECT_EQ(WindowHeight(headerWindow), 20);
    EXPECT_EQ(FirstRowTop(host.List()), 20);

    header.SetHeight(28);
    EXPECT_EQ(WindowHeight(headerWindow), 20) << "SetHeight alone lays nothing out";
    ResizeBackAndForth(host.List());
    EXPECT_EQ(WindowHeight(headerWindow), 28);
    EXPECT_EQ(FirstRowTop(host.List()), 28);
}

TEST(HeaderCtrlEx, SecondInitKeepsTheFirstAttachment)
{
    CListTestHost first;
    CListTestHost second(10, 300);
    FillList(first.List());
    FillList(second.List());
    HWND firstHeader = reinterpret_cast<HWND>(::SendMessageA(first.List(), LVM_GETHEADER, 0, 0));
    HWND secondHeader = reinterpret_cast<HWND>(::SendMessageA(second.List(), LVM_GETHEADER, 0, 0));

    CHeaderCtrlEx header;
    EXPECT_FALSE(header.Init(nullptr));
    EXPECT_FALSE(header.IsSubclassed());
    ASSERT_TRUE(header.Init(firstHeader));
    EXPECT_TRUE(header.Init(secondHeader));
    EXPECT_EQ(header.m_hWnd, firstHeader);
    EXPECT_EQ(CWnd::FromHandle(secondHeader), nullptr);

    header.SetHeight(33);
    ResizeBackAndForth(first.List());
    ResizeBackAndForth(second.List());
    EXPECT_EQ(WindowHeight(firstHeader), 33);
    EXPECT_NE(WindowHeight(secondHeader), 33);
}

}  // namespace
