// The scan-range controls under real mouse and keyboard input: the mode radios, their
// captions, and the end address following a typed start address.
#include "MainWindowSupport.h"
#include "PointerSupport.h"
#include "SettingsKey.h"
#include "WindowTestSupport.h"
#include "res/resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const RangeState kAutomaticLan{true, false, false, false, "10.20.30.1", "10.20.30.254"};

void Click(HWND dialog, int id)
{
    MovePointerOnto(::GetDlgItem(dialog, id));
    ClickLeft();
}

// Types text the way a user would: digits and dots, Tab for "\t".
void Type(const char* text)
{
    for (const char* c = text; *c; ++c) {
        if (*c == '.')
            PressKey(VK_OEM_PERIOD);
        else if (*c == '\t')
            PressKey(VK_TAB);
        else
            PressKey(static_cast<WORD>(*c));
        PumpUntilHandled();
    }
}

TEST(MainWindowRange, CaptionsAndRadiosSwitchTheMode)
{
    CSettingsKey key;
    std::vector<RangeState> seen;
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        ::SetForegroundWindow(hwnd);
        Click(hwnd, IDC_MANUAL_LABEL);
        seen.push_back(ReadRangeState(hwnd));  // manual, the automatic range kept
        SetAddress(hwnd, IDC_START_ADDRESS, 0xC0A80105);
        SetAddress(hwnd, IDC_END_ADDRESS, 0xC0A80109);
        Click(hwnd, IDC_AUTOMATIC_LABEL);
        seen.push_back(ReadRangeState(hwnd));  // automatic refills the range
        Click(hwnd, IDC_MANUAL);
        SetAddress(hwnd, IDC_START_ADDRESS, 0xC0A80105);
        seen.push_back(ReadRangeState(hwnd));
        Click(hwnd, IDC_AUTOMATIC);
        seen.push_back(ReadRangeState(hwnd));
        // A click on the radio already checked runs its command again.
        SetAddress(hwnd, IDC_END_ADDRESS, 0xC0A80109);
        Click(hwnd, IDC_AUTOMATIC);
        seen.push_back(ReadRangeState(hwnd));
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    const std::vector<RangeState> expected{
        {false, true, true, true, "10.20.30.1", "10.20.30.254"},
        kAutomaticLan,
        {false, true, true, true, "192.168.1.5", "10.20.30.254"},
        kAutomaticLan,
        kAutomaticLan,
    };
    EXPECT_EQ(seen, expected);
}

TEST(MainWindowRange, TheEndFollowsTheStartsBlockAsItIsTyped)
{
    struct Case {
        const char* typed;  // into a blank start address, from its first field
        DWORD end;          // the end address before typing
        const char* start;  // afterwards, worked out by hand
        const char* endAfter;
    };
    const Case cases[] = {
        // Blank fields read 0: leaving the first field makes the end 10.0.0.0, and the block
        // agrees from then on.
        {"10.0.0.55\t", 0xC0A801C8, "10.0.0.55", "10.0.0.0"},
        {"10.0.0.7\t", 0x0A0000C8, "10.0.0.7", "10.0.0.200"},
        // Every left field applies the rule again, last octet included.
        {"192.168.1.7\t", 0xC0A801C8, "192.168.1.7", "192.168.1.0"},
    };
    CSettingsKey key;
    std::vector<std::string> starts, ends;
    RunMainWindow(NoNetworkDiscovery(), [&](HWND hwnd) {
        ::SetForegroundWindow(hwnd);
        for (const Case& c : cases) {
            SetAddress(hwnd, IDC_END_ADDRESS, c.end);
            ::SendDlgItemMessageA(hwnd, IDC_START_ADDRESS, IPM_CLEARADDRESS, 0, 0);
            ::SendDlgItemMessageA(hwnd, IDC_START_ADDRESS, IPM_SETFOCUS, 0, 0);
            PumpUntilHandled();
            Type(c.typed);
            starts.push_back(AddressOf(hwnd, IDC_START_ADDRESS));
            ends.push_back(AddressOf(hwnd, IDC_END_ADDRESS));
        }
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    ASSERT_EQ(starts.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].typed);
        EXPECT_EQ(starts[i], cases[i].start);
        EXPECT_EQ(ends[i], cases[i].endAfter);
    }
}

TEST(MainWindowRange, TypingTheEndAddressLeavesTheStartAlone)
{
    CSettingsKey key;
    std::string start, end;
    RunMainWindow(NoNetworkDiscovery(), [&](HWND hwnd) {
        ::SetForegroundWindow(hwnd);
        ::SendDlgItemMessageA(hwnd, IDC_END_ADDRESS, IPM_CLEARADDRESS, 0, 0);
        ::SendDlgItemMessageA(hwnd, IDC_END_ADDRESS, IPM_SETFOCUS, 0, 0);
        PumpUntilHandled();
        Type("172.16.0.9\t");
        start = AddressOf(hwnd, IDC_START_ADDRESS);
        end = AddressOf(hwnd, IDC_END_ADDRESS);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(start, "192.168.0.1");
    EXPECT_EQ(end, "172.16.0.9");
}

TEST(MainWindowRange, TheHiddenCloseButtonEndsTheWindowLikeEscape)
{
    CSettingsKey key;
    const INT_PTR result = RunMainWindow(LanDiscovery(), [](HWND hwnd) {
        HWND close = ::GetDlgItem(hwnd, IDC_CLOSE);
        ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), reinterpret_cast<LPARAM>(close));
    });
    EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
