// The window class library: binding controls to a dialog, ending a dialog early, objects
// and windows that go in either order, and work carried out on a window's own thread.
#include "controls/EnhancedListCtrl.h"
#include "controls/HeaderCtrlEx.h"
#include "controls/StaticHyperLink.h"
#include "controls/xShadeButton.h"
#include "res/resource.h"
#include "winlib/Dialog.h"
#include "winlib/Thread.h"
#include "winlib/ToolTipCtrl.h"
#include "ListTestHost.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

// The About box template with one control bound; `bindId` may name no control at all.
class CBindingDlg : public CDialog {
public:
    CBindingDlg(int bindId, bool endAtOnce) : CDialog(IDD_ABOUTBOX), m_BindId(bindId), m_EndAtOnce(endAtOnce) {}

    CStaticHyperLink m_Link;
    bool m_Shown = false;

protected:
    void DoDataExchange() override
    {
        CDialog::DoDataExchange();
        DDX_Control(m_BindId, m_Link);
    }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_EndAtOnce)
            EndDialog(IDRETRY);
        return TRUE;
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT&) override
    {
        if (msg == WM_SHOWWINDOW && wp)
            m_Shown = true;
        return false;
    }

private:
    int m_BindId;
    bool m_EndAtOnce;
};

TEST(Dialog, AControlThatCannotBeBoundEndsTheDialogWithMinusOne)
{
    CBindingDlg wrongId(4242, false);
    WhenDialogShows("About Vantrel", [](HWND hwnd) { ::PostMessageA(hwnd, WM_CLOSE, 0, 0); });
    EXPECT_EQ(wrongId.DoModal(), -1);
    StopWatchingForDialog();
    EXPECT_FALSE(wrongId.m_Link.IsSubclassed());
    EXPECT_FALSE(wrongId.m_Shown);

    CBindingDlg rightId(IDC_ABOUT_SITE_LINK, false);
    bool bound = false;
    WhenDialogShows("About Vantrel", [&](HWND hwnd) {
        bound = rightId.m_Link.IsSubclassed();
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(rightId.DoModal(), IDCANCEL);
    EXPECT_TRUE(bound);
}

TEST(Dialog, EndDialogDuringOnInitDialogNeverShowsTheWindow)
{
    CBindingDlg dialog(IDC_ABOUT_SITE_LINK, true);
    WhenDialogShows("About Vantrel", [](HWND hwnd) { ::PostMessageA(hwnd, WM_CLOSE, 0, 0); });
    EXPECT_EQ(dialog.DoModal(), IDRETRY);
    StopWatchingForDialog();
    EXPECT_FALSE(dialog.m_Shown);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_FALSE(dialog.m_Link.IsSubclassed()) << "detached when its window went";
}

// A control of the given class in the shared test window, for objects attached to it.
class CChildWindow {
public:
    CChildWindow(const char* windowClass, DWORD style)
        : m_Window(::CreateWindowExA(0, windowClass, "Child", WS_CHILD | WS_VISIBLE | style, 10, 300, 120, 30,
                                     m_Host.Window(), reinterpret_cast<HMENU>(77), nullptr, nullptr))
    {
    }
    ~CChildWindow()
    {
        if (::IsWindow(m_Window))
            ::DestroyWindow(m_Window);
    }
    CChildWindow(const CChildWindow&) = delete;
    CChildWindow& operator=(const CChildWindow&) = delete;

    HWND Get() const { return m_Window; }

private:
    CListTestHost m_Host;
    HWND m_Window;
};

TEST(WindowAttachment, ADestroyedWindowDetachesItsObject)
{
    CChildWindow child("Static", SS_NOTIFY);
    CWnd object;
    ASSERT_TRUE(object.SubclassWindow(child.Get()));
    EXPECT_EQ(CWnd::FromHandle(child.Get()), &object);
    ::DestroyWindow(child.Get());
    EXPECT_EQ(object.m_hWnd, nullptr);
    EXPECT_FALSE(object.IsSubclassed());
}

// Counts the messages that reach it; the window's own procedure does the rest.
class CCountingObject : public CWnd {
public:
    int m_Messages = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_USER + 5)
            ++m_Messages;
        return CWnd::WindowProc(msg, wp, lp);
    }
};

WNDPROC s_ProcBelowOutside = nullptr;
int s_OutsideMessages = 0;

LRESULT CALLBACK OutsideProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_USER + 5)
        ++s_OutsideMessages;
    return ::CallWindowProcA(s_ProcBelowOutside, hwnd, msg, wp, lp);
}

// A procedure set on top of ours keeps calling it after our object lets go: messages pass
// through to the window, and a new object takes the old one's place without a loop.
TEST(WindowAttachment, AnObjectLetsGoUnderAnotherProcedureAndANewOneTakesItsPlace)
{
    CChildWindow child("Static", SS_NOTIFY);
    auto first = std::make_unique<CCountingObject>();
    ASSERT_TRUE(first->SubclassWindow(child.Get()));
    s_OutsideMessages = 0;
    s_ProcBelowOutside = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(child.Get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OutsideProc)));
    ::SendMessageA(child.Get(), WM_USER + 5, 0, 0);
    EXPECT_EQ(first->m_Messages, 1);
    first.reset();
    EXPECT_EQ(CWnd::FromHandle(child.Get()), nullptr);
    ::SendMessageA(child.Get(), WM_USER + 5, 0, 0);
    EXPECT_EQ(s_OutsideMessages, 2);

    CCountingObject second;
    ASSERT_TRUE(second.SubclassWindow(child.Get()));
    EXPECT_EQ(CWnd::FromHandle(child.Get()), &second);
    EXPECT_EQ(::GetWindowLongPtrA(child.Get(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&OutsideProc));
    ::SendMessageA(child.Get(), WM_USER + 5, 0, 0);
    EXPECT_EQ(second.m_Messages, 1);
    EXPECT_EQ(s_OutsideMessages, 3);
    CCountingObject third;
    EXPECT_FALSE(third.SubclassWindow(child.Get())) << "one object per window";
    ::DestroyWindow(child.Get());
    EXPECT_FALSE(second.IsSubclassed());
}

// Each control object goes first while its window stays and keeps getting messages: they
// must reach the window's own procedure, never the object that is gone.
template <class Control>
void ExpectObjectCanGoFirst(const char* windowClass, DWORD style)
{
    CChildWindow child(windowClass, style);
    {
        auto control = std::make_unique<Control>();
        ASSERT_TRUE(control->SubclassWindow(child.Get()));
    }
    EXPECT_EQ(CWnd::FromHandle(child.Get()), nullptr);
    ::SendMessageA(child.Get(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ::SendMessageA(child.Get(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("still here"));
    ::RedrawWindow(child.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(TextOf(child.Get()), "still here");
}

TEST(WindowAttachment, EveryControlObjectMayGoBeforeItsWindow)
{
    ExpectObjectCanGoFirst<CWnd>("Static", 0);
    ExpectObjectCanGoFirst<CStaticHyperLink>("Static", SS_NOTIFY);
    ExpectObjectCanGoFirst<CxShadeButton>("Button", BS_PUSHBUTTON);
    ExpectObjectCanGoFirst<CEnhancedListCtrl>(WC_LISTVIEWA, LVS_REPORT);
    ExpectObjectCanGoFirst<CHeaderCtrlEx>(WC_HEADERA, 0);
}

TEST(WindowAttachment, ATooltipTakenDownWithItsOwnerIsForgotten)
{
    CChildWindow owner("Static", 0);
    HWND top = ::GetAncestor(owner.Get(), GA_ROOT);
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(top, 0));
    HWND tipWindow = tip.GetSafeHwnd();
    EXPECT_TRUE(tip.Exists());
    ::DestroyWindow(tipWindow);  // as its owner does when it goes
    EXPECT_FALSE(tip.Exists());
    EXPECT_EQ(tip.GetSafeHwnd(), nullptr);
    tip.Destroy();  // nothing left to destroy, whatever window has that handle now
}

}  // namespace
