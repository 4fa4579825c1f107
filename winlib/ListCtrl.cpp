#include "ListCtrl.h"

#include <vector>

int CListCtrl::InsertColumn(int index, const char* heading, int format, int width) const
{
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(heading);
    column.iSubItem = index;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int index, const char* text, int image) const
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.iImage = image;
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int row, int column, const char* text) const
{
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    return SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListCtrl::GetItemText(int row, int column, char* buffer, int size) const
{
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = '\0';
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = size;
    const int length = static_cast<int>(SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    buffer[size - 1] = '\0';
    return length;
}

std::string CListCtrl::GetItemText(int row, int column, int limit) const
{
    std::vector<char> buffer(static_cast<size_t>(limit > 0 ? limit : 1));
    GetItemText(row, column, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

bool CListCtrl::SetItemData(int row, LPARAM data) const
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    return SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

LVITEMA CListCtrl::GetItemFields(int row, UINT mask) const
{
    LVITEMA item{};
    item.mask = mask;
    item.iItem = row;
    SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item;
}

LPARAM CListCtrl::GetItemData(int row) const
{
    return GetItemFields(row, LVIF_PARAM).lParam;
}

int CListCtrl::GetItemImage(int row) const
{
    return GetItemFields(row, LVIF_IMAGE).iImage;
}

bool CListCtrl::GetItemRect(int row, RECT& rect, int code) const
{
    rect = RECT{};
    rect.left = code;
    return SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
}
