// Opening addresses and files (the shell first, then a fixed browser) and starting programs.
#include "winlib/Launch.h"

#include "winlib/Thread.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelperFlag = "--launch-helper=";

std::string GoEventName(const std::string& id) { return "Vantrel.LaunchTest.Go." + id; }
std::string DoneEventName(const std::string& id) { return "Vantrel.LaunchTest.Done." + id; }

// Started by the test below as a program of its own, before any test runs: waits until the
// test lets it go, says it is done and ends.
const bool s_runningAsHelper = [] {
    const char* flag = std::strstr(::GetCommandLineA(), kHelperFlag);
    if (!flag)
        return false;
    const std::string id = flag + std::strlen(kHelperFlag);
    const HANDLE go = ::OpenEventA(SYNCHRONIZE, FALSE, GoEventName(id).c_str());
    const HANDLE done = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, DoneEventName(id).c_str());
    if (go && done && ::WaitForSingleObject(go, 30000) == WAIT_OBJECT_0)
        ::SetEvent(done);
    ::ExitProcess(0);
}();

constexpr const char* kEdgeX86 = "Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";
constexpr const char* kEdge = "Program Files\\Microsoft\\Edge\\Application\\msedge.exe";
constexpr const char* kExplorer = "Program Files\\Internet Explorer\\iexplore.exe";

BOOL WINAPI Wow64True(HANDLE, PBOOL wow64)
{
    *wow64 = TRUE;
    return TRUE;
}
BOOL WINAPI Wow64False(HANDLE, PBOOL wow64)
{
    *wow64 = FALSE;
    return TRUE;
}
BOOL WINAPI Wow64Fails(HANDLE, PBOOL)
{
    return FALSE;
}

// A system where nothing really starts: it answers from its fields and records each call.
struct FakeSystem {
    INT_PTR shellResult = SE_ERR_NOASSOC;
    const char* windowsDirectory = "C:\\windows";  // null: the call fails and writes nothing
    IsWow64ProcessFunction isWow64Process = Wow64False;
    std::set<std::string> files;
    bool startSucceeds = true;

    std::vector<std::string> calls;  // "open TARGET", "start COMMAND LINE" in call order
    std::vector<std::string> probed;
    DWORD startFlags = 0;
    STARTUPINFOA startup{};

    LaunchPlatform Platform()
    {
        LaunchPlatform platform;
        platform.ShellOpen = [this](const char* target) {
            calls.push_back(std::string("open ") + target);
            return shellResult;
        };
        platform.StartProcess = [this](char* commandLine, DWORD flags, const STARTUPINFOA& info) {
            calls.push_back(std::string("start ") + commandLine);
            startFlags = flags;
            startup = info;
            return startSucceeds;
        };
        platform.SystemWindowsDirectory = [this](char* buffer, UINT size) -> UINT {
            if (!windowsDirectory)
                return 0;
            return static_cast<UINT>(std::snprintf(buffer, size, "%s", windowsDirectory));
        };
        platform.FindIsWow64Process = [this] { return isWow64Process; };
        platform.FileAttributes = [this](const char* path) -> DWORD {
            probed.push_back(path);
            return files.count(path) ? FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES;
        };
        return platform;
    }
};

std::string OnDrive(char drive, const char* path)
{
    return std::string(1, drive) + ":\\" + path;
}

std::string BrowserLine(const std::string& browser, const std::string& target)
{
    return "start \"" + browser + "\" \"" + target + "\"";
}

TEST(LaunchInternetExplorer, StopsAtTheShellWhenItOpensTheTarget)
{
    struct Case {
        INT_PTR shellResult;
        bool fallsBack;
    };
    const Case cases[] = {{33, false}, {42, false}, {32, true}, {SE_ERR_NOASSOC, true}, {0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shellResult);
        FakeSystem system;
        system.shellResult = c.shellResult;
        system.files = {OnDrive('C', kEdge)};
        LaunchInternetExplorer("https://example.invalid/help", system.Platform());

        std::vector<std::string> expected = {"open https://example.invalid/help"};
        if (c.fallsBack)
            expected.push_back(BrowserLine(OnDrive('C', kEdge), "https://example.invalid/help"));
        EXPECT_EQ(system.calls, expected);
        EXPECT_EQ(system.probed.empty(), !c.fallsBack);
    }
}

TEST(LaunchInternetExplorer, ChoosesTheBrowserOnTheDriveOfTheWindowsDirectory)
{
    struct Case {
        const char* name;
        IsWow64ProcessFunction isWow64Process;
        std::vector<const char*> files;
        const char* looksFor;
        const char* starts;
    };
    const Case cases[] = {
        {"32-bit on 64-bit with Edge (x86)", Wow64True, {kEdgeX86, kEdge}, kEdgeX86, kEdgeX86},
        // Edge under Program Files does not count for a 32-bit process on 64-bit Windows.
        {"32-bit on 64-bit, only plain Edge", Wow64True, {kEdge, kExplorer}, kEdgeX86, kExplorer},
        {"32-bit on 64-bit, no browser at all", Wow64True, {}, kEdgeX86, kExplorer},
        {"native with Edge", Wow64False, {kEdge}, kEdge, kEdge},
        {"native, only Edge (x86)", Wow64False, {kEdgeX86}, kEdge, kExplorer},
        {"no IsWow64Process", nullptr, {kEdge}, kEdge, kEdge},
        {"IsWow64Process fails", Wow64Fails, {kEdge}, kEdge, kEdge},
    };
    for (const char drive : {'C', 'D'}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(1, drive) + ": " + c.name);
            FakeSystem system;
            system.windowsDirectory = drive == 'D' ? "D:\\WINDOWS" : "C:\\windows";
            system.isWow64Process = c.isWow64Process;
            for (const char* file : c.files)
                system.files.insert(OnDrive(drive, file));
            LaunchInternetExplorer("C:\\Reports\\VantrelReport.html", system.Platform());

            // Only the chosen Edge is looked for; Internet Explorer is taken untested.
            EXPECT_EQ(system.probed, std::vector<std::string>{OnDrive(drive, c.looksFor)});
            ASSERT_EQ(system.calls.size(), 2u);
            EXPECT_EQ(system.calls[1], BrowserLine(OnDrive(drive, c.starts), "C:\\Reports\\VantrelReport.html"));
        }
    }
}

TEST(LaunchInternetExplorer, KeepsDriveCWhenTheWindowsDirectoryIsUnknown)
{
    FakeSystem system;
    system.windowsDirectory = nullptr;
    LaunchInternetExplorer("https://example.invalid/", system.Platform());
    ASSERT_EQ(system.calls.size(), 2u);
    EXPECT_EQ(system.calls[1], BrowserLine(OnDrive('C', kExplorer), "https://example.invalid/"));
}

TEST(LaunchInternetExplorer, GivesTheBrowserTheTargetInQuotesAfterItsQuotedPath)
{
    FakeSystem system;
    system.files = {OnDrive('C', kEdge)};
    LaunchInternetExplorer("C:\\users\\me\\My Reports\\VantrelReport.html", system.Platform());
    ASSERT_EQ(system.calls.size(), 2u);
    EXPECT_EQ(system.calls[1],
              "start \"C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe\" "
              "\"C:\\users\\me\\My Reports\\VantrelReport.html\"");
}

TEST(LaunchInternetExplorer, RefusesATargetThatWouldNotStayOneWholeArgument)
{
    // Path, two quotes, space, two quotes: what the target may fill of the 999 characters.
    const std::string browser = OnDrive('C', kExplorer);
    const size_t room = kBrowserCommandLineSize - 1 - browser.size() - 5;
    const std::string fits = "https://example.invalid/" + std::string(room - 24, 'a');
    ASSERT_EQ(fits.size(), room);

    struct Case {
        std::string target;
        bool starts;
    };
    const Case cases[] = {
        {fits, true},
        {fits + "b", false},
        {std::string(5000, 'x'), false},
        {"https://example.invalid/\" --some-switch \"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.size());
        FakeSystem system;
        LaunchInternetExplorer(c.target.c_str(), system.Platform());
        // The shell takes the target as a whole, so it is always asked.
        ASSERT_FALSE(system.calls.empty());
        EXPECT_EQ(system.calls[0], "open " + c.target);
        if (c.starts)
            EXPECT_EQ(system.calls, (std::vector<std::string>{"open " + c.target, BrowserLine(browser, c.target)}));
        else
            EXPECT_EQ(system.calls.size(), 1u);
    }
}

TEST(LaunchApplication, StartsMaximisedWithoutAConsoleWindow)
{
    for (const bool created : {true, false}) {
        FakeSystem system;
        system.startSucceeds = created;
        EXPECT_EQ(LaunchApplication("C:\\windows\\notepad.exe \"C:\\a b.txt\"", system.Platform()), created);
        EXPECT_EQ(system.calls, std::vector<std::string>{"start C:\\windows\\notepad.exe \"C:\\a b.txt\""});
        EXPECT_EQ(system.startFlags, static_cast<DWORD>(CREATE_NO_WINDOW));
        EXPECT_EQ(system.startup.cb, sizeof(STARTUPINFOA));
        EXPECT_EQ(system.startup.dwFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
        EXPECT_EQ(system.startup.wShowWindow, SW_SHOWMAXIMIZED);
    }
}

std::string OwnPath()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

std::string TempPath(const char* name)
{
    char folder[MAX_PATH] = "";
    ::GetTempPathA(sizeof(folder), folder);
    return std::string(folder) + name;
}

TEST(LaunchApplication, StartsTheProgramAndDoesNotWaitForIt)
{
    const std::string id = std::to_string(::GetCurrentProcessId());
    const CHandle go(::CreateEventA(nullptr, TRUE, FALSE, GoEventName(id).c_str()));
    const CHandle done(::CreateEventA(nullptr, TRUE, FALSE, DoneEventName(id).c_str()));
    ASSERT_TRUE(go && done);
    const std::string commandLine = "\"" + OwnPath() + "\" " + kHelperFlag + id;

    ASSERT_TRUE(LaunchApplication(commandLine.c_str()));
    // The helper cannot be done before it is let go: had the launch waited for it, it would be.
    EXPECT_EQ(::WaitForSingleObject(done.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::SetEvent(go.Get());
    EXPECT_EQ(::WaitForSingleObject(done.Get(), 30000), static_cast<DWORD>(WAIT_OBJECT_0)) << "the program did not run";
}

TEST(LaunchApplication, FailsForAProgramThatDoesNotExist)
{
    EXPECT_FALSE(LaunchApplication("C:\\no-such-folder\\no-such-program.exe"));
    EXPECT_FALSE(LaunchApplication(TempPath("no-such-program.exe").c_str()));
    EXPECT_FALSE(LaunchApplication(nullptr));
}

TEST(IsFileExists, OnlyForAnExistingObjectThatIsNotAFolder)
{
    char windows[MAX_PATH] = "";
    ::GetSystemWindowsDirectoryA(windows, sizeof(windows));
    EXPECT_TRUE(IsFileExists(OwnPath().c_str()));
    EXPECT_FALSE(IsFileExists(windows));
    EXPECT_FALSE(IsFileExists(TempPath("").c_str()));
    EXPECT_FALSE(IsFileExists(TempPath("no-such-file.txt").c_str()));
    EXPECT_FALSE(IsFileExists(""));
    EXPECT_FALSE(IsFileExists(nullptr));
}

TEST(IsWow64, IsTheFlagIsWow64ProcessStores)
{
    struct Case {
        IsWow64ProcessFunction isWow64Process;
        bool expected;
    };
    const Case cases[] = {{nullptr, false}, {Wow64True, true}, {Wow64False, false}, {Wow64Fails, false}};
    for (const Case& c : cases) {
        FakeSystem system;
        system.isWow64Process = c.isWow64Process;
        EXPECT_EQ(IsWow64(system.Platform()), c.expected);
    }
    // Every system we run on has it.
    EXPECT_NE(SystemLaunchPlatform().FindIsWow64Process(), nullptr);
}

}  // namespace
