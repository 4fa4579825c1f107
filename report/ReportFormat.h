// The bytes of the four reports, made from rows: no window, no file.
#pragma once

#include "report/ReportRows.h"

#include <windows.h>

#include <string>

// Buffer sizes in which cells are read, terminator included: HTML 1000, text and XML
// 10000; CSV (0) reads a cell whole.
constexpr size_t kHtmlCellCapacity = 1000;
constexpr size_t kTextCellCapacity = 10000;
constexpr size_t kCsvCellCapacity = 0;

// Each returns the file's bytes: line ends are CR LF, the rest as written.
std::string FormatHtmlReport(const CReportRows& rows);
std::string FormatTextReport(const CReportRows& rows);
std::string FormatXmlReport(const CReportRows& rows);
std::string FormatCsvReport(const CReportRows& rows);

// A cell of the code page as UTF-8 character data of an XML or HTML document: markup
// characters as references, characters XML forbids replaced by U+FFFD, carriage return
// as a reference so that parsers keep it.
std::string MarkupText(const std::string& cell, UINT codePage = CP_ACP);

// Without the white space C's isspace knows, at both ends.
std::string TrimCell(const std::string& cell);

// A CSV field: as it is, or in double quotes with inner quotes doubled when it holds a
// separator, a quote or a line break.
std::string CsvField(const std::string& field);
