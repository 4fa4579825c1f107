#include "controls/xShadeButton.h"

#include "controls/ControlMessages.h"
#include "winlib/DC.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace {
constexpr int kMaxTipWidth = 300;
constexpr COLORREF kWhite = RGB(255, 255, 255);

HICON LoadIconResource(WORD id)
{
    if (id == 0)
        return nullptr;
    return static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0,
                                           LR_DEFAULTCOLOR));
}

void FillFace(HDC dc, const RECT& rect)
{
    ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
}

void FillSolidRect(HDC dc, int x, int y, int cx, int cy, COLORREF color)
{
    const RECT rect{x, y, x + cx, y + cy};
    const COLORREF old = ::SetBkColor(dc, color);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

// A one-pixel frame: top row and left column in topLeft, right column and bottom row in
// bottomRight.
void Draw3dRect(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight)
{
    const int cx = rect.right - rect.left;
    const int cy = rect.bottom - rect.top;
    FillSolidRect(dc, rect.left, rect.top, cx - 1, 1, topLeft);
    FillSolidRect(dc, rect.left, rect.top, 1, cy - 1, topLeft);
    FillSolidRect(dc, rect.right - 1, rect.top, 1, cy, bottomRight);
    FillSolidRect(dc, rect.left, rect.bottom - 1, cx, 1, bottomRight);
}

void FillDottedLine(CPaletteDib& line)
{
    // Index 0 (shadow) on even pixels, 255 (highlight) on odd ones; the vertical line counts
    // its rows from the bottom, as they lie in memory.
    BYTE* bits = line.Bits();
    if (!bits)
        return;
    if (line.Height() == 1) {
        for (int x = 0; x < line.Width(); ++x)
            bits[x] = x % 2 == 0 ? 0 : 255;
    } else {
        for (int y = 0; y < line.Height(); ++y)
            bits[y * line.RowBytes()] = y % 2 == 0 ? 0 : 255;
    }
}

bool IsDialogWindow(HWND hwnd)
{
    return hwnd && ::GetClassLongPtrA(hwnd, GCW_ATOM) == reinterpret_cast<ULONG_PTR>(WC_DIALOG);
}

bool IsButtonWindow(HWND hwnd)
{
    char name[16] = "";
    ::GetClassNameA(hwnd, name, sizeof(name));
    return ::lstrcmpiA(name, "Button") == 0;
}

// The children of hwnd's parent that form its dialog group: from the nearest WS_GROUP
// sibling at or before hwnd up to the next WS_GROUP sibling. Hidden and disabled members
// belong to it as well.
std::vector<HWND> DialogGroupOf(HWND hwnd)
{
    std::vector<HWND> members;
    HWND first = hwnd;
    while (!(::GetWindowLongA(first, GWL_STYLE) & WS_GROUP)) {
        HWND previous = ::GetWindow(first, GW_HWNDPREV);
        if (!previous)
            break;
        first = previous;
    }
    for (HWND w = first; w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        if (w != first && (::GetWindowLongA(w, GWL_STYLE) & WS_GROUP))
            break;
        members.push_back(w);
    }
    return members;
}
}  // namespace

CxShadeButton::CxShadeButton()
    : m_textColor(::GetSysColor(COLOR_BTNTEXT)), m_hoverTextColor(m_textColor)
{
}

CxShadeButton::~CxShadeButton()
{
    // Stop seeing messages before the faces, icons and tooltip go.
    UnsubclassWindow();
}

// ---- attachment and set-up ----

void CxShadeButton::PreSubclassWindow()
{
    const DWORD style = GetStyle();
    m_pushLike = (style & BS_PUSHLIKE) != 0;
    m_flat = (style & BS_FLAT) != 0;

    switch (style & (BS_LEFT | BS_RIGHT)) {
    case BS_LEFT:
        m_textFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
        break;
    case BS_RIGHT:
        m_textFormat = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
        break;
    default:
        m_textFormat = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
        break;
    }

    // BS_AUTOCHECKBOX passes the first test, BS_AUTORADIOBUTTON the second, push buttons none.
    const DWORD type = style & BS_TYPEMASK;
    if ((type & 3) == 3) {
        m_kind = Kind::CheckBox;
    } else if ((type & 9) == 9) {
        m_kind = Kind::Radio;
    } else {
        m_kind = Kind::Push;
        m_pushLike = true;
    }
    if (!m_pushLike)
        m_border = false;

    CButton::PreSubclassWindow();
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
}

void CxShadeButton::BuildShades()
{
    const RECT window = GetWindowRect();
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int margin = m_FocusRectMargin;

    FillRaisedShade(m_normalFace, width, height, kWhite);

    m_focusLineH.Create(std::max(1, width - 2 * margin - 1), 1);
    m_focusLineV.Create(1, std::max(1, height - 2 * margin));
    for (CPaletteDib* line : {&m_focusLineH, &m_focusLineV}) {
        SetShadePalette(*line);
        FillDottedLine(*line);
    }

    m_disabledFace.CopyFrom(m_normalFace);
    m_hoverFace.CopyFrom(m_normalFace);
    m_hoverFace.TintColors(::GetSysColor(COLOR_BTNHIGHLIGHT), 20);
    m_pressedFace.CopyFrom(m_hoverFace);
}

void CxShadeButton::SetIcon(WORD normalId, WORD disabledId, WORD hoverId, int leftOffset)
{
    m_normalIcon.Destroy();
    m_hoverIcon.Destroy();
    m_disabledIcon.Destroy();
    m_iconBox = RECT{};

    m_normalIcon.Attach(LoadIconResource(normalId));
    if (!m_normalIcon)
        return;

    ICONINFO info{};
    if (::GetIconInfo(m_normalIcon, &info)) {
        // The hot spot of an icon is its centre, so twice it is the icon's size.
        CBitmap color(info.hbmColor);
        CBitmap mask(info.hbmMask);
        m_iconBox = RECT{0, 0, static_cast<LONG>(2 * info.xHotspot), static_cast<LONG>(2 * info.yHotspot)};
        const RECT window = GetWindowRect();
        const int height = window.bottom - window.top;
        ::OffsetRect(&m_iconBox, m_FocusRectMargin + leftOffset,
                     std::max(0, height / 2 - static_cast<int>(info.yHotspot)));
    }

    if (hoverId != 0) {
        m_hoverIcon.Attach(LoadIconResource(hoverId));
    }
    m_disabledIcon.Attach(LoadIconResource(disabledId));
}

bool CxShadeButton::SetLabelFont(const char* faceName, LONG height, LONG weight, BYTE italic, BYTE underline)
{
    // At most 31 characters: the face name field holds 32 bytes with its terminator.
    ::lstrcpynA(m_logFont.lfFaceName, faceName ? faceName : "", static_cast<int>(sizeof(m_logFont.lfFaceName)));
    m_logFont.lfHeight = height;
    m_logFont.lfWeight = weight;
    m_logFont.lfItalic = italic;
    m_logFont.lfUnderline = underline;
    m_labelFont.Attach(::CreateFontIndirectA(&m_logFont));
    return static_cast<bool>(m_labelFont);
}

COLORREF CxShadeButton::SetLabelColors(COLORREF normal, COLORREF hover)
{
    const COLORREF previous = m_textColor;
    m_textColor = normal;
    m_hoverTextColor = hover;
    return previous;
}

void CxShadeButton::SetTipTexts(const char* text, const char* checkedText)
{
    m_tipText = text ? text : "";
    m_checkedTipText = checkedText ? checkedText : "";
    if (m_toolTip.Exists()) {
        SetToolText(TipTextToShow());
        return;
    }
    if (!m_toolTip.Create(m_hWnd, 0))
        return;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent();
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    std::string shown = TipTextToShow();
    tool.lpszText = shown.data();
    if (!m_toolTip.AddTool(tool)) {
        m_toolTip.Destroy();  // no tip rather than an empty tooltip window
        return;
    }
    m_toolTip.Activate(true);
    m_toolTip.SetMaxTipWidth(kMaxTipWidth);
}

const std::string& CxShadeButton::TipTextToShow() const
{
    return m_checked && !m_checkedTipText.empty() ? m_checkedTipText : m_tipText;
}

void CxShadeButton::SetToolText(const std::string& text)
{
    if (!m_toolTip.Exists())
        return;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = GetParent();
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    std::string copy = text;
    tool.lpszText = copy.data();
    m_toolTip.UpdateTipText(tool);
}

HICON CxShadeButton::HoverIcon() const
{
    return m_hoverIcon ? m_hoverIcon.Get() : m_normalIcon.Get();
}

// ---- messages ----

LRESULT CxShadeButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;  // the draw routine covers every pixel
    case WM_LBUTTONDOWN:
        return OnLButtonDown(wp, lp);
    case WM_LBUTTONUP:
        return OnLButtonUp(wp, lp);
    case WM_MOUSEMOVE:
        return OnMouseMove(wp, lp);
    case WM_LBUTTONDBLCLK:
        return OnLButtonDblClk(wp, lp);
    case WM_KILLFOCUS:
        return OnKillFocus(wp, lp);
    case WM_KEYDOWN:
        return OnKeyDown(wp, lp);
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    case WM_SHADE_UNCHECK:
        return OnShadeUncheck();
    case BM_SETCHECK:
        return OnSetCheck(wp);
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    default:
        return DefWindowProc(msg, wp, lp);
    }
}

bool CxShadeButton::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT& result)
{
    if (msg != WM_DRAWITEM)
        return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    result = TRUE;
    return true;
}

void CxShadeButton::RelayEvent(UINT msg, WPARAM wp, LPARAM lp) const
{
    if (!m_toolTip.Exists())
        return;
    MSG relayed{};
    relayed.hwnd = m_hWnd;
    relayed.message = msg;
    relayed.wParam = wp;
    relayed.lParam = lp;
    relayed.pt = POINT{LOWORD(lp), HIWORD(lp)};
    m_toolTip.RelayEvent(relayed);
}

bool CxShadeButton::IsOverThisButton(POINT clientPoint) const
{
    ::ClientToScreen(m_hWnd, &clientPoint);
    return ::WindowFromPoint(clientPoint) == m_hWnd;
}

LRESULT CxShadeButton::OnLButtonDown(WPARAM flags, LPARAM point)
{
    RelayEvent(WM_LBUTTONDOWN, flags, point);
    if (m_hover) {
        TRACKMOUSEEVENT track{sizeof(track), TME_CANCEL | TME_LEAVE, m_hWnd, 0};
        if (::_TrackMouseEvent(&track))
            m_hover = false;
    }
    const LRESULT result = DefWindowProc(WM_LBUTTONDOWN, flags, point);
    m_mouseDown = true;
    return result;
}

LRESULT CxShadeButton::OnMouseMove(WPARAM flags, LPARAM point)
{
    RelayEvent(WM_MOUSEMOVE, flags, point);
    if (m_mouseDown && ::GetCapture() == m_hWnd) {
        // The pressed look follows the pointer while the mouse button is held.
        const bool over = IsOverThisButton(POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)});
        const bool pushed = (GetState() & BST_PUSHED) != 0;
        if (pushed != over) {
            SetState(over);
            Invalidate(true);
        }
    } else if (!m_hover) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
        if (::_TrackMouseEvent(&track)) {
            m_hover = true;
            Invalidate(true);
        }
    }
    return DefWindowProc(WM_MOUSEMOVE, flags, point);
}

LRESULT CxShadeButton::OnMouseLeave()
{
    m_hover = false;
    Invalidate(true);
    return 0;
}

LRESULT CxShadeButton::OnLButtonUp(WPARAM flags, LPARAM point)
{
    if (m_kind != Kind::Push && m_mouseDown && IsOverThisButton(POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}))
        ToggleCheckFromUser();
    if (m_toolTip.Exists())
        m_toolTip.Update();
    RelayEvent(WM_LBUTTONUP, flags, point);
    m_mouseDown = false;
    return DefWindowProc(WM_LBUTTONUP, flags, point);
}

LRESULT CxShadeButton::OnLButtonDblClk(WPARAM flags, LPARAM point)
{
    // The system button reports a double click instead of pressing; a quick second click is
    // an ordinary second press here.
    SendMessage(WM_LBUTTONDOWN, flags, point);
    return 0;
}

LRESULT CxShadeButton::OnKillFocus(WPARAM wp, LPARAM lp)
{
    if (::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
        m_mouseDown = false;
    }
    return DefWindowProc(WM_KILLFOCUS, wp, lp);
}

LRESULT CxShadeButton::OnKeyDown(WPARAM key, LPARAM flags)
{
    // Bit 30 marks auto-repeat: holding space toggles once, not on every repeat.
    const bool repeat = (flags & (1L << 30)) != 0;
    if (key == VK_SPACE && m_kind != Kind::Push && !repeat)
        ToggleCheckFromUser();
    return DefWindowProc(WM_KEYDOWN, key, flags);
}

void CxShadeButton::ToggleCheckFromUser()
{
    if (m_kind == Kind::CheckBox)
        SendMessage(BM_SETCHECK, m_checked ? BST_UNCHECKED : BST_CHECKED);
    else if (m_kind == Kind::Radio)
        SendMessage(BM_SETCHECK, BST_CHECKED);
}

LRESULT CxShadeButton::OnSetCheck(WPARAM check)
{
    m_checked = check != 0 && m_kind != Kind::Push;
    if (m_kind == Kind::Radio && check != 0)
        UncheckGroupMembers();
    if (m_toolTip.Exists()) {
        m_toolTip.Pop();
        SetToolText(TipTextToShow());
    }
    Invalidate(true);
    return 0;
}

void CxShadeButton::UncheckGroupMembers() const
{
    if (!GetParent())
        return;
    // Posted, so the others clear their check after this message. Only buttons get the
    // private message: other classes may give the same number a meaning of their own.
    for (HWND member : DialogGroupOf(m_hWnd)) {
        if (member != m_hWnd && IsButtonWindow(member))
            ::PostMessageA(member, WM_SHADE_UNCHECK, 0, 0);
    }
}

LRESULT CxShadeButton::OnShadeUncheck()
{
    if (m_checked) {
        m_checked = false;
        SetToolText(m_tipText);
        Invalidate(true);
    }
    return 0;
}

// ---- painting ----

bool CxShadeButton::FollowPointerWhilePressed()
{
    POINT cursor{};
    if (!m_mouseDown || ::GetCapture() != m_hWnd || !::GetCursorPos(&cursor))
        return false;
    const bool over = ::WindowFromPoint(cursor) == m_hWnd;
    const bool pushed = (GetState() & BST_PUSHED) != 0;
    if (over == pushed)
        return false;
    SetState(over);  // asks for a new paint with the right state
    return true;
}

bool CxShadeButton::IsDefaultButton(UINT itemState) const
{
    if (itemState & ODS_DEFAULT)
        return true;
    // An owner-drawn button is never told it is the default one; the dialog still knows.
    HWND parent = GetParent();
    if (!IsDialogWindow(parent))
        return false;
    const LRESULT defId = ::SendMessageA(parent, DM_GETDEFID, 0, 0);
    return HIWORD(defId) == DC_HASDEFID && LOWORD(defId) == static_cast<WORD>(GetDlgCtrlID());
}

void CxShadeButton::DrawIconAt(HDC dc, HICON icon, int dx, int dy, UINT flags) const
{
    if (!icon)
        return;
    ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, m_iconBox.left + dx, m_iconBox.top + dy,
                 m_iconBox.right - m_iconBox.left, m_iconBox.bottom - m_iconBox.top, DST_ICON | flags);
}

void CxShadeButton::DrawFocusFrame(HDC dc, const RECT& frame) const
{
    // The lines are cut at the frame, so a frame moved further in stays closed.
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, frame.left, frame.top, frame.right + 1, frame.bottom + 1);
    m_focusLineH.DrawAt(dc, frame.left + 1, frame.top);
    m_focusLineH.DrawAt(dc, frame.left + 1, frame.bottom);
    m_focusLineV.DrawAt(dc, frame.left, frame.top + 1);
    m_focusLineV.DrawAt(dc, frame.right, frame.top + 1);
    ::RestoreDC(dc, saved);
}

void CxShadeButton::DrawItem(const DRAWITEMSTRUCT& draw)
{
    if (FollowPointerWhilePressed())
        return;

    const std::string label = GetWindowText();
    const int width = draw.rcItem.right - draw.rcItem.left;
    const int height = draw.rcItem.bottom - draw.rcItem.top;
    RECT rect{0, 0, width, height};

    CMemDC memory(draw.hDC);
    CBitmap bitmap(::CreateCompatibleBitmap(draw.hDC, width, height));
    if (!memory || !bitmap)
        return;
    CSelectObject selectBitmap(memory, bitmap);
    ::SetBkMode(memory, TRANSPARENT);
    CSelectObject selectFont(memory, m_labelFont ? static_cast<HGDIOBJ>(m_labelFont.Get())
                                                 : ::GetStockObject(DEFAULT_GUI_FONT));

    const int margin = m_FocusRectMargin;
    RECT text{rect.left + margin + 2, rect.top, rect.right - margin - 2, rect.bottom};
    if (m_normalIcon)
        text.left += m_iconBox.right - m_iconBox.left;

    const UINT state = draw.itemState;
    if (state & ODS_DISABLED) {
        if (!m_disabledFace.DrawAt(memory, 0, 0))
            FillFace(memory, rect);
        if (m_disabledIcon)
            DrawIconAt(memory, m_disabledIcon, 0, 0, 0);
        else
            DrawIconAt(memory, m_normalIcon, 0, 0, DSS_DISABLED);
        if (m_border && !m_flat)
            ::DrawEdge(memory, &rect, EDGE_RAISED, BF_RECT);
        // Embossed: highlight underneath, grey one pixel up and left.
        ::SetTextColor(memory, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextA(memory, label.c_str(), -1, &text, m_textFormat);
        ::OffsetRect(&text, -1, -1);
        ::SetTextColor(memory, ::GetSysColor(COLOR_GRAYTEXT));
    } else {
        if ((state & ODS_SELECTED) || m_checked) {
            const int inset = m_border ? 1 : 0;
            if (!m_pressedFace.DrawAt(memory, inset, inset))
                FillFace(memory, rect);
            const int shift = m_pushLike ? 1 : 0;
            DrawIconAt(memory, m_normalIcon, shift, shift, 0);
            ::OffsetRect(&text, shift, shift);
            if (m_border) {
                if (m_flat)
                    Draw3dRect(memory, rect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
                else
                    ::DrawEdge(memory, &rect, EDGE_SUNKEN, BF_RECT);
            }
        } else {
            const CPaletteDib& face = m_hover && m_hoverFace.IsValid() ? m_hoverFace : m_normalFace;
            if (!face.DrawAt(memory, 0, 0))
                FillFace(memory, rect);
            DrawIconAt(memory, m_hover ? HoverIcon() : m_normalIcon.Get(), 0, 0, 0);
            if (m_border && (m_hover || !m_flat)) {
                if (IsDefaultButton(state)) {
                    ::DrawEdge(memory, &rect, EDGE_SUNKEN, BF_RECT);
                    ::InflateRect(&rect, -1, -1);
                    ::DrawEdge(memory, &rect, EDGE_RAISED, BF_RECT);
                } else if (m_flat) {
                    Draw3dRect(memory, rect, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
                } else {
                    ::DrawEdge(memory, &rect, EDGE_RAISED, BF_RECT);
                }
            }
        }
        if ((state & ODS_FOCUS) && margin > 0) {
            ::InflateRect(&rect, -margin, -margin);
            DrawFocusFrame(memory, rect);
        }
        ::SetTextColor(memory, m_hover ? m_hoverTextColor : m_textColor);
    }

    ::DrawTextA(memory, label.c_str(), -1, &text, m_textFormat);
    ::BitBlt(draw.hDC, draw.rcItem.left, draw.rcItem.top, width, height, memory, 0, 0, SRCCOPY);
}
