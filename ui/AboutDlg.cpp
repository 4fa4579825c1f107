#include "ui/AboutDlg.h"

#include "res/resource.h"
#include "ui/ShadedBackground.h"
#include "ui/WebAddresses.h"
#include "winlib/DC.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::DoDataExchange()
{
    DDX_Control(IDC_ABOUT_VERSION, m_VersionLabel);
    DDX_Control(IDC_ABOUT_SITE_LINK, m_SiteLink);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    m_SiteLink.SetLinkUrl(kProductPageAddress);
    m_SiteLink.SetPlatform(BrowserLinkPlatform());
    m_SiteLink.SetLinkColor(RGB(0, 0, 255));
    m_SiteLink.EnableLinkTip();
    m_SiteLink.SetLinkTip("Click here to get the latest version of Vantrel");

    m_VersionFont.Attach(CreateUiFont("Verdana", 14, FW_BOLD));
    m_VersionLabel.SetFont(m_VersionFont, true);
    return TRUE;
}

bool CAboutDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    if (msg == WM_PAINT) {
        OnPaint();
        result = 0;
        return true;
    }
    // Every WM_CTLCOLOR* message.
    if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
        result = reinterpret_cast<LRESULT>(OnCtlColor(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
        return true;
    }
    return false;
}

// No WM_ERASEBKGND of our own: the default erase runs first and the paint covers it.
void CAboutDlg::OnPaint()
{
    const CPaintDC dc(m_hWnd);
    const RECT client = GetClientRect();
    PaintShadedBackground(dc, m_Background, client.right, client.bottom);
}

HBRUSH CAboutDlg::OnCtlColor(UINT kind, HDC dc, HWND control)
{
    // The site link answers for itself here.
    const auto answer = reinterpret_cast<HBRUSH>(
        DefaultCtlColor(kind, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    if (!::IsChild(m_hWnd, control))
        return answer;
    switch (::GetDlgCtrlID(control)) {
    case IDC_ABOUT_VERSION:
        ::SetTextColor(dc, RGB(0, 0, 0));
        [[fallthrough]];
    case IDC_ABOUT_HIDDEN:
    case IDC_ABOUT_LABEL1:
    case IDC_ABOUT_LABEL2:
    case IDC_ABOUT_SITE_LINK:
    case IDC_ABOUT_NOTICE:
    case IDC_ABOUT_EMAIL:
        // Drawn straight onto the generated background.
        ::SetBkMode(dc, TRANSPARENT);
        return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    default:
        return answer;
    }
}
