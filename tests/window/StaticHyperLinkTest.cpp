// The hyperlink static, driven with the real pointer on a dialog from a template.
#include "controls/StaticHyperLink.h"
#include "res/resource.h"
#include "winlib/Dialog.h"
#include "winlib/GdiObject.h"
#include "PointerSupport.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kCaption = "About Vantrel";
constexpr const char* kAddress = "https://example.invalid/vantrel";

// The About box template with its site link bound to a CStaticHyperLink that records what
// it opens.
class CLinkTestDlg : public CDialog {
public:
    explicit CLinkTestDlg(std::function<void(CStaticHyperLink&)> setUp)
        : CDialog(IDD_ABOUTBOX), m_SetUp(std::move(setUp))
    {
    }

    CStaticHyperLink m_Link;
    std::vector<std::pair<WPARAM, LPARAM>> m_LinkClicks;
    std::vector<std::string> m_Opened;  // what the link opened; no browser starts

protected:
    void DoDataExchange() override
    {
        CDialog::DoDataExchange();
        DDX_Control(IDC_ABOUT_SITE_LINK, m_Link);
    }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_Link.SetPlatform({[this](const char* address) { m_Opened.push_back(address); }});
        if (m_SetUp)
            m_SetUp(m_Link);
        return TRUE;
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override
    {
        if (msg != WM_LINK_CLICKED)
            return false;
        m_LinkClicks.emplace_back(wp, lp);
        result = 0;
        return true;
    }

private:
    std::function<void(CStaticHyperLink&)> m_SetUp;
};

// Pixels of the window exactly in this colour (the cores of the text's strokes).
int CountPixels(HWND window, COLORREF colour)
{
    const DWORD screen = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int count = 0;
    for (const DWORD pixel : ScreenPixels(window))
        count += (pixel & 0xFFFFFF) == screen;
    return count;
}

// A point of the dialog outside the link.
POINT BesideTheLink(HWND link)
{
    RECT rect{};
    ::GetWindowRect(link, &rect);
    return POINT{(rect.left + rect.right) / 2, rect.bottom + 20};
}

TEST(StaticHyperLink, ChangesColourUnderThePointerAndHoldsTheCaptureOnlyWhileThere)
{
    struct Case {
        const char* name;
        COLORREF link, hover;
        bool setColours;
    };
    const Case cases[] = {
        {"default colours", RGB(0, 0, 0), RGB(255, 0, 0), false},
        {"own colours", RGB(0, 0, 255), RGB(0, 128, 0), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CLinkTestDlg dialog([&c](CStaticHyperLink& link) {
            link.SetLinkUrl(kAddress);
            if (c.setColours) {
                link.SetLinkColor(c.link);
                link.SetHoverColor(c.hover);
            }
        });
        ParkPointer();
        WhenDialogShows(kCaption, [&](HWND hwnd) {
            HWND link = dialog.m_Link;
            PumpUntilHandled();
            const std::vector<DWORD> before = ScreenPixels(link);
            EXPECT_GT(CountPixels(link, c.link), 20);
            EXPECT_EQ(CountPixels(link, c.hover), 0);
            EXPECT_EQ(::GetCapture(), nullptr);

            MovePointerOnto(link);
            EXPECT_GT(CountPixels(link, c.hover), 20);
            EXPECT_EQ(CountPixels(link, c.link), 0);
            EXPECT_EQ(::GetCapture(), link);
            EXPECT_TRUE(dialog.m_Link.IsHovered());
            EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, IDC_HAND));

            // Moves within the link change nothing.
            RECT rect{};
            ::GetWindowRect(link, &rect);
            MovePointerTo(POINT{rect.left + 1, rect.top + 1});
            EXPECT_EQ(::GetCapture(), link);
            EXPECT_GT(CountPixels(link, c.hover), 20);

            // Leaving repaints it on a clean background: exactly as it was, no fringe of the
            // hover colour around the strokes.
            MovePointerTo(BesideTheLink(link));
            EXPECT_EQ(::GetCapture(), nullptr);
            EXPECT_FALSE(dialog.m_Link.IsHovered());
            EXPECT_EQ(CountPixels(link, c.hover), 0);
            EXPECT_TRUE(ScreenPixels(link) == before);
            ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_TRUE(dialog.m_Opened.empty());
    }
}

TEST(StaticHyperLink, AnswersTheCursorRequestWithTheHand)
{
    CLinkTestDlg dialog(nullptr);
    LRESULT answer = FALSE;
    HCURSOR shown = nullptr;
    WhenDialogShows(kCaption, [&](HWND hwnd) {
        HWND link = dialog.m_Link;
        ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
        answer = ::SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        shown = ::GetCursor();
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    dialog.DoModal();
    EXPECT_EQ(answer, TRUE);
    EXPECT_EQ(shown, ::LoadCursorA(nullptr, IDC_HAND));
}

TEST(StaticHyperLink, GoesBackToItsColourWhenAnotherWindowTakesTheCapture)
{
    CLinkTestDlg dialog([](CStaticHyperLink& link) { link.SetLinkUrl(kAddress); });
    ParkPointer();
    int red = -1, black = -1;
    bool hovered = true;
    WhenDialogShows(kCaption, [&](HWND hwnd) {
        HWND link = dialog.m_Link;
        MovePointerOnto(link);
        ASSERT_EQ(::GetCapture(), link);
        // As when a window comes up in front while the pointer rests on the link.
        ::SetCapture(hwnd);
        PumpUntilHandled();
        hovered = dialog.m_Link.IsHovered();
        red = CountPixels(link, RGB(255, 0, 0));
        black = CountPixels(link, RGB(0, 0, 0));
        ::ReleaseCapture();
        ParkPointer();
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    dialog.DoModal();
    EXPECT_FALSE(hovered);
    EXPECT_EQ(red, 0);
    EXPECT_GT(black, 20);
}

TEST(StaticHyperLink, ClickOpensTheAddressOrInNotifyModeOnlyTellsTheParent)
{
    for (const bool notifyParent : {false, true}) {
        SCOPED_TRACE(notifyParent ? "notify parent" : "open address");
        CLinkTestDlg dialog([notifyParent](CStaticHyperLink& link) {
            link.SetLinkUrl(kAddress);
            if (notifyParent)
                link.SetNotifyParent();
        });
        ParkPointer();
        WhenDialogShows(kCaption, [&](HWND hwnd) {
            MovePointerOnto(dialog.m_Link);
            ClickLeft();
            ParkPointer();
            ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        });
        dialog.DoModal();
        if (notifyParent) {
            EXPECT_TRUE(dialog.m_Opened.empty());
            using Click = std::pair<WPARAM, LPARAM>;
            EXPECT_EQ(dialog.m_LinkClicks, std::vector<Click>{Click(IDC_ABOUT_SITE_LINK, 0)});
        } else {
            EXPECT_EQ(dialog.m_Opened, std::vector<std::string>{kAddress});
            EXPECT_TRUE(dialog.m_LinkClicks.empty());
        }
    }
}

RECT ToolRect(HWND tip, HWND link)
{
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = link;
    tool.uId = CStaticHyperLink::kToolId;
    ::SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool));
    return tool.rect;
}

TEST(StaticHyperLink, TipTextOnlyOnceEnabledOnTheAreaOfTheLinkAtAttachment)
{
    CLinkTestDlg dialog([](CStaticHyperLink& link) { link.SetLinkTip("too early"); });
    WhenDialogShows(kCaption, [&](HWND hwnd) {
        HWND link = dialog.m_Link;
        HWND tip = dialog.m_Link.GetToolTipWindow();
        ASSERT_NE(tip, nullptr);
        EXPECT_TRUE(::GetWindowLongA(tip, GWL_STYLE) & TTS_ALWAYSTIP);
        EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
        EXPECT_EQ(ToolTipText(tip, link, CStaticHyperLink::kToolId), "");

        dialog.m_Link.EnableLinkTip();
        dialog.m_Link.SetLinkTip("Visit the product page");
        EXPECT_EQ(ToolTipText(tip, link, CStaticHyperLink::kToolId), "Visit the product page");

        // The hot area stays the client rectangle the link had when it was attached.
        const RECT client = dialog.m_Link.GetClientRect();
        const RECT rect = ToolRect(tip, link);
        EXPECT_TRUE(::EqualRect(&rect, &client));
        ::SetWindowPos(link, nullptr, 0, 0, client.right + 40, client.bottom + 10, SWP_NOMOVE | SWP_NOZORDER);
        const RECT later = ToolRect(tip, link);
        EXPECT_TRUE(::EqualRect(&later, &client));
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    dialog.DoModal();
}

TEST(StaticHyperLink, TipShowsUnderThePointerThroughTheDialogsOwnLoop)
{
    CLinkTestDlg dialog([](CStaticHyperLink& link) {
        link.SetLinkUrl(kAddress);
        link.EnableLinkTip();
        link.SetLinkTip("Visit the product page");
    });
    ParkPointer();
    std::function<void()> look;  // lives as long as the dialog
    bool shown = false;
    std::string text;
    WhenDialogShows(kCaption, [&](HWND hwnd) {
        RECT rect{};
        ::GetWindowRect(dialog.m_Link, &rect);
        // The moves reach the link through the dialog's loop, which hands them to the tip.
        ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        // Looks every 50 ms until the tip shows, for 5 s at the most.
        const DWORD start = ::GetTickCount();
        look = [&, hwnd, start] {
            HWND tip = dialog.m_Link.GetToolTipWindow();
            shown = ::IsWindowVisible(tip) != FALSE;
            if (!shown && ::GetTickCount() - start < 5000) {
                AfterDelay(50, look);
                return;
            }
            text = TextOf(tip);
            ParkPointer();
            ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        };
        AfterDelay(50, look);
    });
    dialog.DoModal();
    EXPECT_TRUE(shown);
    EXPECT_EQ(text, "Visit the product page");
}

TEST(StaticHyperLink, DrawsUnderlinedUntilTheOwnerGivesItAnotherFont)
{
    CFont bold;
    HFONT underline = nullptr;
    {
        CLinkTestDlg dialog(nullptr);
        LOGFONTA dialogFont{}, linkFont{}, laterFont{};
        WhenDialogShows(kCaption, [&](HWND hwnd) {
            HWND link = dialog.m_Link;
            underline = dialog.m_Link.GetFont();
            ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof(dialogFont), &dialogFont);
            ::GetObjectA(underline, sizeof(linkFont), &linkFont);

            LOGFONTA boldFont = dialogFont;
            boldFont.lfWeight = FW_BOLD;
            bold.Attach(::CreateFontIndirectA(&boldFont));
            ::SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(bold.Get()), TRUE);
            ::GetObjectA(dialog.m_Link.GetFont(), sizeof(laterFont), &laterFont);
            EXPECT_EQ(dialog.m_Link.GetFont(), bold.Get());
            ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        });
        dialog.DoModal();

        EXPECT_TRUE(linkFont.lfUnderline);
        EXPECT_STREQ(linkFont.lfFaceName, dialogFont.lfFaceName);
        EXPECT_EQ(linkFont.lfHeight, dialogFont.lfHeight);
        EXPECT_EQ(linkFont.lfWeight, dialogFont.lfWeight);
        EXPECT_FALSE(laterFont.lfUnderline);
        EXPECT_EQ(laterFont.lfWeight, FW_BOLD);
    }
    // The link deleted its own font and left the owner's alone.
    LOGFONTA probe{};
    EXPECT_EQ(::GetObjectA(underline, sizeof(probe), &probe), 0);
    EXPECT_NE(::GetObjectA(bold, sizeof(probe), &probe), 0);
}

TEST(StaticHyperLink, HandsTheControlBackTheOwnersFontWhenItGoesFirst)
{
    CFont owners(CreateUiFont("Tahoma", 13, FW_NORMAL));
    HWND text = ::CreateWindowExA(0, "Static", "Visit", WS_POPUP | SS_LEFT, 0, 0, 80, 20, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(text, nullptr);
    ::SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(owners.Get()), FALSE);
    HFONT underline = nullptr;
    {
        CStaticHyperLink link;
        ASSERT_TRUE(link.SubclassWindow(text));
        underline = link.GetFont();
        EXPECT_NE(underline, owners.Get());
        EXPECT_TRUE(::GetWindowLongA(text, GWL_STYLE) & SS_NOTIFY);
    }
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(text, WM_GETFONT, 0, 0)), owners.Get());
    LOGFONTA probe{};
    EXPECT_EQ(::GetObjectA(underline, sizeof(probe), &probe), 0);
    ::DestroyWindow(text);
}

}  // namespace
