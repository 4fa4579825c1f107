#include "PointerSupport.h"

#include "PixelSurface.h"

#include "WindowTestSupport.h"

#include <map>
#include <memory>
#include <string>

void MovePointerTo(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    PumpUntilHandled();
}

void MovePointerOnto(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    MovePointerTo(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

void ClickLeft()
{
    LeftButton(true);
    LeftButton(false);
    PumpUntilHandled();
}

void ClickRight()
{
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
    PumpUntilHandled();
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

namespace {
// The window as it has drawn itself (a window DC reads what Wine will copy to the screen).
std::vector<DWORD> DrawnPixels(HWND window, const RECT& rect)
{
    PixelSurface surface(rect.right - rect.left, rect.bottom - rect.top, RGB(0, 0, 0));
    HDC dc = ::GetWindowDC(window);
    CopyPixels(surface, dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top);
    ::ReleaseDC(window, dc);
    return surface.RawPixels();
}
}  // namespace

bool PumpUntilOnScreen(HWND window)
{
    // Short: a window partly covered (by a tip) never shows all of itself.
    constexpr DWORD kFlushWithinMs = 3000;
    return PumpUntil(
        [window] {
            RECT rect{};
            ::GetWindowRect(window, &rect);
            return CaptureScreen(rect) == DrawnPixels(window, rect);
        },
        kFlushWithinMs);
}

std::vector<DWORD> ScreenPixels(HWND window)
{
    PumpUntilOnScreen(window);
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

HWND VisibleWindow(const char* windowClass, const char* caption)
{
    HWND window = ::FindWindowA(windowClass, caption);
    return window && ::IsWindowVisible(window) ? window : nullptr;
}

void WhenWindowShows(const char* windowClass, const char* caption, DWORD withinMs, std::function<void(HWND)> action)
{
    struct Watch {
        std::string windowClass;
        bool anyCaption;
        std::string caption;
        DWORD start;
        DWORD withinMs;
        std::function<void(HWND)> action;
    };
    auto watch = std::make_shared<Watch>(
        Watch{windowClass, caption == nullptr, caption ? caption : "", ::GetTickCount(), withinMs, std::move(action)});
    auto look = std::make_shared<std::function<void()>>();
    *look = [watch, look] {
        HWND window = VisibleWindow(watch->windowClass.c_str(), watch->anyCaption ? nullptr : watch->caption.c_str());
        if (!window && ::GetTickCount() - watch->start < watch->withinMs) {
            AfterDelay(20, *look);
            return;
        }
        const auto action = std::move(watch->action);
        *look = nullptr;  // ends the cycle of the closure holding itself
        action(window);
    };
    AfterDelay(20, *look);
}
