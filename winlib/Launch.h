// Handing a web address, a file or a command line to another program. Nothing here keeps
// state, waits for what it starts or shows a message.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE process, PBOOL wow64);

// The system calls the launch operations make; tests replace them so that nothing real starts.
struct LaunchPlatform {
    // The shell's "open" of a file or address; above 32 means it was opened.
    std::function<INT_PTR(const char* target)> ShellOpen;
    // Creates a process from a writable command line and releases its handles at once.
    std::function<bool(char* commandLine, DWORD creationFlags, const STARTUPINFOA& startup)> StartProcess;
    std::function<UINT(char* buffer, UINT size)> SystemWindowsDirectory;
    // IsWow64Process looked up at run time; null where the system lacks it.
    std::function<IsWow64ProcessFunction()> FindIsWow64Process;
    std::function<DWORD(const char* path)> FileAttributes;
};
const LaunchPlatform& SystemLaunchPlatform();

// Where a browser is looked for when the shell cannot open a target; the first character
// of each is replaced by the drive of the Windows directory.
constexpr const char* BrowserCandidates[3] = {
    "C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe",
    "C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe",
    "C:\\Program Files\\Internet Explorer\\iexplore.exe",
};

constexpr size_t kWindowsDirectorySize = 512;
constexpr size_t kBrowserCommandLineSize = 1000;

// The system's Windows directory into `directory`; C:\Windows where the system names none
// that fits.
void ReadWindowsDirectory(const LaunchPlatform& platform, char (&directory)[kWindowsDirectorySize]);

// Opens a web address or the full path of a local file: the shell first, else a fixed browser.
void LaunchInternetExplorer(const char* target);
void LaunchInternetExplorer(const char* target, const LaunchPlatform& platform);

// Starts the program a command line names, without waiting for it; true when it was created.
bool LaunchApplication(const char* commandLine);
bool LaunchApplication(const char* commandLine, const LaunchPlatform& platform);

// True when the path names an existing object that is not a folder.
bool IsFileExists(const char* path);
bool IsFileExists(const char* path, const LaunchPlatform& platform);

// True for a 32-bit process on 64-bit Windows.
bool IsWow64();
bool IsWow64(const LaunchPlatform& platform);
