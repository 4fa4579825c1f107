// A report-style list view (control 1006, the results list's styles) in a plain top-level
// window that hands the list's notifications back to it, as the main window does.
#pragma once

#include <windows.h>

class CListTestHost {
public:
    static constexpr int kListId = 1006;

    // The list at (x, y) in the host window's client area.
    explicit CListTestHost(int x = 10, int y = 10, int width = 684, int height = 237);
    ~CListTestHost();
    CListTestHost(const CListTestHost&) = delete;
    CListTestHost& operator=(const CListTestHost&) = delete;

    HWND Window() const { return m_Window; }
    HWND List() const { return m_List; }

private:
    HWND m_Window = nullptr;
    HWND m_List = nullptr;
};

// What a list sends its parent when a column heading is clicked, sent to `host`, which
// hands it back to the list; callable from any thread.
void SendColumnClick(HWND host, HWND list, int column);
