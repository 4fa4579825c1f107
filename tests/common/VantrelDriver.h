// Drives the real vantrel.exe from another process, as a user would: starts it, finds its
// main window, presses its buttons, reads the summary box and every row of the results
// list (through memory allocated in the program's own process).
#pragma once

#include <windows.h>

#include "Wait.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ListedHost {
    std::string address, name, mac, description;
};

class CVantrelProcess {
public:
    static constexpr DWORD kDefaultTimeoutMs = 30000;

    CVantrelProcess() = default;
    ~CVantrelProcess();  // a program still running is ended
    CVantrelProcess(const CVantrelProcess&) = delete;
    CVantrelProcess& operator=(const CVantrelProcess&) = delete;

    // Starts the program and waits for its main window; false with `error` filled on failure.
    bool Launch(const std::string& exePath, std::string& error);
    // Starts the program without waiting for any window.
    bool Start(const std::string& exePath, std::string& error);

    HWND MainWindow() const { return m_Main; }
    HWND Control(int id) const { return ::GetDlgItem(m_Main, id); }
    DWORD ProcessId() const { return m_Process.dwProcessId; }

    // Automatic mode with the discovered range, or Manual mode with the given range.
    void ChooseAutomatic() const;
    void ChooseManual(uint32_t start, uint32_t end) const;

    // What a click on Start Scan / Stop Scan delivers to the window.
    void ClickStartStop() const;
    // The Enter key as the dialog manager sees it.
    void PressEnter() const;
    // The caption's close box; a close request from outside (WM_CLOSE), which a disabled
    // window gets too.
    void Close() const;
    void RequestClose() const;

    std::string ButtonCaption() const;
    bool IsEnabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }
    bool IsChecked(int id) const { return ::SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // What an address control shows, dotted.
    std::string AddressText(int id) const;

    // The summary box owned by the main window, or null.
    HWND FindSummaryBox() const;
    // Polls for it; null after the timeout.
    HWND WaitForSummaryBox(DWORD timeoutMs = kDefaultTimeoutMs) const;
    static std::string MessageBoxText(HWND box);
    static void PressOk(HWND box);

    // Waits until the button reads "Start Scan" again and is enabled (the last thing a run
    // does), and, when rows were found, until Export is enabled.
    bool WaitForIdle(DWORD timeoutMs = kDefaultTimeoutMs) const;
    bool WaitForCaption(const char* caption, DWORD timeoutMs = kDefaultTimeoutMs) const;

    // Clicks Export and saves the report as CSV through the program's Save dialog under
    // `path` (the dialog adds ".csv"), then closes the viewer the program opens it in. False
    // with `error` filled when a step does not come.
    bool ExportCsv(const std::string& path, std::string& error) const;

    // What "Name This Device..." showed in its dialog.
    struct NameDialogSeen {
        std::string address, mac, name;
    };
    // Right-clicks the row of `address` with the real pointer, chooses "Name This Device..." in
    // the menu with the keyboard, reads the dialog, puts `name` into its box and presses OK.
    // False with `error` filled when a step does not come.
    bool NameDevice(const std::string& address, const std::string& name, NameDialogSeen& seen,
                    std::string& error) const;

    int ColumnWidth(int column) const;
    int RowCount() const;
    std::vector<ListedHost> ReadRows() const;

    // Waits for the process to end; false on timeout. `exitCode` is its exit code.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode) const;

    // The process's visible top-level windows.
    std::vector<HWND> VisibleWindows() const;
    // The first of them that `match` accepts; null when none came in time or the process ended.
    HWND WaitForWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs = kDefaultTimeoutMs) const;

private:
    std::string CellText(HWND list, int row, int column, void* remote) const;

    PROCESS_INFORMATION m_Process{};
    HWND m_Main = nullptr;
};
