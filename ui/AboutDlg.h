// CAboutDlg: the About box, with the product's name, version and a link to its web page.
#pragma once

#include "controls/PaletteDib.h"
#include "controls/StaticHyperLink.h"
#include "winlib/Dialog.h"
#include "winlib/GdiObject.h"
#include "winlib/Static.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void OnPaint();
    HBRUSH OnCtlColor(UINT kind, HDC dc, HWND control);

    CPaletteDib m_Background;
    CFont m_VersionFont;
    CStatic m_VersionLabel;
    CStaticHyperLink m_SiteLink;
};
