// All kinds of shaded button side by side in their states, on the shaded background the
// program's windows use, checked on the screen at once. Set VANTREL_GALLERY_HOLD_MS to keep
// the window up that long (to look at it or take a picture).
#include "controls/xShadeButton.h"
#include "res/resource.h"
#include "ShadeTestSupport.h"
#include "winlib/GdiObject.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr COLORREF kBackgroundTint = RGB(8, 113, 230);

struct GalleryButton {
    const char* label;
    const char* caption;
    DWORD style;
    WORD icon, disabledIcon, hoverIcon;
};

struct GalleryRow {
    const char* title;
    GalleryButton buttons[5];
};

constexpr DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON | WS_TABSTOP;

const GalleryRow kRows[] = {
    {"Push buttons",
     {{"Start Scan", "default + focus", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDI_SCAN, IDI_SCAN_DISABLED,
       IDI_SCAN_HOVER},
      {"Export", "normal", kPush, IDI_EXPORT, IDI_EXPORT_DISABLED, IDI_EXPORT_HOVER},
      {"Export", "hover", kPush, IDI_EXPORT, IDI_EXPORT_DISABLED, IDI_EXPORT_HOVER},
      {"Close", "pressed", kPush, IDI_CLOSE, IDI_CLOSE_DISABLED, IDI_CLOSE_HOVER},
      {"Export", "disabled", kPush, IDI_EXPORT, IDI_EXPORT_DISABLED, IDI_EXPORT_HOVER}}},
    {"Check boxes",
     {{"Ping first", "unchecked", kCheck | BS_PUSHLIKE | WS_GROUP, IDI_HOST, 0, 0},
      {"Ping first", "checked", kCheck | BS_PUSHLIKE | WS_GROUP, IDI_HOST, 0, 0},
      {"Ping first", "pressed", kCheck | BS_PUSHLIKE | WS_GROUP, IDI_HOST, 0, 0},
      {"Ping first", "checked, disabled", kCheck | BS_PUSHLIKE | WS_GROUP, IDI_HOST, 0, 0},
      {"Ping first", "disabled", kCheck | BS_PUSHLIKE | WS_GROUP, IDI_HOST, 0, 0}}},
    {"Radio buttons",
     {{"Automatic", "checked", kRadio | BS_PUSHLIKE | WS_GROUP, 0, 0, 0},
      {"Manual", "unchecked", kRadio | BS_PUSHLIKE, 0, 0, 0},
      {"Custom", "disabled", kRadio | BS_PUSHLIKE, 0, 0, 0},
      {"Fast", "checked", kRadio | BS_PUSHLIKE | WS_GROUP, 0, 0, 0},
      {"Slow", "unchecked", kRadio | BS_PUSHLIKE, 0, 0, 0}}},
};

constexpr int kFirstId = 3000;
constexpr int kTitleId = 3900;

int ButtonId(int row, int column)
{
    return kFirstId + row * 10 + column;
}

TEST(ShadeButtonGallery, ShowsEveryKindInItsStates)
{
    DialogTemplate t("Shaded buttons", 396, 170);
    for (int row = 0; row < 3; ++row) {
        const int top = 8 + row * 54;
        t.Add("Static", kRows[row].title, kTitleId + row, SS_LEFT | WS_VISIBLE | WS_GROUP, 12, top, 200, 9);
        for (int column = 0; column < 5; ++column) {
            const GalleryButton& b = kRows[row].buttons[column];
            const int left = 12 + column * 76;
            t.Add("Button", b.label, ButtonId(row, column), b.style | WS_VISIBLE, left, top + 12, 68, 22);
            t.Add("Static", b.caption, -1, SS_CENTER | WS_VISIBLE | WS_GROUP, left, top + 37, 68, 9);
        }
    }
    TestDialog dialog(t);
    HWND hwnd = dialog.Hwnd();
    ASSERT_NE(hwnd, nullptr);

    RECT client{};
    ::GetClientRect(hwnd, &client);
    CPaletteDib background;
    FillRaisedShade(background, client.right, client.bottom, kBackgroundTint);
    dialog.SetBackground([&](HDC dc, const RECT&) { background.DrawAt(dc, 0, 0); });

    CFont titleFont(CreateUiFont("Tahoma", -12, FW_BOLD));
    for (int row = 0; row < 3; ++row)
        ::SendMessageA(dialog.Item(kTitleId + row), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont.Get()), FALSE);

    std::vector<std::unique_ptr<CxShadeButton>> buttons;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            const GalleryButton& b = kRows[row].buttons[column];
            auto button = std::make_unique<CxShadeButton>();
            ASSERT_TRUE(button->SubclassWindow(dialog.Item(ButtonId(row, column))));
            button->SetLabelFont("Tahoma", -12, FW_BOLD, FALSE, FALSE);
            button->SetTipTexts(b.label, "");
            button->BuildShades();
            button->SetLabelColors(RGB(0, 0, 0), RGB(255, 0, 0));
            button->SetIcon(b.icon, b.disabledIcon, b.hoverIcon, 2);
            buttons.push_back(std::move(button));
        }
    }

    // Centre the window on the screen (a virtual desktop when taking a picture).
    RECT window{};
    ::GetWindowRect(hwnd, &window);
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - (window.bottom - window.top)) / 2;
    ::SetWindowPos(hwnd, nullptr, x > 0 ? x : 0, y > 0 ? y : 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    const auto item = [&](int row, int column) { return dialog.Item(ButtonId(row, column)); };
    ::EnableWindow(item(0, 4), FALSE);
    ::SendMessageA(item(1, 1), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageA(item(1, 3), BM_SETCHECK, BST_CHECKED, 0);
    ::EnableWindow(item(1, 3), FALSE);
    ::EnableWindow(item(1, 4), FALSE);
    ::SendMessageA(item(2, 0), BM_SETCHECK, BST_CHECKED, 0);
    ::EnableWindow(item(2, 2), FALSE);
    ::SendMessageA(item(2, 3), BM_SETCHECK, BST_CHECKED, 0);
    dialog.Show();
    ::SetFocus(item(0, 0));
    ::SendMessageA(item(0, 3), BM_SETSTATE, TRUE, 0);
    ::SendMessageA(item(1, 2), BM_SETSTATE, TRUE, 0);
    MoveTo(item(0, 2), CenterOf(item(0, 2)));
    ASSERT_TRUE(dialog.PumpUntil([&] { return buttons[2]->IsHovered(); }));
    dialog.PumpUntil(QueueIsEmpty);

    const auto shows = [&](int row, int column, const Image& frame) {
        HWND button = item(row, column);
        return dialog.PumpUntil([&] { return FrameMismatches(CaptureWindow(button), frame) == 0; }, 1000);
    };
    RECT size{};
    ::GetClientRect(item(0, 0), &size);
    const Image raised = RaisedFrame(size.right, size.bottom);
    const Image sunken = SunkenFrame(size.right, size.bottom);
    EXPECT_TRUE(shows(0, 0, DefaultFrame(size.right, size.bottom)));
    EXPECT_TRUE(shows(0, 1, raised));
    EXPECT_TRUE(shows(0, 2, raised));
    EXPECT_TRUE(shows(0, 3, sunken));
    EXPECT_TRUE(shows(0, 4, raised));
    EXPECT_TRUE(shows(1, 0, raised));
    EXPECT_TRUE(shows(1, 1, sunken));
    EXPECT_TRUE(shows(1, 2, sunken));
    EXPECT_TRUE(shows(1, 3, raised));
    EXPECT_TRUE(shows(2, 0, sunken));
    EXPECT_TRUE(shows(2, 1, raised));
    EXPECT_TRUE(shows(2, 3, sunken));
    EXPECT_EQ(::GetFocus(), item(0, 0));

    // The hovered button is brighter than its normal twin: same size, hover face.
    const Image normal = CaptureWindow(item(0, 1));
    const Image hovered = CaptureWindow(item(0, 2));
    long normalSum = 0;
    long hoveredSum = 0;
    for (size_t i = 0; i < normal.pixels.size(); ++i) {
        normalSum += GetRValue(normal.pixels[i]) + GetGValue(normal.pixels[i]) + GetBValue(normal.pixels[i]);
        hoveredSum += GetRValue(hovered.pixels[i]) + GetGValue(hovered.pixels[i]) + GetBValue(hovered.pixels[i]);
    }
    EXPECT_GT(hoveredSum, normalSum);

    if (const char* hold = std::getenv("VANTREL_GALLERY_HOLD_MS")) {
        ::SetForegroundWindow(hwnd);
        dialog.Pump(static_cast<DWORD>(std::atoi(hold)));
    }
}

}  // namespace
