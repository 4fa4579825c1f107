#include "MainWindowSupport.h"

#include "AdapterTable.h"
#include "WindowTestSupport.h"
#include "res/resource.h"
#include "ui/CorvaleDlg.h"
#include "TestMainWindow.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

const DiscoveryPlatform& LanDiscovery()
{
    static const DiscoveryPlatform platform =
        TablePlatform({{IF_TYPE_IEEE80211, "Wireless LAN adapter", "10.20.30.40", "255.255.255.0", "10.20.30.1"}});
    return platform;
}

const DiscoveryPlatform& NoNetworkDiscovery()
{
    static const DiscoveryPlatform platform = TablePlatform({});
    return platform;
}

std::ostream& operator<<(std::ostream& out, const RangeState& s)
{
    return out << (s.automatic ? "automatic" : "") << (s.manual ? "manual" : "") << " start '" << s.start << "'"
               << (s.startEnabled ? " enabled" : " disabled") << " end '" << s.end << "'"
               << (s.endEnabled ? " enabled" : " disabled");
}

std::string AddressOf(HWND dialog, int id)
{
    if (::SendDlgItemMessageA(dialog, id, IPM_ISBLANK, 0, 0))
        return std::string();
    DWORD a = 0;
    ::SendDlgItemMessageA(dialog, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a));
    char text[16];
    std::snprintf(text, sizeof(text), "%lu.%lu.%lu.%lu", a >> 24, (a >> 16) & 255, (a >> 8) & 255, a & 255);
    return text;
}

void SetAddress(HWND dialog, int id, DWORD address)
{
    ::SendDlgItemMessageA(dialog, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

RangeState ReadRangeState(HWND dialog)
{
    RangeState state;
    state.automatic = ::IsDlgButtonChecked(dialog, IDC_AUTOMATIC) == BST_CHECKED;
    state.manual = ::IsDlgButtonChecked(dialog, IDC_MANUAL) == BST_CHECKED;
    state.startEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDC_START_ADDRESS)) != FALSE;
    state.endEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDC_END_ADDRESS)) != FALSE;
    state.start = AddressOf(dialog, IDC_START_ADDRESS);
    state.end = AddressOf(dialog, IDC_END_ADDRESS);
    return state;
}

HWND ResultsList(HWND dialog)
{
    return ::GetDlgItem(dialog, IDC_RESULTS_LIST);
}

std::string CellText(HWND list, int row, int column)
{
    char text[512] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

void SelectRow(HWND list, int row)
{
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = row >= 0 ? state.stateMask : 0;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

POINT OnRow(HWND list, int row)
{
    RECT rect{};
    rect.left = LVIR_LABEL;
    ::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    POINT point{rect.left + 20, (rect.top + rect.bottom) / 2};
    ::ClientToScreen(list, &point);
    return point;
}

void ClickStart(HWND dialog)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_SCAN, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_START_SCAN)));
}

std::string StartCaption(HWND dialog)
{
    char text[64] = "";
    ::GetDlgItemTextA(dialog, IDC_START_SCAN, text, sizeof(text));
    return text;
}

bool IsControlEnabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

namespace {
struct BoxSearch {
    HWND owner;
    HWND box;
};

BOOL CALLBACK MatchOwnedBox(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<BoxSearch*>(param);
    char name[16] = "";
    ::GetClassNameA(hwnd, name, sizeof(name));
    if (std::strcmp(name, "#32770") == 0 && ::GetWindow(hwnd, GW_OWNER) == search.owner && ::IsWindowVisible(hwnd))
        search.box = hwnd;
    return search.box == nullptr;
}
}  // namespace

HWND FindOwnedBox(HWND dialog)
{
    BoxSearch search{dialog, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(dialog, nullptr), MatchOwnedBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

INT_PTR RunMainWindow(const DiscoveryPlatform& discovery, std::function<void(HWND)> action)
{
    CTestMainWindow dialog(discovery);
    WhenDialogShows("Vantrel", std::move(action));
    return dialog.DoModal();
}
