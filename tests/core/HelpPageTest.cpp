// The help page is written whole into a file of its own, which then takes the fixed name:
// whatever stood there is replaced, a link planted there is never written through, and where
// the name cannot be taken the page is still shown from its own file.
#include "ui/HelpPage.h"
#include "ReportFixtures.h"
#include "WinePath.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// The page as it is kept in the source tree.
std::string HelpPageSource()
{
    return ReadFileBytes(WindowsPathOf(VANTREL_HELP_PAGE_SOURCE));
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

struct WriteCase {
    const char* name;
    // What stands at the page's name before it is written; the folder is given.
    std::function<void(const std::string& page, const std::string& folder)> prepare;
    bool takesTheName;  // else the page is shown from a file of its own
};

TEST(HelpPage, IsWrittenWholeAndNeverThroughWhatStoodAtItsName)
{
    const std::string source = HelpPageSource();
    ASSERT_GT(source.size(), 1000u);
    ASSERT_EQ(source.compare(0, 15, "<!DOCTYPE html>"), 0);

    const WriteCase cases[] = {
        {"nothing", [](const std::string&, const std::string&) {}, true},
        {"an older page", [](const std::string& page, const std::string&) { WriteBytes(page, "old"); }, true},
        {"a link to another file",
         [](const std::string& page, const std::string& folder) {
             WriteBytes(folder + "victim.txt", "not to be changed");
             ASSERT_TRUE(::CreateHardLinkA(page.c_str(), (folder + "victim.txt").c_str(), nullptr));
         },
         true},
        {"a folder",
         [](const std::string& page, const std::string&) { ASSERT_TRUE(::CreateDirectoryA(page.c_str(), nullptr)); },
         false},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = MakeTestFolder("help-page");
        const std::string page = folder + kHelpPageFileName;
        ::RemoveDirectoryA(page.c_str());  // an earlier run's
        ASSERT_NO_FATAL_FAILURE(c.prepare(page, folder));

        const std::string written = WriteHelpPage(page);
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(written == page, c.takesTheName) << written;
        EXPECT_EQ(written.compare(0, folder.size(), folder), 0) << "beside the page's name: " << written;
        EXPECT_EQ(ReadFileBytes(written), source);
        if (::GetFileAttributesA((folder + "victim.txt").c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_EQ(ReadFileBytes(folder + "victim.txt"), "not to be changed");
        }
        if (!c.takesTheName) {
            EXPECT_NE(::GetFileAttributesA(page.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << "the folder stays";
        }
        // Nothing half-written is left behind: the page, and what the case put there.
        std::vector<std::string> expected{written.substr(folder.size())};
        if (std::string(c.name) == "a link to another file")
            expected.push_back("victim.txt");
        std::vector<std::string> files = FilesIn(folder);
        std::sort(files.begin(), files.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files, expected);
    }
}

TEST(HelpPage, NamesNothingWhereNothingCanBeWritten)
{
    EXPECT_EQ(WriteHelpPage(""), "");
    EXPECT_EQ(WriteHelpPage(kHelpPageFileName), "") << "no folder";
    const std::string folder = MakeTestFolder("help-page");
    EXPECT_EQ(WriteHelpPage(folder + "missing\\" + kHelpPageFileName), "");
}

TEST(HelpPage, LivesInTheUsersTemporaryFolder)
{
    char folder[MAX_PATH + 1] = "";
    ASSERT_GT(::GetTempPathA(sizeof(folder), folder), 0u);
    EXPECT_EQ(HelpPagePath(), std::string(folder) + "vantrel-help.html");
}

}  // namespace
