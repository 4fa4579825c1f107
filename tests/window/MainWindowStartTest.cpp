// How the main window starts: the mode from discovery, overridden by the one stored in the
// test prefix's registry, and the stored range where the mode is Manual or no network was
// found; and what it stores.
#include "MainWindowSupport.h"
#include "SettingsKey.h"
#include "WindowTestSupport.h"
#include "res/resource.h"
#include "ui/CorvaleDlg.h"
#include "TestMainWindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct StoredValue {
    const char* name;
    DWORD type;
    std::string bytes;
};

std::string Dword(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

RangeState StartUpState(const DiscoveryPlatform& discovery)
{
    RangeState state;
    RunMainWindow(discovery, [&](HWND hwnd) {
        state = ReadRangeState(hwnd);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    return state;
}

TEST(MainWindowStart, ModeAndRangeFromDiscoveryAndStoredSettings)
{
    struct Case {
        const char* what;
        bool network;
        std::vector<StoredValue> stored;
        RangeState expected;
    };
    const RangeState automaticLan{true, false, false, false, "10.20.30.1", "10.20.30.254"};
    const RangeState manualLan{false, true, true, true, "10.20.30.1", "10.20.30.254"};
    const RangeState fallback{false, true, true, true, "192.168.0.1", "192.168.0.255"};
    const Case cases[] = {
        {"first run", true, {}, automaticLan},
        {"first run without a network", false, {}, fallback},
        {"stored manual range",
         true,
         {{"Automatic", REG_DWORD, Dword(0)},
          {"StartHostAddress", REG_SZ, std::string("192.168.5.10", 12)},
          {"EndHostAddress", REG_SZ, std::string("192.168.5.20", 12)}},
         {false, true, true, true, "192.168.5.10", "192.168.5.20"}},
        // Automatic means the network the computer is on now, not the one of the last scan.
        {"stored automatic mode with the range of another network",
         true,
         {{"Automatic", REG_DWORD, Dword(1)},
          {"StartHostAddress", REG_SZ, std::string("172.16.4.1\0", 11)},
          {"EndHostAddress", REG_SZ, std::string("172.16.4.99\0", 12)}},
         automaticLan},
        {"Automatic = 2", true, {{"Automatic", REG_DWORD, Dword(2)}}, manualLan},
        {"only the end address, automatic mode from discovery",
         true,
         {{"EndHostAddress", REG_SZ, std::string("10.20.30.100\0", 13)}},
         automaticLan},
        {"only the end address, stored manual mode",
         true,
         {{"Automatic", REG_DWORD, Dword(0)}, {"EndHostAddress", REG_SZ, std::string("10.20.30.100\0", 13)}},
         {false, true, true, true, "10.20.30.1", "10.20.30.100"}},
        {"empty and garbage addresses",
         true,
         {{"Automatic", REG_DWORD, Dword(0)},
          {"StartHostAddress", REG_SZ, std::string("\0", 1)},
          {"EndHostAddress", REG_SZ, std::string("10.20.30.x\0", 11)}},
         manualLan},
        {"an address stored as a number",
         false,
         {{"StartHostAddress", REG_DWORD, Dword(0x0A000001)}},
         fallback},
        {"automatic mode stored, no network",
         false,
         {{"Automatic", REG_DWORD, Dword(1)}},
         {true, false, false, false, "", ""}},
        {"automatic mode stored with a range, no network",
         false,
         {{"Automatic", REG_DWORD, Dword(1)}, {"StartHostAddress", REG_SZ, std::string("10.1.1.1\0", 9)}},
         {true, false, false, false, "10.1.1.1", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsKey key;
        for (const StoredValue& v : c.stored)
            key.SetValue(v.name, v.type, v.bytes.data(), static_cast<DWORD>(v.bytes.size()));
        EXPECT_EQ(StartUpState(c.network ? LanDiscovery() : NoNetworkDiscovery()), c.expected);
    }
}

TEST(MainWindowStart, TheNewVersionLinkReadsItsTextBeforeTheWindowFirstShows)
{
    CSettingsKey key;
    std::string text;
    bool visible = false;
    RunMainWindow(LanDiscovery(), [&](HWND hwnd) {
        char buffer[64] = "";
        ::GetDlgItemTextA(hwnd, IDC_VERSION_LINK, buffer, sizeof(buffer));
        text = buffer;
        visible = ::IsWindowVisible(::GetDlgItem(hwnd, IDC_VERSION_LINK)) != FALSE;
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(text, "Get New Version");
    EXPECT_TRUE(visible);
}

TEST(MainWindowStart, NothingIsStoredUntilTheScanCommandAsks)
{
    CSettingsKey key;
    bool storedBeforeWrite = true;
    RunMainWindow(NoNetworkDiscovery(), [&](HWND hwnd) {
        // Changing mode and range saves nothing.
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_AUTOMATIC_LABEL, STN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDC_AUTOMATIC_LABEL)));
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_MANUAL_LABEL, STN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDC_MANUAL_LABEL)));
        SetAddress(hwnd, IDC_START_ADDRESS, 0xC0A80701);  // 192.168.7.1
        SetAddress(hwnd, IDC_END_ADDRESS, 0xC0A80709);
        storedBeforeWrite = CSettingsKey::Exists();
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(storedBeforeWrite);
    EXPECT_FALSE(CSettingsKey::Exists());  // nor at the end
}

TEST(MainWindowStart, StoresWhatTheRangeControlsShow)
{
    struct Case {
        const char* what;
        const DiscoveryPlatform& discovery;
        DWORD start;  // 0: leave what start-up put there
        DWORD end;
        std::string mode, startText, endText;
    };
    const Case cases[] = {
        {"manual range", NoNetworkDiscovery(), 0xC0A80701, 0xC0A80709, Dword(0), "192.168.7.1", "192.168.7.9"},
        {"automatic range", LanDiscovery(), 0, 0, Dword(1), "10.20.30.1", "10.20.30.254"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsKey key;
        CTestMainWindow dialog(c.discovery);
        WhenDialogShows("Vantrel", [&](HWND hwnd) {
            if (c.start)
                SetAddress(hwnd, IDC_START_ADDRESS, c.start);
            if (c.end)
                SetAddress(hwnd, IDC_END_ADDRESS, c.end);
            dialog.WriteRegSettings();
            ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        });
        dialog.DoModal();
        const auto mode = CSettingsKey::Read("Automatic");
        const auto start = CSettingsKey::Read("StartHostAddress");
        const auto end = CSettingsKey::Read("EndHostAddress");
        ASSERT_TRUE(mode && start && end);
        EXPECT_EQ(mode->type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(mode->bytes, c.mode);
        EXPECT_EQ(start->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(start->bytes, c.startText + '\0');
        EXPECT_EQ(end->bytes, c.endText + '\0');
    }
}

}  // namespace
