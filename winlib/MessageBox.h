// CMessageBox: the platform's message box, whose window its owner can end while it is up.
#pragma once

#include <windows.h>

#include <string>

// The system's text for an error code (GetLastError's), without its final line break;
// "Error N" where the system has none.
std::string SystemErrorText(DWORD error);

class CMessageBox {
public:
    CMessageBox() = default;
    CMessageBox(const CMessageBox&) = delete;
    CMessageBox& operator=(const CMessageBox&) = delete;

    // MessageBoxA's contract; on the calling thread, one box at a time.
    int Show(HWND owner, const char* text, const char* caption, UINT type);
    // Ends the box that Show has up (from its thread, for example in a message it
    // dispatches) as if `result` had been chosen; nothing without one.
    void End(int result) const;

private:
    static LRESULT CALLBACK OnCreating(int code, WPARAM wp, LPARAM lp);

    HWND m_Box = nullptr;
};
