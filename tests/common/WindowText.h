// What a window says of itself, for tests that look at windows of their own or another
// process.
#pragma once

#include <windows.h>

#include <string>

// The window's class name.
std::string ClassOf(HWND hwnd);

// The window's text as GetWindowText gives it: of another process's window the text the
// system keeps for it, without a message that would make the process answer.
std::string TextOf(HWND hwnd);

// The window's text as the window answers WM_GETTEXT, carried across processes: what a
// control that keeps its own text (an edit, an address control) shows now. Empty when the
// window does not answer within 5 s.
std::string SentTextOf(HWND hwnd);
