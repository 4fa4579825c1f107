// The four reports: their bytes for ordinary rows, their cells, the file they replace and
// the failures they report.
#include "report/ReportFormat.h"
#include "report/ReportWriters.h"
#include "ReportFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Writer = bool (*)(const char*, const CReportRows&, const ReportFailureHandler&);

struct WriterCase {
    const char* extension;
    Writer writer;
    const char* failureMessage;
};
const WriterCase kWriters[] = {
    {"html", ExportResultToFile,
     "Failed to create file for exporting the scanned results.\nMake sure you have specified valid file path."},
    {"txt", ExportResultToTextFile,
     "Failed to create file for saving the Vantrel report.\nMake sure you have specified valid file path."},
    {"xml", ExportResultToXMLFile,
     "Failed to create file for saving the Vantrel Report.\nMake sure you have specified valid file path."},
    {"csv", ExportResultToCSVFile,
     "Failed to create CSV file for exporting the scanning results.\nMake sure you have specified valid file path."},
};

TEST(ReportWriters, WriteTheExpectedBytesInPlaceOfAnExistingFile)
{
    const std::string folder = MakeTestFolder("vantrel-report-writers");
    for (const char* table : {"empty", "one-row", "three-rows"}) {
        for (const WriterCase& w : kWriters) {
            const std::string name = std::string(table) + "." + w.extension;
            SCOPED_TRACE(name);
            const std::string expected = ExpectedReport(name);
            ASSERT_FALSE(expected.empty());
            const std::string path = folder + name;
            // Longer than any report, so that a file only overwritten, not replaced, shows.
            WriteReportFile(path.c_str(), std::string(5000, '#'));

            std::vector<std::string> messages;
            const bool written = w.writer(path.c_str(), CReportTestRows(ReportTable(table)),
                                          [&](const char* message) { messages.push_back(message); });
            EXPECT_TRUE(written);
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(ReadFileBytes(path), expected);
        }
    }
}

TEST(ReportWriters, ReportAFileThatCannotBeCreatedOrStoredWhole)
{
    const std::string folder = MakeTestFolder("vantrel-report-failures");
    // /dev/full accepts the open and refuses every byte, as a full disk does.
    const std::string paths[] = {folder + "no-such-folder\\report", "Z:\\dev\\full"};
    for (const std::string& path : paths) {
        for (const WriterCase& w : kWriters) {
            SCOPED_TRACE(path + " " + w.extension);
            std::vector<std::string> messages;
            const bool written = w.writer(path.c_str(), CReportTestRows(ReportTable("three-rows")),
                                          [&](const char* message) { messages.push_back(message); });
            EXPECT_FALSE(written);
            EXPECT_EQ(messages, std::vector<std::string>{w.failureMessage});
        }
    }
    EXPECT_EQ(::GetFileAttributesA((folder + "no-such-folder").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Rows that go away once the first row is read: reading one of them fails the test.
class CShrinkingRows : public CReportTestRows {
public:
    using CReportTestRows::CReportTestRows;
    int GetRowCount() const override { return m_FirstRowRead ? 1 : CReportTestRows::GetRowCount(); }
    std::string GetCellText(int row, int column, size_t capacity) const override
    {
        if (row > 0 && m_FirstRowRead)
            ADD_FAILURE() << "row " << row << " read after it went away";
        m_FirstRowRead = m_FirstRowRead || row == 0;
        return CReportTestRows::GetCellText(row, column, capacity);
    }

private:
    mutable bool m_FirstRowRead = false;
};

TEST(ReportFormats, AskForTheRowCountBeforeEachRow)
{
    const ReportRow first = ReportTable("three-rows")[0];
    struct Case {
        const char* name;
        std::string (*format)(const CReportRows&);
    };
    for (const Case& c : {Case{"html", FormatHtmlReport}, Case{"txt", FormatTextReport},
                          Case{"xml", FormatXmlReport}, Case{"csv", FormatCsvReport}}) {
        SCOPED_TRACE(c.name);
        CShrinkingRows shrinking(ReportTable("three-rows"));
        EXPECT_EQ(c.format(shrinking), c.format(CReportTestRows({first})));
    }
}

TEST(ReportFormats, CutCellsAsEachReportReadsThem)
{
    const std::string name1200 = std::string(1200, 'n');
    const std::string name12000 = std::string(11999, 'm') + "Z";
    const CReportTestRows rows({{"10.0.0.1", name1200, "", ""}, {"10.0.0.2", name12000, "", ""}});

    const std::string html = FormatHtmlReport(rows);
    EXPECT_NE(html.find("<td>" + std::string(999, 'n') + "</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>" + std::string(999, 'm') + "</td>"), std::string::npos);

    const std::string text = FormatTextReport(rows);
    EXPECT_NE(text.find(" Host Name: " + name1200 + "\r\n"), std::string::npos);
    EXPECT_NE(text.find(" Host Name: " + std::string(9999, 'm') + "\r\n"), std::string::npos);

    const std::string xml = FormatXmlReport(rows);
    EXPECT_NE(xml.find("<hostname>" + name1200 + "</hostname>"), std::string::npos);
    EXPECT_NE(xml.find("<hostname>" + std::string(9999, 'm') + "</hostname>"), std::string::npos);

    const std::string csv = FormatCsvReport(rows);
    EXPECT_NE(csv.find("\r\n10.0.0.2," + name12000 + ",,\r\n"), std::string::npos);
}

TEST(ReportFormats, MarkupTextIsEscapedUtf8ThatXmlAllows)
{
    struct Case {
        const char* cell;
        UINT codePage;
        const char* expected;
    };
    const Case cases[] = {
        {"Desktop-7.lan", 1252, "Desktop-7.lan"},
        {"<img src=x onerror=alert(1)>", 1252, "&lt;img src=x onerror=alert(1)&gt;"},
        {"a&b \"c\" 'd'", 1252, "a&amp;b &quot;c&quot; &#39;d&#39;"},
        {"&amp;", 1252, "&amp;amp;"},
        {"]]>", 1252, "]]&gt;"},
        // e acute and u umlaut, the euro sign; the same byte is a Cyrillic letter in 1251.
        {"caf\xE9 M\xFCller \x80", 1252, "caf\xC3\xA9 M\xC3\xBCller \xE2\x82\xAC"},
        {"\xE9", 1251, "\xD0\xB9"},
        // TAB and LF stay, CR survives parsing only as a reference, the rest XML forbids.
        {"a\tb\nc\r\nd", 1252, "a\tb\nc&#13;\nd"},
        {"\x01\x08\x0B\x0C\x1B[0m\x1F\x7F", 1252, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD[0m\xEF\xBF\xBD\x7F"},
        {"", 1252, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        EXPECT_EQ(MarkupText(c.cell, c.codePage), c.expected);
    }
}

TEST(ReportFormats, CsvQuotesWhatWouldBreakTheRowTrimsEveryCellAndKeepsFormulasAsText)
{
    struct Case {
        ReportRow row;
        const char* line;  // after the header
    };
    const Case cases[] = {
        {{"10.0.0.1", "host", "00:00:00:00:00:01", "ab"}, "10.0.0.1,host,00:00:00:00:00:01,\"ab\"\r\n"},
        // One character says nothing, whether it stood alone or among spaces.
        {{"10.0.0.1", "host", "mac", "x"}, "10.0.0.1,host,mac,\r\n"},
        {{"10.0.0.1", "host", "mac", " \t x \r\n"}, "10.0.0.1,host,mac,\r\n"},
        {{" \t10.0.0.1\v\f", "  spaced name  ", "\r\nmac\n", "  two words  "},
         "10.0.0.1,spaced name,mac,\"two words\"\r\n"},
        {{"10.0.0.1,evil", "a \"b\" c", "line\nbreak", "say \"hi\", then \"bye\""},
         "\"10.0.0.1,evil\",\"a \"\"b\"\" c\",\"line\nbreak\",\"say \"\"hi\"\", then \"\"bye\"\"\"\r\n"},
        {{"", "\"", "cr\ronly", "\"\""}, ",\"\"\"\",\"cr\ronly\",\"\"\"\"\"\"\r\n"},
        // The CSV stays in the code page: bytes as they are.
        {{"10.0.0.1", "caf\xE9", "<b>", "M\xFCller's PC"}, "10.0.0.1,caf\xE9,<b>,\"M\xFCller's PC\"\r\n"},
        // A spreadsheet runs a cell that begins with =, +, - or @ as a formula; an apostrophe
        // makes it text. What begins a cell is judged after the trim, as it is written.
        {{"10.0.0.1", "=HYPERLINK(\"x\")", "mac", "=1+2"},
         "10.0.0.1,\"'=HYPERLINK(\"\"x\"\")\",mac,\"'=1+2\"\r\n"},
        {{"+10.0.0.1", "-cmd", "@SUM(A1)", "-x"}, "'+10.0.0.1,'-cmd,'@SUM(A1),\"'-x\"\r\n"},
        {{"10.0.0.1", " \t=cmd|' /C calc'!A0", "\r@x", "=="}, "10.0.0.1,'=cmd|' /C calc'!A0,'@x,\"'==\"\r\n"},
        {{"10.0.0.1", "=", "+", "-"}, "10.0.0.1,'=,'+,\r\n"},
        {{"10.0.0.1", "=a,b", "x=1", "a-b"}, "10.0.0.1,\"'=a,b\",x=1,\"a-b\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(FormatCsvReport(CReportTestRows({c.row})),
                  std::string("Host IP Address,Host Name,Host MAC Address,Description\r\n") + c.line);
    }
}

// A name must not be able to forge lines of the text report, nor send a terminal its codes.
TEST(ReportFormats, TextReportShowsControlCharactersAsSpaces)
{
    struct Case {
        std::string cell;
        std::string shown;
    };
    const Case cases[] = {
        {"  <a href='x'>caf\xE9 & \"co\"</a>  ", "  <a href='x'>caf\xE9 & \"co\"</a>  "},
        {"evil\r\n Host Name: forged", "evil   Host Name: forged"},
        {"a\tb\vc\fd\ne\rf", "a b c d e f"},
        {"\x1B[31mred\x1B[0m\x07\x7F", " [31mred [0m  "},
        {std::string("x\x01\x1F\x20\x7E\x80\xFF"), std::string("x  \x20\x7E\x80\xFF")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        const std::string text = FormatTextReport(CReportTestRows({{"10.0.0.1", c.cell, "", ""}}));
        EXPECT_EQ(text, "\r\n                                          Vantrel Report\r\n\r\n"
                        "\r\n Host IP Address: 10.0.0.1\r\n Host Name: " + c.shown +
                        "\r\n Host MAC Address: \r\n Description: "
                        "\r\n------------------------------------------------------------------------------------\r\n"
                        "\r\n\r\n\r\n____________________________________________________________________________________");
    }
}

}  // namespace
