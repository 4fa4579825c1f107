// With --write-hostile-reports=FOLDER this program writes the four reports of rows that
// host names from the network could make, and the rows themselves (rows.hex: the code
// page, then one line per row of four hex cells, "-" for an empty one), then ends before
// any test runs. Real parsers check the files natively (check_hostile_reports.py).
#include "report/ReportWriters.h"
#include "ReportFixtures.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kWriteFlag = "--write-hostile-reports=";

std::vector<ReportRow> HostileRows()
{
    std::string longMarkup;
    while (longMarkup.size() < 1200)
        longMarkup += "<b>&\"'";
    longMarkup.resize(1200);
    std::string longName;
    for (int i = 0; longName.size() < 12000; ++i)
        longName += "host" + std::to_string(i) + ".";
    longName.resize(12000);
    return {
        {"192.168.50.10", "<img src=x onerror=alert(1)>", "00:11:22:33:44:55",
         "</td></tr></table><script>alert('x')</script>"},
        {"192.168.50.11", "a&b \"quoted\" 'single' ]]> <!-- --> <![CDATA[x]]>", "AA-BB,CC",
         "Say \"hi\", then leave"},
        {"  192.168.50.12  ", "  spaced name  ", "\t00:00:00:00:00:12 ", " x "},
        {"192.168.50.13", longMarkup, "", "This is your Computer"},
        {"192.168.50.14", longName, "02:00:00:00:00:14", ""},
        {"192.168.50.15", "caf\xE9-r\xFCter-\x80", "", "M\xFCller's PC, \xA9 2026"},
        {"192.168.50.16", "ctl\x01\x02\x1B[31m\x7F\x0B\x0C-end", "line1\r\nline2\tx", "multi\nline \"quoted\""},
        {"192.168.50.17", "", "", ""},
        {"192.168.50.18,evil", "\"", "\"\"", "=HYPERLINK(\"x\")"},
        // Formulas a spreadsheet would run, and a name that would forge report lines.
        {"192.168.50.19", "=HYPERLINK(\"x\")", "+1", "@SUM(A1)"},
        {"192.168.50.20", "evil\r\n Host Name: forged\r\n", "-2+3", "\t=cmd|' /C calc'!A0"},
        {"192.168.50.21", "\r\n@x\r\n", "\r=1", "-"},
    };
}

std::string Hex(const std::string& cell)
{
    if (cell.empty())
        return "-";
    std::string hex;
    char pair[3];
    for (const unsigned char c : cell) {
        std::snprintf(pair, sizeof(pair), "%02x", c);
        hex += pair;
    }
    return hex;
}

bool WriteHostileReports(const std::string& folder)
{
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::vector<ReportRow> rows = HostileRows();
    const CReportTestRows table(rows);
    std::string dump = "acp " + std::to_string(::GetACP()) + "\n";
    for (const ReportRow& row : rows)
        dump += Hex(row[0]) + " " + Hex(row[1]) + " " + Hex(row[2]) + " " + Hex(row[3]) + "\n";

    bool written = WriteReportFile((folder + "\\rows.hex").c_str(), dump);
    const auto fail = [&](const char* message) { std::fprintf(stderr, "%s\n", message); };
    written = ExportResultToFile((folder + "\\report.html").c_str(), table, fail) && written;
    written = ExportResultToTextFile((folder + "\\report.txt").c_str(), table, fail) && written;
    written = ExportResultToXMLFile((folder + "\\report.xml").c_str(), table, fail) && written;
    written = ExportResultToCSVFile((folder + "\\report.csv").c_str(), table, fail) && written;
    return written;
}

const bool s_writingHostileReports = [] {
    const char* flag = std::strstr(::GetCommandLineA(), kWriteFlag);
    if (!flag)
        return false;
    std::string folder = flag + std::strlen(kWriteFlag);
    folder = folder.substr(0, folder.find(' '));
    ::ExitProcess(WriteHostileReports(folder) ? 0 : 1);
}();

}  // namespace
