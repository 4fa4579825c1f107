// Real pointer input and screen pixels for window tests.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

// Moves the system pointer to a screen point and lets the thread handle what follows.
void MovePointerTo(POINT screen, DWORD settleMs = 150);
// Moves the pointer to the middle of a window.
void MovePointerOnto(HWND window, DWORD settleMs = 150);
// Presses and releases the left button where the pointer is.
void ClickLeft(DWORD settleMs = 150);
// Presses and releases the right button where the pointer is.
void ClickRight(DWORD settleMs = 150);

// Through the system's input queue without waiting, in client coordinates of hwnd.
void MoveTo(HWND hwnd, POINT client);
void LeftButton(bool down);
void ClickAt(HWND hwnd, POINT client);
POINT CenterOf(HWND hwnd);

// Moves the pointer to the screen's bottom-right corner, away from the test windows.
void ParkPointer();

// The pixels of a window as the screen shows them, row by row (0x00RRGGBB).
std::vector<DWORD> ScreenPixels(HWND window);

// Runs `action` once, `ms` milliseconds from now, from whatever message loop is running.
void AfterDelay(UINT ms, std::function<void()> action);
