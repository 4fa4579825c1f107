// The Export command: asks for a file name and format, writes the report and opens it, an
// HTML report in the browser, the others in Notepad.
#pragma once

#include "winlib/Launch.h"
#include "report/ReportWriters.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

struct ReportFormatEntry {
    const char* Label;
    const char* Pattern;
    const char* Extension;
    bool (*Writer)(const char* path, const CReportRows& rows, const ReportFailureHandler& showFailure);
    bool OpensInBrowser;  // else in Notepad
};
// By the 1-based index of the file dialog's filter entry, less one.
extern const ReportFormatEntry ReportFormats[4];

constexpr const char* kReportFilter =
    "HTML File (*.html)|*.html|Text File (*.txt)|*.txt|XML File (*.xml)|*.xml|CSV File (*.csv)|*.csv||";
constexpr const char* kReportInitialName = "VantrelReport";
constexpr size_t kNotepadCommandLineSize = 1024;
constexpr size_t kBrowserTargetSize = 1000;

struct SaveChoice {
    std::string Path;
    int FilterIndex = 0;  // 1-based
};

// What the command asks of the system; tests replace it so that no dialog waits and
// nothing starts.
struct ExportPlatform {
    // The Save As dialog over the main window; nothing when it was cancelled.
    std::function<std::optional<SaveChoice>(const char* filter, const char* initialName)> AskSavePath;
    ReportFailureHandler ShowFailure;
    // "<file name> already exists. Do you want to replace it?"; true for Yes.
    std::function<bool(const std::string& fileName)> ConfirmReplace;
    LaunchPlatform Launch;
};
// The real dialog and message box, owned by `owner`, and the real launches.
ExportPlatform SystemExportPlatform(HWND owner);

// The whole command, as the Export button runs it.
void ExportResults(const CReportRows& rows, const ExportPlatform& platform);

// Opens a written report: the browser for HTML, else Notepad. A path that its command line
// or buffer cannot hold whole opens nothing.
void OpenReportViewer(const std::string& path, const ReportFormatEntry& format, const LaunchPlatform& launch);

// The report's file name: the chosen name's own extension, if any, gives way to `extension`.
std::string ReportPathFor(const std::string& chosenPath, const char* extension);
