#include "Wnd.h"

#include <commctrl.h>
#include <vector>

namespace {
constexpr UINT_PTR kSubclassId = 0x564E;  // any fixed id: one subclass of ours per window

// mingw-w64's x86_64 import library lacks GetWindowSubclass, so both builds take it from
// common controls 6 by its ordinal (411), once.
using GetWindowSubclassProc = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);

// Registered, so that no window of another class reads its lParam as ours.
UINT RunMessage()
{
    static const UINT message = ::RegisterWindowMessageA("Vantrel.RunOnWindowThread");
    return message;
}

GetWindowSubclassProc LookUpGetWindowSubclass()
{
    const HMODULE comctl = ::GetModuleHandleA("comctl32.dll");
    if (!comctl)
        return nullptr;
    const auto proc = reinterpret_cast<void (*)()>(::GetProcAddress(comctl, MAKEINTRESOURCEA(411)));
    return reinterpret_cast<GetWindowSubclassProc>(proc);
}

bool GetSubclassReference(HWND hwnd, SUBCLASSPROC proc, DWORD_PTR& ref)
{
    static const GetWindowSubclassProc getWindowSubclass = LookUpGetWindowSubclass();
    return getWindowSubclass && getWindowSubclass(hwnd, proc, kSubclassId, &ref);
}
}

HINSTANCE AfxGetResourceHandle()
{
    return ::GetModuleHandleA(nullptr);
}

CWnd::~CWnd()
{
    UnsubclassWindow();
}

void CWnd::SetHandle(HWND hwnd)
{
    m_hWnd = hwnd;
    m_SharedHwnd = hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (m_Subclassed || !::IsWindow(hwnd))
        return false;
    SetHandle(hwnd);
    PreSubclassWindow();
    if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        SetHandle(nullptr);
        return false;
    }
    m_Subclassed = true;
    return true;
}

bool CWnd::SubclassDlgItem(int id, const CWnd& parent)
{
    return SubclassWindow(::GetDlgItem(parent.m_hWnd, id));
}

void CWnd::UnsubclassWindow()
{
    if (m_Subclassed && ::IsWindow(m_hWnd))
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    m_Subclassed = false;
}

LRESULT CWnd::RunOnWindowThread(const std::function<LRESULT()>& work) const
{
    // The shared copy, not m_hWnd: the window's thread may be clearing that right now.
    const HWND hwnd = m_SharedHwnd;
    if (!hwnd)
        return 0;
    if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId())
        return work();
    return ::SendMessageA(hwnd, RunMessage(), 0, reinterpret_cast<LPARAM>(&work));
}

bool CWnd::HandleRunRequest(UINT msg, LPARAM lp, LRESULT& result)
{
    if (msg != RunMessage() || !lp)
        return false;
    result = (*reinterpret_cast<const std::function<LRESULT()>*>(lp))();
    return true;
}

bool CWnd::IsOnWindowThread() const
{
    const HWND hwnd = m_SharedHwnd;
    return !hwnd || ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId();
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    DWORD_PTR ref = 0;
    if (hwnd && GetSubclassReference(hwnd, SubclassProc, ref))
        return reinterpret_cast<CWnd*>(ref);
    return nullptr;
}

bool CWnd::PreTranslateMessage(MSG&) { return false; }

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void CWnd::PreSubclassWindow() {}

void CWnd::ModifyStyle(DWORD remove, DWORD add) const
{
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>((GetStyle() & ~remove) | add));
}

RECT CWnd::GetClientRect() const
{
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWnd::GetWindowRect() const
{
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

std::string CWnd::GetWindowText() const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    ::GetWindowTextA(m_hWnd, text.data(), length + 1);
    return text.data();
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProc(msg, wp, lp);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    return ::DefSubclassProc(m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR refData)
{
    auto* self = reinterpret_cast<CWnd*>(refData);
    if (msg == WM_NCDESTROY) {
        // The window is going away: detach so the object never touches a dead handle.
        ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        self->m_Subclassed = false;
        const LRESULT result = ::DefSubclassProc(hwnd, msg, wp, lp);
        self->SetHandle(nullptr);
        return result;
    }
    LRESULT result = 0;
    if (HandleRunRequest(msg, lp, result))
        return result;
    return self->WindowProc(msg, wp, lp);
}

bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lp);  // null for menus and accelerators
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (draw->CtlType != ODT_MENU)
            child = draw->hwndItem;
        break;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        child = reinterpret_cast<HWND>(lp);
        break;
    default:
        return false;
    }
    CWnd* control = CWnd::FromHandle(child);
    return control && control->OnChildNotify(msg, wp, lp, result);
}
