#include "PointerSupport.h"

#include "WindowTestSupport.h"
#include "winlib/DC.h"
#include "winlib/GdiObject.h"

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
    INPUT inputs[2]{};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
    PumpMessages(settleMs);
}

std::vector<DWORD> ScreenPixels(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::vector<DWORD> pixels;
    if (width <= 0 || height <= 0)
        return pixels;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CClientDC screen(nullptr);
    CBitmap bitmap(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    CMemDC memory(screen);
    if (!bitmap || !bits)
        return pixels;
    {
        CSelectObject select(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    }
    ::GdiFlush();
    const auto* begin = static_cast<const DWORD*>(bits);
    pixels.assign(begin, begin + static_cast<size_t>(width) * height);
    return pixels;
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
