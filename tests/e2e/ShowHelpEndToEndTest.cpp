// Show Help of the real program, black-box, inside the virtual LAN: the page the program carries
// is written to the temporary folder and handed to the browser. tests/e2e/show_help.sh tells
// Wine which browser to start: a stub that writes down what it was given, or none that exists.
// Without that script these tests do not run, so no real browser ever opens.
#include "Environment.h"
#include "VantrelDriver.h"
#include "Wait.h"
#include "WinePath.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr DWORD kExitTimeoutMs = 15000;
constexpr DWORD kBrowserTimeoutMs = 30000;

// Each section of the help page, typed from what it must cover.
const char* const kHeadings[] = {
    "<h2 id=\"scan\">What a scan does</h2>",
    "<h2 id=\"network\">Which network is scanned</h2>",
    "<h2 id=\"list\">The list</h2>",
    "<h2 id=\"names\">Where the names come from</h2>",
    "<h2 id=\"export\">Export</h2>",
    "<h2 id=\"settings\">Settings</h2>",
    "<h2 id=\"responsibility\">Scan only your own networks</h2>",
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The first line the stub browser wrote: a Unix path or a file:// address.
std::string FirstLine(const std::string& text)
{
    const size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end);
}

std::string UnixPathOf(std::string target)
{
    if (target.compare(0, 7, "file://") == 0)
        target.erase(0, 7);
    std::string path;
    for (size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '%' && i + 2 < target.size()) {
            path += static_cast<char>(std::strtoul(target.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            path += target[i];
        }
    }
    return path;
}

std::string TempHelpPath()
{
    char folder[MAX_PATH + 1] = "";
    ::GetTempPathA(sizeof(folder), folder);
    return std::string(folder) + "vantrel-help.html";
}

bool Answers(HWND window)
{
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

class ShowHelp : public testing::Test {
protected:
    void Launch()
    {
        const std::string exe = WindowsPathOf(Env("VANTREL_EXE"));
        ASSERT_FALSE(exe.empty()) << "VANTREL_EXE names the program under test";
        std::string error;
        ASSERT_TRUE(m_Program.Launch(exe, error)) << error;
    }

    void ClickShowHelp() const
    {
        ::PostMessageA(m_Program.MainWindow(), WM_COMMAND, MAKEWPARAM(IDC_HELP_LINK, STN_CLICKED),
                       reinterpret_cast<LPARAM>(m_Program.Control(IDC_HELP_LINK)));
    }

    void CloseAndExpectCleanEnd()
    {
        m_Program.Close();
        DWORD exitCode = 1;
        EXPECT_TRUE(m_Program.WaitForExit(kExitTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
    }

    CVantrelProcess m_Program;
};

TEST_F(ShowHelp, OpensTheBuiltInPageInTheBrowser)
{
    if (Env("VANTREL_BROWSER_LOG").empty())
        GTEST_SKIP() << "only through tests/e2e/show_help.sh, which gives Wine a stub browser";
    const std::string log = WindowsPathOf(Env("VANTREL_BROWSER_LOG"));
    ::DeleteFileA(log.c_str());
    ASSERT_NO_FATAL_FAILURE(Launch());

    ClickShowHelp();
    std::string opened;
    EXPECT_TRUE(PumpUntil([&] { return !(opened = FirstLine(ReadFile(log))).empty(); }, kBrowserTimeoutMs))
        << "the browser was not started";
    EXPECT_TRUE(Answers(m_Program.MainWindow()));
    CloseAndExpectCleanEnd();
    ASSERT_FALSE(opened.empty());

    const std::string page = WindowsPathOf(UnixPathOf(opened));
    SCOPED_TRACE(opened);
    EXPECT_EQ(::GetFileAttributesA(page.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    const std::string text = ReadFile(page);
    EXPECT_EQ(text.compare(0, 15, "<!DOCTYPE html>"), 0);
    for (const char* heading : kHeadings)
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
    EXPECT_NE(text.find("HKEY_CURRENT_USER\\Software\\Vantrel"), std::string::npos);
}

TEST_F(ShowHelp, BreaksNothingWithoutABrowser)
{
    if (Env("VANTREL_NO_BROWSER").empty())
        GTEST_SKIP() << "only through tests/e2e/show_help.sh, which leaves Wine without a browser";
    const std::string page = TempHelpPath();
    ::DeleteFileA(page.c_str());
    ASSERT_NO_FATAL_FAILURE(Launch());

    ClickShowHelp();
    EXPECT_TRUE(PumpUntil([&] { return ::GetFileAttributesA(page.c_str()) != INVALID_FILE_ATTRIBUTES; },
                          kBrowserTimeoutMs))
        << "the page was not written";
    // A second time over the first one's file, with nothing to show it either.
    ClickShowHelp();
    EXPECT_TRUE(Answers(m_Program.MainWindow()));
    EXPECT_TRUE(m_Program.IsEnabled(IDC_START_SCAN));
    EXPECT_EQ(m_Program.VisibleWindows().size(), 1u) << "no message, no other window";
    CloseAndExpectCleanEnd();
}

}  // namespace
