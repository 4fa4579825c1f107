#include "ReportWriters.h"

#include "report/ReportFormat.h"

#include <cstdio>
#include <memory>

namespace {

using ReportFormatter = std::string (*)(const CReportRows& rows);

bool ExportReport(const char* path, const CReportRows& rows, ReportFormatter format, const char* failureMessage,
                  const ReportFailureHandler& showFailure)
{
    // A full disk shows only when the bytes are written or the file is closed: a report
    // that was not stored whole is a failure like one that could not be created.
    if (path && WriteReportFile(path, format(rows)))
        return true;
    showFailure(failureMessage);
    return false;
}

}  // namespace

bool WriteReportFile(const char* path, const std::string& bytes)
{
    // Binary: the bytes already hold their CR LF line ends.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    // Closing writes what is still buffered: its failure counts too.
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed;
}

bool ExportResultToFile(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure)
{
    return ExportReport(path, rows, FormatHtmlReport,
                        "Failed to create file for exporting the scanned results.\n"
                        "Make sure you have specified valid file path.",
                        showFailure);
}

bool ExportResultToTextFile(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure)
{
    return ExportReport(path, rows, FormatTextReport,
                        "Failed to create file for saving the Vantrel report.\n"
                        "Make sure you have specified valid file path.",
                        showFailure);
}

bool ExportResultToXMLFile(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure)
{
    return ExportReport(path, rows, FormatXmlReport,
                        "Failed to create file for saving the Vantrel Report.\n"
                        "Make sure you have specified valid file path.",
                        showFailure);
}

bool ExportResultToCSVFile(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure)
{
    return ExportReport(path, rows, FormatCsvReport,
                        "Failed to create CSV file for exporting the scanning results.\n"
                        "Make sure you have specified valid file path.",
                        showFailure);
}
