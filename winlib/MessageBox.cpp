#include "MessageBox.h"

namespace {
// Where the hook records the window of the box that Show puts up on this thread.
thread_local HWND* t_BoxWindow = nullptr;
thread_local HHOOK t_Hook = nullptr;
}  // namespace

int CMessageBox::Show(HWND owner, const char* text, const char* caption, UINT type)
{
    // The box's window is the first top-level window the call creates on this thread.
    m_Box = nullptr;
    m_Hook = ::SetWindowsHookExA(WH_CBT, OnCreating, nullptr, ::GetCurrentThreadId());
    t_BoxWindow = &m_Box;
    t_Hook = m_Hook;
    const int result = ::MessageBoxA(owner, text, caption, type);
    if (m_Hook)
        ::UnhookWindowsHookEx(m_Hook);
    m_Hook = nullptr;
    t_BoxWindow = nullptr;
    t_Hook = nullptr;
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
