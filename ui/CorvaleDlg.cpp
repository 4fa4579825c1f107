#include "ui/CorvaleDlg.h"

#include "net/Ipv4Address.h"
#include "report/ExportCommand.h"
#include "report/ListReportRows.h"
#include "res/resource.h"
#include "scan/HostProbe.h"
#include "scan/ScanRun.h"
#include "settings/DeviceNames.h"
#include "settings/Settings.h"
#include "ui/AboutDlg.h"
#include "ui/Clipboard.h"
#include "ui/DeviceNameDlg.h"
#include "ui/HelpPage.h"
#include "ui/ListResultsSink.h"
#include "ui/ResultsListSetup.h"
#include "ui/ScanResultTexts.h"
#include "ui/ShadedBackground.h"
#include "ui/WebAddresses.h"
#include "winlib/DC.h"
#include "winlib/WinApp.h"

#include <winsock2.h>
#include <windowsx.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {
const char kCaption[] = "Vantrel";
const char kDialogFontFace[] = "MS Shell Dlg";
constexpr DWORD kFallbackStart = 0xC0A80001;  // 192.168.0.1
constexpr DWORD kFallbackEnd = 0xC0A800FF;    // 192.168.0.255
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
// Posted by the run's thread (its start, results waiting, its end), and by this window to
// itself (the rest of the results; the summary once the last result is in; after the summary,
// the run's end: controls back, sort, the run let go).
constexpr UINT kRunStartedMessage = WM_APP + 1;
constexpr UINT kRunEndedMessage = WM_APP + 2;
constexpr UINT kEndRunAfterSummaryMessage = WM_APP + 3;
constexpr UINT kRunResultsMessage = WM_APP + 4;
constexpr UINT kShowSummaryMessage = WM_APP + 5;

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

// The labels drawn straight onto the generated background.
bool IsTransparentLabel(int id)
{
    switch (id) {
    case IDC_RANGE_LABEL:
    case IDC_MODE_LABEL:
    case IDC_PING_LABEL:
    case IDC_AUTOMATIC_LABEL:
    case IDC_MANUAL_LABEL:
        return true;
    default:
        return false;
    }
}

// The dotted text of what an address control holds; empty when all its fields are blank.
std::string AddressText(const CIPAddressCtrl& control)
{
    if (control.SendMessage(IPM_ISBLANK))
        return std::string();
    char text[16] = "";
    FormatAddress(control.GetAddress(), text, sizeof(text));
    return text;
}

// An address text of discovery into an address control; a control without one is cleared
// rather than showing 0.0.0.0.
void ShowAddress(const CIPAddressCtrl& control, const char* text)
{
    uint32_t address = 0;
    if (ParseAddress(text, address))
        control.SetAddress(address);
    else
        control.SendMessage(IPM_CLEARADDRESS);
}
}  // namespace

CCorvaleDlg::CCorvaleDlg(const DiscoveryPlatform& discovery)
    : CDialog(IDD_VANTREL_DIALOG),
      m_Discovery(discovery),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME)))
{
}

void CCorvaleDlg::SetScanPlatforms(ScanPlatformsFactory platforms)
{
    m_ScanPlatforms = std::move(platforms);
}

void CCorvaleDlg::SetRunThreadStart(RunThreadStart start)
{
    m_StartRunThread = std::move(start);
}

CCorvaleDlg::~CCorvaleDlg()
{
    m_Run.Abandon();
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

// ---- start-up ----

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

    // Either failure ends the program before its window ever shows.
    if (!IsVistaOrLater()) {
        ::MessageBoxA(m_hWnd, "Sorry!!! This software works on Vista and higher Windows versions only.", kCaption,
                      MB_OK | MB_ICONEXCLAMATION);
        EndDialog(IDCANCEL);
        return FALSE;
    }
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        ::MessageBoxA(m_hWnd, "Network initialization failed. Make sure your system is connected to Network",
                      kCaption, MB_OK | MB_ICONERROR);
        EndDialog(IDCANCEL);
        return FALSE;
    }

    InitControls();
    m_Network = DiscoverLocalNetwork(m_Discovery);
    if (m_Network.FirstHostText[0] != '\0') {
        SelectMode(true);
    } else {
        m_StartAddress.SetAddress(kFallbackStart);
        m_EndAddress.SetAddress(kFallbackEnd);
        SelectMode(false);
    }
    ReadRegSettings();

    m_VersionLink.SetWindowText("Get New Version");
    m_VersionLink.ShowWindow(SW_SHOWNORMAL);
    return TRUE;
}

void CCorvaleDlg::InitControls()
{
    SetUpResultsList(m_ResultsList);
    m_HeaderFont.Attach(CreateUiFont(kDialogFontFace, 12, 600));
    m_ResultsList.GetHeader().SetFont(m_HeaderFont, true);

    m_ContextMenu.LoadMenu(IDR_CONTEXT_MENU);
    m_pContextPopup = m_ContextMenu.GetSubMenu(0);
    m_MenuPicture.Attach(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_COPY)));
    ::SetMenuItemBitmaps(m_ContextMenu.Get(), ID_COPY_ADDRESS, MF_BYCOMMAND, m_MenuPicture, m_MenuPicture);

    m_ResultsList.SetListTip("Right click here to copy the IP Address");

    m_StartScanButton.SetLabelFont(kDialogFontFace, 15, 600, FALSE, FALSE);
    m_StartScanButton.SetTipTexts("Click here to start the Wi-Fi Network Scan", "");
    m_StartScanButton.BuildShades();
    m_StartScanButton.SetLabelColors(kBlack, kRed);
    m_StartScanButton.SetIcon(IDI_SCAN, IDI_SCAN_DISABLED, IDI_SCAN_HOVER, 8);

    m_ExportButton.SetLabelFont(kDialogFontFace, 12, 600, FALSE, FALSE);
    m_ExportButton.SetTipTexts("Save the Wireless Network report to HTML,XML,TEXT or CSV file", "");
    m_ExportButton.BuildShades();
    m_ExportButton.SetLabelColors(kBlack, kRed);
    m_ExportButton.SetIcon(IDI_EXPORT, IDI_EXPORT_DISABLED, IDI_EXPORT_HOVER, 6);

    m_CloseButton.SetTipTexts("Click here to close the application", "");
    m_CloseButton.BuildShades();
    m_CloseButton.SetLabelColors(kBlack, kRed);
    m_CloseButton.SetIcon(IDI_CLOSE, IDI_CLOSE_DISABLED, IDI_CLOSE_HOVER, 6);

    m_LinkFont.Attach(CreateUiFont(kDialogFontFace, 14, 700));
    m_HelpLink.SetFont(m_LinkFont, true);
    m_AboutLink.SetFont(m_LinkFont, true);
    m_AboutLink.SetNotifyParent();

    // The help the program carries: the page is written to its file, then opened there.
    m_HelpLink.SetLinkUrl(HelpPagePath().c_str());
    m_HelpLink.SetPlatform(HelpPageLinkPlatform());
    m_HelpLink.EnableLinkTip();
    m_HelpLink.SetLinkTip("Get more help on 'Vantrel'");

    m_SecondLinkFont.Attach(CreateUiFont(kDialogFontFace, 14, 700));
    m_VersionLink.SetFont(m_SecondLinkFont, true);
    m_VersionLink.SetLinkUrl(kProductPageAddress);
    m_VersionLink.SetPlatform(BrowserLinkPlatform());
    m_VersionLink.EnableLinkTip();
    m_VersionLink.SetLinkColor(kBlack);
    m_VersionLink.SetLinkTip("Click here to Download New Version of 'Vantrel'");

    m_CompanionLink.SetFont(m_SecondLinkFont, true);
    m_CompanionLink.SetLinkUrl(kCompanionDownloadAddress);
    m_CompanionLink.SetPlatform(BrowserLinkPlatform());
    m_CompanionLink.EnableLinkTip();
    m_CompanionLink.SetLinkColor(kBlack);
    m_CompanionLink.SetHoverColor(kRed);
    m_CompanionLink.SetLinkTip("Click here to download new Keyharbor software to recover all your Wi-Fi Passwords");

    // Export has nothing to save until a scan has found hosts.
    m_ExportButton.EnableWindow(false);

    // A bitmap static has sized itself to its bitmap.
    const RECT banner = m_Banner.GetClientRect();
    m_BannerWidth = static_cast<UINT>(banner.right - banner.left);
    m_BannerHeight = static_cast<UINT>(banner.bottom - banner.top);
    m_Initialized = true;
    ResizeControls(GetClientRect().right);
}

// ---- settings ----

void CCorvaleDlg::ReadRegSettings()
{
    const StoredSettings settings = ReadStoredSettings();
    if (settings.Automatic)
        SelectMode(*settings.Automatic);
    // Automatic means the network the computer is on now; a stored range is of the network
    // of the last scan, and stands in for the automatic one only when no adapter qualified.
    const bool networkFound = m_Network.FirstHostText[0] != '\0';
    if (networkFound && m_AutomaticRadio.GetCheck() == BST_CHECKED)
        return;
    if (settings.StartAddress)
        m_StartAddress.SetAddress(*settings.StartAddress);
    if (settings.EndAddress)
        m_EndAddress.SetAddress(*settings.EndAddress);
}

bool CCorvaleDlg::WriteRegSettings()
{
    return WriteStoredSettings(m_AutomaticRadio.GetCheck() == BST_CHECKED, AddressText(m_StartAddress).c_str(),
                               AddressText(m_EndAddress).c_str());
}

// ---- layout and painting ----

void CCorvaleDlg::ResizeControls(int cx)
{
    if (m_BannerWidth == 0)
        return;
    const UINT width = static_cast<UINT>(cx);
    const UINT height = m_BannerHeight * width / m_BannerWidth;
    ::SetWindowPos(m_Banner, nullptr, 0, 0, static_cast<int>(width), static_cast<int>(height),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

void CCorvaleDlg::RefreshLabel()
{
    // The label's surroundings, in client coordinates, widened to the left and upward.
    RECT area = m_RangeLabel.GetWindowRect();
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
    area.left -= 30;
    area.top -= 40;
    ::InvalidateRect(m_hWnd, &area, TRUE);
    UpdateWindow();
}

void CCorvaleDlg::OnPaint()
{
    CPaintDC dc(m_hWnd);
    if (m_Resizing)
        return;
    const RECT client = GetClientRect();
    if (::IsIconic(m_hWnd)) {
        DrawMinimizedIcon(dc, client);
        return;
    }
    PaintShadedBackground(dc, m_Background, client.right, client.bottom);
}

void CCorvaleDlg::DrawMinimizedIcon(HDC dc, const RECT& client)
{
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
}

LRESULT CCorvaleDlg::OnCtlColor(UINT msg, HDC dc, HWND control)
{
    const LRESULT brush = DefaultCtlColor(msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    if (!IsTransparentLabel(::GetDlgCtrlID(control)))
        return brush;
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

void CCorvaleDlg::OnActivate(UINT state)
{
    if (state == WA_INACTIVE)
        return;
    Invalidate(true);
    UpdateWindow();
}

void CCorvaleDlg::OnSize(UINT type, int cx)
{
    if (!m_Initialized || (type != SIZE_RESTORED && type != SIZE_MAXIMIZED))
        return;
    m_Resizing = true;
    ResizeControls(cx);
    m_Resizing = false;
    Invalidate(false);
    UpdateWindow();
}

// ---- messages ----

bool CCorvaleDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    if (OnCopyAndAboutMessage(msg, wp, lp, result))
        return true;
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        result = OnCtlColor(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wp));
        // The dialog manager still puts the focus back on the control that last had it.
        return false;
    case WM_ERASEBKGND:
        // OnPaint covers the whole client area.
        result = TRUE;
        return true;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp), GET_X_LPARAM(lp));
        return false;
    case WM_COMMAND:
        return OnCommand(LOWORD(wp), HIWORD(wp));
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lp), result);
    case kRunStartedMessage:
        OnRunEvent(RunEvent::Started);
        return true;
    case kRunResultsMessage:
        OnRunEvent(RunEvent::Results);
        return true;
    case kRunEndedMessage:
        OnRunEvent(RunEvent::Ended, wp);
        return true;
    case kShowSummaryMessage:
        OnRunEvent(RunEvent::SummaryDue);
        return true;
    case kEndRunAfterSummaryMessage:
        OnRunEvent(RunEvent::SummaryClosed);
        return true;
    default:
        return false;
    }
}

bool CCorvaleDlg::OnCommand(int id, int code)
{
    // BN_CLICKED and a notifying static's STN_CLICKED are both 0.
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_START_SCAN:
        OnRunEvent(RunEvent::Press);
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
    case IDC_CLOSE:
        OnCloseButton();
        return true;
    case IDC_AUTOMATIC_LABEL:
        OnAutomaticLabel();
        return true;
    case IDC_MANUAL_LABEL:
        OnManualLabel();
        return true;
    case ID_NAME_DEVICE:
        OnNameDevice();
        return true;
    default:
        return false;
    }
}

bool CCorvaleDlg::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_START_ADDRESS && header.code == static_cast<UINT>(IPN_FIELDCHANGED)) {
        result = 0;
        OnStartAddressChanged();
        return true;
    }
    return false;
}

// ---- scan controls ----

void CCorvaleDlg::SelectMode(bool automatic)
{
    m_ManualRadio.SetCheck(automatic ? BST_UNCHECKED : BST_CHECKED);
    m_AutomaticRadio.SetCheck(automatic ? BST_CHECKED : BST_UNCHECKED);
    if (automatic)
        OnAutomatic();
    else
        OnManual();
}

void CCorvaleDlg::OnAutomatic()
{
    m_StartAddress.EnableWindow(false);
    m_EndAddress.EnableWindow(false);
    ShowAddress(m_StartAddress, m_Network.FirstHostText);
    ShowAddress(m_EndAddress, m_Network.LastHostText);
    RefreshLabel();
}

void CCorvaleDlg::OnManual()
{
    m_StartAddress.EnableWindow(true);
    m_EndAddress.EnableWindow(true);
    RefreshLabel();
}

void CCorvaleDlg::OnAutomaticLabel()
{
    SelectMode(true);
}

void CCorvaleDlg::OnManualLabel()
{
    SelectMode(false);
}

void CCorvaleDlg::OnStartAddressChanged()
{
    // The field notice may come more than once for one change: the rule depends only on
    // what the two controls hold now.
    const DWORD start = m_StartAddress.GetAddress();
    const DWORD end = m_EndAddress.GetAddress();
    if (((start ^ end) & 0xFFFFFF00u) != 0)
        m_EndAddress.SetAddress(start);
}

void CCorvaleDlg::OnCloseButton()
{
    OnCancel();
}

// Every way of closing the window ends here (the close box, Escape, a close request from
// outside, the Close button), also while a run is under way or its summary is up.
void CCorvaleDlg::OnCancel()
{
    m_Closing = true;
    m_Run.Abandon();  // it stops probing and tells this window nothing more
    m_SummaryBox.End(IDOK);
    CDialog::OnCancel();
}

// ---------------------------------------------------------------- scan run
//
// A run's life. Three kinds of thread take part, and each does one thing:
// - this window's thread reads the range, starts the run, applies its results to the list,
//   shows the summary, sorts, and is the only one to touch a control;
// - the run's worker thread (CScanRun) starts a probe thread per address, waits for them,
//   and is the only one to post to this window: the run began, results wait, the run ended;
// - the probe threads ask ARP and look names up, and append what they learn, as values, to
//   the run's queue; they never call the window system.
//
// Start:   a press while Idle -> Starting; the worker posts kRunStartedMessage -> Running
//          ("Stop Scan"). A run that cannot start leaves the last rows and Export and says why.
// Rows:    kRunResultsMessage: a slice of the queue into the list (red, then black once
//          named), and the rest a message later, so the window answers in between.
// Stop:    a press while Running -> Stopping: the run's stop event ends what waits.
// End:     kRunEndedMessage -> Ending: the last results, a slice a message; once the queue is
//          empty -> Summary, and the summary box comes in a message of its own
//          (kShowSummaryMessage), so its modal loop runs inside no other run step; after it
//          kEndRunAfterSummaryMessage: the controls back ("Start Scan"), one sort that numbers
//          the rows, the column width, Export -> Idle.
// Close:   at any moment: the window lets go of the run (no further post reaches it), ends
//          the summary box if it is up and closes; the run ends on its own, holding only
//          its shared state. From then on no event does anything.

namespace {
const char kStartScanCaption[] = "Start Scan";
const char kStopScanCaption[] = "Stop Scan";
const char kStoppingCaption[] = "Stopping...";
constexpr int kDescriptionColumn = 3;
// Results one message applies: a result is a few list messages, about a millisecond under
// Wine, several while a run's threads start.
constexpr size_t kResultsPerSlice = 8;
}  // namespace

// What each event of a run does in each state; null: nothing (a press while Starting,
// Stopping or Ending, a second end, a result after the last one).
const CCorvaleDlg::RunAction CCorvaleDlg::kRunActions[static_cast<int>(RunState::Count)][static_cast<int>(RunEvent::Count)] = {
    //             Press                     Started                  Results                     Ended                    SummaryDue                      SummaryClosed
    /* Idle     */ {&CCorvaleDlg::StartRun, nullptr,                 nullptr,                    nullptr,                 nullptr,                        nullptr},
    /* Starting */ {nullptr,                &CCorvaleDlg::RunBegan,  &CCorvaleDlg::ApplyResults, &CCorvaleDlg::RunEnded,  nullptr,                        nullptr},
    /* Running  */ {&CCorvaleDlg::StopRun,  nullptr,                 &CCorvaleDlg::ApplyResults, &CCorvaleDlg::RunEnded,  nullptr,                        nullptr},
    /* Stopping */ {nullptr,                nullptr,                 &CCorvaleDlg::ApplyResults, &CCorvaleDlg::RunEnded,  nullptr,                        nullptr},
    /* Ending   */ {nullptr,                nullptr,                 &CCorvaleDlg::ApplyResults, nullptr,                 nullptr,                        nullptr},
    /* Summary  */ {nullptr,                nullptr,                 nullptr,                    nullptr,                 &CCorvaleDlg::ShowRunSummary,   &CCorvaleDlg::EndRunAndGiveControlsBack},
};

// Enter lands here as a press as well (the button is the default one), so the window must
// not end.
void CCorvaleDlg::OnRunEvent(RunEvent event, WPARAM wp)
{
    if (m_Closing)
        return;
    const RunAction action = kRunActions[static_cast<int>(m_RunState)][static_cast<int>(event)];
    if (action)
        (this->*action)(wp);
}

void CCorvaleDlg::StartRun(WPARAM)
{
    const bool automatic = m_AutomaticRadio.GetCheck() == BST_CHECKED;
    ScanRange range{m_StartAddress.GetAddress(), m_EndAddress.GetAddress()};
    if (!automatic) {
        if (const char* failure = ValidateManualRange(range)) {
            ::MessageBoxA(m_hWnd, failure, kCaption, MB_OK | MB_ICONERROR);
            return;
        }
    } else {
        // A subnet wider than a /24 is scanned where the computer is; the controls show
        // it and the settings keep it.
        uint32_t ownAddress = 0;
        ParseAddress(m_Network.LocalAddress, ownAddress);
        const ScanRange scanned = NarrowAutomaticRange(range, ownAddress);
        if (scanned.Start != range.Start || scanned.End != range.End) {
            m_StartAddress.SetAddress(scanned.Start);
            m_EndAddress.SetAddress(scanned.End);
            range = scanned;
        }
    }
    // Settings that cannot be saved are no reason not to scan.
    WriteRegSettings();

    // The run's thread knows the window only by its handle: a post to a window that is gone
    // fails and does no harm, and the run stops posting once the window lets go of it.
    const HWND window = m_hWnd;
    CScanRun::Events events{
        [window] { ::PostMessageA(window, kRunStartedMessage, 0, 0); },
        [window] { ::PostMessageA(window, kRunResultsMessage, 0, 0); },
        [window](int found) { ::PostMessageA(window, kRunEndedMessage, static_cast<WPARAM>(found), 0); },
    };
    if (!m_Run.Start(ScanRequest{range, LocalHostFactsOf(m_Network)}, std::move(events), m_ScanPlatforms,
                     m_StartRunThread)) {
        // The last run's rows and Export stay as they were.
        ShowStartFailure(m_Run.StartError());
        return;
    }
    // Its first post comes once this message is done: the list is empty by then.
    m_RunState = RunState::Starting;
    EnableRunLockedControls(false);
    m_ExportButton.EnableWindow(false);
    m_ResultsList.DeleteAllItems();
    m_ShownNames.ForgetRows();
    m_ShownNames.SetOwnNames(ReadDeviceNames());
}

void CCorvaleDlg::ShowStartFailure(DWORD error)
{
    const std::string text = "The scan could not start: " + SystemErrorText(error);
    ::MessageBoxA(m_hWnd, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
}

void CCorvaleDlg::StopRun(WPARAM)
{
    m_RunState = RunState::Stopping;
    m_StartScanButton.EnableWindow(false);
    m_StartScanButton.SetWindowText(kStoppingCaption);
    m_Run.Stop();
}

void CCorvaleDlg::RunBegan(WPARAM)
{
    m_RunState = RunState::Running;
    m_StartScanButton.SetWindowText(kStopScanCaption);
}

void CCorvaleDlg::ApplyResults(WPARAM)
{
    std::vector<ScanResult> results;
    const size_t left = m_Run.TakeResults(results, kResultsPerSlice);
    if (!results.empty())
        m_ResultsList.SuspendRedrawBriefly();
    for (const ScanResult& result : results)
        ReportScanResult(result, m_RunRows);
    if (left > 0) {
        PostMessage(kRunResultsMessage);
    } else if (m_RunState == RunState::Ending) {
        m_RunState = RunState::Summary;
        PostMessage(kShowSummaryMessage);
    }
}

void CCorvaleDlg::RunEnded(WPARAM found)
{
    m_RunState = RunState::Ending;
    m_RunFound = static_cast<int>(found);
    ApplyResults(0);
}

void CCorvaleDlg::ShowRunSummary(WPARAM)
{
    char summary[kScanSummaryCapacity];
    FormatScanSummary(m_RunFound, summary, sizeof(summary));
    m_SummaryBox.Show(m_hWnd, summary, kCaption, MB_OK | MB_ICONINFORMATION);
    if (m_Closing)
        return;
    // The rest comes in a message of its own: the summary's teardown has just repainted the
    // whole window, and what waits for the window is answered first.
    PostMessage(kEndRunAfterSummaryMessage);
}

// After the summary: gives the controls back, sorts and numbers the rows, sizes the
// Description column, turns Export on and lets go of the run; the window is idle again.
void CCorvaleDlg::EndRunAndGiveControlsBack(WPARAM)
{
    EnableRunLockedControls(true);
    m_StartScanButton.EnableWindow(true);
    m_StartScanButton.SetWindowText(kStartScanCaption);
    // The sort renumbers the rows: each one's item data is its index after it.
    const int rows = m_ResultsList.GetItemCount();
    if (rows > 0) {
        m_ResultsList.SortColumn();
        m_ResultsList.SetSortIndicator(0, true);
        m_ExportButton.EnableWindow(true);
        m_ResultsList.SetColumnWidth(kDescriptionColumn, DescriptionColumnWidth(rows));
    }
    // Its thread posted the end as its last step and ends on its own.
    m_Run.Abandon();
    m_RunState = RunState::Idle;
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

void CCorvaleDlg::OnBnClickedButtonExport()
{
    ExportResults(CListReportRows(m_ResultsList), SystemExportPlatform(m_hWnd));
}

// ---- Copy IP Address, the About box and the About link ----

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

// ---- own device names ----

// Works during a run too: the rows written later ask m_ShownNames as well.
void CCorvaleDlg::OnNameDevice()
{
    const int row = m_ResultsList.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0)
        return;
    std::string mac;
    if (!NormalizeDeviceMac(m_ResultsList.GetItemText(row, 2), mac)) {
        ::MessageBoxA(m_hWnd, "This row has no MAC address, so it cannot be given a name of its own.", kCaption,
                      MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_ShownNames.SetOwnNames(ReadDeviceNames());
    const std::string* own = m_ShownNames.OwnName(mac);
    CDeviceNameDlg dialog(this, m_ResultsList.GetItemText(row, 0), mac,
                          own ? *own : m_ResultsList.GetItemText(row, 1));
    if (dialog.DoModal() != IDOK)
        return;
    const LONG status = WriteDeviceName(mac, dialog.Name());
    if (status != ERROR_SUCCESS) {
        const std::string text = "The name could not be saved: " + SystemErrorText(static_cast<DWORD>(status));
        ::MessageBoxA(m_hWnd, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
        return;
    }
    m_ShownNames.SetOwnNames(ReadDeviceNames());
    ShowOwnNames();
}

void CCorvaleDlg::ShowOwnNames()
{
    const int rows = m_ResultsList.GetItemCount();
    for (int row = 0; row < rows; ++row) {
        const std::string current = m_ResultsList.GetItemText(row, 1);
        const std::string shown =
            m_ShownNames.ShownName(m_ResultsList.GetItemText(row, 0), m_ResultsList.GetItemText(row, 2), current);
        if (shown != current)
            m_ResultsList.SetItemText(row, 1, shown.c_str());
    }
}

// ---- end of own device names ----
