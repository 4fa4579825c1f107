#include "ReportWriters.h"

#include "report/ReportFormat.h"
#include "winlib/Thread.h"

#include <algorithm>

namespace {

using ReportFormatter = std::string (*)(const CReportRows& rows);

bool ExportReport(const char* path, const CReportRows& rows, ReportFormatter format, const char* failureMessage,
                  const ReportFailureHandler& showFailure)
{
    // A report not stored whole (a full disk) is a failure like one that could not be created.
    if (path && WriteReportFile(path, format(rows)))
        return true;
    showFailure(failureMessage);
    return false;
}

}  // namespace

bool WriteReportFile(const char* path, const std::string& bytes)
{
    // The system's own calls: a C runtime may drop the error of the last buffered write.
    const HANDLE created =
        ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return false;
    const CHandle file(created);
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
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
