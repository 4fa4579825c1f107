#include "WindowTestSupport.h"

#include <commctrl.h>

#include <iterator>
#include <string>

namespace {
std::function<void(HWND)> s_action;
std::string s_caption;
UINT_PTR s_timer = 0;
DWORD s_started = 0;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = ::FindWindowA("#32770", s_caption.c_str());
    if (s_action && dialog && ::IsWindowVisible(dialog)) {
        auto action = std::move(s_action);
        s_action = nullptr;
        action(dialog);
        return;
    }
    if (::GetTickCount() - s_started > 20000) {
        ::KillTimer(nullptr, s_timer);
        s_timer = 0;
        if (dialog)
            ::PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
}
}  // namespace

void WhenDialogShows(const char* caption, std::function<void(HWND)> action)
{
    s_caption = caption;
    s_action = std::move(action);
    s_started = ::GetTickCount();
    if (s_timer)
        ::KillTimer(nullptr, s_timer);
    s_timer = ::SetTimer(nullptr, 0, 30, OnTimer);
}

void StopWatchingForDialog()
{
    if (s_timer)
        ::KillTimer(nullptr, s_timer);
    s_timer = 0;
    s_action = nullptr;
}

void PressKey(WORD key)
{
    INPUT inputs[2]{};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = key;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

RECT ChildRect(HWND dialog, int id)
{
    RECT rect{};
    HWND child = ::GetDlgItem(dialog, id);
    if (!child)
        return rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string ToolTipText(HWND tip, HWND owner, UINT_PTR id)
{
    // The wide form: the narrow one stops at 80 bytes under Wine, whatever the buffer.
    wchar_t text[1024] = L"";
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = id;
    tool.lpszText = text;
    ::SendMessageW(tip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    char narrow[1024] = "";
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
    return narrow;
}
