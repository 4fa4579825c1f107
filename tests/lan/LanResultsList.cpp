#include "LanResultsList.h"

#include "winlib/Wnd.h"

#include <commctrl.h>

namespace {
constexpr char kWindowClass[] = "VantrelLanResults";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (ReflectToChild(msg, wp, lp, result))
        return result;
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

void RegisterWindowClass()
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return ::RegisterClassA(&windowClass) != 0;
    }();
    (void)registered;
}
}  // namespace

CLanResultsList::CLanResultsList()
{
    RegisterWindowClass();
    m_Window = ::CreateWindowExA(0, kWindowClass, "LAN results", WS_POPUP, 0, 0, 760, 640, nullptr, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
    if (!m_Window)
        return;
    HWND list = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL,
                                  10, 10, 684, 237, m_Window, reinterpret_cast<HMENU>(kListId),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (!list || !m_List.SubclassWindow(list))
        return;
    m_List.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_List.InsertColumn(0, "Host IP Address", LVCFMT_LEFT, 140);
    m_List.InsertColumn(1, "Host Name", LVCFMT_LEFT, 180);
    m_List.InsertColumn(2, "Host MAC Address", LVCFMT_LEFT, 180);
    m_List.InsertColumn(3, "Description", LVCFMT_LEFT, 180);
    m_List.AttachHeaderCtrl();
    m_List.AddColorCodeColumns();
    m_List.SetColumnSortType(0, CEnhancedListCtrl::SortAddress);
    for (int column = 1; column <= 3; ++column)
        m_List.SetColumnSortType(column, CEnhancedListCtrl::SortText);
}

CLanResultsList::~CLanResultsList()
{
    m_List.UnsubclassWindow();
    if (m_Window)
        ::DestroyWindow(m_Window);
}

void CLanResultsList::ClickHeading(int column) const
{
    NMLISTVIEW click{};
    click.hdr.hwndFrom = m_List.m_hWnd;
    click.hdr.idFrom = kListId;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    ::SendMessageA(m_Window, WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&click));
}
