#include "PointerSupport.h"

#include "PixelSurface.h"

#include "WindowTestSupport.h"

#include <map>

void MovePointerTo(POINT screen, DWORD settleMs)
{
    ::SetCursorPos(screen.x, screen.y);
    PumpMessages(settleMs);
}

void MovePointerOnto(HWND window, DWORD settleMs)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    MovePointerTo(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, settleMs);
}

void ClickLeft(DWORD settleMs)
{
    LeftButton(true);
    LeftButton(false);
    PumpMessages(settleMs);
}

void ClickRight(DWORD settleMs)
{
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
    PumpMessages(settleMs);
}

namespace {
void MoveToScreen(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    // A movement through the input queue, so the window sees it as the user's.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    ::SendInput(1, &input, sizeof(INPUT));
}
}  // namespace

void MoveTo(HWND hwnd, POINT client)
{
    POINT screen = client;
    ::ClientToScreen(hwnd, &screen);
    MoveToScreen(screen);
}

void LeftButton(bool down)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &input, sizeof(INPUT));
}

void ClickAt(HWND hwnd, POINT client)
{
    MoveTo(hwnd, client);
    LeftButton(true);
    LeftButton(false);
}

POINT CenterOf(HWND hwnd)
{
    RECT client{};
    ::GetClientRect(hwnd, &client);
    return POINT{client.right / 2, client.bottom / 2};
}

void ParkPointer()
{
    MoveToScreen(POINT{::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1});
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
