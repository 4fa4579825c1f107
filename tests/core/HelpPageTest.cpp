// The help page is written whole into a file of its own, which then takes the fixed name:
// whatever stood there is replaced, a link planted there is never written through, and where
// the name cannot be taken the page is still shown from its own file, an HTML file too. Such
// files of earlier shows are tidied away.
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
    std::vector<std::string> stays;  // files the case made that are still there after
};

// Pages of earlier shows that could not take the name (older versions named them .tmp), and
// files that only look a little like them.
void PlantEarlierPages(const std::string& folder)
{
    for (const char* name : {"vantrel-help-4242-1234567-1.html", "vantrel-help-4242-1234999-2.html",
                             "vantrel-help-77-5-3.tmp", "vantrel-help-notes.html", "vantrel-help-1-2-3.html.txt",
                             "notes.html"})
        WriteBytes(folder + name, "earlier");
}
const std::vector<std::string> kNotEarlierPages = {"notes.html", "vantrel-help-1-2-3.html.txt",
                                                   "vantrel-help-notes.html"};

TEST(HelpPage, IsWrittenWholeAndNeverThroughWhatStoodAtItsName)
{
    const std::string source = HelpPageSource();
    ASSERT_GT(source.size(), 1000u);
    ASSERT_EQ(source.compare(0, 15, "<!DOCTYPE html>"), 0);

    const WriteCase cases[] = {
        {"nothing", [](const std::string&, const std::string&) {}, true, {}},
        {"an older page", [](const std::string& page, const std::string&) { WriteBytes(page, "old"); }, true, {}},
        {"a link to another file",
         [](const std::string& page, const std::string& folder) {
             WriteBytes(folder + "victim.txt", "not to be changed");
             ASSERT_TRUE(::CreateHardLinkA(page.c_str(), (folder + "victim.txt").c_str(), nullptr));
         },
         true,
         {"victim.txt"}},
        {"a folder",
         [](const std::string& page, const std::string&) { ASSERT_TRUE(::CreateDirectoryA(page.c_str(), nullptr)); },
         false,
         {}},
        {"an older page and pages of earlier shows",
         [](const std::string& page, const std::string& folder) {
             WriteBytes(page, "old");
             PlantEarlierPages(folder);
         },
         true,
         kNotEarlierPages},
        {"a folder and pages of earlier shows",
         [](const std::string& page, const std::string& folder) {
             ASSERT_TRUE(::CreateDirectoryA(page.c_str(), nullptr));
             PlantEarlierPages(folder);
         },
         false,
         kNotEarlierPages},
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
            // A browser opens it as a page.
            EXPECT_EQ(written.substr(written.size() - 5), ".html") << written;
            EXPECT_EQ(written.compare(folder.size(), 13, "vantrel-help-"), 0) << written;
        }
        // Nothing half-written is left behind, nor a page of an earlier show: the page, and
        // what the case put there that is no such page.
        std::vector<std::string> expected = c.stays;
        expected.push_back(written.substr(folder.size()));
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

// TMP set for the life of the object (the first place the system looks for the temporary
// folder), then what it was.
class CTemporaryFolderVariable {
public:
    explicit CTemporaryFolderVariable(const std::string& value)
    {
        char old[MAX_PATH + 1] = "";
        const DWORD length = ::GetEnvironmentVariableA("TMP", old, sizeof(old));
        m_Had = length > 0 && length < sizeof(old);
        m_Old = m_Had ? old : "";
        ::SetEnvironmentVariableA("TMP", value.c_str());
    }
    ~CTemporaryFolderVariable() { ::SetEnvironmentVariableA("TMP", m_Had ? m_Old.c_str() : nullptr); }
    CTemporaryFolderVariable(const CTemporaryFolderVariable&) = delete;
    CTemporaryFolderVariable& operator=(const CTemporaryFolderVariable&) = delete;

private:
    bool m_Had = false;
    std::string m_Old;
};

TEST(HelpPage, LivesInTheUsersTemporaryFolder)
{
    const std::string folder = MakeTestFolder("help-temp");  // ends in a backslash
    const std::string bare = folder.substr(0, folder.size() - 1);
    for (const std::string& tmp : {bare, folder}) {
        SCOPED_TRACE(tmp);
        const CTemporaryFolderVariable variable(tmp);
        EXPECT_EQ(HelpPagePath(), bare + "\\vantrel-help.html");
    }
}

}  // namespace
