#include "ListTestHost.h"

#include "winlib/Wnd.h"

#include <commctrl.h>

namespace {
const char kHostClass[] = "VantrelListTestHost";

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (ReflectToChild(msg, wp, lp, result))
        return result;
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

int s_listsShown = 0;

// One host window for the whole run: under Wine without a window manager, hiding or
// destroying a top-level window waits two seconds for the X server. Between uses it waits
// under every other window.
HWND SharedHostWindow()
{
    static HWND s_window = nullptr;
    if (s_window && ::IsWindow(s_window))
        return s_window;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kHostClass;
    ::RegisterClassA(&windowClass);
    s_window = ::CreateWindowExA(0, kHostClass, "List test", WS_POPUP | WS_VISIBLE, 20, 20, 760, 640, nullptr,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr);
    return s_window;
}
}  // namespace

CListTestHost::CListTestHost(int x, int y, int width, int height) : m_Window(SharedHostWindow())
{
    m_List = ::CreateWindowExA(0, WC_LISTVIEWA, "",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL, x, y,
                               width, height, m_Window, reinterpret_cast<HMENU>(kListId),
                               ::GetModuleHandleA(nullptr), nullptr);
    if (s_listsShown++ == 0)
        ::SetWindowPos(m_Window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(m_Window);
}

CListTestHost::~CListTestHost()
{
    if (m_List)
        ::DestroyWindow(m_List);
    if (--s_listsShown == 0)
        ::SetWindowPos(m_Window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SendColumnClick(HWND host, HWND list, int column)
{
    NMLISTVIEW click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    ::SendMessageA(host, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}
