#include "ui/CorvaleDlg.h"

#include "res/resource.h"
#include "scan/LocalNetwork.h"
#include "ui/AboutDlg.h"
#include "ui/Clipboard.h"
#include "winlib/WinApp.h"

#include <winsock2.h>

#include <cstring>

namespace {
const char kCaption[] = "Vantrel";
constexpr DWORD kFallbackStart = 0xC0A80001;  // 192.168.0.1
constexpr DWORD kFallbackEnd = 0xC0A800FF;    // 192.168.0.255

bool IsVistaOrLater()
{
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 0;
    version.wServicePackMajor = 0;
    ULONGLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}
}  // namespace

CCorvaleDlg::CCorvaleDlg()
    : CDialog(IDD_VANTREL_DIALOG), m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME)))
{
}

void CCorvaleDlg::DoDataExchange()
{
    DDX_Control(IDC_START_SCAN, m_StartScanButton);
    DDX_Control(IDC_RESULTS_LIST, m_ResultsList);
    DDX_Control(IDC_RANGE_LABEL, m_RangeLabel);
    DDX_Control(IDC_AUTOMATIC, m_AutomaticRadio);
    DDX_Control(IDC_MANUAL, m_ManualRadio);
    DDX_Control(IDC_HELP_LINK, m_HelpLink);
    DDX_Control(IDC_ABOUT_LINK, m_AboutLink);
    DDX_Control(IDC_SCAN_GROUP, m_GroupBox);
    DDX_Control(IDC_VERSION_LINK, m_VersionLink);
    DDX_Control(IDC_PING_CHECK, m_PingCheck);
    DDX_Control(IDC_EXPORT, m_ExportButton);
    DDX_Control(IDC_CLOSE, m_CloseButton);
    DDX_Control(IDC_COMPANION_LINK, m_CompanionLink);
    DDX_Control(IDC_START_ADDRESS, m_StartAddress);
    DDX_Control(IDC_END_ADDRESS, m_EndAddress);
    DDX_Control(IDC_BANNER, m_Banner);
}

BOOL CCorvaleDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetUpCopyAndAbout();

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        char about[256] = "";
        if (::LoadStringA(AfxGetResourceHandle(), IDS_ABOUTBOX, about, sizeof(about)) > 0) {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    if (!IsVistaOrLater()) {
        ::MessageBoxA(m_hWnd, "Sorry!!! This software works on Vista and higher Windows versions only.", kCaption,
                      MB_OK | MB_ICONEXCLAMATION);
        ::ExitProcess(0);
    }
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        ::MessageBoxA(m_hWnd, "Network initialization failed. Make sure your system is connected to Network",
                      kCaption, MB_OK | MB_ICONERROR);
        ::ExitProcess(0);
    }

    GetLocalNetInfo();
    if (LocalNetworkInfo.FirstHostText[0] != '\0') {
        m_ManualRadio.SetCheck(BST_UNCHECKED);
        m_AutomaticRadio.SetCheck(BST_CHECKED);
        OnAutomatic();
    } else {
        m_StartAddress.SetAddress(kFallbackStart);
        m_EndAddress.SetAddress(kFallbackEnd);
        m_ManualRadio.SetCheck(BST_CHECKED);
        m_AutomaticRadio.SetCheck(BST_UNCHECKED);
        OnManual();
    }

    m_VersionLink.SetWindowText("Get New Version");
    m_VersionLink.ShowWindow(SW_SHOWNORMAL);
    return TRUE;
}

void CCorvaleDlg::OnAutomatic()
{
    m_StartAddress.EnableWindow(false);
    m_EndAddress.EnableWindow(false);
    uint32_t first = 0;
    uint32_t last = 0;
    ParseAddress(LocalNetworkInfo.FirstHostText, first);
    ParseAddress(LocalNetworkInfo.LastHostText, last);
    m_StartAddress.SetAddress(first);
    m_EndAddress.SetAddress(last);
}

void CCorvaleDlg::OnManual()
{
    m_StartAddress.EnableWindow(true);
    m_EndAddress.EnableWindow(true);
}

bool CCorvaleDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    if (OnCopyAndAboutMessage(msg, wp, lp, result))
        return true;
    switch (msg) {
    case WM_COMMAND:
        return OnCommand(LOWORD(wp), HIWORD(wp));
    default:
        return false;
    }
}

bool CCorvaleDlg::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_START_SCAN:
        OnScan();
        return true;
    case IDC_AUTOMATIC:
        OnAutomatic();
        return true;
    case IDC_MANUAL:
        OnManual();
        return true;
    default:
        return false;
    }
}

void CCorvaleDlg::OnScan()
{
    // Enter lands here as well (the button is the default one), so the window must not end.
}

// ---- Copy IP Address, the About box and the About link ----

void CCorvaleDlg::SetUpCopyAndAbout()
{
    m_ContextMenu.LoadMenu(IDR_CONTEXT_MENU);
    m_pContextPopup = m_ContextMenu.GetSubMenu(0);
    m_MenuPicture.Attach(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_COPY)));
    ::SetMenuItemBitmaps(m_pContextPopup, ID_COPY_ADDRESS, MF_BYCOMMAND, m_MenuPicture, m_MenuPicture);
    m_AboutLink.SetNotifyParent();
}

bool CCorvaleDlg::OnCopyAndAboutMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_SYSCOMMAND:
        result = 0;
        return OnSysCommand(static_cast<UINT>(wp), lp);
    case WM_LINK_CLICKED:
        result = OnLinkClicked(wp, lp);
        return true;
    case WM_COMMAND:
        // From the menu (or an accelerator): no control handle.
        if (lp != 0 || LOWORD(wp) != ID_COPY_ADDRESS)
            return false;
        OnCopyAddress();
        result = 0;
        return true;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lp);
        if (header.idFrom != IDC_RESULTS_LIST || header.code != static_cast<UINT>(NM_RCLICK))
            return false;
        OnListRightClick(header, result);
        return true;
    }
    default:
        return false;
    }
}

bool CCorvaleDlg::OnSysCommand(UINT id, LPARAM)
{
    // The system keeps the low four bits of a command for itself.
    if ((id & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    ShowAboutBox();
    return true;
}

LRESULT CCorvaleDlg::OnLinkClicked(WPARAM wp, LPARAM)
{
    if (wp == IDC_ABOUT_LINK)
        ShowAboutBox();
    return 0;
}

void CCorvaleDlg::ShowAboutBox()
{
    CAboutDlg about(this);
    about.DoModal();
}

void CCorvaleDlg::OnListRightClick(const NMHDR&, LRESULT& result)
{
    result = 0;
    // The list selects the row under the pointer before it reports the click.
    if (m_ResultsList.GetNextItem(-1, LVNI_SELECTED) < 0 || !m_pContextPopup)
        return;
    POINT pointer{};
    ::GetCursorPos(&pointer);
    ::TrackPopupMenu(m_pContextPopup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, pointer.x, pointer.y, 0,
                     ::GetActiveWindow(), nullptr);
}

void CCorvaleDlg::OnCopyAddress()
{
    const int row = m_ResultsList.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0)
        return;
    char address[1000];  // a longer cell is cut to 999 characters
    m_ResultsList.GetItemText(row, 0, address, sizeof(address));
    CopyToClipboard(m_hWnd, address, std::strlen(address) + 1);
}

// ---- end of Copy IP Address and About ----
