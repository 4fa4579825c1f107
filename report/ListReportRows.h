// CListReportRows: the rows of a report read from the results list, on the thread that
// owns it.
#pragma once

#include "report/ReportRows.h"
#include "winlib/ListCtrl.h"

class CListReportRows : public CReportRows {
public:
    explicit CListReportRows(const CListCtrl& list) : m_List(list) {}

    int GetRowCount() const override { return m_List.GetItemCount(); }
    std::string GetCellText(int row, int column, size_t capacity) const override;

private:
    const CListCtrl& m_List;
};
