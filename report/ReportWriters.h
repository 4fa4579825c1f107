// The four report writers: each writes the rows into the named file, replacing it, and
// returns true once the whole report is stored; otherwise it shows its message and
// returns false.
#pragma once

#include "report/ReportRows.h"

#include <functional>
#include <string>

using ReportFailureHandler = std::function<void(const char* message)>;

bool ExportResultToFile(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure);
bool ExportResultToTextFile(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure);
bool ExportResultToXMLFile(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure);
bool ExportResultToCSVFile(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure);

// Creates or truncates the file and stores the bytes; false when any step fails.
bool WriteReportFile(const char* path, const std::string& bytes);
