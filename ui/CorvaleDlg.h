// CCorvaleDlg: the main window.
#pragma once

#include "controls/StaticHyperLink.h"
#include "winlib/Button.h"
#include "winlib/Dialog.h"
#include "winlib/GdiObject.h"
#include "winlib/IPAddressCtrl.h"
#include "winlib/ListCtrl.h"
#include "winlib/Menu.h"
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
    CStaticHyperLink m_AboutLink;
    CStatic m_VersionLink;
    CStatic m_GroupBox;
    CButton m_PingCheck;
    CButton m_ExportButton;
    CButton m_CloseButton;
    CStatic m_CompanionLink;

    // ---- Copy IP Address, the About box and the About link ----
    bool OnCopyAndAboutMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // False: the system's own handling follows.
    bool OnSysCommand(UINT id, LPARAM lp);
    LRESULT OnLinkClicked(WPARAM wp, LPARAM lp);
    void OnListRightClick(const NMHDR& header, LRESULT& result);
    void OnCopyAddress();
    void ShowAboutBox();
    // The results menu and the About link's notify-parent mode, until InitControls does them.
    void SetUpCopyAndAbout();

    CBitmap m_MenuPicture;
    CMenu m_ContextMenu;
    HMENU m_pContextPopup = nullptr;
    // ---- end of Copy IP Address and About ----
};
