// CReportRows: what a report reads of the results list, so that reports are made and
// tested without a window.
#pragma once

#include <cstddef>
#include <string>

class CReportRows {
public:
    virtual ~CReportRows() = default;

    // Asked again before each row: rows may come or go while a report is being made.
    virtual int GetRowCount() const = 0;
    // The text of one cell, at most capacity - 1 characters as a buffer of `capacity`
    // characters holds it; capacity 0 reads the whole text, however long.
    virtual std::string GetCellText(int row, int column, size_t capacity) const = 0;
};
