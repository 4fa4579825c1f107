// CCorvaleDlg: the main window.
#pragma once

#include "winlib/Button.h"
#include "winlib/Dialog.h"
#include "winlib/IPAddressCtrl.h"
#include "winlib/ListCtrl.h"
#include "winlib/Static.h"

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
    void OnScan();
    void OnBnClickedButtonExport();

    CButton m_AutomaticRadio;
    CButton m_ManualRadio;
    HICON m_hIcon;
    CButton m_StartScanButton;
    CListCtrl m_ResultsList;
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
};
