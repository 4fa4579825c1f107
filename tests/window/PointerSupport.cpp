#include "PointerSupport.h"

#include "PixelSurface.h"

#include "WindowTestSupport.h"
#include "winlib/DC.h"
#include "winlib/GdiObject.h"

#include <map>

void MovePointerTo(POINT screen, DWORD settleMs)
{
    ::SetCursorPos(screen.x, screen.y);
    PumpMessages(settleMs);
}

void ParkPointer()
{
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    ::SendInput(1, &input, sizeof(INPUT));
}

void MovePointerOnto(HWND window, DWORD settleMs)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    MovePointerTo(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, settleMs);
}

namespace {
void Click(DWORD down, DWORD up, DWORD settleMs)
{
    INPUT inputs[2]{};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = down;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = up;
    ::SendInput(2, inputs, sizeof(INPUT));
    PumpMessages(settleMs);
}
}  // namespace

void ClickLeft(DWORD settleMs)
{
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, settleMs);
}

void ClickRight(DWORD settleMs)
{
    Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, settleMs);
}

std::vector<DWORD> ScreenPixels(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return CaptureScreen(rect);
}

namespace {
std::map<UINT_PTR, std::function<void()>> s_delayed;

void CALLBACK OnDelay(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    auto found = s_delayed.find(id);
    if (found == s_delayed.end())
        return;
    auto action = std::move(found->second);
    s_delayed.erase(found);
    action();
}
}  // namespace

void AfterDelay(UINT ms, std::function<void()> action)
{
    const UINT_PTR id = ::SetTimer(nullptr, 0, ms, OnDelay);
    if (id)
        s_delayed[id] = std::move(action);
}
