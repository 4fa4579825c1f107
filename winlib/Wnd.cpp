#include "Wnd.h"

#include "Thread.h"

#include <unordered_map>
#include <vector>

namespace {

// The windows an object of ours has taken over, by handle. We replace the window procedure
// ourselves rather than with the common controls' SetWindowSubclass: under Wine that one
// reads a window property through the server twice for every message (90 us a message
// when idle, far more while a scan keeps the server busy).
class CAttachedWindows {
public:
    struct Attachment {
        CWnd* Object;       // null once the object let go while another procedure sat on ours
        WNDPROC Original;
    };

    void Add(HWND hwnd, CWnd* object, WNDPROC original)
    {
        const CSingleLock lock(m_Lock);
        m_Windows[hwnd] = Attachment{object, original};
    }
    bool Find(HWND hwnd, Attachment& attachment)
    {
        const CSingleLock lock(m_Lock);
        const auto found = m_Windows.find(hwnd);
        if (found == m_Windows.end())
            return false;
        attachment = found->second;
        return true;
    }
    void Release(HWND hwnd)
    {
        const CSingleLock lock(m_Lock);
        if (const auto found = m_Windows.find(hwnd); found != m_Windows.end())
            found->second.Object = nullptr;
    }
    void Remove(HWND hwnd)
    {
        const CSingleLock lock(m_Lock);
        m_Windows.erase(hwnd);
    }

private:
    CCriticalSection m_Lock;
    std::unordered_map<HWND, Attachment> m_Windows;
};

// Every entry goes with its window's WM_NCDESTROY, so the map is empty once the program's
// windows are gone, as they are before main returns.
CAttachedWindows& AttachedWindows()
{
    static CAttachedWindows windows;
    return windows;
}

}  // namespace

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
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (m_Subclassed || !::IsWindow(hwnd) || ::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId())
        return false;
    CAttachedWindows::Attachment existing{};
    const bool inChain = AttachedWindows().Find(hwnd, existing);
    if (inChain && existing.Object)
        return false;  // one object per window
    SetHandle(hwnd);
    PreSubclassWindow();
    // Where our procedure still sits under one set after it, the object takes its place there.
    m_OriginalProc = inChain ? existing.Original : reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    AttachedWindows().Add(hwnd, this, m_OriginalProc);
    if (!inChain)
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::AttachedWindowProc));
    m_Subclassed = true;
    return true;
}

bool CWnd::SubclassDlgItem(int id, const CWnd& parent)
{
    return SubclassWindow(::GetDlgItem(parent.m_hWnd, id));
}

void CWnd::UnsubclassWindow()
{
    if (!m_Subclassed)
        return;
    m_Subclassed = false;
    const auto ours = reinterpret_cast<LONG_PTR>(&CWnd::AttachedWindowProc);
    if (::IsWindow(m_hWnd) && ::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC) == ours) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_OriginalProc));
        AttachedWindows().Remove(m_hWnd);
    } else {
        // A procedure set after ours still calls it: it passes messages on until the end.
        AttachedWindows().Release(m_hWnd);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    CAttachedWindows::Attachment attachment{};
    return hwnd && AttachedWindows().Find(hwnd, attachment) ? attachment.Object : nullptr;
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
    return ::CallWindowProcA(m_OriginalProc, m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::AttachedWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CAttachedWindows::Attachment attachment{};
    if (!AttachedWindows().Find(hwnd, attachment))
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    CWnd* self = attachment.Object;
    if (msg == WM_NCDESTROY) {
        // The window is going away: detach so the object never touches a dead handle.
        AttachedWindows().Remove(hwnd);
        if (self) {
            self->m_Subclassed = false;
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(attachment.Original));
        }
        const LRESULT result = ::CallWindowProcA(attachment.Original, hwnd, msg, wp, lp);
        if (self)
            self->SetHandle(nullptr);
        return result;
    }
    if (!self)
        return ::CallWindowProcA(attachment.Original, hwnd, msg, wp, lp);
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
