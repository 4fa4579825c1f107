// CEnhancedListCtrl: the results list. Adds to the report-style list view per-row colours
// kept in two hidden columns, sorting by a clicked heading with a sort mark, a fixed row
// tooltip, a 28-pixel header and rows written by their column-0 text, many at a time drawn
// together.
#pragma once

#include "controls/HeaderCtrlEx.h"
#include "winlib/GdiObject.h"
#include "winlib/ListCtrl.h"

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

    // Set-up. Everything here is for the thread that owns the list.
    void AttachHeaderCtrl();
    void AddColorCodeColumns();
    void SetColumnSortType(int column, SortKind kind);
    void SetListTip(const char* text);

    bool SetRowColors(int row, COLORREF textColor);
    void SetSortIndicator(int column, bool ascending);
    // As above with the kind of mark chosen by the caller: the header's own arrows when
    // themed, bitmaps on the right of the heading otherwise.
    void SetSortIndicator(int column, bool ascending, bool themed);
    // Sets every row's item data to its index; the row count.
    int RenumberItemData();
    // Sorts by column 0 ascending; false when column 0 does not sort. Leaves the header alone.
    bool SortColumn();

    // Rows that the probes find and fill, written as a run's results arrive. A write that
    // cannot be applied (a column out of range, a key no row has, no window) is dropped whole.
    struct CellText {
        int Column;
        const char* Text;
    };
    // Appends a row at the end, with its column-0 text (its key), image, cells and text colour.
    void AppendRow(const char* key, int image, std::initializer_list<CellText> cells, COLORREF textColor);
    // Writes cells and the text colour of the row whose column-0 text is `key` (unique within
    // a scan): a row's index changes whenever the user sorts.
    void SetRowByKey(const char* key, std::initializer_list<CellText> cells, COLORREF textColor);
    // Holds the list's repaint off for a moment: the rows written meanwhile are drawn
    // together shortly after, not one repaint each (under Wine each change repainted the
    // whole list before the next came). Nothing when hidden or held already.
    void SuspendRedrawBriefly();

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
    // The same for a row known to exist.
    void StoreRowColors(int row, COLORREF textColor);

    // True when every cell names a column the list has.
    bool CellsFit(std::initializer_list<CellText> cells) const;
    void WriteRowCells(int row, std::initializer_list<CellText> cells, COLORREF textColor);

    bool SortRows();

    // Holds the list's repaint off while a pass changes many rows; one repaint after.
    // Nested or during a coalesced repaint's wait it does nothing.
    class CRedrawHold {
    public:
        explicit CRedrawHold(CEnhancedListCtrl& list);
        ~CRedrawHold();
        CRedrawHold(const CRedrawHold&) = delete;
        CRedrawHold& operator=(const CRedrawHold&) = delete;

    private:
        CEnhancedListCtrl& m_List;
        bool m_Held = false;
    };
    void AddRowTipTool();
    void RelayToRowTip(UINT msg, WPARAM wp, LPARAM lp);
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
