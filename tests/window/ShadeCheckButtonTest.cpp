// Shaded check boxes and radio buttons in a dialog built at run time: how attachment reads the
// style, the check state the class keeps, radio groups, the space key and the tooltip.
#include "controls/xShadeButton.h"
#include "res/resource.h"
#include "ShadeTestSupport.h"
#include "WindowText.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

namespace {

enum : int {
    kAlpha = 1101,  // radio group A: Alpha, Beta, Gamma
    kBeta = 1102,
    kGamma = 1103,
    kOne = 1111,  // radio group B: One, Two
    kTwo = 1112,
    kPing = 1121,   // push-like check box
    kPlain = 1122,  // check box without push-like look
    kEnd = 1130,
};

constexpr DWORD kRadio = BS_AUTORADIOBUTTON | BS_PUSHLIKE | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_VISIBLE | WS_TABSTOP;

class ShadeCheckButtons : public testing::Test {
protected:
    void SetUp() override
    {
        DialogTemplate t("Check and radio", 300, 120);
        t.Add("Button", "Alpha", kAlpha, kRadio | WS_GROUP, 10, 10, 60, 18);
        t.Add("Button", "Beta", kBeta, kRadio, 80, 10, 60, 18);
        t.Add("Button", "Gamma", kGamma, kRadio, 150, 10, 60, 18);
        t.Add("Button", "One", kOne, kRadio | WS_GROUP, 10, 40, 60, 18);
        t.Add("Button", "Two", kTwo, kRadio, 80, 40, 60, 18);
        t.Add("Button", "Ping", kPing, kCheck | BS_PUSHLIKE | WS_GROUP, 10, 70, 60, 18);
        t.Add("Button", "Plain", kPlain, kCheck | WS_GROUP, 80, 70, 60, 18);
        t.Add("Static", "end", kEnd, WS_VISIBLE | WS_GROUP, 10, 100, 40, 8);
        m_Dialog = std::make_unique<TestDialog>(t);
        ASSERT_NE(m_Dialog->Hwnd(), nullptr);

        const int ids[] = {kAlpha, kBeta, kGamma, kOne, kTwo, kPing, kPlain};
        for (size_t i = 0; i < std::size(ids); ++i) {
            ASSERT_TRUE(m_Buttons[i].SubclassWindow(m_Dialog->Item(ids[i])));
            m_Buttons[i].SetLabelFont("Tahoma", -12, FW_BOLD, FALSE, FALSE);
            m_Buttons[i].BuildShades();
            m_Buttons[i].SetLabelColors(RGB(0, 0, 0), RGB(255, 0, 0));
        }
        m_Dialog->Show();
    }

    void TearDown() override
    {
        LeftButton(false);
        ParkPointer();
    }

    CxShadeButton& Button(int id)
    {
        const int ids[] = {kAlpha, kBeta, kGamma, kOne, kTwo, kPing, kPlain};
        for (size_t i = 0; i < std::size(ids); ++i) {
            if (ids[i] == id)
                return m_Buttons[i];
        }
        return m_Buttons[0];
    }

    RECT ClientOf(int id) const
    {
        RECT client{};
        ::GetClientRect(m_Dialog->Item(id), &client);
        return client;
    }

    bool Checked(int id) const { return ::SendMessageA(m_Dialog->Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    std::string ToolText(int id)
    {
        char text[1024] = "";
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = m_Dialog->Hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(m_Dialog->Item(id));
        tool.lpszText = text;
        ::SendMessageA(Button(id).GetToolTip(), TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
        return text;
    }

    std::unique_ptr<TestDialog> m_Dialog;
    CxShadeButton m_Buttons[7];
};

TEST(ShadeButtonAttachment, ReadsKindLookAndTextFormatFromTheStyle)
{
    struct Case {
        DWORD style;
        CxShadeButton::Kind kind;
        bool pushLike, flat, border;
        UINT format;
    };
    using K = CxShadeButton::Kind;
    const Case cases[] = {
        {BS_PUSHBUTTON, K::Push, true, false, true, DT_SINGLELINE | DT_VCENTER | DT_CENTER},
        {BS_DEFPUSHBUTTON | BS_LEFT, K::Push, true, false, true, DT_SINGLELINE | DT_VCENTER | DT_LEFT},
        {BS_PUSHBUTTON | BS_FLAT | BS_RIGHT, K::Push, true, true, true, DT_SINGLELINE | DT_VCENTER | DT_RIGHT},
        {BS_AUTOCHECKBOX | BS_CENTER, K::CheckBox, false, false, false, DT_SINGLELINE | DT_VCENTER | DT_CENTER},
        {BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_FLAT, K::CheckBox, true, true, true, DT_SINGLELINE | DT_VCENTER | DT_CENTER},
        {BS_AUTORADIOBUTTON | BS_LEFT, K::Radio, false, false, false, DT_SINGLELINE | DT_VCENTER | DT_LEFT},
        {BS_AUTORADIOBUTTON | BS_PUSHLIKE, K::Radio, true, false, true, DT_SINGLELINE | DT_VCENTER | DT_CENTER},
    };
    DialogTemplate t("Attachment", 200, 60);
    for (size_t i = 0; i < std::size(cases); ++i)
        t.Add("Button", "B", static_cast<int>(2000 + i), cases[i].style | WS_VISIBLE, 5, 5, 40, 14);
    TestDialog dialog(t);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << "style 0x" << std::hex << c.style);
        HWND hwnd = dialog.Item(static_cast<int>(2000 + i));
        CxShadeButton button;
        ASSERT_TRUE(button.SubclassWindow(hwnd));
        EXPECT_EQ(button.GetKind(), c.kind);
        EXPECT_EQ(button.IsPushLike(), c.pushLike);
        EXPECT_EQ(button.IsFlat(), c.flat);
        EXPECT_EQ(button.HasBorder(), c.border);
        EXPECT_EQ(button.GetTextFormat(), c.format);
        // Owner-drawn from now on; the other style bits stay.
        const DWORD style = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE));
        EXPECT_EQ(style & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
        EXPECT_EQ(style & ~BS_TYPEMASK & 0xFFF0, c.style & ~BS_TYPEMASK & 0xFFF0);
    }
}

TEST(ShadeButtonAttachment, FlatButtonHasAOnePixelFrameOnlyWhilePressed)
{
    DialogTemplate t("Flat", 100, 40);
    t.Add("Button", "Flat", 2200, BS_PUSHBUTTON | BS_FLAT | WS_VISIBLE, 5, 5, 60, 18);
    TestDialog dialog(t);
    HWND hwnd = dialog.Item(2200);
    CxShadeButton button;
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    RECT client{};
    ::GetClientRect(hwnd, &client);
    const int right = client.right - 1;
    const int bottom = client.bottom - 1;
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);

    // No faces built: every pixel that is not frame, icon or label is the plain face colour.
    const Image normal = RenderButton(hwnd, 0);
    EXPECT_EQ(normal.At(0, 0), face);
    EXPECT_EQ(normal.At(right, bottom), face);

    const Image pressed = RenderButton(hwnd, ODS_SELECTED);
    EXPECT_EQ(pressed.At(0, 0), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pressed.At(right - 1, 0), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pressed.At(0, bottom - 1), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pressed.At(right, 0), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pressed.At(right, bottom), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pressed.At(0, bottom), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pressed.At(1, 1), face);
}

TEST(ShadeButtonSetUp, FontColoursAndIconPlacement)
{
    DialogTemplate t("Set-up", 200, 60);
    t.Add("Button", "Scan", 2100, BS_PUSHBUTTON | WS_VISIBLE, 5, 5, 60, 14);
    TestDialog dialog(t);
    HWND hwnd = dialog.Item(2100);
    CxShadeButton button;
    ASSERT_TRUE(button.SubclassWindow(hwnd));

    EXPECT_TRUE(button.SetLabelFont("A face name much longer than thirty-one characters", -12, FW_BOLD, TRUE, FALSE));
    EXPECT_STREQ(button.GetLabelLogFont().lfFaceName, "A face name much longer than th");
    EXPECT_EQ(button.GetLabelLogFont().lfWeight, FW_BOLD);
    EXPECT_EQ(button.GetLabelLogFont().lfItalic, TRUE);

    EXPECT_EQ(button.SetLabelColors(RGB(0, 0, 0), RGB(255, 0, 0)), ::GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(button.SetLabelColors(RGB(1, 2, 3), RGB(4, 5, 6)), RGB(0, 0, 0));

    // An 18-pixel icon centred in a 30-pixel button, after the margin and the offset.
    ::SetWindowPos(hwnd, nullptr, 0, 0, 100, 30, SWP_NOMOVE | SWP_NOZORDER);
    button.SetIcon(IDI_EXPORT, 0, 0, 3);
    const RECT centred = button.GetIconBox();
    EXPECT_EQ(centred.left, 4 + 3);
    EXPECT_EQ(centred.top, 15 - 9);
    EXPECT_EQ(centred.right - centred.left, 18);
    EXPECT_EQ(centred.bottom - centred.top, 18);

    // A 26-pixel icon in a 20-pixel button starts at the top.
    ::SetWindowPos(hwnd, nullptr, 0, 0, 100, 20, SWP_NOMOVE | SWP_NOZORDER);
    button.SetIcon(IDI_SCAN, IDI_SCAN_DISABLED, IDI_SCAN_HOVER, 0);
    EXPECT_EQ(button.GetIconBox().top, 0);
    EXPECT_EQ(button.GetIconBox().bottom, 26);

    // No icon: nothing is reserved for it.
    button.SetIcon(0, 0, 0, 0);
    const RECT none = button.GetIconBox();
    EXPECT_TRUE(::IsRectEmpty(&none));
}

TEST(ShadeButtonSetUp, ASecondSetIconReleasesTheFirstIcons)
{
    DialogTemplate t("Icons", 200, 60);
    t.Add("Button", "Scan", 2110, BS_PUSHBUTTON | WS_VISIBLE, 5, 5, 60, 14);
    TestDialog dialog(t);
    CxShadeButton button;
    ASSERT_TRUE(button.SubclassWindow(dialog.Item(2110)));
    button.SetIcon(IDI_SCAN, IDI_SCAN_DISABLED, IDI_SCAN_HOVER, 0);
    const HICON first = button.GetIcon();
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(first, &info));
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    button.SetIcon(IDI_EXPORT, 0, 0, 0);
    ASSERT_NE(button.GetIcon(), first);
    EXPECT_FALSE(::GetIconInfo(first, &info)) << "the first icon is still alive";
}

// The columns right of `fromX` where the label's ink lies in a button drawn in its normal state.
std::pair<int, int> LabelInkColumns(HWND button, int fromX)
{
    const Image image = RenderButton(button, 0);
    int left = image.width;
    int right = -1;
    for (int y = 3; y < image.height - 3; ++y) {
        for (int x = fromX; x < image.width - 3; ++x) {
            const COLORREF p = image.At(x, y);
            if (GetRValue(p) < 60 && GetGValue(p) < 60 && GetBValue(p) < 60) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

TEST(ShadeButtonSetUp, TheLabelIsCentredInTheRoomTheIconLeaves)
{
    DialogTemplate t("Label", 200, 60);
    t.Add("Button", "Scan", 2120, BS_PUSHBUTTON | WS_VISIBLE, 5, 5, 60, 14);
    TestDialog dialog(t);
    HWND hwnd = dialog.Item(2120);
    ::SetWindowPos(hwnd, nullptr, 0, 0, 120, 30, SWP_NOMOVE | SWP_NOZORDER);
    CxShadeButton button;
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    button.SetLabelFont("Tahoma", -12, FW_BOLD, FALSE, FALSE);
    button.SetLabelColors(RGB(0, 0, 0), RGB(0, 0, 0));
    button.BuildShades();

    // Without an icon, between the margins of 4 + 2 pixels on either side: centred on 60.
    const auto [left, right] = LabelInkColumns(hwnd, 3);
    ASSERT_LT(left, right) << "no label drawn";
    EXPECT_NEAR((left + right + 1) / 2.0, 60.0, 1.5);

    // An 18-pixel icon takes 18 pixels from the left of the label's room: centred on 69.
    button.SetIcon(IDI_EXPORT, 0, 0, 0);
    const auto [iconLeft, iconRight] = LabelInkColumns(hwnd, button.GetIconBox().right);
    EXPECT_EQ(iconRight - iconLeft, right - left);
    EXPECT_NEAR((iconLeft + iconRight + 1) / 2.0, 69.0, 1.5);
}

// Each channel 20 % of the way to the highlight colour, as the hover face is made.
COLORREF TowardHighlight(COLORREF pixel)
{
    const COLORREF h = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const auto blend = [](int from, int to) { return (from * 80 + to * 20) / 100; };
    return RGB(blend(GetRValue(pixel), GetRValue(h)), blend(GetGValue(pixel), GetGValue(h)),
               blend(GetBValue(pixel), GetBValue(h)));
}

TEST_F(ShadeCheckButtons, HoverFaceIsTintedPressedFaceIsTheHoverFaceDisabledFaceTheNormalOne)
{
    // The plain check box has no frame and does not move when pressed: only faces show.
    CxShadeButton& plain = m_Buttons[6];
    ::SetWindowTextA(plain, "");
    ParkPointer();
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return !plain.IsHovered(); }));
    const Image normal = RenderButton(plain, 0);
    const Image disabled = RenderButton(plain, ODS_DISABLED);
    const Image pressed = RenderButton(plain, ODS_SELECTED);
    MoveTo(plain, CenterOf(plain));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return plain.IsHovered(); }));
    const Image hover = RenderButton(plain, 0);
    ParkPointer();

    ASSERT_FALSE(normal.Empty());
    int tinted = 0;
    for (size_t i = 0; i < normal.pixels.size(); ++i) {
        const COLORREF expected = TowardHighlight(normal.pixels[i]);
        ASSERT_EQ(hover.pixels[i], expected) << "pixel " << i;
        ASSERT_EQ(pressed.pixels[i], hover.pixels[i]) << "pixel " << i;
        ASSERT_EQ(disabled.pixels[i], normal.pixels[i]) << "pixel " << i;
        tinted += expected != normal.pixels[i] ? 1 : 0;
    }
    EXPECT_GT(tinted, 0) << "the tint changed nothing";
}

TEST_F(ShadeCheckButtons, CheckingARadioUnchecksTheOthersOfItsGroupOnly)
{
    // Gamma checked and then disabled: it still belongs to its group.
    ::SendMessageA(m_Dialog->Item(kGamma), BM_SETCHECK, BST_CHECKED, 0);
    ::EnableWindow(m_Dialog->Item(kGamma), FALSE);
    ::SendMessageA(m_Dialog->Item(kOne), BM_SETCHECK, BST_CHECKED, 0);
    m_Dialog->PumpUntil(QueueIsEmpty);

    HWND beta = m_Dialog->Item(kBeta);
    ClickAt(beta, CenterOf(beta));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Dialog->Clicks(kBeta) == 1; }));
    m_Dialog->PumpUntil(QueueIsEmpty);
    EXPECT_TRUE(Checked(kBeta));
    EXPECT_FALSE(Checked(kAlpha));
    EXPECT_FALSE(Checked(kGamma));
    EXPECT_TRUE(Checked(kOne)) << "another group was touched";

    // A radio button never unchecks itself.
    ClickAt(beta, CenterOf(beta));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Dialog->Clicks(kBeta) == 2; }));
    EXPECT_TRUE(Checked(kBeta));

    // Checking the disabled member from code ends and clears the others.
    EXPECT_EQ(::SendMessageA(m_Dialog->Item(kGamma), BM_SETCHECK, BST_CHECKED, 0), 0);
    m_Dialog->PumpUntil(QueueIsEmpty);
    EXPECT_TRUE(Checked(kGamma));
    EXPECT_FALSE(Checked(kBeta));

    HWND two = m_Dialog->Item(kTwo);
    ClickAt(two, CenterOf(two));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return Checked(kTwo); }));
    m_Dialog->PumpUntil(QueueIsEmpty);
    EXPECT_FALSE(Checked(kOne));
    EXPECT_TRUE(Checked(kGamma));

    // A checked push-like radio shows the pressed look; BM_SETCHECK(0) gives it back.
    const RECT size = ClientOf(kTwo);
    EXPECT_EQ(FrameMismatches(RenderButton(two, 0), SunkenFrame(size.right, size.bottom)), 0);
    ::SendMessageA(two, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_FALSE(Checked(kTwo));
}

TEST_F(ShadeCheckButtons, CheckBoxTogglesOnAReleaseOverItAndOnTheSpaceKey)
{
    HWND ping = m_Dialog->Item(kPing);
    ClickAt(ping, CenterOf(ping));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Dialog->Clicks(kPing) == 1; }));
    EXPECT_TRUE(Checked(kPing));
    ClickAt(ping, CenterOf(ping));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Dialog->Clicks(kPing) == 2; }));
    EXPECT_FALSE(Checked(kPing));

    // Pressed on it, released elsewhere: neither a click nor a toggle.
    MoveTo(ping, CenterOf(ping));
    LeftButton(true);
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return Button(kPing).IsMouseDown(); }));
    MoveTo(ping, POINT{30, 200});
    m_Dialog->PumpUntil(QueueIsEmpty);
    LeftButton(false);
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return !Button(kPing).IsMouseDown(); }));
    m_Dialog->PumpUntil(QueueIsEmpty);
    EXPECT_EQ(m_Dialog->Clicks(kPing), 2);
    EXPECT_FALSE(Checked(kPing));

    // The space key toggles once per press, however long it is held.
    ParkPointer();
    ::SetFocus(ping);
    KeyDown(VK_SPACE, 2);
    KeyUp(VK_SPACE);
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Dialog->Clicks(kPing) == 3; }));
    m_Dialog->PumpUntil(QueueIsEmpty);
    EXPECT_TRUE(Checked(kPing));
    KeyDown(VK_SPACE, 1);
    KeyUp(VK_SPACE);
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return m_Dialog->Clicks(kPing) == 4; }));
    EXPECT_FALSE(Checked(kPing));
}

TEST_F(ShadeCheckButtons, CheckBoxWithoutPushLikeLookHasNoFrameAndDoesNotMove)
{
    HWND plain = m_Dialog->Item(kPlain);
    CxShadeButton& button = Button(kPlain);
    EXPECT_FALSE(button.HasBorder());
    // Faces off, so only label and frame could differ between the two looks.
    DialogTemplate t("Plain", 100, 40);
    t.Add("Button", "Plain", 1, kCheck, 5, 5, 60, 18);
    TestDialog bare(t);
    CxShadeButton check;
    ASSERT_TRUE(check.SubclassWindow(bare.Item(1)));
    check.SetLabelFont("Tahoma", -12, FW_BOLD, FALSE, FALSE);
    const Image normal = RenderButton(bare.Item(1), 0);
    const Image pressed = RenderButton(bare.Item(1), ODS_SELECTED);
    EXPECT_EQ(normal.pixels, pressed.pixels);
    EXPECT_EQ(normal.At(0, 0), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(normal.At(normal.width - 1, normal.height - 1), ::GetSysColor(COLOR_BTNFACE));

    // With its faces built, the checked look differs from the unchecked one.
    ::SendMessageA(plain, BM_SETCHECK, BST_CHECKED, 0);
    const Image checked = RenderButton(plain, 0);
    ::SendMessageA(plain, BM_SETCHECK, BST_UNCHECKED, 0);
    const Image unchecked = RenderButton(plain, 0);
    EXPECT_NE(checked.pixels, unchecked.pixels);
}

TEST_F(ShadeCheckButtons, TipTextFollowsTheCheckState)
{
    Button(kPing).SetTipTexts("Test each host before the scan", "Hosts are tested before the scan");
    Button(kPlain).SetTipTexts("Plain tip", "");
    EXPECT_EQ(ToolText(kPing), "Test each host before the scan");

    HWND ping = m_Dialog->Item(kPing);
    ClickAt(ping, CenterOf(ping));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return Checked(kPing); }));
    EXPECT_EQ(ToolText(kPing), "Hosts are tested before the scan");
    ClickAt(ping, CenterOf(ping));
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return !Checked(kPing); }));
    EXPECT_EQ(ToolText(kPing), "Test each host before the scan");

    // Without a checked text the tip text stays.
    ::SendMessageA(m_Dialog->Item(kPlain), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(ToolText(kPlain), "Plain tip");

    // Resting on the checked box shows the checked text in the tip window.
    ::SendMessageA(ping, BM_SETCHECK, BST_CHECKED, 0);
    HWND tip = Button(kPing).GetToolTip();
    MoveTo(ping, POINT{10, 5});
    MoveTo(ping, POINT{12, 6});
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; }, 4000));
    EXPECT_EQ(TextOf(tip), "Hosts are tested before the scan");
}

TEST_F(ShadeCheckButtons, LongTipsWrapAtThreeHundredPixels)
{
    const std::string longTip =
        "Sends an address resolution request to every address of the range before the scan and "
        "lists only the hosts that answer it, which takes a little longer on large ranges";
    Button(kPlain).SetTipTexts(longTip.c_str(), "");
    HWND plain = m_Dialog->Item(kPlain);
    HWND tip = Button(kPlain).GetToolTip();
    MoveTo(plain, POINT{10, 5});
    MoveTo(plain, POINT{12, 6});
    ASSERT_TRUE(m_Dialog->PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; }, 4000));
    RECT shown{};
    ::GetWindowRect(tip, &shown);
    RECT margins{};
    ::SendMessageA(tip, TTM_GETMARGIN, 0, reinterpret_cast<LPARAM>(&margins));
    EXPECT_LE(shown.right - shown.left, 300 + 2 * 8 + margins.left + margins.right);
    EXPECT_GT(shown.bottom - shown.top, 3 * 13) << "not wrapped onto several lines";
}

}  // namespace
