// CCorvaleDlg: the main window.
#pragma once

#include "controls/EnhancedListCtrl.h"
#include "controls/PaletteDib.h"
#include "controls/StaticHyperLink.h"
#include "controls/xShadeButton.h"
#include "scan/LocalNetwork.h"
#include "scan/ScanRun.h"
#include "ui/ListResultsSink.h"
#include "ui/ShownNames.h"
#include "winlib/Button.h"
#include "winlib/Dialog.h"
#include "winlib/GdiObject.h"
#include "winlib/IPAddressCtrl.h"
#include "winlib/Menu.h"
#include "winlib/MessageBox.h"
#include "winlib/Static.h"

class CCorvaleDlg : public CDialog {
public:
    // Discovery goes through `discovery` (the system's adapters unless a test gives others).
    explicit CCorvaleDlg(const DiscoveryPlatform& discovery = SystemDiscoveryPlatform());
    ~CCorvaleDlg() override;

    void OnAutomatic();
    void OnManual();

    // The calls each run makes (the system's unless a test gives made-up ones).
    void SetScanPlatforms(ScanPlatformsFactory platforms);
    // How each run's thread starts (the system's unless a test gives another).
    void SetRunThreadStart(RunThreadStart start);

    // The scan command saves what the range controls hold, once the range has passed its
    // check; false when the settings could not all be saved.
    void ReadRegSettings();
    bool WriteRegSettings();

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // Window state the painting depends on.
    bool m_Initialized = false;  // the banner has been measured
    bool m_Resizing = false;     // the banner is being resized: paints draw nothing

private:
    void InitControls();
    void ResizeControls(int cx);
    void RefreshLabel();

    void OnPaint();
    void DrawMinimizedIcon(HDC dc, const RECT& client);
    LRESULT OnCtlColor(UINT msg, HDC dc, HWND control);
    void OnActivate(UINT state);
    void OnSize(UINT type, int cx);
    bool OnCommand(int id, int code);
    bool OnNotify(const NMHDR& header, LRESULT& result);
    void OnAutomaticLabel();
    void OnManualLabel();
    void OnStartAddressChanged();
    void OnCloseButton();
    void OnBnClickedButtonExport();

    // Checks the one mode radio, unchecks the other and runs the mode's command.
    void SelectMode(bool automatic);

    const DiscoveryPlatform& m_Discovery;
    LocalNetworkRecord m_Network{};  // what discovery found when the window opened
    CButton m_AutomaticRadio;
    CButton m_ManualRadio;
    HICON m_hIcon;
    CFont m_LinkFont;
    CFont m_HeaderFont;
    CFont m_SecondLinkFont;
    CPaletteDib m_Background;
    CBitmap m_MenuPicture;
    CMenu m_ContextMenu;
    HMENU m_pContextPopup = nullptr;
    CxShadeButton m_StartScanButton;
    CEnhancedListCtrl m_ResultsList;
    CStatic m_RangeLabel;
    CStatic m_Banner;
    UINT m_BannerWidth = 0;
    UINT m_BannerHeight = 0;
    CIPAddressCtrl m_StartAddress;
    CIPAddressCtrl m_EndAddress;
    CStaticHyperLink m_HelpLink;
    CStaticHyperLink m_AboutLink;
    CStaticHyperLink m_VersionLink;
    CStatic m_GroupBox;
    CButton m_PingCheck;
    CxShadeButton m_ExportButton;
    CxShadeButton m_CloseButton;
    CStaticHyperLink m_CompanionLink;

    // ---------------------------------------------------------------- scan run
    // Start Scan / Stop Scan (control 1, also Enter); the run's life is told in
    // CorvaleDlg.cpp under "scan run". Only this thread changes the controls.
    enum class RunState {
        Idle,
        Starting,  // started, not yet begun: a press changes nothing
        Running,   // a press stops it
        Stopping,
        Ending,   // the run's thread is done: its last results go into the list
        Summary,  // the summary is due or up, then the rows are renumbered and sorted
        Count,
    };
    // What reaches the window in a run: the user's press of Start Scan, the run's three posts,
    // and the window's own two messages around the summary.
    enum class RunEvent { Press, Started, Results, Ended, SummaryDue, SummaryClosed, Count };
    using RunAction = void (CCorvaleDlg::*)(WPARAM);
    static const RunAction kRunActions[static_cast<int>(RunState::Count)][static_cast<int>(RunEvent::Count)];
    // Carries out what `event` does in the present state (kRunActions); `wp`: the message's.
    void OnRunEvent(RunEvent event, WPARAM wp = 0);
    void StartRun(WPARAM);
    void StopRun(WPARAM);
    void RunBegan(WPARAM);
    void ApplyResults(WPARAM);
    void RunEnded(WPARAM found);
    void ShowRunSummary(WPARAM);
    void EndRunAndGiveControlsBack(WPARAM);
    void ShowStartFailure(DWORD error);
    void EnableRunLockedControls(bool enable);

    // The caption shows the state; it never decides it.
    RunState m_RunState = RunState::Idle;
    int m_RunFound = 0;
    bool m_Closing = false;
    CListResultsSink m_RunRows{m_ResultsList, &m_ShownNames};
    CMessageBox m_SummaryBox;
    ScanPlatformsFactory m_ScanPlatforms = SystemScanPlatforms;
    RunThreadStart m_StartRunThread = StartRunThread;
    CScanRun m_Run;

    // ---- Copy IP Address, the About box and the About link ----
    bool OnCopyAndAboutMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // False: the system's own handling follows.
    bool OnSysCommand(UINT id, LPARAM lp);
    LRESULT OnLinkClicked(WPARAM wp, LPARAM lp);
    void OnListRightClick(const NMHDR& header, LRESULT& result);
    void OnCopyAddress();
    void ShowAboutBox();
    // ---- end of Copy IP Address and About ----

    // ---- own device names ----
    // "Name This Device..." on the selected row: the dialog, the store, then every row.
    void OnNameDevice();
    // Writes into the Name column of every row what m_ShownNames says it shows.
    void ShowOwnNames();
    CShownNames m_ShownNames;
    // ---- end of own device names ----
};
