// Helpers for tests that drive real windows under a modal loop.
#pragma once

#include <windows.h>

#include "Wait.h"
#include "WindowText.h"

#include <functional>
#include <string>

// Calls `action` with the dialog once a visible dialog with this caption exists on this
// thread; meant to be set up just before DoModal. A dialog still open 20 s later is closed,
// so a failing test cannot hang the run.
void WhenDialogShows(const char* caption, std::function<void(HWND dialog)> action);
// Ends the watch of WhenDialogShows, for a dialog that was not to show.
void StopWatchingForDialog();


// Presses and releases a key through the system's input queue.
void PressKey(WORD key);

// A control's rectangle in the client coordinates of its dialog.
RECT ChildRect(HWND dialog, int id);

// The text a tooltip window holds for the tool (owner, id).
std::string ToolTipText(HWND tip, HWND owner, UINT_PTR id);
