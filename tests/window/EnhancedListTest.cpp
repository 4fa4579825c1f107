// The results list: header height, sorting by heading clicks, row colours, hidden colour
// columns, sort marks, the row tooltip and rows found by address while threads write them.
#include "controls/EnhancedListCtrl.h"
#include "res/resource.h"
#include "ListTestHost.h"
#include "TestResultsList.h"
#include "PointerSupport.h"
#include "WindowTestSupport.h"
#include "winlib/DC.h"
#include "winlib/GdiObject.h"
#include "winlib/Thread.h"

#include "PixelSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Kind = CEnhancedListCtrl::SortKind;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// ---------------------------------------------------------------- input and pixels

POINT ToScreen(HWND hwnd, int x, int y)
{
    POINT point{x, y};
    ::ClientToScreen(hwnd, &point);
    return point;
}

void PressAndRelease()
{
    LeftButton(true);
    PumpUntilHandled();
    LeftButton(false);
    PumpUntilHandled();
}

// A click of its own: a second click on the same spot within the double-click time would
// be taken as a double click, so it waits out what is left of that time.
void ClickAt(POINT screen)
{
    static POINT s_LastSpot{-1, -1};
    static DWORD s_LastAt = 0;
    if (screen.x == s_LastSpot.x && screen.y == s_LastSpot.y)
        PumpUntil([] { return ::GetTickCount() - s_LastAt > ::GetDoubleClickTime(); });
    MovePointerTo(screen);
    PressAndRelease();
    s_LastSpot = screen;
    s_LastAt = ::GetTickCount();
}

void DragBy(POINT from, int dx)
{
    MovePointerTo(from);
    LeftButton(true);
    PumpUntilHandled();
    for (int step = 1; step <= 8; ++step)
        MovePointerTo(POINT{from.x + dx * step / 8, from.y});
    LeftButton(false);
    PumpUntilHandled();
}

void DoubleClickAt(POINT screen)
{
    MovePointerTo(screen);
    PressAndRelease();
    PressAndRelease();
}

Image CaptureRedrawnList(HWND hwnd)
{
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpUntilHandled();
    return CaptureClient(hwnd);
}

bool IsRedInk(COLORREF pixel) { return GetRValue(pixel) >= 180 && GetGValue(pixel) <= 90 && GetBValue(pixel) <= 90; }
bool IsDarkInk(COLORREF pixel) { return GetRValue(pixel) <= 90 && GetGValue(pixel) <= 90 && GetBValue(pixel) <= 90; }
bool IsWhite(COLORREF pixel) { return pixel == RGB(255, 255, 255); }

// The pixels of a bitmap, 0x00RRGGBB by row.
std::vector<DWORD> BitmapPixels(HBITMAP bitmap, int& width, int& height)
{
    BITMAP header{};
    ::GetObjectA(bitmap, sizeof(header), &header);
    width = header.bmWidth;
    height = header.bmHeight;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    CClientDC screen(nullptr);
    ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

DWORD AsPixel(COLORREF color)
{
    return (static_cast<DWORD>(GetRValue(color)) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

// The sort marks as drawn: L the 3-D face, D the 3-D shadow (LR_LOADMAP3DCOLORS maps the
// bitmaps' greys to them), W white. Rows 0-3 and 11-13 are face only.
const char* const kDescendingMark[] = {"LLLDDDDDDDDLLL", "LLLDDLLLLWWLLL", "LLLLDLLLLWLLLL", "LLLLDDLLWWLLLL",
                                       "LLLLLDLLWLLLLL", "LLLLLDDWWLLLLL", "LLLLLLDWLLLLLL"};
const char* const kAscendingMark[] = {"LLLLLLDWLLLLLL", "LLLLLDDWWLLLLL", "LLLLLDLLWLLLLL", "LLLLDDLLWWLLLL",
                                      "LLLLDLLLLWLLLL", "LLLDDLLLLWWLLL", "LLLWWWWWWWWLLL"};

bool MatchesMark(HBITMAP bitmap, const char* const rows[7])
{
    int width = 0;
    int height = 0;
    const std::vector<DWORD> pixels = BitmapPixels(bitmap, width, height);
    if (width != 14 || height != 14)
        return false;
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 14; ++x) {
            const char code = y >= 4 && y <= 10 ? rows[y - 4][x] : 'L';
            const DWORD expected = code == 'W'   ? 0xFFFFFF
                                   : code == 'D' ? AsPixel(::GetSysColor(COLOR_3DSHADOW))
                                                 : AsPixel(::GetSysColor(COLOR_3DFACE));
            if (pixels[static_cast<size_t>(y) * 14 + x] != expected)
                return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- the list as the main window sets it up

struct Row {
    const char* address;
    const char* name;
    const char* mac;
    const char* description;
};

class ResultsList : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Results.IsCreated());
        PumpUntilHandled();
    }

    // Appends rows as the probes do: at the end, image 0, item data 0.
    void AddRows(const std::vector<Row>& rows)
    {
        for (const Row& row : rows) {
            const int index = m_List.InsertItem(m_List.GetItemCount(), row.address, 0);
            m_List.SetItemText(index, 1, row.name);
            m_List.SetItemText(index, 2, row.mac);
            m_List.SetItemText(index, 3, row.description);
        }
    }

    std::vector<std::string> Column(int column) const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < m_List.GetItemCount(); ++row)
            texts.push_back(m_List.GetItemText(row, column));
        return texts;
    }

    void ExpectItemDataIsIndex() const
    {
        for (int row = 0; row < m_List.GetItemCount(); ++row)
            EXPECT_EQ(m_List.GetItemData(row), row) << "row " << row;
    }

    HWND HeaderWindow() const { return m_List.GetHeaderCtrl(); }

    POINT HeadingCentre(int column) const
    {
        RECT rect{};
        ::SendMessageA(HeaderWindow(), HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&rect));
        return ToScreen(HeaderWindow(), (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }

    POINT DividerRightOf(int column) const
    {
        RECT rect{};
        ::SendMessageA(HeaderWindow(), HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&rect));
        return ToScreen(HeaderWindow(), rect.right, (rect.top + rect.bottom) / 2);
    }

    void ClickHeading(int column) const { ClickAt(HeadingCentre(column)); }

    // What the list sends its parent when a heading is clicked; the parent reflects it.
    void NotifyColumnClick(int column) const { m_Results.ClickHeading(column); }

    HDITEMA HeaderItem(int column) const
    {
        HDITEMA item{};
        item.mask = HDI_FORMAT | HDI_BITMAP;
        ::SendMessageA(HeaderWindow(), HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        return item;
    }

    // Which heading carries a bitmap mark and which one; -1 when none. Fails when two do.
    int MarkedColumn(bool& ascending) const
    {
        int marked = -1;
        for (int column = 0; column < ::SendMessageA(HeaderWindow(), HDM_GETITEMCOUNT, 0, 0); ++column) {
            const HDITEMA item = HeaderItem(column);
            const bool hasMark = (item.fmt & HDF_BITMAP) && (item.fmt & HDF_BITMAP_ON_RIGHT) && item.hbm;
            EXPECT_FALSE(item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) << "column " << column;
            if (!hasMark) {
                EXPECT_EQ(item.hbm, nullptr) << "column " << column;
                continue;
            }
            EXPECT_EQ(marked, -1) << "a second heading keeps a mark: " << column;
            marked = column;
            const bool up = MatchesMark(item.hbm, kAscendingMark);
            const bool down = MatchesMark(item.hbm, kDescendingMark);
            EXPECT_NE(up, down) << "column " << column << " shows neither sort bitmap";
            ascending = up;
        }
        return marked;
    }

    // The mark the list chooses: the header's own arrows where themes are active, bitmaps
    // otherwise (so under Wine, whose comctl32 reports version 5.81).
    void ExpectMark(int column, bool ascending, bool themed = CEnhancedListCtrl::IsThemingActive()) const
    {
        if (themed) {
            for (int i = 0; i < ::SendMessageA(HeaderWindow(), HDM_GETITEMCOUNT, 0, 0); ++i) {
                const HDITEMA item = HeaderItem(i);
                EXPECT_EQ((item.fmt & HDF_SORTUP) != 0, i == column && ascending) << "column " << i;
                EXPECT_EQ((item.fmt & HDF_SORTDOWN) != 0, i == column && !ascending) << "column " << i;
                EXPECT_FALSE(item.fmt & HDF_BITMAP) << "column " << i;
            }
            return;
        }
        bool markAscending = false;
        EXPECT_EQ(MarkedColumn(markAscending), column);
        EXPECT_EQ(markAscending, ascending) << "mark on column " << column;
    }

    CTestResultsList m_Results;
    CEnhancedListCtrl& m_List = m_Results.List();
};

const std::vector<Row> kHosts = {
    {"192.168.1.100", "beta", "00-11-22-33-44-01", "Router"},
    {"192.168.1.9", "Alpha", "00-11-22-33-44-02", "Host"},
    {"192.168.1.10", "delta", "00-11-22-33-44-03", "Host"},
    {"192.168.1.2", "Charlie", "00-11-22-33-44-04", "My Computer"},
    {"192.168.1.55", "echo", "00-11-22-33-44-05", "Host"},
};

// ---------------------------------------------------------------- comparison

TEST(ResultsListOrder, CellComparisonByKindAndDirection)
{
    struct Case {
        Kind kind;
        bool ascending;
        const char* first;
        const char* second;
        int sign;
    };
    const Case cases[] = {
        {Kind::SortAddress, true, "192.168.1.9", "192.168.1.10", -1},
        {Kind::SortAddress, true, "192.168.1.10", "192.168.1.100", -1},
        {Kind::SortAddress, true, "192.168.1.9", "192.168.1.100", -1},
        {Kind::SortAddress, true, "192.168.1.100", "192.168.1.9", 1},
        {Kind::SortAddress, true, "192.168.1.7", "192.168.1.7", 0},
        {Kind::SortAddress, false, "192.168.1.9", "192.168.1.10", 1},
        {Kind::SortAddress, false, "192.168.1.100", "192.168.1.10", -1},
        // Far apart: a difference taken as a signed number would turn round.
        {Kind::SortAddress, true, "10.0.0.1", "200.0.0.1", -1},
        {Kind::SortAddress, true, "0.0.0.0", "255.255.255.255", -1},
        {Kind::SortAddress, false, "0.0.0.0", "255.255.255.255", 1},
        // Anything that is not a dotted address compares equal to everything.
        {Kind::SortAddress, true, "192.168.1.x", "192.168.1.1", 0},
        {Kind::SortAddress, true, "192.168.1.1", "", 0},
        {Kind::SortAddress, false, "host", "192.168.1.1", 0},
        {Kind::SortAddress, true, "192.168.1.256", "192.168.1.1", 0},
        {Kind::SortText, true, "alpha", "ALPHA", 0},
        {Kind::SortText, false, "Alpha", "aLPHA", 0},
        {Kind::SortText, true, "abc", "abd", -1},
        {Kind::SortText, true, "Zed", "apple", 1},
        {Kind::SortText, true, "apple", "Zed", -1},
        {Kind::SortText, false, "apple", "Zed", 1},
        {Kind::SortText, true, "ab", "AB-1", -1},
        {Kind::SortText, true, "", "a", -1},
        {Kind::SortText, true, "\xE9t\xE9", "zed", 1},  // bytes past ASCII by their unsigned value
        {Kind::SortNone, true, "a", "b", 0},
        {static_cast<Kind>(2), true, "a", "b", 0},
    };
    for (const Case& c : cases) {
        const int result = CEnhancedListCtrl::CompareCells(c.kind, c.ascending, c.first, c.second);
        const int sign = result < 0 ? -1 : (result > 0 ? 1 : 0);
        EXPECT_EQ(sign, c.sign) << "kind " << c.kind << (c.ascending ? " ascending " : " descending ") << '"'
                                << c.first << "\" vs \"" << c.second << '"';
    }
}

// ---------------------------------------------------------------- header

TEST_F(ResultsList, HeaderIsTwentyEightPixelsAndRowsStartBelowItWhateverTheFont)
{
    AddRows(kHosts);
    auto expectHeight = [&](const char* when) {
        RECT frame{};
        ::GetWindowRect(HeaderWindow(), &frame);
        EXPECT_EQ(frame.bottom - frame.top, 28) << when;
        RECT row{};
        EXPECT_TRUE(m_List.GetItemRect(0, row, LVIR_BOUNDS));
        EXPECT_EQ(row.top, 28) << when;
    };
    expectHeight("after AttachHeaderCtrl and the header font");

    CFont large(CreateUiFont("MS Shell Dlg", 30, 700));
    ::SendMessageA(HeaderWindow(), WM_SETFONT, reinterpret_cast<WPARAM>(large.Get()), TRUE);
    PumpUntilHandled();
    expectHeight("after a large header font");

    // A font given to the list reaches its header too and makes the list lay it out again.
    m_List.SetFont(large);
    PumpUntilHandled();
    expectHeight("after a large list font");

    const RECT frame = m_List.GetWindowRect();
    ::SetWindowPos(m_List, nullptr, 0, 0, frame.right - frame.left - 40, frame.bottom - frame.top - 20,
                   SWP_NOMOVE | SWP_NOZORDER);
    PumpUntilHandled();
    expectHeight("after a resize");
}

TEST(ResultsListHeader, AttachHeaderCtrlLaysTheHeaderOutAtOnce)
{
    CListTestHost host;
    CEnhancedListCtrl list;
    ASSERT_TRUE(list.SubclassWindow(host.List()));
    list.InsertColumn(0, "Host IP Address", LVCFMT_LEFT, 140);
    list.InsertItem(0, "192.168.1.1", 0);
    PumpUntilHandled();
    const RECT frame = list.GetWindowRect();
    const bool wasVisible = ::IsWindowVisible(list) != FALSE;

    list.AttachHeaderCtrl();
    EXPECT_TRUE(list.GetHeader().IsSubclassed());
    RECT header{};
    ::GetWindowRect(list.GetHeaderCtrl(), &header);
    EXPECT_EQ(header.bottom - header.top, 28);
    RECT row{};
    EXPECT_TRUE(list.GetItemRect(0, row, LVIR_BOUNDS));
    EXPECT_EQ(row.top, 28);
    // The list is where and as large as it was, and shown again.
    const RECT after = list.GetWindowRect();
    EXPECT_TRUE(::EqualRect(&frame, &after));
    EXPECT_EQ(::IsWindowVisible(list) != FALSE, wasVisible);
}

// ---------------------------------------------------------------- sorting

TEST_F(ResultsList, EveryClickOnASortableHeadingSortsAndTurnsTheOneDirectionRound)
{
    // Rows straight from the probes carry item data 0 and have never been renumbered.
    AddRows(kHosts);
    ExpectMark(0, true);

    struct Step {
        int column;
        std::vector<std::string> addresses;
        bool ascending;
    };
    const Step steps[] = {
        // Set-up left the direction ascending, so the first click turns it to descending.
        {0, {"192.168.1.100", "192.168.1.55", "192.168.1.10", "192.168.1.9", "192.168.1.2"}, false},
        {1, {"192.168.1.9", "192.168.1.100", "192.168.1.2", "192.168.1.10", "192.168.1.55"}, true},
        {1, {"192.168.1.55", "192.168.1.10", "192.168.1.2", "192.168.1.100", "192.168.1.9"}, false},
        {0, {"192.168.1.2", "192.168.1.9", "192.168.1.10", "192.168.1.55", "192.168.1.100"}, true},
        {3, {"192.168.1.9", "192.168.1.10", "192.168.1.55", "192.168.1.2", "192.168.1.100"}, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "click on column " << step.column);
        ClickHeading(step.column);
        if (step.column == 3) {
            // Descending by description; the three "Host" rows keep no fixed order.
            const std::vector<std::string> descriptions = Column(3);
            EXPECT_EQ(descriptions, (std::vector<std::string>{"Router", "My Computer", "Host", "Host", "Host"}));
        } else {
            EXPECT_EQ(Column(0), step.addresses);
        }
        ExpectItemDataIsIndex();
        ExpectMark(step.column, step.ascending);
    }
    // The rows keep their cells together.
    for (int row = 0; row < m_List.GetItemCount(); ++row) {
        const std::string address = m_List.GetItemText(row, 0);
        for (const Row& host : kHosts) {
            if (address == host.address) {
                EXPECT_EQ(m_List.GetItemText(row, 2), host.mac);
            }
        }
    }
    EXPECT_EQ(::GetFocus(), m_List.m_hWnd);
}

TEST_F(ResultsList, ColumnsThatDoNotSortIgnoreClicks)
{
    AddRows(kHosts);
    m_List.SetColumnSortType(2, CEnhancedListCtrl::SortNone);
    const std::vector<std::string> before = Column(0);

    ClickHeading(2);
    NotifyColumnClick(4);  // the hidden colour columns cannot be clicked, but say so anyway
    NotifyColumnClick(5);
    EXPECT_EQ(Column(0), before);
    ExpectMark(0, true);
    for (int row = 0; row < m_List.GetItemCount(); ++row)
        EXPECT_EQ(m_List.GetItemData(row), 0) << "nothing renumbered";

    // The direction did not turn: the next sortable click is the first turn.
    ClickHeading(0);
    EXPECT_EQ(Column(0),
              (std::vector<std::string>{"192.168.1.100", "192.168.1.55", "192.168.1.10", "192.168.1.9", "192.168.1.2"}));
    ExpectMark(0, false);
}

TEST_F(ResultsList, SortColumnSortsByAddressAscendingAndLeavesTheMarkAlone)
{
    AddRows(kHosts);
    ClickHeading(1);  // descending by name
    ExpectMark(1, false);

    EXPECT_TRUE(m_List.SortColumn());
    EXPECT_EQ(Column(0),
              (std::vector<std::string>{"192.168.1.2", "192.168.1.9", "192.168.1.10", "192.168.1.55", "192.168.1.100"}));
    ExpectItemDataIsIndex();
    ExpectMark(1, false);

    // SortColumn left the direction ascending: the next click turns it to descending.
    ClickHeading(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"echo", "delta", "Charlie", "beta", "Alpha"}));

    m_List.SetColumnSortType(0, CEnhancedListCtrl::SortNone);
    const std::vector<std::string> before = Column(0);
    EXPECT_FALSE(m_List.SortColumn());
    EXPECT_EQ(Column(0), before);
}

TEST_F(ResultsList, RenumberItemDataNumbersEveryRowAndCountsThem)
{
    AddRows(kHosts);
    m_List.SetItemData(3, 77);
    EXPECT_EQ(m_List.RenumberItemData(), 5);
    ExpectItemDataIsIndex();
    m_List.DeleteAllItems();
    EXPECT_EQ(m_List.RenumberItemData(), 0);
}

// Between two sorts the rows change in every way a list allows; the second sort must still
// read each row's own text, whatever item data the change left behind.
TEST_F(ResultsList, ASortAfterTheRowsChangedOrdersThemAll)
{
    struct Change {
        const char* what;
        std::function<void(CEnhancedListCtrl&)> apply;
        std::vector<std::string> ascending;
    };
    const std::vector<std::string> all = {"192.168.1.2", "192.168.1.9", "192.168.1.10", "192.168.1.55",
                                          "192.168.1.100"};
    const auto with = [&all](const char* address) {
        std::vector<std::string> rows = all;
        rows.insert(rows.begin(), address);
        return rows;
    };
    const Change changes[] = {
        {"a row appended at the end",
         [](CEnhancedListCtrl& list) { list.AppendRow("192.168.1.1", 0, {{1, "new"}}, kBlack); },
         with("192.168.1.1")},
        {"a row inserted at the top with item data 0",
         [](CEnhancedListCtrl& list) { list.InsertItem(0, "192.168.1.1", 0); }, with("192.168.1.1")},
        {"a row's item data set to another row's index",
         [](CEnhancedListCtrl& list) { list.SetItemData(4, 0); }, all},
        {"the first row deleted, so every other row's item data is one too high",
         [](CEnhancedListCtrl& list) { list.SendMessage(LVM_DELETEITEM, 0); },
         {"192.168.1.9", "192.168.1.10", "192.168.1.55", "192.168.1.100"}},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        m_List.DeleteAllItems();
        AddRows(kHosts);
        ASSERT_TRUE(m_List.SortColumn());
        ASSERT_EQ(Column(0), all);
        change.apply(m_List);
        ASSERT_TRUE(m_List.SortColumn());
        EXPECT_EQ(Column(0), change.ascending);
        ExpectItemDataIsIndex();
    }
}

// ---------------------------------------------------------------- sort marks

TEST_F(ResultsList, WithoutThemesTheSortedHeadingAloneShowsTheBitmapOfItsDirection)
{
    m_List.SetSortIndicator(0, true, false);
    ExpectMark(0, true, false);
    m_List.SetSortIndicator(3, false, false);
    ExpectMark(3, false, false);
    m_List.SetSortIndicator(3, true, false);
    ExpectMark(3, true, false);
    m_List.SetSortIndicator(1, false, false);
    ExpectMark(1, false, false);
    m_List.SetSortIndicator(-1, true, false);
    bool ascending = false;
    EXPECT_EQ(MarkedColumn(ascending), -1);
    // The headings keep their text.
    char text[64] = "";
    HDITEMA item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    ::SendMessageA(HeaderWindow(), HDM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "Host Name");
}

TEST_F(ResultsList, WithThemesTheSortedHeadingAloneCarriesTheHeadersArrow)
{
    m_List.SetSortIndicator(2, true, true);
    for (int column = 0; column < 6; ++column) {
        const HDITEMA item = HeaderItem(column);
        EXPECT_EQ((item.fmt & HDF_SORTUP) != 0, column == 2) << column;
        EXPECT_FALSE(item.fmt & HDF_SORTDOWN) << column;
        EXPECT_FALSE(item.fmt & HDF_BITMAP) << "the bitmap of set-up is gone from " << column;
    }
    m_List.SetSortIndicator(0, false, true);
    for (int column = 0; column < 6; ++column) {
        const HDITEMA item = HeaderItem(column);
        EXPECT_EQ((item.fmt & HDF_SORTDOWN) != 0, column == 0) << column;
        EXPECT_FALSE(item.fmt & HDF_SORTUP) << column;
    }
    // And back to bitmaps: no arrow flag stays behind.
    m_List.SetSortIndicator(1, true, false);
    ExpectMark(1, true, false);
}

// ---------------------------------------------------------------- colours

TEST(ResultsListColours, NothingChangesBeforeTheColourColumnsExist)
{
    CListTestHost host;
    CEnhancedListCtrl list;
    ASSERT_TRUE(list.SubclassWindow(host.List()));
    list.InsertColumn(0, "Host IP Address", LVCFMT_LEFT, 140);
    list.InsertColumn(1, "Host Name", LVCFMT_LEFT, 180);
    list.InsertItem(0, "192.168.1.1", 0);

    EXPECT_FALSE(list.SetRowColors(0, kRed));
    list.SetRowByKey("192.168.1.1", {}, kRed);
    EXPECT_EQ(::SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(list.GetItemText(0, 1), "");
    EXPECT_EQ(list.GetBackColorColumn(), -1);
    // Widths of any column pass while there are no colour columns.
    EXPECT_TRUE(list.SetColumnWidth(1, 50));
    EXPECT_EQ(list.GetColumnWidth(1), 50);

    list.AddColorCodeColumns();
    list.AddColorCodeColumns();
    ASSERT_EQ(::SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(list.GetBackColorColumn(), 2);
    EXPECT_EQ(list.GetTextColorColumn(), 3);
    const char* headings[] = {"Back Color Code", "Text Color Code"};
    for (int column = 2; column < 4; ++column) {
        char text[64] = "";
        LVCOLUMNA info{};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        info.pszText = text;
        info.cchTextMax = sizeof(text);
        list.SendMessage(LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(text, headings[column - 2]);
        EXPECT_EQ(info.cx, 0);
        EXPECT_EQ(info.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
    EXPECT_TRUE(list.SetRowColors(0, kRed));
    EXPECT_EQ(list.GetItemText(0, 3), "255");
    EXPECT_EQ(list.GetItemText(0, 2), "16777215");
}

TEST_F(ResultsList, SetRowColorsStoresTheTextColourAndWhite)
{
    AddRows(kHosts);
    EXPECT_TRUE(m_List.SetRowColors(1, kRed));
    EXPECT_EQ(m_List.GetItemText(1, 5), "255");
    EXPECT_EQ(m_List.GetItemText(1, 4), "16777215");
    EXPECT_TRUE(m_List.SetRowColors(1, RGB(0, 0, 255)));
    EXPECT_EQ(m_List.GetItemText(1, 5), "16711680");
    EXPECT_TRUE(m_List.SetRowColors(1, kBlack));
    EXPECT_EQ(m_List.GetItemText(1, 5), "0");
    EXPECT_EQ(m_List.GetItemText(0, 5), "") << "other rows untouched";
    EXPECT_FALSE(m_List.SetRowColors(5, kRed));
    EXPECT_FALSE(m_List.SetRowColors(-1, kRed));
}

TEST_F(ResultsList, ARowIsDrawnInItsColoursOnlyWhenBothColourCellsAreFilled)
{
    AddRows(kHosts);
    m_List.SetRowColors(1, kRed);
    m_List.SetItemText(2, 5, "255");  // text colour without background
    m_List.SetItemText(3, 4, "16777215");
    m_List.SetItemText(3, 5, "");
    m_List.SetItemText(4, 5, "red");  // not a colour value
    m_List.SetItemText(4, 4, "16777215");

    const Image capture = CaptureRedrawnList(m_List);
    ASSERT_FALSE(capture.Empty());
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(testing::Message() << "row " << row);
        RECT bounds{};
        ASSERT_TRUE(m_List.GetItemRect(row, bounds, LVIR_BOUNDS));
        RECT label = bounds;  // the address, right of the icon
        m_List.GetItemRect(row, label, LVIR_LABEL);
        RECT name = bounds;  // the name cell
        name.left = 140;
        name.right = 320;
        const int red = capture.CountIn(label, IsRedInk) + capture.CountIn(name, IsRedInk);
        const int dark = capture.CountIn(label, IsDarkInk) + capture.CountIn(name, IsDarkInk);
        if (row == 1) {
            EXPECT_GT(capture.CountIn(label, IsRedInk), 10);
            EXPECT_GT(capture.CountIn(name, IsRedInk), 10) << "the whole row is red";
            EXPECT_EQ(dark, 0);
            EXPECT_TRUE(IsWhite(capture.At(bounds.right - 5, (bounds.top + bounds.bottom) / 2)));
            EXPECT_TRUE(IsWhite(capture.At(label.right - 2, bounds.top + 1)));
        } else {
            EXPECT_EQ(red, 0);
            EXPECT_GT(dark, 10) << "default text colour";
        }
    }
}

TEST_F(ResultsList, ASelectedRowShowsItsIconUntinted)
{
    AddRows(kHosts);
    // An opaque blue square as the row image, so that any tint shows.
    constexpr COLORREF kIconBlue = RGB(0, 0, 255);
    HIMAGELIST images = ::ImageList_Create(24, 24, ILC_COLOR24, 1, 1);
    {
        CClientDC screen(nullptr);
        CBitmap square(::CreateCompatibleBitmap(screen, 24, 24));
        CMemDC memory(screen);
        {
            CSelectObject select(memory, square);
            CBrush blue(::CreateSolidBrush(kIconBlue));
            const RECT all{0, 0, 24, 24};
            ::FillRect(memory, &all, blue);
        }
        ::ImageList_Add(images, square, nullptr);
    }
    ::ImageList_Destroy(m_List.SetImageList(images, LVSIL_SMALL));
    m_List.SetFocus();
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    m_List.SendMessage(LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));

    const Image capture = CaptureRedrawnList(m_List);
    ASSERT_FALSE(capture.Empty());
    for (int row : {1, 2}) {
        RECT icon{};
        ASSERT_TRUE(m_List.GetItemRect(row, icon, LVIR_ICON));
        const RECT square{icon.left, icon.top, icon.left + 24, icon.top + std::min(24L, icon.bottom - icon.top)};
        const int area = (square.right - square.left) * (square.bottom - square.top);
        EXPECT_EQ(capture.CountIn(square, [](COLORREF pixel) { return pixel == RGB(0, 0, 255); }), area)
            << "row " << row;
    }
}

// ---------------------------------------------------------------- hidden columns keep their width

TEST_F(ResultsList, ColourColumnsRefuseEveryWidthAndTheirDividersDoNotMove)
{
    AddRows(kHosts);
    for (int column = 0; column < 6; ++column) {
        SCOPED_TRACE(testing::Message() << "column " << column);
        const bool hidden = column >= 4;
        EXPECT_EQ(m_List.SetColumnWidth(column, 90), !hidden);
        EXPECT_EQ(m_List.GetColumnWidth(column), hidden ? 0 : 90);
        // The other way in, through the column's attributes.
        LVCOLUMNA info{};
        info.mask = LVCF_WIDTH;
        info.cx = 75;
        m_List.SendMessage(LVM_SETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(m_List.GetColumnWidth(column), hidden ? 0 : 75);

        for (UINT code : {static_cast<UINT>(HDN_BEGINTRACKA), static_cast<UINT>(HDN_BEGINTRACKW)}) {
            HDITEMA item{};
            NMHEADERA track{};
            track.hdr.hwndFrom = HeaderWindow();
            track.hdr.idFrom = 0;
            track.hdr.code = code;
            track.iItem = column;
            track.pitem = &item;
            EXPECT_EQ(m_List.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&track)), hidden ? TRUE : FALSE);
        }
    }
    // Narrower than set-up, so that the right edge of the Description column is on screen.
    for (int column = 0; column < 4; ++column)
        m_List.SetColumnWidth(column, column == 0 ? 140 : 150);
    PumpUntilHandled();

    // Dragging the first divider resizes the first column.
    DragBy(DividerRightOf(0), 40);
    EXPECT_EQ(m_List.GetColumnWidth(0), 180);
    m_List.SetColumnWidth(0, 140);
    PumpUntilHandled();

    // The hidden columns' dividers lie on the right edge of the Description column; just left
    // of it the Description column itself can still be widened.
    const POINT edge = DividerRightOf(3);
    RECT header{};
    ::GetWindowRect(HeaderWindow(), &header);
    ASSERT_LT(edge.x + 2, header.right) << "the edge must be on screen";
    DragBy(POINT{edge.x - 2, edge.y}, 30);
    EXPECT_EQ(m_List.GetColumnWidth(3), 180);
    m_List.SetColumnWidth(3, 150);
    PumpUntilHandled();
    for (int dx : {0, 1}) {
        SCOPED_TRACE(testing::Message() << dx << " pixels right of the edge");
        const POINT hiddenDividers{edge.x + dx, edge.y};
        DragBy(hiddenDividers, 60);
        EXPECT_EQ(m_List.GetColumnWidth(4), 0);
        EXPECT_EQ(m_List.GetColumnWidth(5), 0);
        DoubleClickAt(hiddenDividers);
        EXPECT_EQ(m_List.GetColumnWidth(4), 0);
        EXPECT_EQ(m_List.GetColumnWidth(5), 0);
        EXPECT_EQ(m_List.GetColumnWidth(3), 150);
    }
    EXPECT_EQ(m_List.GetItemText(0, 0), "192.168.1.100") << "no click reached a heading";
}

// ---------------------------------------------------------------- tooltip

TEST_F(ResultsList, RowTooltipAsksTheListForItsFixedText)
{
    HWND tip = reinterpret_cast<HWND>(m_List.SendMessage(LVM_GETTOOLTIPS));
    ASSERT_NE(tip, nullptr);

    NMTTDISPINFOA narrow{};
    narrow.hdr.hwndFrom = tip;
    narrow.hdr.idFrom = 0;
    narrow.hdr.code = TTN_NEEDTEXTA;
    EXPECT_EQ(m_List.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&narrow)), TRUE);
    EXPECT_STREQ(narrow.lpszText, "Right click here to copy the IP Address");

    NMTTDISPINFOW wide{};
    wide.hdr.hwndFrom = tip;
    wide.hdr.idFrom = 0;
    wide.hdr.code = TTN_NEEDTEXTW;
    EXPECT_EQ(m_List.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&wide)), TRUE);
    EXPECT_STREQ(wide.lpszText, L"Right click here to copy the IP Address");

    // A text longer than the answer's 80 characters is cut, terminator included.
    const std::string longTip(200, 'x');
    m_List.SetListTip(longTip.c_str());
    NMTTDISPINFOA cutNarrow = narrow;
    cutNarrow.lpszText = nullptr;
    EXPECT_EQ(m_List.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&cutNarrow)), TRUE);
    EXPECT_EQ(std::string(cutNarrow.szText), longTip.substr(0, 79));
    NMTTDISPINFOW cutWide = wide;
    EXPECT_EQ(m_List.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&cutWide)), TRUE);
    EXPECT_EQ(std::wstring(cutWide.szText), std::wstring(79, L'x'));

    // Without a text the list view's own behaviour applies.
    m_List.SetListTip("");
    NMTTDISPINFOA none{};
    none.hdr = narrow.hdr;
    EXPECT_EQ(m_List.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&none)), FALSE);
    EXPECT_EQ(none.szText[0], '\0');
}

TEST_F(ResultsList, RestingThePointerOnARowShowsTheTooltipWithItsText)
{
    AddRows(kHosts);
    HWND tip = reinterpret_cast<HWND>(m_List.SendMessage(LVM_GETTOOLTIPS));
    ASSERT_NE(tip, nullptr);
    ::SetForegroundWindow(m_Results.HostWindow());
    RECT row{};
    ASSERT_TRUE(m_List.GetItemRect(1, row, LVIR_LABEL));
    MoveTo(m_List, POINT{row.left + 20, (row.top + row.bottom) / 2});
    PumpUntilHandled();
    MoveTo(m_List, POINT{row.left + 22, (row.top + row.bottom) / 2});
    const bool shown = PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; });
    const std::string text = TextOf(tip);
    ParkPointer();
    PumpUntilHandled();
    EXPECT_TRUE(shown);
    EXPECT_EQ(text, "Right click here to copy the IP Address");
}

// ---------------------------------------------------------------- rows found by address

TEST_F(ResultsList, KeyedWritesFindTheirRowAfterASortMovedIt)
{
    AddRows(kHosts);
    AddRows({{"192.168.1.1", "one", "", ""}});
    ClickHeading(0);  // descending: 192.168.1.100 moves from row 0 to the top, .1 to the bottom
    ASSERT_EQ(m_List.GetItemText(5, 0), "192.168.1.1");

    m_List.SetRowByKey("192.168.1.10", {{3, "Found! Getting Host Name Now...."}}, kRed);
    EXPECT_EQ(m_List.GetItemText(2, 3), "Found! Getting Host Name Now....");
    EXPECT_EQ(m_List.GetItemText(2, 5), "255");
    EXPECT_EQ(m_List.GetItemText(2, 4), "16777215");
    m_List.SetRowByKey("192.168.1.1", {{1, "Gateway"}}, kBlack);
    EXPECT_EQ(m_List.GetItemText(5, 1), "Gateway") << "the whole text, not a prefix";
    EXPECT_EQ(m_List.GetItemText(4, 1), "Charlie") << "192.168.1.2 keeps its name";
    EXPECT_EQ(m_List.GetItemText(3, 1), "Alpha") << "192.168.1.9 keeps its name";

    m_List.SetRowByKey("192.168.1.200", {{1, "nobody"}}, kBlue);
    m_List.SetRowByKey(nullptr, {{1, "nobody"}}, kBlue);
    m_List.SetRowByKey("", {{1, "nobody"}}, kBlue);
    m_List.SetRowByKey("192.168.1.10", {{1, "nobody"}, {6, "past the last column"}}, kBlue);
    m_List.SetRowByKey("192.168.1.10", {{1, "nobody"}, {-1, "before the first"}}, kBlue);
    for (int row = 0; row < m_List.GetItemCount(); ++row) {
        EXPECT_NE(m_List.GetItemText(row, 1), "nobody");
        EXPECT_NE(m_List.GetItemText(row, 5), "16711680") << "a dropped write wrote its colour";
    }
}

// On the list's own thread a probe's row is written at once, each step whole or not at all:
// appended red with its MAC and interim text, then finished.
TEST_F(ResultsList, WholeRowWritesLandTogetherOrNotAtAll)
{
    AddRows(kHosts);
    const int count = m_List.GetItemCount();
    m_List.AppendRow("192.168.1.77", 0, {{2, "02-5A-00-00-00-4D"}, {3, "Found! Getting Host Name Now...."}}, kRed);
    ASSERT_EQ(m_List.GetItemCount(), count + 1);
    const int appended = count;
    EXPECT_EQ(m_List.GetItemText(appended, 0), "192.168.1.77");
    EXPECT_EQ(m_List.GetItemText(appended, 2), "02-5A-00-00-00-4D");
    EXPECT_EQ(m_List.GetItemText(appended, 3), "Found! Getting Host Name Now....");
    EXPECT_EQ(m_List.GetItemText(appended, 5), "255");
    EXPECT_EQ(m_List.GetItemText(appended, 4), "16777215");
    EXPECT_EQ(m_List.GetItemImage(appended), 0);

    ClickHeading(0);  // descending: the new row moves
    m_List.SetRowByKey("192.168.1.77", {{1, "Printer"}, {3, ""}}, kBlack);
    m_List.AppendRow("192.168.1.78", 0, {{2, "02-5A-00-00-00-4E"}, {6, "past the last column"}}, kRed);
    m_List.SetRowByKey("192.168.1.77", {{1, "nobody"}, {-1, "before the first"}}, kRed);
    m_List.SetRowByKey("192.168.1.200", {{1, "nobody"}}, kRed);

    ASSERT_EQ(m_List.GetItemCount(), count + 1) << "no row for a write with a column out of range";
    int row = -1;
    for (int i = 0; i < m_List.GetItemCount(); ++i) {
        EXPECT_NE(m_List.GetItemText(i, 0), "192.168.1.78");
        EXPECT_NE(m_List.GetItemText(i, 1), "nobody");
        if (m_List.GetItemText(i, 0) == "192.168.1.77")
            row = i;
    }
    ASSERT_GE(row, 0);
    EXPECT_NE(row, appended) << "the sort moved it";
    EXPECT_EQ(m_List.GetItemText(row, 1), "Printer");
    EXPECT_EQ(m_List.GetItemText(row, 2), "02-5A-00-00-00-4D");
    EXPECT_EQ(m_List.GetItemText(row, 3), "");
    EXPECT_EQ(m_List.GetItemText(row, 5), "0");
}

std::string AddressOf(int host)
{
    char text[32];
    std::snprintf(text, sizeof(text), "192.168.7.%d", host + 1);
    return text;
}

// As a run's results reach the list: rows are appended red, then filled in by their
// address and turned black, in an order of their own, while the user keeps sorting.
TEST_F(ResultsList, KeyedWritesLandOnTheirRowsWhileTheUserSorts)
{
    constexpr int kHosts = 64;
    int sorts = 0;
    for (int host = 0; host < kHosts; ++host) {
        m_List.AppendRow(AddressOf(host).c_str(), 0, {{3, "Found! Getting Host Name Now...."}}, kRed);
        if (host % 5 == 4)
            NotifyColumnClick(sorts++ % 3 == 2 ? 3 : 0);
    }
    for (int i = 0; i < kHosts; ++i) {
        const int host = (i * 37) % kHosts;  // in an order of their own
        const std::string address = AddressOf(host);
        const std::string name = "host-" + address;
        const std::string description = "desc-" + address;
        m_List.SetRowByKey(address.c_str(), {{1, name.c_str()}, {3, description.c_str()}}, kBlack);
        if (i % 3 == 0)
            NotifyColumnClick(sorts++ % 3 == 2 ? 3 : 0);
    }
    ASSERT_EQ(m_List.GetItemCount(), kHosts);
    for (int row = 0; row < m_List.GetItemCount(); ++row) {
        const std::string address = m_List.GetItemText(row, 0);
        SCOPED_TRACE(address);
        EXPECT_EQ(m_List.GetItemText(row, 1), "host-" + address);
        EXPECT_EQ(m_List.GetItemText(row, 3), "desc-" + address);
        EXPECT_EQ(m_List.GetItemText(row, 5), "0");
        EXPECT_EQ(m_List.GetItemText(row, 4), "16777215");
    }
    EXPECT_TRUE(m_List.SortColumn());
    for (int row = 0; row < m_List.GetItemCount(); ++row)
        EXPECT_EQ(m_List.GetItemText(row, 0), AddressOf(row));
    ExpectItemDataIsIndex();
}

// ---------------------------------------------------------------- many rows, drawn together

// Counts the header's paints while it is installed; the header's own procedure does the rest.
class CHeaderPaintCount {
public:
    explicit CHeaderPaintCount(HWND header) : m_Header(header)
    {
        s_Original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CHeaderPaintCount::Proc)));
        s_Paints = 0;
    }
    ~CHeaderPaintCount() { ::SetWindowLongPtrA(m_Header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_Original)); }
    CHeaderPaintCount(const CHeaderPaintCount&) = delete;
    CHeaderPaintCount& operator=(const CHeaderPaintCount&) = delete;
    int Paints() const { return s_Paints; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_PAINT)
            ++s_Paints;
        return ::CallWindowProcA(s_Original, hwnd, msg, wp, lp);
    }
    static inline WNDPROC s_Original = nullptr;
    static inline int s_Paints = 0;
    HWND m_Header;
};

// Under Wine the header's paint is most of the list's: repainted with every batch of rows,
// it kept the window from answering for 150 ms and more while a scan started its probes.
TEST_F(ResultsList, RowsWrittenDuringABriefHoldAreDrawnShortlyAfterAndTheHeaderIsLeftAlone)
{
    const Image empty = CaptureClient(m_List);
    PumpUntilHandled();
    const CHeaderPaintCount header(HeaderWindow());
    m_List.SuspendRedrawBriefly();
    for (int host = 0; host < 30; ++host) {
        m_List.AppendRow(AddressOf(host).c_str(), 0, {{2, "02-5A-00-00-00-01"}, {3, "Found! Getting Host Name Now...."}},
                         kRed);
    }
    RECT first{};
    ASSERT_EQ(m_List.GetItemCount(), 30);
    ASSERT_TRUE(m_List.GetItemRect(0, first, LVIR_BOUNDS));
    EXPECT_EQ(empty.CountIn(first, IsRedInk), 0);
    // The coalesced repaint comes by itself, without anything asking for one.
    int red = 0;
    PumpUntil([&] { return (red = CaptureClient(m_List).CountIn(first, IsRedInk)) > 0; });
    EXPECT_GT(red, 10) << "the first row never showed in red";
    EXPECT_TRUE(::IsWindowVisible(m_List));
    EXPECT_EQ(header.Paints(), 0);
}
}  // namespace
