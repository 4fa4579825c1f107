#include "ui/CorvaleDlg.h"

#include "res/resource.h"
#include "scan/LocalNetwork.h"
#include "scan/ScanRun.h"
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

    SetUpResultsList();
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
    default:
        return false;
    }
}

// ---------------------------------------------------------------- scan run

namespace {
const char kStartScanCaption[] = "Start Scan";
const char kStopScanCaption[] = "Stop Scan";
const char kStoppingCaption[] = "Stopping...";
constexpr int kDescriptionColumn = 3;
}  // namespace

// Enter lands here as well (the button is the default one), so the window must not end.
void CCorvaleDlg::OnScan()
{
    char caption[256] = "";
    ::GetWindowTextA(m_StartScanButton.m_hWnd, caption, sizeof(caption));
    if (::_stricmp(caption, kStopScanCaption) == 0) {
        m_StartScanButton.EnableWindow(false);
        m_StartScanButton.SetWindowText(kStoppingCaption);
        StopRequested = true;
        return;
    }
    if (m_ScanUnderWay)
        return;

    StopRequested = false;
    const bool automatic = m_AutomaticRadio.GetCheck() == BST_CHECKED;
    const ScanRange range{m_StartAddress.GetAddress(), m_EndAddress.GetAddress()};
    if (!automatic) {
        if (const char* failure = ValidateManualRange(range)) {
            ::MessageBoxA(m_hWnd, failure, kCaption, MB_OK | MB_ICONERROR);
            return;
        }
    } else {
        // A subnet wider than a /24 is scanned where the computer is; the controls show
        // it and the settings keep it.
        uint32_t ownAddress = 0;
        ParseAddress(LocalNetworkInfo.LocalAddress, ownAddress);
        const ScanRange scanned = NarrowAutomaticRange(range, ownAddress);
        if (scanned.Start != range.Start || scanned.End != range.End) {
            m_StartAddress.SetAddress(scanned.Start);
            m_EndAddress.SetAddress(scanned.End);
        }
    }
    WriteRegSettings();

    m_ScanUnderWay = true;
    if (!AfxBeginThread(ScanWorker, this))
        m_ScanUnderWay = false;
}

UINT CCorvaleDlg::ScanWorker(LPVOID dialog)
{
    static_cast<CCorvaleDlg*>(dialog)->RunScan();
    return 0;
}

void CCorvaleDlg::RunScan()
{
    {
        CCriticalSection rowInsertLock(kRowInsertLockSpinCount);
        EnableRunLockedControls(false);
        m_ExportButton.EnableWindow(false);
        m_ResultsList.DeleteAllItems();
        m_StartScanButton.SetWindowText(kStopScanCaption);
        StartDirectoryScan(rowInsertLock);
    }
    EnableRunLockedControls(true);
    m_StartScanButton.EnableWindow(true);
    m_StartScanButton.SetWindowText(kStartScanCaption);

    m_ResultsList.RenumberItemData();
    const int rows = m_ResultsList.GetItemCount();
    if (rows > 0) {
        m_ResultsList.SortColumn();
        m_ResultsList.SetSortIndicator(0, true);
        m_ExportButton.EnableWindow(true);
        m_ResultsList.SetColumnWidth(kDescriptionColumn, DescriptionColumnWidth(rows));
    }
    m_ScanUnderWay = false;
}

void CCorvaleDlg::StartDirectoryScan(CCriticalSection& rowInsertLock)
{
    ProbeRange(ScanRange{m_StartAddress.GetAddress(), m_EndAddress.GetAddress()}, m_ResultsList, rowInsertLock);
    char summary[kScanSummaryCapacity];
    FormatScanSummary(m_ResultsList.GetItemCount(), summary, sizeof(summary));
    ::MessageBoxA(m_hWnd, summary, kCaption, MB_OK | MB_ICONINFORMATION);
}

// The mode radios, the Close button and the range; the range opens only in Manual mode.
void CCorvaleDlg::EnableRunLockedControls(bool enable)
{
    m_AutomaticRadio.EnableWindow(enable);
    m_ManualRadio.EnableWindow(enable);
    m_CloseButton.EnableWindow(enable);
    const bool rangeOpen = enable && m_ManualRadio.GetCheck() == BST_CHECKED;
    m_StartAddress.EnableWindow(rangeOpen);
    m_EndAddress.EnableWindow(rangeOpen);
}

// Stand-in until the settings store exists: nothing is saved yet.
void CCorvaleDlg::WriteRegSettings() {}

// Stand-in until the window sets up its controls: the results list's columns, sort kinds
// and row icon.
void CCorvaleDlg::SetUpResultsList()
{
    m_ResultsList.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_ResultsList.InsertColumn(0, "Host IP Address", LVCFMT_LEFT, 140);
    m_ResultsList.InsertColumn(1, "Host Name", LVCFMT_LEFT, 180);
    m_ResultsList.InsertColumn(2, "Host MAC Address", LVCFMT_LEFT, 180);
    m_ResultsList.InsertColumn(3, "Description", LVCFMT_LEFT, 180);
    m_ResultsList.AttachHeaderCtrl();
    m_ResultsList.AddColorCodeColumns();
    m_ResultsList.SetColumnSortType(0, CEnhancedListCtrl::SortAddress);
    for (int column = 1; column <= 3; ++column)
        m_ResultsList.SetColumnSortType(column, CEnhancedListCtrl::SortText);
    HIMAGELIST images = ::ImageList_Create(24, 24, ILC_COLOR32, 1, 5);
    ::ImageList_AddIcon(images, ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_HOST)));
    m_ResultsList.SetImageList(images, LVSIL_SMALL);
}
