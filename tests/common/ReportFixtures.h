// Rows the report tests write, and the report files expected of them, typed by hand.
#pragma once

#include "report/ReportRows.h"

#include <array>
#include <string>
#include <vector>

using ReportRow = std::array<std::string, 4>;

// The rows of the expected files named "empty", "one-row" and "three-rows".
const std::vector<ReportRow>& ReportTable(const std::string& name);
// The bytes of an expected file, e.g. "three-rows.xml"; empty when it cannot be read.
std::string ExpectedReport(const std::string& fileName);

std::string ReadFileBytes(const std::string& path);
// The names of the files (not folders) in a folder given with its final backslash.
std::vector<std::string> FilesIn(const std::string& folder);
// A fresh folder under the temporary folder, without files, ending in a backslash.
std::string MakeTestFolder(const char* name);

// Rows held in memory, cut as a list cuts them when read into a buffer.
class CReportTestRows : public CReportRows {
public:
    explicit CReportTestRows(std::vector<ReportRow> rows) : m_Rows(std::move(rows)) {}

    int GetRowCount() const override { return static_cast<int>(m_Rows.size()); }
    std::string GetCellText(int row, int column, size_t capacity) const override;

private:
    std::vector<ReportRow> m_Rows;
};
