// Private messages the custom controls send to their parents or to each other.
#pragma once

#include <windows.h>

// A hyperlink in notify-parent mode was clicked: wParam = its control id, lParam = 0.
constexpr UINT WM_LINK_CLICKED = WM_USER + 101;

// A shaded radio button became checked and asks the other members of its group to clear
// their check: wParam = lParam = 0.
constexpr UINT WM_SHADE_UNCHECK = WM_USER + 0x100;
