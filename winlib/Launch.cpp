#include "winlib/Launch.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr INT_PTR kShellErrorLimit = 32;  // the shell reports success above this
constexpr const char* kWindowsDirectoryFallback = "C:\\Windows";

// The browser's command line: its path and the target, each in quotes. The path is quoted
// because it holds spaces: unquoted, the system would try "C:\Program" and so on first, and
// the browser would see the pieces of its own path as arguments. A target holding a quote
// could end its quotes and add arguments of its own, and one that does not fit would be
// cut into a different target: both are refused.
bool FormatBrowserCommandLine(const char* browser, const char* target, char (&commandLine)[kBrowserCommandLineSize])
{
    if (std::strchr(target, '"'))
        return false;
    const int length = std::snprintf(commandLine, sizeof(commandLine), "\"%s\" \"%s\"", browser, target);
    return length >= 0 && static_cast<size_t>(length) < sizeof(commandLine);
}

}  // namespace

const LaunchPlatform& SystemLaunchPlatform()
{
    static const LaunchPlatform platform{
        [](const char* target) {
            return reinterpret_cast<INT_PTR>(
                ::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL));
        },
        [](char* commandLine, DWORD creationFlags, const STARTUPINFOA& startup) {
            STARTUPINFOA info = startup;
            PROCESS_INFORMATION process{};
            if (!::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr,
                                  &info, &process))
                return false;
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
            return true;
        },
        [](char* buffer, UINT size) { return ::GetSystemWindowsDirectoryA(buffer, size); },
        []() -> IsWow64ProcessFunction {
            HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
            if (!kernel)
                return nullptr;
            // Through the generic function pointer type, which converts to any other.
            return reinterpret_cast<IsWow64ProcessFunction>(
                reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "IsWow64Process")));
        },
        [](const char* path) { return ::GetFileAttributesA(path); },
    };
    return platform;
}

void LaunchInternetExplorer(const char* target)
{
    LaunchInternetExplorer(target, SystemLaunchPlatform());
}

void LaunchInternetExplorer(const char* target, const LaunchPlatform& platform)
{
    if (!target)
        target = "";
    if (platform.ShellOpen(target) > kShellErrorLimit)
        return;

    char windowsDirectory[kWindowsDirectorySize];
    ReadWindowsDirectory(platform, windowsDirectory);
    const char drive = windowsDirectory[0];

    char candidates[3][128];
    for (size_t i = 0; i < 3; ++i) {
        std::snprintf(candidates[i], sizeof(candidates[i]), "%s", BrowserCandidates[i]);
        candidates[i][0] = drive;
    }
    const char* browser = IsWow64(platform) ? candidates[0] : candidates[1];
    if (!IsFileExists(browser, platform))
        browser = candidates[2];

    char commandLine[kBrowserCommandLineSize];
    if (FormatBrowserCommandLine(browser, target, commandLine))
        LaunchApplication(commandLine, platform);
}

void ReadWindowsDirectory(const LaunchPlatform& platform, char (&directory)[kWindowsDirectorySize])
{
    const UINT length = platform.SystemWindowsDirectory(directory, sizeof(directory));
    if (length == 0 || length >= sizeof(directory))
        std::snprintf(directory, sizeof(directory), "%s", kWindowsDirectoryFallback);
}

bool LaunchApplication(const char* commandLine)
{
    return LaunchApplication(commandLine, SystemLaunchPlatform());
}

bool LaunchApplication(const char* commandLine, const LaunchPlatform& platform)
{
    if (!commandLine)
        return false;
    // The system may write into the command line it is given.
    std::vector<char> writable(commandLine, commandLine + std::strlen(commandLine) + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMAXIMIZED;
    return platform.StartProcess(writable.data(), CREATE_NO_WINDOW, startup);
}

bool IsFileExists(const char* path)
{
    return IsFileExists(path, SystemLaunchPlatform());
}

bool IsFileExists(const char* path, const LaunchPlatform& platform)
{
    if (!path)
        return false;
    const DWORD attributes = platform.FileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsWow64()
{
    return IsWow64(SystemLaunchPlatform());
}

bool IsWow64(const LaunchPlatform& platform)
{
    const IsWow64ProcessFunction isWow64Process = platform.FindIsWow64Process();
    if (!isWow64Process)
        return false;
    BOOL wow64 = FALSE;
    return isWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}
