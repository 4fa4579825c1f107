// Real pointer input and screen pixels for window tests.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

// These four return once this thread has handled the input (its queue is empty); a modal
// loop the input starts (a menu) carries it out itself.
// Moves the system pointer to a screen point.
void MovePointerTo(POINT screen);
// Moves the pointer to the middle of a window.
void MovePointerOnto(HWND window);
// Presses and releases the left button where the pointer is.
void ClickLeft();
// Presses and releases the right button where the pointer is.
void ClickRight();

// Through the system's input queue without waiting, in client coordinates of hwnd.
void MoveTo(HWND hwnd, POINT client);
void LeftButton(bool down);
void ClickAt(HWND hwnd, POINT client);
POINT CenterOf(HWND hwnd);

// Moves the pointer to the screen's bottom-right corner, away from the test windows.
void ParkPointer();

// Carries out messages until the screen shows what the window has drawn: Wine copies a
// window's drawing to the X screen a while after it was drawn. False after 3 s.
bool PumpUntilOnScreen(HWND window);
// The pixels of a window as the screen shows them once it shows what the window has drawn,
// row by row (0x00RRGGBB).
std::vector<DWORD> ScreenPixels(HWND window);

// Runs `action` once, `ms` milliseconds from now, from whatever message loop is running.
void AfterDelay(UINT ms, std::function<void()> action);

// The window of `windowClass` (and `caption`, unless null) when it is visible, else null.
HWND VisibleWindow(const char* windowClass, const char* caption);
// Runs `action` from whatever message loop is running (a menu's too) as soon as that window is
// visible, or with null once `withinMs` have gone without it. Holds nothing of the caller's.
void WhenWindowShows(const char* windowClass, const char* caption, DWORD withinMs, std::function<void(HWND)> action);
