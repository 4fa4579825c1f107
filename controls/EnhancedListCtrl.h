// CEnhancedListCtrl: the results list. Adds to the report-style list view per-row colours
// kept in two hidden columns, sorting by a clicked heading with a sort mark, a fixed row
// tooltip, a 28-pixel header and rows that other threads add and write by their column-0
// text, shown while they come without a repaint for each.
#pragma once

#include "controls/HeaderCtrlEx.h"
#include "winlib/GdiObject.h"
#include "winlib/ListCtrl.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class CEnhancedListCtrl : public CListCtrl {
public:
    enum SortKind : int {
        SortNone = 0,     // the column does not sort
        SortText = 1,     // text, ASCII letters without regard to case
        SortAddress = 5,  // dotted IPv4 address, numeric
    };

    static constexpr int kMaxSortColumns = 50;
    static constexpr int kHeaderHeight = 28;
    static constexpr int kTipCapacity = 80;  // characters of a tooltip answer, terminator included
    static constexpr COLORREF kRowBackColor = RGB(255, 255, 255);

    CEnhancedListCtrl() = default;
    ~CEnhancedListCtrl() override;

    // Set-up, on the thread that owns the list.
    void AttachHeaderCtrl();
    void AddColorCodeColumns();
    void SetColumnSortType(int column, SortKind kind);
    void SetListTip(const char* text);

    // These may be called from any thread: each is carried out whole by the thread that owns
    // the list, so no sort falls in between its steps. Changes made for another thread are
    // drawn together shortly after, not one repaint each.
    bool SetRowColors(int row, COLORREF textColor);
    void SetSortIndicator(int column, bool ascending);
    // As above with the kind of mark chosen by the caller: the header's own arrows when
    // themed, bitmaps on the right of the heading otherwise.
    void SetSortIndicator(int column, bool ascending, bool themed);
    int RenumberItemData();
    // Sorts by column 0 ascending; false when column 0 does not sort. Leaves the header alone.
    bool SortColumn();

    // Appends a row with its column-0 text and image; its index or -1.
    int AppendRow(const char* text, int image);
    struct CellText {
        int Column;
        const char* Text;
    };
    // As above, and writes `cells` and the row's text colour in the same step: a thread that
    // fills a row waits for the list once, not once per cell (its index or -1; no row when a
    // column is out of range).
    int AppendRow(const char* text, int image, std::initializer_list<CellText> cells, COLORREF textColor);
    // A row is known by its column-0 text (its key, unique within a scan), as its index
    // changes whenever the user sorts: each finds the row and writes it in one step.
    bool SetCellTextByKey(const char* key, int column, const char* text);
    bool SetRowColorsByKey(const char* key, COLORREF textColor);
    // Several cells and the text colour in one step; nothing is written when a column is out
    // of range.
    bool SetRowByKey(const char* key, std::initializer_list<CellText> cells, COLORREF textColor);

    static bool IsThemingActive();

    // The order of two cells of a column: negative, zero or positive.
    static int CompareCells(SortKind kind, bool ascending, const char* first, const char* second);
    // Handed to the list view's sort with the control as parameter; the item data of each row
    // is its index in the snapshot of the sort column taken before sorting.
    static int CALLBACK SortServiceListProc(LPARAM first, LPARAM second, LPARAM list);

    CHeaderCtrlEx& GetHeader() { return m_Header; }
    int GetBackColorColumn() const { return m_ColorColumnsAdded ? m_BackColorColumn : -1; }
    int GetTextColorColumn() const { return m_ColorColumnsAdded ? m_TextColorColumn : -1; }

    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static constexpr UINT_PTR kRedrawTimerId = 0x5244;
    static constexpr UINT kRedrawDelayMs = 100;

    // Runs `work` on the owning thread; when the caller is another thread, the list's
    // repaint waits for the coalesced one.
    LRESULT RunOnListThread(const std::function<LRESULT()>& work);
    void SuspendRedrawBriefly();
    void ResumeRedraw();
    // Owning thread only: the index goes stale at the next sort.
    int FindRowByKey(const char* key) const;

    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) const;
    void OnColumnClick(const NMLISTVIEW& click);
    bool OnNotify(NMHDR& header, LRESULT& result);
    bool OnBeginTrack(const NMHEADERA& track) const;
    bool OnHeaderItemChanging(const NMHEADERA& change) const;
    bool OnToolTipText(NMHDR& header);
    bool OnSetColumnWidth(int column) const;
    void OnSize();

    bool IsColorColumn(int column) const;
    bool ReadRowColors(int row, COLORREF& text, COLORREF& back) const;
    bool WriteRowColors(int row, COLORREF textColor);
    bool IsColumn(int column) const;
    bool AreColumns(std::initializer_list<CellText> cells) const;
    bool WriteRow(int row, std::initializer_list<CellText> cells, COLORREF textColor);
    bool SortRows();
    int RenumberRows();
    void ApplySortIndicator(int column, bool ascending, bool themed);
    void AddRowTipTool();
    const char* SortTextOf(LPARAM row) const;

    CHeaderCtrl Header() const { return CHeaderCtrl(GetHeaderCtrl()); }

    CHeaderCtrlEx m_Header;
    bool m_RedrawSuspended = false;
    bool m_ColorColumnsAdded = false;
    int m_BackColorColumn = -1;
    int m_TextColorColumn = -1;
    SortKind m_ColumnSortKinds[kMaxSortColumns] = {};
    std::string m_ListTipText;
    bool m_RowTipToolAdded = false;

    // Sort state: touched only by the owning thread.
    int m_SortColumn = 0;
    SortKind m_SortKind = SortNone;
    bool m_SortAscending = true;
    std::vector<std::string> m_SortTexts;  // the sort column by row, while a sort runs
    CBitmap m_SortMark;                    // the bitmap the sorted heading shows, if any
};
