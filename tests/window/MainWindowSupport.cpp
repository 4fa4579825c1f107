#include "MainWindowSupport.h"

#include "AdapterTable.h"
#include "WindowTestSupport.h"
#include "res/resource.h"
#include "ui/CorvaleDlg.h"
#include "TestMainWindow.h"

#include <commctrl.h>

#include <cstdio>

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

INT_PTR RunMainWindow(const DiscoveryPlatform& discovery, std::function<void(HWND)> action)
{
    CTestMainWindow dialog(discovery);
    WhenDialogShows("Vantrel", std::move(action));
    return dialog.DoModal();
}
