// The About box on its own: its template, fonts, colours, painting and site link.
#include "ui/AboutDlg.h"
#include "res/resource.h"
#include "ui/WebAddresses.h"
#include "LinkTestSupport.h"
#include "PixelSurface.h"
#include "PointerSupport.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kCaption = "About Vantrel";

struct TemplateControl {
    int id;
    DWORD kind;  // the SS_TYPEMASK part of the style
    const char* text;  // null: not compared
    int x, y, w, h;  // dialog units
    bool visible;
};

// Template 100 in template order.
const TemplateControl kAboutControls[] = {
    {IDC_STATIC, SS_BITMAP, nullptr, 27, 50, 43, 39, true},
    {IDC_ABOUT_VERSION, SS_LEFT, "Vantrel v8.0", 59, 13, 152, 12, true},
    {IDC_ABOUT_NOTICE, SS_LEFT, nullptr, 7, 116, 211, 8, true},
    {IDC_ABOUT_LABEL2, SS_LEFT, " ", 93, 64, 132, 8, true},
    {IDC_ABOUT_HIDDEN, SS_LEFT, "", 168, 30, 60, 8, false},
    {IDC_ABOUT_LABEL1, SS_LEFT, "", 93, 50, 95, 8, true},
    {IDC_ABOUT_SITE_LINK, SS_LEFT, "Visit Software Website", 93, 80, 107, 8, true},
    {IDC_STATIC, SS_ETCHEDHORZ, nullptr, 1, 109, 239, 1, true},
    {IDC_ABOUT_EMAIL, SS_LEFT, "Email: ", 186, 4, 20, 8, false},
    {IDC_STATIC, SS_ETCHEDHORZ, nullptr, 1, 34, 239, 1, true},
};


// Opens a CAboutDlg, hands it to `look` once shown, and closes it afterwards.
void WithAboutBox(const std::function<void(HWND about, CAboutDlg& dialog)>& look)
{
    CAboutDlg dialog;
    ParkPointer();
    WhenDialogShows(kCaption, [&](HWND hwnd) {
        PumpUntilHandled();
        look(hwnd, dialog);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

// What the screen shows of a window's client area, as rows of 0x00RRGGBB.
struct ClientPixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;

    DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

ClientPixels CaptureClientOnScreen(HWND window)
{
    PumpUntilOnScreen(window);
    RECT rect{};
    ::GetClientRect(window, &rect);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return ClientPixels{rect.right - rect.left, rect.bottom - rect.top, CaptureScreen(rect)};
}

DWORD ScreenValue(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

// Pixels of `area` (client coordinates) in exactly this colour.
int CountOf(const ClientPixels& image, const RECT& area, COLORREF colour)
{
    const DWORD wanted = ScreenValue(colour);
    int hits = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            hits += (image.At(x, y) & 0xFFFFFF) == wanted;
    return hits;
}

double ShareOf(const ClientPixels& image, const RECT& area, COLORREF colour)
{
    const int total = (area.right - area.left) * (area.bottom - area.top);
    return total > 0 ? static_cast<double>(CountOf(image, area, colour)) / total : 0.0;
}

double MeanBrightness(const ClientPixels& image, const RECT& area)
{
    double sum = 0;
    int total = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x, ++total) {
            const DWORD p = image.At(x, y);
            sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
        }
    return total ? sum / (3.0 * total) : 0.0;
}

TEST(AboutBox, ShowsTemplate100WithEveryControlInPlace)
{
    WithAboutBox([](HWND hwnd, CAboutDlg&) {
        EXPECT_EQ(TextOf(hwnd), kCaption);
        const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
        EXPECT_TRUE(style & WS_CAPTION);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_TRUE(style & DS_MODALFRAME);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
        RECT client{}, expectedClient{0, 0, 241, 134};
        ::GetClientRect(hwnd, &client);
        ::MapDialogRect(hwnd, &expectedClient);
        EXPECT_EQ(client.right, expectedClient.right);
        EXPECT_EQ(client.bottom, expectedClient.bottom);
        LOGFONTA dialogFont{};
        ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof(dialogFont), &dialogFont);
        EXPECT_STREQ(dialogFont.lfFaceName, "Tahoma");

        std::vector<HWND> children;
        for (HWND child = ::GetWindow(hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            children.push_back(child);
        ASSERT_EQ(children.size(), std::size(kAboutControls));
        for (size_t i = 0; i < children.size(); ++i) {
            const TemplateControl& c = kAboutControls[i];
            HWND control = children[i];
            SCOPED_TRACE(i);
            EXPECT_EQ(ClassOf(control), "Static");
            EXPECT_EQ(static_cast<int>(static_cast<short>(::GetDlgCtrlID(control))), c.id);
            EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE)) & SS_TYPEMASK, c.kind);
            EXPECT_EQ(::IsWindowVisible(control) != FALSE, c.visible);
            if (c.text) {
                EXPECT_EQ(TextOf(control), c.text);
            }
            RECT expected{c.x, c.y, c.w, c.h};
            ::MapDialogRect(hwnd, &expected);
            RECT actual{};
            ::GetWindowRect(control, &actual);
            ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
            if (c.kind == SS_BITMAP) {
                // A bitmap static takes the size of its bitmap, the 64 x 64 logo.
                EXPECT_EQ(actual.right - actual.left, 64);
                EXPECT_EQ(actual.bottom - actual.top, 64);
            } else if (c.kind == SS_ETCHEDHORZ) {
                // The system gives an etched line an edge of its own, which may widen it.
                EXPECT_GE(actual.right - actual.left, expected.right);
                EXPECT_LE(actual.right - actual.left, expected.right + 2);
            } else {
                EXPECT_EQ(actual.right - actual.left, expected.right);
                EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
            }
        }
        // The maker's notice is one line of our own.
        const std::string notice = TextOf(::GetDlgItem(hwnd, IDC_ABOUT_NOTICE));
        EXPECT_FALSE(notice.empty());
        EXPECT_EQ(notice.find('\n'), std::string::npos);
    });
}

TEST(AboutBox, NameAndVersionInBoldVerdana14)
{
    WithAboutBox([](HWND hwnd, CAboutDlg&) {
        LOGFONTA font{};
        HFONT versionFont = reinterpret_cast<HFONT>(::SendDlgItemMessageA(hwnd, IDC_ABOUT_VERSION, WM_GETFONT, 0, 0));
        ASSERT_NE(::GetObjectA(versionFont, sizeof(font), &font), 0);
        EXPECT_STREQ(font.lfFaceName, "Verdana");
        EXPECT_EQ(font.lfHeight, 14);
        EXPECT_EQ(font.lfWeight, 700);
        EXPECT_FALSE(font.lfItalic);
        EXPECT_FALSE(font.lfUnderline);
        EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
        EXPECT_EQ(font.lfQuality, ANTIALIASED_QUALITY);
    });
}

TEST(AboutBox, PaintsAFreshRaisedGrainedBackgroundEachTime)
{
    WithAboutBox([](HWND hwnd, CAboutDlg&) {
        const ClientPixels first = CaptureClientOnScreen(hwnd);
        ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const ClientPixels second = CaptureClientOnScreen(hwnd);
        ASSERT_EQ(first.pixels.size(), second.pixels.size());
        ASSERT_FALSE(first.pixels.empty());

        int differing = 0;
        for (size_t i = 0; i < first.pixels.size(); ++i)
            differing += first.pixels[i] != second.pixels[i];
        // The grain is random per pixel; only the few text and line pixels stay the same.
        EXPECT_GT(differing, static_cast<int>(first.pixels.size() * 6 / 10));

        // Not the system's flat face, and lighter toward the top-left than the bottom-right.
        const RECT all{0, 0, first.width, first.height};
        EXPECT_LT(ShareOf(first, all, ::GetSysColor(COLOR_BTNFACE)), 0.05);
        const RECT topLeft{0, 0, 12, 12};
        const RECT bottomRight{first.width - 12, first.height - 12, first.width, first.height};
        EXPECT_GT(MeanBrightness(first, topLeft), MeanBrightness(first, bottomRight) + 40);
    });
}

TEST(AboutBox, LabelsHaveNoBoxAndOnlyTheNameIsForcedBlack)
{
    WithAboutBox([](HWND hwnd, CAboutDlg&) {
        const ClientPixels image = CaptureClientOnScreen(hwnd);
        for (const int id : {IDC_ABOUT_VERSION, IDC_ABOUT_NOTICE, IDC_ABOUT_LABEL1, IDC_ABOUT_LABEL2,
                             IDC_ABOUT_SITE_LINK}) {
            SCOPED_TRACE(id);
            // An opaque label would fill its whole rectangle with the face colour.
            EXPECT_LT(ShareOf(image, ChildRect(hwnd, id), ::GetSysColor(COLOR_BTNFACE)), 0.05);
        }
        EXPECT_GT(CountOf(image, ChildRect(hwnd, IDC_ABOUT_VERSION), RGB(0, 0, 0)), 40);
        EXPECT_GT(CountOf(image, ChildRect(hwnd, IDC_ABOUT_SITE_LINK), RGB(0, 0, 255)), 20);
        EXPECT_EQ(CountOf(image, ChildRect(hwnd, IDC_ABOUT_SITE_LINK), RGB(0, 0, 0)), 0);
    });
}

TEST(AboutBox, SiteLinkCarriesItsTipAndOpensTheProductPage)
{
    std::vector<std::string> opened;
    std::string tip;
    WithAboutBox([&](HWND hwnd, CAboutDlg&) {
        CStaticHyperLink* link = LinkOf(hwnd, IDC_ABOUT_SITE_LINK);
        ASSERT_NE(link, nullptr);
        RecordOpenedAddresses(*link, opened);
        tip = ToolTipText(link->GetToolTipWindow(), *link, CStaticHyperLink::kToolId);
        MovePointerOnto(*link);
        ClickLeft();
        ParkPointer();
    });
    EXPECT_EQ(tip, "Click here to get the latest version of Vantrel");
    EXPECT_EQ(opened, std::vector<std::string>{kProductPageAddress});
}

}  // namespace
