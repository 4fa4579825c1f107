#include "Dialog.h"

#include <windowsx.h>

#include <cstdio>

namespace {

// A dialog its initialisation left where the template put it comes up centred over its
// owner, or over the work area when it has none, and kept within the work area.
void CenterOverOwner(HWND hwnd)
{
    RECT area{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT around = area;
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &around);
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = (around.left + around.right - width) / 2;
    int y = (around.top + around.bottom - height) / 2;
    x = x + width > area.right ? area.right - width : x;
    y = y + height > area.bottom ? area.bottom - height : y;
    x = x < area.left ? area.left : x;
    y = y < area.top ? area.top : y;
    ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_TemplateId(templateId), m_Parent(parent)
{
}

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal()
{
    HWND owner = m_Parent ? m_Parent->m_hWnd : nullptr;
    HWND hwnd = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_TemplateId), owner,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd)
        return -1;

    const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (ownerWasEnabled)
        ::EnableWindow(owner, FALSE);

    // OnInitDialog may already have ended the dialog.
    if (m_Running) {
        ::ShowWindow(hwnd, SW_SHOWNORMAL);
        MSG msg;
        while (m_Running) {
            const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got <= 0) {
                if (got == 0)
                    ::PostQuitMessage(static_cast<int>(msg.wParam));  // let the outer loop see it too
                m_Result = IDCANCEL;
                break;
            }
            if (PreTranslateTree(msg) || ::IsDialogMessageA(hwnd, &msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    // Re-enable the owner before the dialog goes, so activation returns to it.
    if (ownerWasEnabled)
        ::EnableWindow(owner, TRUE);
    ::DestroyWindow(hwnd);
    return m_BindFailed ? -1 : m_Result;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_Result = result;
    m_Running = false;
    if (m_hWnd)
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);  // wakes the loop if it is waiting
}

BOOL CDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CDialog::DoDataExchange() {}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool CDialog::DDX_Control(int id, CWnd& control)
{
    if (control.SubclassDlgItem(id, *this))
        return true;
    char text[96];
    std::snprintf(text, sizeof(text), "DDX_Control: control %d of dialog %u cannot be bound\n", id, m_TemplateId);
    ::OutputDebugStringA(text);
    m_BindFailed = true;
    EndDialog(-1);
    return false;
}

LRESULT CDialog::DefaultCtlColor(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (ReflectToChild(msg, wp, lp, result))
        return result;
    return ::DefWindowProcA(m_hWnd, msg, wp, lp);
}

bool CDialog::PreTranslateTree(MSG& msg)
{
    // From the target window up to its top-level window: each attached object may take the message.
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        CWnd* wnd = hwnd == m_hWnd ? this : CWnd::FromHandle(hwnd);
        if (wnd && wnd->PreTranslateMessage(msg))
            return true;
        if (!(::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
            break;
    }
    return false;
}

bool CDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    const bool isColour = msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC;
    if (!isColour && ReflectToChild(msg, wp, lp, result))
        return true;
    if (OnMessage(msg, wp, lp, result))
        return true;
    if (isColour)
        return ReflectToChild(msg, wp, lp, result);
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        if (LOWORD(wp) == IDOK) {
            OnOK();
            return true;
        }
        if (LOWORD(wp) == IDCANCEL) {
            OnCancel();
            return true;
        }
    }
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        self->SetHandle(hwnd);
        self->m_Running = true;
        RECT before{};
        ::GetWindowRect(hwnd, &before);
        const BOOL result = self->OnInitDialog();
        RECT after{};
        ::GetWindowRect(hwnd, &after);
        if (::IsWindow(hwnd) && ::EqualRect(&before, &after))
            CenterOverOwner(hwnd);
        return result;
    }
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    if (msg == WM_NCDESTROY) {
        self->SetHandle(nullptr);
        return FALSE;
    }
    LRESULT result = 0;
    if (!self->HandleMessage(msg, wp, lp, result))
        return FALSE;
    return SetDlgMsgResult(hwnd, msg, result);
}
