#include "ui/CorvaleDlg.h"

#include "report/ExportCommand.h"
#include "report/ListReportRows.h"
#include "res/resource.h"
#include "scan/LocalNetwork.h"
#include "winlib/WinApp.h"

#include <winsock2.h>

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

bool CCorvaleDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT&)
{
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
    case IDC_EXPORT:
        OnBnClickedButtonExport();
        return true;
    default:
        return false;
    }
}

void CCorvaleDlg::OnScan()
{
    // Enter lands here as well (the button is the default one), so the window must not end.
}

void CCorvaleDlg::OnBnClickedButtonExport()
{
    ExportResults(CListReportRows(m_ResultsList), SystemExportPlatform(m_hWnd));
}
