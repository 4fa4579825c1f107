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
    : m_TextColor(::GetSysColor(COLOR_BTNTEXT)), m_HoverTextColor(m_TextColor)
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
    m_PushLike = (style & BS_PUSHLIKE) != 0;
    m_Flat = (style & BS_FLAT) != 0;

    switch (style & (BS_LEFT | BS_RIGHT)) {
    case BS_LEFT:
        m_TextFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
        break;
    case BS_RIGHT:
        m_TextFormat = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
        break;
    default:
        m_TextFormat = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
        break;
    }

    // BS_AUTOCHECKBOX passes the first test, BS_AUTORADIOBUTTON the second, push buttons none.
    const DWORD type = style & BS_TYPEMASK;
    if ((type & 3) == 3) {
        m_Kind = Kind::CheckBox;
    } else if ((type & 9) == 9) {
        m_Kind = Kind::Radio;
    } else {
        m_Kind = Kind::Push;
        m_PushLike = true;
    }
    if (!m_PushLike)
        m_Border = false;

    CButton::PreSubclassWindow();
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
}

void CxShadeButton::BuildShades()
{
    const RECT window = GetWindowRect();
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int margin = m_FocusRectMargin;

    FillRaisedShade(m_NormalFace, width, height, kWhite);

    m_FocusLineH.Create(std::max(1, width - 2 * margin - 1), 1);
    m_FocusLineV.Create(1, std::max(1, height - 2 * margin));
    for (CPaletteDib* line : {&m_FocusLineH, &m_FocusLineV}) {
        SetShadePalette(*line);
        FillDottedLine(*line);
    }

    m_DisabledFace.CopyFrom(m_NormalFace);
    m_HoverFace.CopyFrom(m_NormalFace);
    m_HoverFace.TintColors(::GetSysColor(COLOR_BTNHIGHLIGHT), 20);
    m_PressedFace.CopyFrom(m_HoverFace);
}

void CxShadeButton::SetIcon(WORD normalId, WORD disabledId, WORD hoverId, int leftOffset)
{
    m_NormalIcon.Destroy();
    m_HoverIcon.Destroy();
    m_DisabledIcon.Destroy();
    m_IconBox = RECT{};

    m_NormalIcon.Attach(LoadIconResource(normalId));
    if (!m_NormalIcon)
        return;

    ICONINFO info{};
    if (::GetIconInfo(m_NormalIcon, &info)) {
        // The hot spot of an icon is its centre, so twice it is the icon's size.
        CBitmap color(info.hbmColor);
        CBitmap mask(info.hbmMask);
        m_IconBox = RECT{0, 0, static_cast<LONG>(2 * info.xHotspot), static_cast<LONG>(2 * info.yHotspot)};
        const RECT window = GetWindowRect();
        const int height = window.bottom - window.top;
        ::OffsetRect(&m_IconBox, m_FocusRectMargin + leftOffset,
                     std::max(0, height / 2 - static_cast<int>(info.yHotspot)));
    }

    if (hoverId != 0) {
        m_HoverIcon.Attach(LoadIconResource(hoverId));
    }
    m_DisabledIcon.Attach(LoadIconResource(disabledId));
}

bool CxShadeButton::SetLabelFont(const char* faceName, LONG height, LONG weight, BYTE italic, BYTE underline)
{
    // At most 31 characters: the face name field holds 32 bytes with its terminator.
    ::lstrcpynA(m_LogFont.lfFaceName, faceName ? faceName : "", static_cast<int>(sizeof(m_LogFont.lfFaceName)));
    m_LogFont.lfHeight = height;
    m_LogFont.lfWeight = weight;
    m_LogFont.lfItalic = italic;
    m_LogFont.lfUnderline = underline;
    m_LabelFont.Attach(::CreateFontIndirectA(&m_LogFont));
    return static_cast<bool>(m_LabelFont);
}

COLORREF CxShadeButton::SetLabelColors(COLORREF normal, COLORREF hover)
{
    const COLORREF previous = m_TextColor;
    m_TextColor = normal;
    m_HoverTextColor = hover;
    return previous;
}

void CxShadeButton::SetTipTexts(const char* text, const char* checkedText)
{
    m_TipText = text ? text : "";
    m_CheckedTipText = checkedText ? checkedText : "";
    if (m_ToolTip.Exists()) {
        SetToolText(TipTextToShow());
        return;
    }
    if (!m_ToolTip.Create(m_hWnd, 0))
        return;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent();
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    std::string shown = TipTextToShow();
    tool.lpszText = shown.data();
    if (!m_ToolTip.AddTool(tool)) {
        m_ToolTip.Destroy();  // no tip rather than an empty tooltip window
        return;
    }
    m_ToolTip.Activate(true);
    m_ToolTip.SetMaxTipWidth(kMaxTipWidth);
}

const std::string& CxShadeButton::TipTextToShow() const
{
    return m_Checked && !m_CheckedTipText.empty() ? m_CheckedTipText : m_TipText;
}

void CxShadeButton::SetToolText(const std::string& text)
{
    if (!m_ToolTip.Exists())
        return;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = GetParent();
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    std::string copy = text;
    tool.lpszText = copy.data();
    m_ToolTip.UpdateTipText(tool);
}

HICON CxShadeButton::HoverIcon() const
{
    return m_HoverIcon ? m_HoverIcon.Get() : m_NormalIcon.Get();
}

// ---- messages ----

LRESULT CxShadeButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    const POINT point{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    const auto flags = static_cast<UINT>(wp);
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;  // the draw routine covers every pixel
    case WM_LBUTTONDOWN:
        OnLButtonDown(flags, point);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(flags, point);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(flags, point);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(flags, point);
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(reinterpret_cast<HWND>(wp));
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_SHADE_UNCHECK:
        OnShadeUncheck();
        return 0;
    case BM_SETCHECK:
        OnSetCheck(static_cast<int>(wp));
        return 0;
    case BM_GETCHECK:
        return m_Checked ? BST_CHECKED : BST_UNCHECKED;
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

void CxShadeButton::RelayEvent(UINT msg, UINT flags, POINT point) const
{
    if (!m_ToolTip.Exists())
        return;
    MSG relayed{};
    relayed.hwnd = m_hWnd;
    relayed.message = msg;
    relayed.wParam = flags;
    relayed.lParam = MAKELPARAM(point.x, point.y);
    relayed.pt = point;
    m_ToolTip.RelayEvent(relayed);
}

bool CxShadeButton::IsOverThisButton(POINT clientPoint) const
{
    ::ClientToScreen(m_hWnd, &clientPoint);
    return ::WindowFromPoint(clientPoint) == m_hWnd;
}

void CxShadeButton::OnLButtonDown(UINT flags, POINT point)
{
    RelayEvent(WM_LBUTTONDOWN, flags, point);
    if (m_Hover) {
        TRACKMOUSEEVENT track{sizeof(track), TME_CANCEL | TME_LEAVE, m_hWnd, 0};
        if (::_TrackMouseEvent(&track))
            m_Hover = false;
    }
    DefWindowProc(WM_LBUTTONDOWN, flags, MAKELPARAM(point.x, point.y));
    m_MouseDown = true;
}

void CxShadeButton::OnMouseMove(UINT flags, POINT point)
{
    RelayEvent(WM_MOUSEMOVE, flags, point);
    if (m_MouseDown && ::GetCapture() == m_hWnd) {
        // The pressed look follows the pointer while the mouse button is held.
        const bool over = IsOverThisButton(point);
        const bool pushed = (GetState() & BST_PUSHED) != 0;
        if (pushed != over) {
            SetState(over);
            Invalidate(true);
        }
    } else if (!m_Hover) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
        if (::_TrackMouseEvent(&track)) {
            m_Hover = true;
            Invalidate(true);
        }
    }
    DefWindowProc(WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y));
}

void CxShadeButton::OnMouseLeave()
{
    m_Hover = false;
    Invalidate(true);
}

void CxShadeButton::OnLButtonUp(UINT flags, POINT point)
{
    if (m_Kind != Kind::Push && m_MouseDown && IsOverThisButton(point))
        ToggleCheckFromUser();
    if (m_ToolTip.Exists())
        m_ToolTip.Update();
    RelayEvent(WM_LBUTTONUP, flags, point);
    m_MouseDown = false;
    DefWindowProc(WM_LBUTTONUP, flags, MAKELPARAM(point.x, point.y));
}

void CxShadeButton::OnLButtonDblClk(UINT flags, POINT point)
{
    // The system button reports a double click instead of pressing; a quick second click is
    // an ordinary second press here.
    SendMessage(WM_LBUTTONDOWN, flags, MAKELPARAM(point.x, point.y));
}

void CxShadeButton::OnKillFocus(HWND newFocus)
{
    if (::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
        m_MouseDown = false;
    }
    DefWindowProc(WM_KILLFOCUS, reinterpret_cast<WPARAM>(newFocus), 0);
}

void CxShadeButton::OnKeyDown(UINT key, UINT repeatCount, UINT flags)
{
    // KF_REPEAT marks auto-repeat: holding space toggles once, not on every repeat.
    const bool repeat = (flags & KF_REPEAT) != 0;
    if (key == VK_SPACE && m_Kind != Kind::Push && !repeat)
        ToggleCheckFromUser();
    DefWindowProc(WM_KEYDOWN, key, MAKELPARAM(repeatCount, flags));
}

void CxShadeButton::ToggleCheckFromUser()
{
    if (m_Kind == Kind::CheckBox)
        SendMessage(BM_SETCHECK, m_Checked ? BST_UNCHECKED : BST_CHECKED);
    else if (m_Kind == Kind::Radio)
        SendMessage(BM_SETCHECK, BST_CHECKED);
}

void CxShadeButton::OnSetCheck(int check)
{
    m_Checked = check != 0 && m_Kind != Kind::Push;
    if (m_Kind == Kind::Radio && check != 0)
        UncheckGroupMembers();
    if (m_ToolTip.Exists()) {
        m_ToolTip.Pop();
        SetToolText(TipTextToShow());
    }
    Invalidate(true);
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

void CxShadeButton::OnShadeUncheck()
{
    if (m_Checked) {
        m_Checked = false;
        SetToolText(m_TipText);
        Invalidate(true);
    }
}

// ---- painting ----

bool CxShadeButton::FollowPointerWhilePressed()
{
    POINT cursor{};
    if (!m_MouseDown || ::GetCapture() != m_hWnd || !::GetCursorPos(&cursor))
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
    ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, m_IconBox.left + dx, m_IconBox.top + dy,
                 m_IconBox.right - m_IconBox.left, m_IconBox.bottom - m_IconBox.top, DST_ICON | flags);
}

void CxShadeButton::DrawFocusFrame(HDC dc, const RECT& frame) const
{
    // The lines are cut at the frame, so a frame moved further in stays closed.
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, frame.left, frame.top, frame.right + 1, frame.bottom + 1);
    m_FocusLineH.DrawAt(dc, frame.left + 1, frame.top);
    m_FocusLineH.DrawAt(dc, frame.left + 1, frame.bottom);
    m_FocusLineV.DrawAt(dc, frame.left, frame.top + 1);
    m_FocusLineV.DrawAt(dc, frame.right, frame.top + 1);
    ::RestoreDC(dc, saved);
}

void CxShadeButton::DrawDisabled(HDC dc, const RECT& rect, RECT& label) const
{
    if (!m_DisabledFace.DrawAt(dc, 0, 0))
        FillFace(dc, rect);
    if (m_DisabledIcon)
        DrawIconAt(dc, m_DisabledIcon, 0, 0, 0);
    else
        DrawIconAt(dc, m_NormalIcon, 0, 0, DSS_DISABLED);
    RECT edge = rect;
    if (m_Border && !m_Flat)
        ::DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
    // Embossed: highlight underneath, grey one pixel up and left.
    const std::string text = GetWindowText();
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::DrawTextA(dc, text.c_str(), -1, &label, m_TextFormat);
    ::OffsetRect(&label, -1, -1);
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
}

void CxShadeButton::DrawPressed(HDC dc, const RECT& rect, RECT& label) const
{
    RECT edge = rect;
    const int inset = m_Border ? 1 : 0;
    if (!m_PressedFace.DrawAt(dc, inset, inset))
        FillFace(dc, rect);
    const int shift = m_PushLike ? 1 : 0;
    DrawIconAt(dc, m_NormalIcon, shift, shift, 0);
    ::OffsetRect(&label, shift, shift);
    if (m_Border) {
        if (m_Flat)
            Draw3dRect(dc, rect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
        else
            ::DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    }
}

// `rect` comes back inside the frame: the default button's double frame takes a pixel more.
void CxShadeButton::DrawRaised(HDC dc, RECT& rect, UINT itemState) const
{
    const CPaletteDib& face = m_Hover && m_HoverFace.IsValid() ? m_HoverFace : m_NormalFace;
    if (!face.DrawAt(dc, 0, 0))
        FillFace(dc, rect);
    DrawIconAt(dc, m_Hover ? HoverIcon() : m_NormalIcon.Get(), 0, 0, 0);
    if (!m_Border || (!m_Hover && m_Flat))
        return;
    if (IsDefaultButton(itemState)) {
        ::DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT);
        ::InflateRect(&rect, -1, -1);
        ::DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
    } else if (m_Flat) {
        Draw3dRect(dc, rect, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    } else {
        ::DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT);
    }
}

void CxShadeButton::DrawItem(const DRAWITEMSTRUCT& draw)
{
    if (FollowPointerWhilePressed())
        return;

    const int width = draw.rcItem.right - draw.rcItem.left;
    const int height = draw.rcItem.bottom - draw.rcItem.top;
    RECT rect{0, 0, width, height};

    CMemDC memory(draw.hDC);
    CBitmap bitmap(::CreateCompatibleBitmap(draw.hDC, width, height));
    if (!memory || !bitmap)
        return;
    CSelectObject selectBitmap(memory, bitmap);
    ::SetBkMode(memory, TRANSPARENT);
    CSelectObject selectFont(memory, m_LabelFont ? static_cast<HGDIOBJ>(m_LabelFont.Get())
                                                 : ::GetStockObject(DEFAULT_GUI_FONT));

    const int margin = m_FocusRectMargin;
    RECT label{rect.left + margin + 2, rect.top, rect.right - margin - 2, rect.bottom};
    if (m_NormalIcon)
        label.left += m_IconBox.right - m_IconBox.left;

    const UINT state = draw.itemState;
    if (state & ODS_DISABLED) {
        DrawDisabled(memory, rect, label);
    } else {
        if ((state & ODS_SELECTED) || m_Checked)
            DrawPressed(memory, rect, label);
        else
            DrawRaised(memory, rect, state);
        if ((state & ODS_FOCUS) && margin > 0) {
            ::InflateRect(&rect, -margin, -margin);
            DrawFocusFrame(memory, rect);
        }
        ::SetTextColor(memory, m_Hover ? m_HoverTextColor : m_TextColor);
    }

    const std::string text = GetWindowText();
    ::DrawTextA(memory, text.c_str(), -1, &label, m_TextFormat);
    ::BitBlt(draw.hDC, draw.rcItem.left, draw.rcItem.top, width, height, memory, 0, 0, SRCCOPY);
}
