#include "TestResultsList.h"

#include "res/resource.h"
#include "winlib/GdiObject.h"

#include <commctrl.h>

CTestResultsList::CTestResultsList() : m_HeaderFont(CreateUiFont("MS Shell Dlg", 12, 600))
{
    if (!m_Host.List() || !m_List.SubclassWindow(m_Host.List()))
        return;
    m_List.SetExtendedStyle(LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    m_List.InsertColumn(0, "Host IP Address", LVCFMT_LEFT, 140);
    m_List.InsertColumn(1, "Host Name", LVCFMT_LEFT, 180);
    m_List.InsertColumn(2, "Host MAC Address", LVCFMT_LEFT, 180);
    m_List.InsertColumn(3, "Description", LVCFMT_LEFT, 180);
    m_List.AttachHeaderCtrl();
    m_List.AddColorCodeColumns();
    m_List.SetColumnSortType(0, CEnhancedListCtrl::SortAddress);
    for (int column = 1; column <= 3; ++column)
        m_List.SetColumnSortType(column, CEnhancedListCtrl::SortText);
    m_List.SetSortIndicator(0, true);
    m_List.GetHeader().SetFont(m_HeaderFont);
    m_List.SetListTip("Right click here to copy the IP Address");
    // The list destroys its image list with itself.
    HIMAGELIST images = ::ImageList_Create(24, 24, ILC_COLOR32, 1, 5);
    const CIcon icon(static_cast<HICON>(
        ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_HOST), IMAGE_ICON, 24, 24, 0)));
    ::ImageList_AddIcon(images, icon);
    m_List.SetImageList(images, LVSIL_SMALL);
}

CTestResultsList::~CTestResultsList()
{
    m_List.UnsubclassWindow();
}

HWND CTestResultsList::HostWindow() const
{
    return m_Host.Window();
}

void CTestResultsList::ClickHeading(int column) const
{
    SendColumnClick(m_Host.Window(), m_List.m_hWnd, column);
}
