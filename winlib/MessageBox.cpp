#include "MessageBox.h"

#include <memory>

namespace {
// While Show has a box up on this thread: where the hook records the box's window, and the hook.
thread_local HWND* t_BoxWindow = nullptr;
thread_local HHOOK t_Hook = nullptr;
}  // namespace

int CMessageBox::Show(HWND owner, const char* text, const char* caption, UINT type)
{
    // The box's window is the first top-level window the call creates on this thread.
    m_Box = nullptr;
    t_BoxWindow = &m_Box;
    t_Hook = ::SetWindowsHookExA(WH_CBT, OnCreating, nullptr, ::GetCurrentThreadId());
    const int result = ::MessageBoxA(owner, text, caption, type);
    if (t_Hook)
        ::UnhookWindowsHookEx(t_Hook);
    t_Hook = nullptr;
    t_BoxWindow = nullptr;
    m_Box = nullptr;
    return result;
}

void CMessageBox::End(int result) const
{
    if (m_Box)
        ::EndDialog(m_Box, result);
}

LRESULT CALLBACK CMessageBox::OnCreating(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_CREATEWND && t_BoxWindow && !*t_BoxWindow) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lp);
        if (create && create->lpcs && !(create->lpcs->style & WS_CHILD))
            *t_BoxWindow = reinterpret_cast<HWND>(wp);
    }
    return ::CallNextHookEx(t_Hook, code, wp, lp);
}

std::string SystemErrorText(DWORD error)
{
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    const std::unique_ptr<char, decltype(&::LocalFree)> owned(buffer, &::LocalFree);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "Error " + std::to_string(error) : text;
}
