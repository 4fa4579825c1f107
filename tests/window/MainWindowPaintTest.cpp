// How the main window paints: a generated, grained background new at every paint, labels
// drawn straight onto it, the banner as wide as the window, nothing while the banner is
// being resized, a repaint on activation.
#include "MainWindowSupport.h"
#include "PixelSurface.h"
#include "SettingsKey.h"
#include "WindowTestSupport.h"
#include "res/resource.h"
#include "ui/CorvaleDlg.h"
#include "TestMainWindow.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>

namespace {

// The banner bitmap's own size (res/banner.bmp).

RECT DialogUnits(HWND dialog, int x, int y, int w, int h)
{
    RECT rect{x, y, x + w, y + h};
    ::MapDialogRect(dialog, &rect);
    return rect;
}

// Of the pixels within `area`, the share (0..1) that differ between two captures.
double ChangedShare(const Image& a, const Image& b, const RECT& area)
{
    int changed = 0;
    int total = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            ++total;
            changed += a.At(x, y) != b.At(x, y);
        }
    }
    return total ? static_cast<double>(changed) / total : 0.0;
}

size_t DistinctColours(const Image& image, const RECT& area)
{
    std::set<COLORREF> colours;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            colours.insert(image.At(x, y));
    return colours.size();
}

Image Repainted(HWND hwnd)
{
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    PumpUntilHandled();
    return CaptureClient(hwnd);
}

// The background strip right of the hidden PING controls and left of Export: nothing
// else is drawn there.
RECT BackgroundArea(HWND hwnd)
{
    return DialogUnits(hwnd, 285, 302, 110, 6);
}

class CResizeProbeDlg : public CTestMainWindow {
public:
    using CTestMainWindow::CTestMainWindow;
    void SetResizing(bool resizing) { m_Resizing = resizing; }
};

TEST(MainWindowPaint, EveryPaintGeneratesANewGrainBehindTheLabels)
{
    CSettingsKey key;
    Image first, second;
    RECT background{};
    std::vector<std::pair<int, RECT>> labels;
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        PumpUntilHandled();
        first = Repainted(hwnd);
        second = Repainted(hwnd);
        background = BackgroundArea(hwnd);
        for (int id : {IDC_RANGE_LABEL, IDC_MODE_LABEL, IDC_AUTOMATIC_LABEL, IDC_MANUAL_LABEL})
            labels.emplace_back(id, ChildRect(hwnd, id));
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    ASSERT_FALSE(first.Empty());
    // A flat dialog face would show one colour; the grain gives many, and new ones each time.
    EXPECT_GT(DistinctColours(first, background), 20u);
    EXPECT_GT(ChangedShare(first, second, background), 0.5);
    // Around its text a transparent label shows the changing grain; a label with a box of its
    // own would show the same face colour twice.
    for (const auto& [id, rect] : labels) {
        SCOPED_TRACE(id);
        EXPECT_GT(ChangedShare(first, second, rect), 0.2);
    }
}

// The banner spans the client's width and keeps its picture's 705 x 100 shape, at start and
// after the window is widened by 100 pixels; minimising must not shrink it to nothing, and
// restoring brings back the width it had.
TEST(MainWindowPaint, TheBannerSpansTheClientWidthAtStartWhenWidenedAndAfterRestore)
{
    CSettingsKey key;
    RECT atStart{}, widened{}, minimised{}, restored{};
    int startWidth = 0, widenedWidth = 0;
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        RECT client{};
        ::GetClientRect(hwnd, &client);
        startWidth = client.right;
        atStart = ChildRect(hwnd, IDC_BANNER);
        RECT window{};
        ::GetWindowRect(hwnd, &window);
        ::SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left + 100, window.bottom - window.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        PumpUntilHandled();
        ::GetClientRect(hwnd, &client);
        widenedWidth = client.right;
        widened = ChildRect(hwnd, IDC_BANNER);
        ::ShowWindow(hwnd, SW_MINIMIZE);
        PumpUntilHandled();
        minimised = ChildRect(hwnd, IDC_BANNER);
        ::ShowWindow(hwnd, SW_RESTORE);
        PumpUntilHandled();
        restored = ChildRect(hwnd, IDC_BANNER);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    ASSERT_GT(startWidth, 0);
    ASSERT_EQ(widenedWidth, startWidth + 100);
    const auto expectSpan = [](const RECT& banner, int width) {
        EXPECT_EQ(banner.left, 0);
        EXPECT_EQ(banner.top, 0);
        EXPECT_EQ(banner.right, width);
        // 705 x 100 at the width, the height cut to whole pixels: within one pixel below.
        const int height = banner.bottom;
        EXPECT_LE(height * 705, 100 * width);
        EXPECT_GT((height + 1) * 705, 100 * width);
    };
    {
        SCOPED_TRACE("at start");
        expectSpan(atStart, startWidth);
    }
    for (const auto& [what, banner] : {std::pair<const char*, RECT>{"widened", widened}, {"minimised", minimised},
                                       {"restored", restored}}) {
        SCOPED_TRACE(what);
        expectSpan(banner, widenedWidth);
    }
}

TEST(MainWindowPaint, NothingIsDrawnWhileTheBannerIsResized)
{
    CSettingsKey key;
    CResizeProbeDlg dialog(LanDiscovery());
    COLORREF whileResizing = 0, afterwards = 0;
    BOOL leftInvalid = TRUE;
    WhenDialogShows("Vantrel", [&](HWND hwnd) {
        const RECT area = BackgroundArea(hwnd);
        const POINT probe{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
        PumpUntilHandled();
        {
            HDC dc = ::GetDC(hwnd);
            ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
            ::ReleaseDC(hwnd, dc);
        }
        dialog.SetResizing(true);
        ::InvalidateRect(hwnd, &area, FALSE);
        ::UpdateWindow(hwnd);
        leftInvalid = ::GetUpdateRect(hwnd, nullptr, FALSE);
        whileResizing = CaptureClient(hwnd).At(probe.x, probe.y);
        dialog.SetResizing(false);
        afterwards = Repainted(hwnd).At(probe.x, probe.y);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    dialog.DoModal();
    EXPECT_FALSE(leftInvalid);  // the paint validated the area all the same
    EXPECT_EQ(whileResizing, RGB(0, 0, 0));
    EXPECT_NE(afterwards, RGB(0, 0, 0));
}

TEST(MainWindowPaint, ActivationRepaintsAndGivesTheFocusBack)
{
    CSettingsKey key;
    Image active, deactivated, reactivated;
    bool focusBack = false;
    RECT background{};
    RunMainWindow(NoNetworkDiscovery(), [&](HWND hwnd) {
        ::SetForegroundWindow(hwnd);
        HWND endAddress = ::GetDlgItem(hwnd, IDC_END_ADDRESS);
        ::SendMessageA(endAddress, IPM_SETFOCUS, 2, 0);
        PumpUntilHandled();
        background = BackgroundArea(hwnd);
        active = CaptureClient(hwnd);

        // Another window of ours, away from the dialog, takes the activation.
        HWND other = ::CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 1200, 960, 40, 40, nullptr, nullptr,
                                       nullptr, nullptr);
        ::SetForegroundWindow(other);
        ::SetActiveWindow(other);
        EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other && QueueIsEmpty(); }));
        deactivated = CaptureClient(hwnd);

        ::SetForegroundWindow(hwnd);
        EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == hwnd && QueueIsEmpty(); }));
        reactivated = CaptureClient(hwnd);
        HWND focus = ::GetFocus();
        focusBack = focus == endAddress || ::IsChild(endAddress, focus);
        ::DestroyWindow(other);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    ASSERT_FALSE(active.Empty());
    EXPECT_EQ(ChangedShare(active, deactivated, background), 0.0);
    EXPECT_GT(ChangedShare(deactivated, reactivated, background), 0.5);
    EXPECT_TRUE(focusBack);
}

}  // namespace
