// CWnd: a window handle plus the object that handles its messages.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }

    // Takes over an existing window (subclassing); the object then sees its messages first.
    // The object lets go of the window at WM_NCDESTROY. A class whose window procedure uses
    // members of its own calls UnsubclassWindow in its destructor: by the time ~CWnd runs,
    // those members are gone while the window may still send it messages.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, const CWnd& parent);
    void UnsubclassWindow();
    bool IsSubclassed() const { return m_Subclassed; }

    // The object attached to a window by SubclassWindow, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Called by the modal loop for messages aimed at this window or its children.
    virtual bool PreTranslateMessage(MSG& msg);

    // Notification or colour request that the parent passed back to the control that sent it.
    virtual bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Thin helpers over the window API.
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageA(m_hWnd, msg, wp, lp); }
    bool PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageA(m_hWnd, msg, wp, lp) != FALSE; }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    void ModifyStyle(DWORD remove, DWORD add) const;
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void UpdateWindow() const { ::UpdateWindow(m_hWnd); }
    bool EnableWindow(bool enable = true) const { return ::EnableWindow(m_hWnd, enable) != FALSE; }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    bool ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd) != FALSE; }
    void SetWindowText(const char* text) const { ::SetWindowTextA(m_hWnd, text); }
    std::string GetWindowText() const;
    void SetFont(HFONT font, bool redraw = true) const { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }

protected:
    // Called after the object is attached and before the first message reaches it.
    virtual void PreSubclassWindow();

    // Messages of a subclassed window; the default hands them to the original procedure.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);

    // For windows the object serves by other means than subclassing (dialogs).
    void SetHandle(HWND hwnd);

private:
    static LRESULT CALLBACK AttachedWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool m_Subclassed = false;
    WNDPROC m_OriginalProc = nullptr;
};

// Hands a parent's WM_COMMAND, WM_NOTIFY, WM_DRAWITEM or WM_CTLCOLOR* back to the control
// that sent it. True when that control handled it.
bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

HINSTANCE AfxGetResourceHandle();
