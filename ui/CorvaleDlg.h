// CCorvaleDlg: the main window.
#pragma once

#include "controls/EnhancedListCtrl.h"
#include "winlib/Button.h"
#include "winlib/Dialog.h"
#include "winlib/IPAddressCtrl.h"
#include "winlib/ListCtrl.h"
#include "winlib/Static.h"
#include "winlib/Thread.h"

#include <atomic>

class CCorvaleDlg : public CDialog {
public:
    CCorvaleDlg();

    void OnAutomatic();
    void OnManual();

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool OnCommand(int id, int code);

    CButton m_AutomaticRadio;
    CButton m_ManualRadio;
    HICON m_hIcon;
    CButton m_StartScanButton;
    CEnhancedListCtrl m_ResultsList;
    CStatic m_RangeLabel;
    CStatic m_Banner;
    CIPAddressCtrl m_StartAddress;
    CIPAddressCtrl m_EndAddress;
    CStatic m_HelpLink;
    CStatic m_AboutLink;
    CStatic m_VersionLink;
    CStatic m_GroupBox;
    CButton m_PingCheck;
    CButton m_ExportButton;
    CButton m_CloseButton;
    CStatic m_CompanionLink;

    // ---------------------------------------------------------------- scan run
    // Start Scan / Stop Scan (control 1, also Enter) and the worker thread that carries one
    // run from the emptied list to the sorted one. The worker and the probes touch the
    // controls only through messages the user-interface thread carries out.
    void OnScan();
    static UINT ScanWorker(LPVOID dialog);
    void RunScan();
    void StartDirectoryScan(CCriticalSection& rowInsertLock);
    void EnableRunLockedControls(bool enable);
    void WriteRegSettings();
    void SetUpResultsList();

    // From a Start that passed the range check until the worker has finished: the caption
    // reads "Start Scan" before the worker changes it and "Stopping..." while a stopped
    // run winds down, so it cannot tell by itself whether a run exists.
    std::atomic<bool> m_ScanUnderWay{false};
};
