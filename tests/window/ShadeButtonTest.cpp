// Shaded push buttons on the main window's template: how each state is painted, and how the
// buttons answer the real mouse.
#include "controls/xShadeButton.h"
#include "res/resource.h"
#include "ShadeTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <map>
#include <memory>
#include <sstream>
#include <utility>

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 30;

// The main window's Start Scan (its default button) and Export with their faces built as the
// window builds them; Close (normally hidden) shown, with icons and label but no faces, so
// that icon and label stand on a plain background.
class ShadeButtonOnMainTemplate : public testing::Test {
protected:
    void SetUp() override
    {
        m_Dialog = std::make_unique<TestDialog>(IDD_VANTREL_DIALOG);
        HWND dialog = m_Dialog->Hwnd();
        ASSERT_NE(dialog, nullptr);
        for (int id : {IDC_START_SCAN, IDC_EXPORT, IDC_CLOSE})
            ::SetWindowPos(m_Dialog->Item(id), nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER);
        ::ShowWindow(m_Dialog->Item(IDC_CLOSE), SW_SHOW);

        ASSERT_TRUE(m_Start.SubclassWindow(m_Dialog->Item(IDC_START_SCAN)));
        ASSERT_TRUE(m_Export.SubclassWindow(m_Dialog->Item(IDC_EXPORT)));
        ASSERT_TRUE(m_Close.SubclassWindow(m_Dialog->Item(IDC_CLOSE)));
        struct Setup {
            CxShadeButton& button;
            WORD normal, disabled, hover;
            bool faces;
        };
        const Setup setups[] = {
            {m_Start, IDI_SCAN, IDI_SCAN_DISABLED, IDI_SCAN_HOVER, true},
            {m_Export, IDI_EXPORT, IDI_EXPORT_DISABLED, IDI_EXPORT_HOVER, true},
            {m_Close, IDI_CLOSE, IDI_CLOSE_DISABLED, IDI_CLOSE_HOVER, false},
        };
        for (const Setup& s : setups) {
            s.button.SetLabelFont("Tahoma", -12, FW_BOLD, FALSE, FALSE);
            s.button.SetTipTexts("A tip", "");
            if (s.faces)
                s.button.BuildShades();
            s.button.SetLabelColors(RGB(0, 0, 0), RGB(255, 0, 0));
            s.button.SetIcon(s.normal, s.disabled, s.hover, 0);
        }
        m_Dialog->Show();
    }

    void TearDown() override
    {
        LeftButton(false);
        ParkPointer();
    }

    // A point well below the button, off every control of the window.
    static POINT Outside() { return POINT{kWidth / 2, kHeight + 60}; }

    bool Pushed(HWND button) const { return (::SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; }

    // Waits until the screen shows the button with the given frame.
    bool ShowsFrame(HWND button, const Image& frame) const
    {
        return m_Dialog->PumpUntil([&] { return FrameMismatches(CaptureWindow(button), frame) == 0; });
    }

    std::unique_ptr<TestDialog> m_Dialog;
    CxShadeButton m_Start;
    CxShadeButton m_Export;
    CxShadeButton m_Close;
};

using PixelMap = std::map<std::pair<int, int>, COLORREF>;

// The dotted focus frame around `frame` (the rectangle left after the margin): horizontal
// lines from one pixel right of its left side on its top and bottom rows, vertical lines from
// one pixel below its top in its left and right columns, all cut at the frame; dark (shadow)
// and light (highlight) dots alternate, the vertical ones counted from their bottom end.
PixelMap FocusFramePixels(const RECT& frame, int lengthH, int lengthV)
{
    const COLORREF dark = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    PixelMap pixels;
    for (int row : {frame.top, frame.bottom}) {
        for (int k = 0; k < lengthH && frame.left + 1 + k <= frame.right; ++k)
            pixels[{frame.left + 1 + k, row}] = k % 2 == 0 ? dark : light;
    }
    for (int column : {frame.left, frame.right}) {
        for (int k = 0; k < lengthV && frame.top + 1 + k <= frame.bottom; ++k)
            pixels[{column, frame.top + 1 + k}] = (lengthV - 1 - k) % 2 == 0 ? dark : light;
    }
    return pixels;
}

// Compares a focused rendering with an unfocused one: the frame pixels must show the dots,
// every other pixel must be unchanged.
std::string FocusFrameFaults(HWND button, const PixelMap& expected)
{
    const Image plain = RenderButton(button, 0);
    const Image focused = RenderButton(button, ODS_FOCUS);
    std::ostringstream faults;
    int count = 0;
    for (int y = 0; y < focused.height; ++y) {
        for (int x = 0; x < focused.width; ++x) {
            const auto found = expected.find({x, y});
            const COLORREF want = found != expected.end() ? found->second : plain.At(x, y);
            if (focused.At(x, y) != want && ++count <= 8)
                faults << "(" << x << ", " << y << ") ";
        }
    }
    if (count > 0)
        faults << count << " pixel(s) wrong";
    return faults.str();
}

// Pixels of `image` in `box` that differ from `background`.
int ContentPixels(const Image& image, const RECT& box, COLORREF background)
{
    int count = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x)
            count += image.At(x, y) != background ? 1 : 0;
    }
    return count;
}

// The icon as DrawStateA paints it into `box` on a plain face, for comparison.
Image IconReference(int width, int height, WORD iconId, const RECT& box, UINT flags)
{
    PixelSurface surface(width, height, ::GetSysColor(COLOR_BTNFACE));
    HICON icon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                                 0, 0, LR_DEFAULTCOLOR));
    ::DrawStateA(surface.Dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, box.left, box.top,
                 box.right - box.left, box.bottom - box.top, DST_ICON | flags);
    ::DestroyIcon(icon);
    return surface.Read();
}

bool SameIn(const Image& a, const Image& b, const RECT& box)
{
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (a.At(x, y) != b.At(x, y))
                return false;
        }
    }
    return true;
}

TEST_F(ShadeButtonOnMainTemplate, FocusFrameSitsInsideTheMarginAndFurtherInOnTheDefaultButton)
{
    // Not the default button: lines of 91 and 22 pixels at x = 5..95 on rows 4 and 26 and
    // y = 5..26 in columns 4 and 96.
    const PixelMap normal = FocusFramePixels(RECT{4, 4, 96, 26}, 91, 22);
    EXPECT_EQ(normal.size(), 2u * 91 + 2u * 22);
    EXPECT_EQ(FocusFrameFaults(m_Export, normal), "");

    // The default button's double edge moves the frame one pixel in on every side; the lines
    // end at the frame instead of running past its corners.
    EXPECT_EQ(FocusFrameFaults(m_Start, FocusFramePixels(RECT{5, 5, 95, 25}, 91, 22)), "");
}

TEST_F(ShadeButtonOnMainTemplate, DefaultLookFollowsTheDialogsDefaultButton)
{
    // The template's default push button stays the dialog's default after turning owner-drawn,
    // though the system never marks the draw request as default.
    EXPECT_EQ(::SendMessageA(m_Dialog->Hwnd(), DM_GETDEFID, 0, 0), MAKELRESULT(IDC_START_SCAN, DC_HASDEFID));
    EXPECT_EQ(::GetWindowLongA(m_Start, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);

    EXPECT_EQ(FrameMismatches(RenderButton(m_Start, 0), DefaultFrame(kWidth, kHeight)), 0);
    EXPECT_EQ(FrameMismatches(RenderButton(m_Export, 0), RaisedFrame(kWidth, kHeight)), 0);
    EXPECT_TRUE(ShowsFrame(m_Start, DefaultFrame(kWidth, kHeight)));

    ::SendMessageA(m_Dialog->Hwnd(), DM_SETDEFID, IDC_EXPORT, 0);
    EXPECT_EQ(FrameMismatches(RenderButton(m_Export, 0), DefaultFrame(kWidth, kHeight)), 0);
    EXPECT_EQ(FrameMismatches(RenderButton(m_Start, 0), RaisedFrame(kWidth, kHeight)), 0);

    // Pressed, the default button looks like any pressed button.
    EXPECT_EQ(FrameMismatches(RenderButton(m_Export, ODS_SELECTED), SunkenFrame(kWidth, kHeight)), 0);
}

TEST_F(ShadeButtonOnMainTemplate, PressedPushButtonMovesIconAndLabelOnePixelRightAndDown)
{
    const Image normal = RenderButton(m_Close, 0);
    const Image pressed = RenderButton(m_Close, ODS_SELECTED);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);

    // There is an icon and a label to move.
    const RECT icon = m_Close.GetIconBox();
    EXPECT_GT(ContentPixels(normal, icon, face), 100);
    EXPECT_GT(ContentPixels(normal, RECT{icon.right + 2, 2, kWidth - 2, kHeight - 2}, face), 40);

    int moved = 0;
    int wrong = 0;
    for (int y = 2; y <= kHeight - 4; ++y) {
        for (int x = 2; x <= kWidth - 4; ++x) {
            if (pressed.At(x + 1, y + 1) != normal.At(x, y))
                ++wrong;
            moved += normal.At(x, y) != face ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << moved << " content pixels";
    EXPECT_EQ(FrameMismatches(pressed, SunkenFrame(kWidth, kHeight)), 0);
}

TEST_F(ShadeButtonOnMainTemplate, DisabledButtonShowsItsDisabledIconOrTheNormalIconGreyed)
{
    const RECT icon = m_Close.GetIconBox();
    const Image disabled = RenderButton(m_Close, ODS_DISABLED);
    EXPECT_TRUE(SameIn(disabled, IconReference(kWidth, kHeight, IDI_CLOSE_DISABLED, icon, 0), icon));
    EXPECT_EQ(FrameMismatches(disabled, RaisedFrame(kWidth, kHeight)), 0);

    m_Close.SetIcon(IDI_CLOSE, 0, IDI_CLOSE_HOVER, 0);
    const Image greyed = RenderButton(m_Close, ODS_DISABLED);
    EXPECT_TRUE(SameIn(greyed, IconReference(kWidth, kHeight, IDI_CLOSE, icon, DSS_DISABLED), icon));
    EXPECT_FALSE(SameIn(greyed, IconReference(kWidth, kHeight, IDI_CLOSE, icon, 0), icon));

    // The label is embossed: highlight below, grey one pixel up and left.
    const RECT label{icon.right + 2, 2, kWidth - 2, kHeight - 2};
    int grey = 0;
    int light = 0;
    for (int y = label.top; y < label.bottom; ++y) {
        for (int x = label.left; x < label.right; ++x) {
            grey += greyed.At(x, y) == ::GetSysColor(COLOR_GRAYTEXT) ? 1 : 0;
            light += greyed.At(x, y) == ::GetSysColor(COLOR_BTNHIGHLIGHT) ? 1 : 0;
        }
    }
    EXPECT_GT(grey, 20);
    EXPECT_GT(light, 5);
}

int CALLBACK CountRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM counts)
{
    ++(*reinterpret_cast<std::map<DWORD, int>*>(counts))[record->iType];
    return 1;
}

TEST_F(ShadeButtonOnMainTemplate, PaintsOffScreenAndCopiesOnceWithoutErasing)
{
    PixelSurface surface(kWidth, kHeight, RGB(9, 8, 7));
    EXPECT_NE(::SendMessageA(m_Export, WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.Dc()), 0), 0);
    const Image after = surface.Read();
    for (COLORREF pixel : after.pixels)
        ASSERT_EQ(pixel, RGB(9, 8, 7)) << "the erase drew";

    // Recorded as a metafile, a whole paint reaches the target as one block copy.
    for (UINT state : {0u, UINT(ODS_FOCUS), UINT(ODS_SELECTED), UINT(ODS_DISABLED)}) {
        SCOPED_TRACE(state);
        HDC screen = ::GetDC(nullptr);
        HDC record = ::CreateEnhMetaFileA(screen, nullptr, nullptr, nullptr);
        ::ReleaseDC(nullptr, screen);
        ASSERT_NE(record, nullptr);
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_BUTTON;
        draw.CtlID = IDC_EXPORT;
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = state;
        draw.hwndItem = m_Export;
        draw.hDC = record;
        draw.rcItem = RECT{0, 0, kWidth, kHeight};
        ::SendMessageA(m_Dialog->Hwnd(), WM_DRAWITEM, IDC_EXPORT, reinterpret_cast<LPARAM>(&draw));
        HENHMETAFILE metafile = ::CloseEnhMetaFile(record);
        ASSERT_NE(metafile, nullptr);

        std::map<DWORD, int> records;
        ::EnumEnhMetaFile(nullptr, metafile, CountRecord, &records, nullptr);
        ::DeleteEnhMetaFile(metafile);

        EXPECT_EQ(records[EMR_BITBLT], 1);
        for (DWORD drawing : {DWORD(EMR_STRETCHBLT), DWORD(EMR_SETDIBITSTODEVICE), DWORD(EMR_STRETCHDIBITS),
                              DWORD(EMR_EXTTEXTOUTA), DWORD(EMR_EXTTEXTOUTW), DWORD(EMR_FILLRGN),
                              DWORD(EMR_RECTANGLE), DWORD(EMR_POLYGON16), DWORD(EMR_POLYLINE16)})
            EXPECT_EQ(records[drawing], 0) << "record type " << drawing;
    }
}

TEST_F(ShadeButtonOnMainTemplate, PressedLookFollowsThePointerAndAReleaseOutsideDoesNotClick)
{
    HWND button = m_Export;
    MoveTo(button, CenterOf(button));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Export.IsHovered(); }));

    LeftButton(true);
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Export.IsMouseDown() && Pushed(button); }));
    EXPECT_FALSE(m_Export.IsHovered());
    EXPECT_EQ(::GetCapture(), button);
    EXPECT_TRUE(ShowsFrame(button, SunkenFrame(kWidth, kHeight)));

    MoveTo(button, Outside());
    EXPECT_TRUE(m_Dialog->PumpUntil([&] { return !Pushed(button); }));
    EXPECT_TRUE(ShowsFrame(button, RaisedFrame(kWidth, kHeight)));
    EXPECT_TRUE(m_Export.IsMouseDown());

    MoveTo(button, CenterOf(button));
    EXPECT_TRUE(m_Dialog->PumpUntil([&] { return Pushed(button); }));
    EXPECT_TRUE(ShowsFrame(button, SunkenFrame(kWidth, kHeight)));

    MoveTo(button, Outside());
    m_Dialog->PumpUntil([&] { return !Pushed(button); });
    LeftButton(false);
    m_Dialog->PumpUntil([&] { return !m_Export.IsMouseDown(); });
    // Absence: no click comes a little later either.
    m_Dialog->Pump(100);
    EXPECT_EQ(m_Dialog->Clicks(IDC_EXPORT), 0);
    EXPECT_FALSE(m_Export.IsMouseDown());
    EXPECT_NE(::GetCapture(), button);
    EXPECT_TRUE(ShowsFrame(button, RaisedFrame(kWidth, kHeight)));

    // The same press released over the button is a click.
    ClickAt(button, CenterOf(button));
    EXPECT_TRUE(m_Dialog->PumpUntil([&] { return m_Dialog->Clicks(IDC_EXPORT) == 1; }));
}

LRESULT CALLBACK CountDoubleClicks(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR count)
{
    if (msg == WM_LBUTTONDBLCLK)
        ++*reinterpret_cast<int*>(count);
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

TEST_F(ShadeButtonOnMainTemplate, DoubleClickCountsAsTwoClicks)
{
    HWND button = m_Export;
    int doubleClicks = 0;
    ::SetWindowSubclass(button, CountDoubleClicks, 1, reinterpret_cast<DWORD_PTR>(&doubleClicks));
    MoveTo(button, CenterOf(button));
    m_Dialog->PumpUntil(QueueIsEmpty);
    INPUT inputs[4]{};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    }
    ::SendInput(4, inputs, sizeof(INPUT));
    EXPECT_TRUE(m_Dialog->PumpUntil([&] { return m_Dialog->Clicks(IDC_EXPORT) >= 2; }));
    // Absence: no further click or double click comes a little later.
    m_Dialog->Pump(100);
    ::RemoveWindowSubclass(button, CountDoubleClicks, 1);
    EXPECT_EQ(doubleClicks, 1) << "the second press did not arrive as a double click";
    EXPECT_EQ(m_Dialog->Clicks(IDC_EXPORT), 2);
    EXPECT_FALSE(Pushed(button));
}

TEST_F(ShadeButtonOnMainTemplate, PushButtonNeverBecomesChecked)
{
    const Image before = RenderButton(m_Export, 0);
    EXPECT_EQ(::SendMessageA(m_Export, BM_SETCHECK, BST_CHECKED, 0), 0);
    EXPECT_EQ(::SendMessageA(m_Export, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(RenderButton(m_Export, 0).pixels, before.pixels);
}

TEST_F(ShadeButtonOnMainTemplate, ActivatingAnotherWindowDuringAPressEndsItWithoutAClick)
{
    HWND button = m_Export;
    MoveTo(button, CenterOf(button));
    m_Dialog->PumpUntil(QueueIsEmpty);
    LeftButton(true);
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Export.IsMouseDown() && ::GetCapture() == button; }));

    DialogTemplate otherTemplate("Another window", 120, 40);
    TestDialog other(otherTemplate);
    ::SetWindowPos(other.Hwnd(), HWND_TOP, 900, 600, 0, 0, SWP_NOSIZE);
    other.Show();
    EXPECT_TRUE(m_Dialog->PumpUntil([&] { return ::GetCapture() != button; }));
    EXPECT_FALSE(m_Export.IsMouseDown());
    EXPECT_FALSE(Pushed(button));

    // The release over the button no longer belongs to a press.
    LeftButton(false);
    // Absence: no click comes a little later either.
    m_Dialog->Pump(150);
    EXPECT_EQ(m_Dialog->Clicks(IDC_EXPORT), 0);
}

TEST_F(ShadeButtonOnMainTemplate, HoverShowsTheHoverIconAndLabelColourUntilThePointerLeaves)
{
    HWND button = m_Close;
    const RECT icon = m_Close.GetIconBox();
    const RECT label{icon.right + 2, 2, kWidth - 2, kHeight - 2};
    const auto redPixels = [&](const Image& image) {
        int count = 0;
        for (int y = label.top; y < label.bottom; ++y) {
            for (int x = label.left; x < label.right; ++x)
                count += image.At(x, y) == RGB(255, 0, 0) ? 1 : 0;
        }
        return count;
    };
    const Image hoverIcon = IconReference(kWidth, kHeight, IDI_CLOSE_HOVER, icon, 0);
    const Image normalIcon = IconReference(kWidth, kHeight, IDI_CLOSE, icon, 0);

    MoveTo(button, CenterOf(button));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Close.IsHovered(); }));
    EXPECT_TRUE(m_Dialog->PumpUntil([&] { return SameIn(CaptureWindow(button), hoverIcon, icon); }));
    EXPECT_GT(redPixels(CaptureWindow(button)), 20);

    MoveTo(button, Outside());
    EXPECT_TRUE(m_Dialog->PumpUntil([&] { return !m_Close.IsHovered(); }));
    EXPECT_TRUE(m_Dialog->PumpUntil([&] { return SameIn(CaptureWindow(button), normalIcon, icon); }));
    EXPECT_EQ(redPixels(CaptureWindow(button)), 0);

    // Without a hover icon the normal one stays while hovered.
    m_Close.SetIcon(IDI_CLOSE, IDI_CLOSE_DISABLED, 0, 0);
    MoveTo(button, CenterOf(button));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Close.IsHovered(); }));
    // Absence: the hover leaves the icon as it is, also a little later.
    m_Dialog->Pump(100);
    EXPECT_TRUE(SameIn(CaptureWindow(button), normalIcon, icon));
}

}  // namespace
