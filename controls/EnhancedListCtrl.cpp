#include "controls/EnhancedListCtrl.h"

#include "net/Ipv4Address.h"
#include "res/resource.h"
#include "winlib/Library.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {
constexpr const char* kBackColorHeading = "Back Color Code";
constexpr const char* kTextColorHeading = "Text Color Code";
constexpr int kColorCellCapacity = 512;
constexpr int kSortCellCapacity = 5000;

int FoldCase(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte;
}

int CompareNoCase(const char* first, const char* second)
{
    for (;; ++first, ++second) {
        const int a = FoldCase(*first);
        const int b = FoldCase(*second);
        if (a != b)
            return a < b ? -1 : 1;
        if (a == 0)
            return 0;
    }
}

// A colour cell holds the decimal text of a 24-bit colour; anything else is no colour.
bool ParseColor(const char* text, COLORREF& color)
{
    if (!text[0])
        return false;
    unsigned long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        value = value * 10 + static_cast<unsigned long>(*p - '0');
        if (value > 0xFFFFFFul)
            return false;
    }
    color = static_cast<COLORREF>(value);
    return true;
}

}  // namespace

CEnhancedListCtrl::~CEnhancedListCtrl()
{
    // A header that outlives us must not keep showing the bitmap that goes with us.
    if (m_SortMark && m_hWnd && ::IsWindow(m_hWnd))
        SetSortIndicator(-1, true, false);
    if (m_hWnd && ::IsWindow(m_hWnd))
        ResumeRedraw();
    UnsubclassWindow();
}

// ---------------------------------------------------------------- set-up

void CEnhancedListCtrl::AttachHeaderCtrl()
{
    m_Header.Init(GetHeaderCtrl());
    // A repaint of the rows leaves the header alone: under Wine the header's paint is most of
    // the list's, and the rows change far more often than the headings.
    ModifyStyle(0, WS_CLIPCHILDREN);
    const bool visible = (GetStyle() & WS_VISIBLE) != 0;
    if (visible)
        ShowWindow(SW_HIDE);
    m_Header.SetHeight(kHeaderHeight);
    // The list view lays its header out again (HDM_LAYOUT) only after a real change of its
    // size; hiding and showing alone does not do it everywhere.
    const RECT frame = GetWindowRect();
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    constexpr UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width + 1, height, flags);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, flags);
    if (visible)
        ShowWindow(SW_SHOWNORMAL);
}

void CEnhancedListCtrl::AddColorCodeColumns()
{
    if (m_ColorColumnsAdded)
        return;
    const int count = Header().GetItemCount();
    if (count < 0)
        return;
    m_ColorColumnsAdded = true;
    m_BackColorColumn = count;
    m_TextColorColumn = count + 1;
    InsertColumn(m_BackColorColumn, kBackColorHeading, LVCFMT_LEFT, 0);
    InsertColumn(m_TextColorColumn, kTextColorHeading, LVCFMT_LEFT, 0);
}

void CEnhancedListCtrl::SetColumnSortType(int column, SortKind kind)
{
    if (column >= 0 && column < kMaxSortColumns)
        m_ColumnSortKinds[column] = kind;
}

void CEnhancedListCtrl::SetListTip(const char* text)
{
    m_ListTipText = text ? text : "";
    if (!m_ListTipText.empty())
        AddRowTipTool();
}

void CEnhancedListCtrl::AddRowTipTool()
{
    HWND tip = reinterpret_cast<HWND>(SendMessage(LVM_GETTOOLTIPS));
    if (m_RowTipToolAdded || !tip)
        return;
    // A list view that gives its rows no tip of its own (Wine's keeps a tooltip without any
    // tool) gets one tool over its rows, asking us for the text like the platform's would.
    // The list hands it the mouse messages itself: a tool that subclasses the list would put
    // SetWindowSubclass's dispatch, slow under Wine, in front of every message to it.
    if (::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0) != 0)
        return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = 0;
    tool.hwnd = m_hWnd;
    tool.uId = 0;
    tool.rect = GetClientRect();
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    m_RowTipToolAdded = ::SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

// ---------------------------------------------------------------- operations

bool CEnhancedListCtrl::SetRowColors(int row, COLORREF textColor)
{
    return WriteRowColors(row, textColor);
}

void CEnhancedListCtrl::SetSortIndicator(int column, bool ascending)
{
    SetSortIndicator(column, ascending, IsThemingActive());
}

bool CEnhancedListCtrl::SortColumn()
{
    m_SortColumn = 0;
    m_SortAscending = true;
    m_SortKind = m_ColumnSortKinds[0];
    if (m_SortKind == SortNone)
        return false;
    return SortRows();
}

void CEnhancedListCtrl::AppendRow(const char* key, int image, std::initializer_list<CellText> cells, COLORREF textColor)
{
    if (!m_hWnd || !CellsFit(cells))
        return;
    // Numbered as it comes (its item data is its index): the pass before a sort then
    // changes nothing.
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = GetItemCount();
    item.pszText = const_cast<char*>(key ? key : "");
    item.iImage = image;
    item.lParam = item.iItem;
    const int row = static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row >= 0)
        WriteRowCells(row, cells, textColor);
}

void CEnhancedListCtrl::SetRowByKey(const char* key, std::initializer_list<CellText> cells, COLORREF textColor)
{
    if (!m_hWnd || !CellsFit(cells))
        return;
    const int row = FindRowByKey(key);
    if (row >= 0)
        WriteRowCells(row, cells, textColor);
}

// ---------------------------------------------------------------- work on the owning thread

int CEnhancedListCtrl::FindRowByKey(const char* key) const
{
    if (!key)
        return -1;
    LVFINDINFOA find{};
    find.flags = LVFI_STRING;  // the whole text of column 0
    find.psz = key;
    return static_cast<int>(SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void CEnhancedListCtrl::SuspendRedrawBriefly()
{
    if (m_RedrawSuspended || !::IsWindowVisible(m_hWnd))
        return;
    if (!::SetTimer(m_hWnd, kRedrawTimerId, kRedrawDelayMs, nullptr))
        return;
    DefWindowProc(WM_SETREDRAW, FALSE, 0);
    m_RedrawSuspended = true;
}

void CEnhancedListCtrl::ResumeRedraw()
{
    ::KillTimer(m_hWnd, kRedrawTimerId);
    if (!m_RedrawSuspended)
        return;
    m_RedrawSuspended = false;
    DefWindowProc(WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

bool CEnhancedListCtrl::IsColorColumn(int column) const
{
    return m_ColorColumnsAdded && (column == m_BackColorColumn || column == m_TextColorColumn);
}

bool CEnhancedListCtrl::WriteRowColors(int row, COLORREF textColor)
{
    if (!m_ColorColumnsAdded || row < 0 || row >= GetItemCount())
        return false;
    StoreRowColors(row, textColor);
    return true;
}

void CEnhancedListCtrl::StoreRowColors(int row, COLORREF textColor)
{
    if (!m_ColorColumnsAdded)
        return;
    char text[16];
    char back[16];
    std::snprintf(text, sizeof(text), "%lu", static_cast<unsigned long>(textColor));
    std::snprintf(back, sizeof(back), "%lu", static_cast<unsigned long>(kRowBackColor));
    SetItemText(row, m_TextColorColumn, text);
    SetItemText(row, m_BackColorColumn, back);
    if (!m_RedrawSuspended)  // else the coming repaint shows it
        RedrawItems(row, row);
}

bool CEnhancedListCtrl::CellsFit(std::initializer_list<CellText> cells) const
{
    const int columns = Header().GetItemCount();
    for (const CellText& cell : cells) {
        if (cell.Column < 0 || cell.Column >= columns)
            return false;
    }
    return true;
}

void CEnhancedListCtrl::WriteRowCells(int row, std::initializer_list<CellText> cells, COLORREF textColor)
{
    for (const CellText& cell : cells)
        SetItemText(row, cell.Column, cell.Text ? cell.Text : "");
    StoreRowColors(row, textColor);
}

bool CEnhancedListCtrl::ReadRowColors(int row, COLORREF& text, COLORREF& back) const
{
    char cell[kColorCellCapacity];
    GetItemText(row, m_TextColorColumn, cell, sizeof(cell));
    if (!ParseColor(cell, text))
        return false;
    GetItemText(row, m_BackColorColumn, cell, sizeof(cell));
    return ParseColor(cell, back);
}

// A row whose item data is already its index costs the pass a message and nothing more (the
// list view neither repaints nor notifies for an unchanged value: 0.45 ms for 254 rows under
// Wine), so the pass runs every time instead of tracking who changed the rows since.
int CEnhancedListCtrl::RenumberItemData()
{
    const int count = GetItemCount();  // nothing else changes the rows while this thread works
    const CRedrawHold hold(*this);
    for (int row = 0; row < count; ++row)
        SetItemData(row, row);
    return count;
}

bool CEnhancedListCtrl::SortRows()
{
    // The list view's contents are in flux while it sorts, so the comparison reads a copy of
    // the sort column taken first, by item data: numbered first, for rows inserted since the
    // last sort may carry anything.
    const CRedrawHold hold(*this);
    RenumberItemData();
    const int count = GetItemCount();
    m_SortTexts.clear();
    m_SortTexts.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
        m_SortTexts.push_back(GetItemText(row, m_SortColumn, kSortCellCapacity));
    const bool sorted = SortItems(SortServiceListProc, reinterpret_cast<LPARAM>(this));
    std::vector<std::string>().swap(m_SortTexts);
    if (sorted)
        RenumberItemData();
    return sorted;
}

CEnhancedListCtrl::CRedrawHold::CRedrawHold(CEnhancedListCtrl& list) : m_List(list)
{
    // Held already for another thread's changes, or by an outer pass: that one repaints.
    m_Held = !list.m_RedrawSuspended && ::IsWindowVisible(list.m_hWnd);
    if (!m_Held)
        return;
    list.DefWindowProc(WM_SETREDRAW, FALSE, 0);
    list.m_RedrawSuspended = true;
}

CEnhancedListCtrl::CRedrawHold::~CRedrawHold()
{
    if (m_Held)
        m_List.ResumeRedraw();
}

const char* CEnhancedListCtrl::SortTextOf(LPARAM row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_SortTexts.size())
        return "";
    return m_SortTexts[static_cast<size_t>(row)].c_str();
}

void CEnhancedListCtrl::SetSortIndicator(int column, bool ascending, bool themed)
{
    const CHeaderCtrl header = Header();
    CBitmap mark;
    for (int i = 0; i < header.GetItemCount(); ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT | HDI_BITMAP;
        if (!header.GetItem(i, item))
            continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if ((item.fmt & HDF_BITMAP) && (item.fmt & HDF_BITMAP_ON_RIGHT)) {
            item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
            item.hbm = nullptr;
        }
        if (i == column) {
            if (themed) {
                item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
            } else {
                // LR_LOADMAP3DCOLORS: the greys follow the current 3-D colours.
                mark.Attach(static_cast<HBITMAP>(::LoadImageA(AfxGetResourceHandle(),
                    MAKEINTRESOURCEA(ascending ? IDB_SORT_UP : IDB_SORT_DOWN), IMAGE_BITMAP, 0, 0,
                    LR_LOADMAP3DCOLORS)));
                if (mark) {
                    item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
                    item.hbm = mark;
                }
            }
        }
        header.SetItem(i, item);
    }
    // No heading shows the previous mark any more.
    m_SortMark = std::move(mark);
}

// ---------------------------------------------------------------- comparison

int CEnhancedListCtrl::CompareCells(SortKind kind, bool ascending, const char* first, const char* second)
{
    if (!first)
        first = "";
    if (!second)
        second = "";
    if (!ascending)
        std::swap(first, second);
    switch (kind) {
    case SortText:
        return CompareNoCase(first, second);
    case SortAddress: {
        uint32_t a = 0;
        uint32_t b = 0;
        if (!ParseAddress(first, a) || !ParseAddress(second, b))
            return 0;
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    default:
        return 0;
    }
}

int CALLBACK CEnhancedListCtrl::SortServiceListProc(LPARAM first, LPARAM second, LPARAM list)
{
    const auto* self = reinterpret_cast<const CEnhancedListCtrl*>(list);
    return CompareCells(self->m_SortKind, self->m_SortAscending, self->SortTextOf(first), self->SortTextOf(second));
}

bool CEnhancedListCtrl::IsThemingActive()
{
    // Decided once, at the first sort mark (a local static: safe from any thread): the common
    // controls' version is that of the DLL the process loaded, and loading and freeing two
    // DLLs for every mark held up the window's thread at the end of a run.
    static const bool themed = [] {
        {
            const CLibrary uxtheme("UxTheme.dll");
            const auto isAppThemed = uxtheme.GetProc<BOOL(WINAPI*)()>("IsAppThemed");
            const auto isThemeActive = uxtheme.GetProc<BOOL(WINAPI*)()>("IsThemeActive");
            if (!isAppThemed || !isThemeActive || !isAppThemed() || !isThemeActive())
                return false;
        }
        const CLibrary comctl("comctl32.dll");
        const auto getVersion = comctl.GetProc<DLLGETVERSIONPROC>("DllGetVersion");
        if (!getVersion)
            return false;
        DLLVERSIONINFO version{};
        version.cbSize = sizeof(version);
        if (FAILED(getVersion(&version)))
            return false;
        return version.dwMajorVersion >= 6;
    }();
    return themed;
}

// ---------------------------------------------------------------- messages

LRESULT CEnhancedListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER:
        if (wp != kRedrawTimerId)
            break;
        ResumeRedraw();
        return 0;
    case LVM_SETCOLUMNWIDTH:
        if (!OnSetColumnWidth(static_cast<int>(wp)))
            return 0;
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<NMHDR*>(lp), result))
            return result;
        break;
    }
    case WM_SIZE: {
        const LRESULT result = DefWindowProc(msg, wp, lp);
        OnSize();
        return result;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        RelayToRowTip(msg, wp, lp);
        break;
    default:
        break;
    }
    return DefWindowProc(msg, wp, lp);
}

void CEnhancedListCtrl::RelayToRowTip(UINT msg, WPARAM wp, LPARAM lp)
{
    if (!m_RowTipToolAdded)
        return;
    if (HWND tip = reinterpret_cast<HWND>(SendMessage(LVM_GETTOOLTIPS))) {
        MSG relayed{m_hWnd, msg, wp, lp, static_cast<DWORD>(::GetMessageTime()), {}};
        ::SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
}

bool CEnhancedListCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT& result)
{
    if (msg != WM_NOTIFY)
        return false;
    auto* header = reinterpret_cast<NMHDR*>(lp);
    switch (header->code) {
    case NM_CUSTOMDRAW:
        result = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
        return true;
    case LVN_COLUMNCLICK:
        OnColumnClick(*reinterpret_cast<const NMLISTVIEW*>(lp));
        result = 0;
        return true;
    default:
        return false;
    }
}

bool CEnhancedListCtrl::OnNotify(NMHDR& header, LRESULT& result)
{
    // The header's notifications differ between A and W only in the item's text pointer,
    // which is not read here.
    if (header.hwndFrom == GetHeaderCtrl()) {
        const auto& notice = reinterpret_cast<const NMHEADERA&>(header);
        switch (header.code) {
        case HDN_BEGINTRACKA:
        case HDN_BEGINTRACKW:
            if (!OnBeginTrack(notice))
                return false;
            result = TRUE;
            return true;
        case HDN_ITEMCHANGINGA:
        case HDN_ITEMCHANGINGW:
            if (!OnHeaderItemChanging(notice))
                return false;
            result = TRUE;
            return true;
        default:
            return false;
        }
    }
    if ((header.code == TTN_NEEDTEXTA || header.code == TTN_NEEDTEXTW) && header.idFrom == 0 &&
        header.hwndFrom == reinterpret_cast<HWND>(SendMessage(LVM_GETTOOLTIPS))) {
        if (!OnToolTipText(header))
            return false;
        result = TRUE;
        return true;
    }
    return false;
}

LRESULT CEnhancedListCtrl::OnCustomDraw(NMLVCUSTOMDRAW& draw) const
{
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        COLORREF text = 0;
        COLORREF back = 0;
        if (m_ColorColumnsAdded && ReadRowColors(row, text, back)) {
            draw.clrText = text;
            draw.clrTextBk = back;
        }
        return CDRF_NOTIFYPOSTPAINT;
    }
    case CDDS_ITEMPOSTPAINT: {
        // A selected row's icon again, without the selection tint.
        HIMAGELIST images = GetImageList(LVSIL_SMALL);
        if (!images || !(GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED))
            return CDRF_DODEFAULT;
        RECT icon{};
        if (!GetItemRect(row, icon, LVIR_ICON))
            return CDRF_DODEFAULT;
        ::ImageList_Draw(images, GetItemImage(row), draw.nmcd.hdc, icon.left, icon.top, ILD_TRANSPARENT);
        return CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void CEnhancedListCtrl::OnColumnClick(const NMLISTVIEW& click)
{
    const int column = click.iSubItem;
    if (column < 0 || column >= kMaxSortColumns || m_ColumnSortKinds[column] == SortNone)
        return;
    m_SortColumn = column;
    m_SortKind = m_ColumnSortKinds[column];
    SetFocus();
    // One direction for all headings: every click on a sortable one turns it round.
    m_SortAscending = !m_SortAscending;
    if (!SortRows())
        return;
    SetSortIndicator(column, m_SortAscending, IsThemingActive());
}

bool CEnhancedListCtrl::OnBeginTrack(const NMHEADERA& track) const
{
    return IsColorColumn(track.iItem);
}

bool CEnhancedListCtrl::OnHeaderItemChanging(const NMHEADERA& change) const
{
    // Catches the widenings that do not pass LVM_SETCOLUMNWIDTH, such as the list view's
    // answer to a double click on a divider.
    return IsColorColumn(change.iItem) && change.pitem && (change.pitem->mask & HDI_WIDTH) && change.pitem->cxy != 0;
}

bool CEnhancedListCtrl::OnSetColumnWidth(int column) const
{
    return !IsColorColumn(column);
}

bool CEnhancedListCtrl::OnToolTipText(NMHDR& header)
{
    if (m_ListTipText.empty())
        return false;
    if (header.code == TTN_NEEDTEXTA) {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        ::lstrcpynA(info.szText, m_ListTipText.c_str(), kTipCapacity);
        info.lpszText = info.szText;
        info.hinst = nullptr;
        return true;
    }
    auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
    const int length = ::MultiByteToWideChar(CP_THREAD_ACP, 0, m_ListTipText.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_THREAD_ACP, 0, m_ListTipText.c_str(), -1, &wide[0], length);
    ::lstrcpynW(info.szText, wide.c_str(), kTipCapacity);
    info.lpszText = info.szText;
    info.hinst = nullptr;
    return true;
}

void CEnhancedListCtrl::OnSize()
{
    if (!m_RowTipToolAdded)
        return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = 0;
    tool.rect = GetClientRect();
    ::SendMessageA(reinterpret_cast<HWND>(SendMessage(LVM_GETTOOLTIPS)), TTM_NEWTOOLRECTA, 0,
                   reinterpret_cast<LPARAM>(&tool));
}
