// The Export command with the Save As dialog's answer and the launches replaced: which file
// it writes for a chosen name and format, and what it opens it with.
#include "report/ExportCommand.h"
#include "ReportFixtures.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// A system whose dialog gives a set answer and where nothing starts; records each call.
struct FakeExportSystem {
    std::optional<SaveChoice> answer;
    const char* windowsDirectory = "C:\\windows";  // null: the call fails
    bool replaceAnswer = false;                      // to "... already exists."

    std::vector<std::string> dialogs;   // "FILTER|INITIAL NAME" per dialog shown
    std::vector<std::string> questions;  // file names asked about
    std::vector<std::string> failures;  // messages shown
    std::vector<std::string> launches;  // "open TARGET", "start COMMAND LINE"

    ExportPlatform Platform()
    {
        ExportPlatform platform;
        platform.AskSavePath = [this](const char* filter, const char* initialName) {
            dialogs.push_back(std::string(filter) + "|" + initialName);
            return answer;
        };
        platform.ShowFailure = [this](const char* message) { failures.push_back(message); };
        platform.ConfirmReplace = [this](const std::string& fileName) {
            questions.push_back(fileName);
            return replaceAnswer;
        };
        platform.Launch.ShellOpen = [this](const char* target) -> INT_PTR {
            launches.push_back(std::string("open ") + target);
            return 42;
        };
        platform.Launch.StartProcess = [this](char* commandLine, DWORD, const STARTUPINFOA&) {
            launches.push_back(std::string("start ") + commandLine);
            return true;
        };
        platform.Launch.SystemWindowsDirectory = [this](char* buffer, UINT size) -> UINT {
            return windowsDirectory ? static_cast<UINT>(std::snprintf(buffer, size, "%s", windowsDirectory)) : 0;
        };
        return platform;
    }
};

TEST(ExportCommand, AsksWithTheFourFormatsAndTheDefaultName)
{
    FakeExportSystem system;
    ExportResults(CReportTestRows(ReportTable("three-rows")), system.Platform());
    EXPECT_EQ(system.dialogs, std::vector<std::string>{"HTML File (*.html)|*.html|Text File (*.txt)|*.txt|"
                                                       "XML File (*.xml)|*.xml|CSV File (*.csv)|*.csv|||VantrelReport"});
}

TEST(ExportCommand, WritesTheChosenNameWithTheFormatsExtensionAndOpensIt)
{
    struct Case {
        const char* chosen;  // as the dialog answers, within the test folder; null: cancelled
        int filterIndex;
        const char* written;  // the one file afterwards, null: none
        const char* expected;  // the expected report it equals
        bool browser;
    };
    const Case cases[] = {
        {nullptr, 1, nullptr, nullptr, false},
        {"list.txt", 1, "list.html", "three-rows.html", true},
        {"a.b.c", 3, "a.b.xml", "three-rows.xml", false},
        {"report", 4, "report.csv", "three-rows.csv", false},
        {"notes.TXT", 2, "notes.txt", "three-rows.txt", false},
        {".hidden", 2, ".txt", "three-rows.txt", false},
        {"VantrelReport.html", 1, "VantrelReport.html", "three-rows.html", true},
        // An entry the table does not have writes nothing.
        {"odd", 0, nullptr, nullptr, false},
        {"odd", 5, nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chosen ? c.chosen : "(cancelled)") + " " + std::to_string(c.filterIndex));
        const std::string folder = MakeTestFolder("vantrel-export-command");
        FakeExportSystem system;
        if (c.chosen)
            system.answer = SaveChoice{folder + c.chosen, c.filterIndex};
        ExportResults(CReportTestRows(ReportTable("three-rows")), system.Platform());

        EXPECT_TRUE(system.failures.empty());
        if (!c.written) {
            EXPECT_TRUE(FilesIn(folder).empty());
            EXPECT_TRUE(system.launches.empty());
            continue;
        }
        const std::string path = folder + c.written;
        EXPECT_EQ(FilesIn(folder), std::vector<std::string>{c.written});
        EXPECT_EQ(ReadFileBytes(path), ExpectedReport(c.expected));
        const std::string launch =
            c.browser ? "open " + path : "start \"C:\\windows\\notepad.exe\" \"" + path + "\"";
        EXPECT_EQ(system.launches, std::vector<std::string>{launch});
        EXPECT_TRUE(system.questions.empty());
    }
}

// The question names the file as it will be written, not as it was typed: the typed
// extension gives way to the format's.
TEST(ExportCommand, AsksBeforeReplacingTheFileItWouldWrite)
{
    struct Case {
        const char* what;
        const char* existing;  // a file written before the export; null: none
        bool answer;
        bool asked;
        bool written;
    };
    const Case cases[] = {
        {"no such file", nullptr, false, false, true},
        {"existing file, No", "old.xml", false, true, false},
        {"existing file, Yes", "old.xml", true, true, true},
        {"only the typed name exists", "old.txt", false, false, true},
    };
    const std::string before(4000, 'x');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = MakeTestFolder("vantrel-export-replace");
        const std::string path = folder + "old.xml";
        if (c.existing)
            WriteReportFile((folder + c.existing).c_str(), before);
        FakeExportSystem system;
        system.replaceAnswer = c.answer;
        system.answer = SaveChoice{folder + "old.txt", 3};
        ExportResults(CReportTestRows(ReportTable("one-row")), system.Platform());

        EXPECT_EQ(system.questions, c.asked ? std::vector<std::string>{"old.xml"} : std::vector<std::string>{});
        EXPECT_TRUE(system.failures.empty());
        if (c.written) {
            EXPECT_EQ(ReadFileBytes(path), ExpectedReport("one-row.xml"));
            EXPECT_EQ(system.launches, std::vector<std::string>{"start \"C:\\windows\\notepad.exe\" \"" + path + "\""});
        } else {
            EXPECT_EQ(ReadFileBytes(path), before);
            EXPECT_TRUE(system.launches.empty());
        }
    }
}

// A folder is no file to replace: no question, and the writer reports that it cannot write.
TEST(ExportCommand, AsksNothingAboutAFolderOfTheReportsName)
{
    const std::string folder = MakeTestFolder("vantrel-export-folder");
    const std::string path = folder + "report.csv";
    ::CreateDirectoryA(path.c_str(), nullptr);
    FakeExportSystem system;
    system.replaceAnswer = true;
    system.answer = SaveChoice{path, 4};
    ExportResults(CReportTestRows(ReportTable("one-row")), system.Platform());
    ::RemoveDirectoryA(path.c_str());
    EXPECT_TRUE(system.questions.empty());
    EXPECT_EQ(system.failures.size(), 1u);
    EXPECT_TRUE(system.launches.empty());
}

TEST(ExportCommand, OpensNothingWhenTheWriterFails)
{
    const std::string folder = MakeTestFolder("vantrel-export-fails");
    for (const int index : {1, 2}) {
        FakeExportSystem system;
        system.answer = SaveChoice{folder + "missing\\report", index};
        ExportResults(CReportTestRows(ReportTable("one-row")), system.Platform());
        EXPECT_EQ(system.failures.size(), 1u);
        EXPECT_TRUE(system.launches.empty());
    }
}

TEST(ExportCommand, StartsNotepadFromTheWindowsDirectory)
{
    const std::string folder = MakeTestFolder("vantrel-export-notepad");
    const std::string path = folder + "report.csv";
    struct Case {
        const char* windowsDirectory;
        std::string commandLine;
    };
    const Case cases[] = {
        {"D:\\WINNT", "start \"D:\\WINNT\\notepad.exe\" \"" + path + "\""},
        {nullptr, "start \"C:\\Windows\\notepad.exe\" \"" + path + "\""},
        {"C:\\Program Files\\Win dows", "start \"C:\\Program Files\\Win dows\\notepad.exe\" \"" + path + "\""},
    };
    for (const Case& c : cases) {
        FakeExportSystem system;
        system.windowsDirectory = c.windowsDirectory;
        system.replaceAnswer = true;  // the report of the case before
        system.answer = SaveChoice{path, 4};
        ExportResults(CReportTestRows(ReportTable("one-row")), system.Platform());
        EXPECT_EQ(system.launches, std::vector<std::string>{c.commandLine});
    }
}

TEST(ExportCommand, StartsNoViewerForAPathItsLineCannotHoldWhole)
{
    // The longest Windows directory its buffer holds; the Notepad line may be 1023 long:
    // the directory and "\\notepad.exe" in two quotes, a space and the path in two quotes.
    const std::string windows = "C:\\" + std::string(508, 'w');
    struct Case {
        int format;  // index into ReportFormats
        size_t pathLength;
        bool starts;
    };
    const Case cases[] = {
        {1, 1023 - 511 - 17, true},
        {1, 1023 - 511 - 17 + 1, false},
        {3, 1023 - 511 - 17 + 1, false},
        {0, 999, true},
        {0, 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.format) + " " + std::to_string(c.pathLength));
        const std::string path = "C:\\r\\" + std::string(c.pathLength - 5, 'r');
        FakeExportSystem system;
        system.windowsDirectory = windows.c_str();
        OpenReportViewer(path, ReportFormats[c.format], system.Platform().Launch);
        if (!c.starts)
            EXPECT_TRUE(system.launches.empty());
        else if (c.format == 0)
            EXPECT_EQ(system.launches, std::vector<std::string>{"open " + path});
        else
            EXPECT_EQ(system.launches,
                      std::vector<std::string>{"start \"" + windows + "\\notepad.exe\" \"" + path + "\""});
    }
}

TEST(ExportCommand, PathRuleKeepsTheFolderAndReplacesTheNamesExtension)
{
    struct Case {
        const char* chosen;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Reports\\list.txt", ".html", "C:\\Reports\\list.html"},
        {"C:\\Reports\\a.b.c", ".xml", "C:\\Reports\\a.b.xml"},
        {"C:\\my.reports\\plain", ".csv", "C:\\my.reports\\plain.csv"},
        {"C:\\r.txt.xml", ".xml", "C:\\r.txt.xml"},
        {"name.txt", ".txt", "\\name.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReportPathFor(c.chosen, c.extension), c.expected) << c.chosen;
}

}  // namespace
