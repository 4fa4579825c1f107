#include "StaticHyperLink.h"

#include <windowsx.h>

CStaticHyperLink::~CStaticHyperLink()
{
    // A control that outlives its link must not keep drawing with the font deleted with it.
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        m_Hover = false;
        if (::GetCapture() == m_hWnd)
            ::ReleaseCapture();
        if (m_UnderlineFont && GetFont() == m_UnderlineFont.Get())
            SetFont(m_OriginalFont, false);
    }
    UnsubclassWindow();
}

void CStaticHyperLink::SetLinkUrl(const char* url)
{
    m_Url = url ? url : "";
}

void CStaticHyperLink::SetLinkTip(const char* text)
{
    if (!m_TipEnabled || !m_ToolTip.Exists())
        return;
    std::string copy = text ? text : "";
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = m_hWnd;
    tool.uId = kToolId;
    tool.lpszText = copy.data();
    m_ToolTip.UpdateTipText(tool);
}

void CStaticHyperLink::PreSubclassWindow()
{
    // A static only reports clicks, and only receives the mouse at all, with this style.
    ModifyStyle(0, SS_NOTIFY);

    // The template gives every control a font; one without draws in the system font.
    m_OriginalFont = GetFont();
    LOGFONTA font{};
    HGDIOBJ source = m_OriginalFont ? static_cast<HGDIOBJ>(m_OriginalFont) : ::GetStockObject(SYSTEM_FONT);
    if (::GetObjectA(source, sizeof(font), &font)) {
        font.lfUnderline = TRUE;
        m_UnderlineFont.Attach(::CreateFontIndirectA(&font));
        if (m_UnderlineFont)
            SetFont(m_UnderlineFont, true);
    }

    CStatic::PreSubclassWindow();

    m_HandCursor = ::LoadCursorA(nullptr, IDC_HAND);

    // Without a tooltip the link still works, only without a tip.
    if (m_ToolTip.Create(m_hWnd, TTS_ALWAYSTIP)) {
        char empty[] = "";
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = m_hWnd;
        tool.uId = kToolId;
        tool.rect = GetClientRect();
        tool.lpszText = empty;
        m_ToolTip.AddTool(tool);
    }
}

bool CStaticHyperLink::PreTranslateMessage(MSG& msg)
{
    if (m_ToolTip.Exists())
        m_ToolTip.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

bool CStaticHyperLink::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    if (msg == WM_CTLCOLORSTATIC) {
        result = reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wp)));
        return true;
    }
    if (msg == WM_COMMAND && HIWORD(wp) == STN_CLICKED) {
        OnClicked();
        result = 0;
        return true;
    }
    return CStatic::OnChildNotify(msg, wp, lp, result);
}

LRESULT CStaticHyperLink::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_MOUSEMOVE: {
        const LRESULT result = DefWindowProc(msg, wp, lp);
        OnMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return result;
    }
    case WM_SETCURSOR:
        ::SetCursor(m_HandCursor);
        return TRUE;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(reinterpret_cast<HWND>(lp));
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

void CStaticHyperLink::OnMouseMove(POINT point)
{
    if (m_Hover) {
        const RECT client = GetClientRect();
        if (!::PtInRect(&client, point)) {
            SetHover(false);
            ::ReleaseCapture();
        }
        return;
    }
    SetHover(true);
    // Held while hovered, so that the move off the link reaches it.
    ::SetCapture(m_hWnd);
}

void CStaticHyperLink::OnCaptureChanged(HWND newCapture)
{
    // Another window took the capture (a click elsewhere, a window that came up): the move
    // off the link will not reach it any more, so it must not stay in the hover colour.
    if (m_Hover && newCapture != m_hWnd)
        SetHover(false);
}

void CStaticHyperLink::SetHover(bool hover)
{
    m_Hover = hover;
    Repaint(RDW_UPDATENOW);
}

void CStaticHyperLink::Repaint(UINT when) const
{
    // The text is drawn on a transparent background and a static does not erase its own:
    // drawn over the old text, the smoothed edges of the previous colour would stay. So the
    // parent repaints its background under the link first, then the link draws afresh.
    HWND parent = GetParent();
    if (!parent) {
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | when);
        return;
    }
    RECT area = GetWindowRect();
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | when);
}

HBRUSH CStaticHyperLink::OnCtlColor(HDC dc) const
{
    ::SetTextColor(dc, m_Hover ? m_HoverColor : m_LinkColor);
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void CStaticHyperLink::OnClicked()
{
    if (m_NotifyParent) {
        ::SendMessageA(GetParent(), WM_LINK_CLICKED, static_cast<WPARAM>(GetDlgCtrlID()), 0);
    } else {
        // Copies: what it opens may replace the platform or the address.
        const std::string address = m_Url;
        const HyperLinkPlatform platform = m_Platform;
        if (platform.OpenAddress)
            platform.OpenAddress(address.c_str());
    }
    // The parent may have closed the window meanwhile.
    if (m_hWnd)
        Repaint(0);
}
