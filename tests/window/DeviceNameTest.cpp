// "Name This Device..." in the results list's menu: the dialog, what it refuses, the store
// behind it and the rows that show the name. A driver thread works the window as a user would
// (real pointer input where a user clicks) while this thread runs it.
#include "FakeScanNetwork.h"
#include "JoinedThread.h"
#include "MainWindowSupport.h"
#include "PointerSupport.h"
#include "SettingsKey.h"
#include "TestMainWindow.h"
#include "ReportFixtures.h"
#include "VantrelDriver.h"
#include "WindowTestSupport.h"
#include "report/ListReportRows.h"
#include "report/ReportWriters.h"
#include "res/resource.h"
#include "settings/Settings.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDeadlineMs = CFakeScanNetwork::kDeadlineMs;
const char kDialogCaption[] = "Name This Device";
const char* const kNames = CSettingsKey::kDeviceNames;

// The Name column, row by row.
std::vector<std::string> Names(HWND list)
{
    std::vector<std::string> names;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        names.push_back(CellText(list, row, 1));
    return names;
}

int FindRow(HWND list, const std::string& address)
{
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        if (CellText(list, row, 0) == address)
            return row;
    return -1;
}

// A row as a finished probe leaves it: address, name, MAC.
void AppendRow(HWND list, const char* address, const char* name, const char* mac)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(address);
    const int row = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    const char* cells[] = {name, mac};
    for (int column = 1; column <= 2; ++column) {
        LVITEMA cell{};
        cell.iSubItem = column;
        cell.pszText = const_cast<char*>(cells[column - 1]);
        ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    }
}

struct OwnedSearch {
    HWND owner;
    const char* caption;  // null: any
    HWND found;
};

BOOL CALLBACK MatchOwned(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<OwnedSearch*>(param);
    char name[16] = "";
    char caption[64] = "";
    ::GetClassNameA(hwnd, name, sizeof(name));
    ::GetWindowTextA(hwnd, caption, sizeof(caption));
    if (std::strcmp(name, "#32770") == 0 && ::GetWindow(hwnd, GW_OWNER) == search.owner && ::IsWindowVisible(hwnd)
        && (!search.caption || std::strcmp(caption, search.caption) == 0))
        search.found = hwnd;
    return search.found == nullptr;
}

// A visible dialog or message box owned by `owner`, or null after the deadline.
HWND WaitForOwned(HWND owner, const char* caption, DWORD ms = kDeadlineMs)
{
    OwnedSearch search{owner, caption, nullptr};
    PumpUntil(
        [&] {
            search.found = nullptr;
            ::EnumThreadWindows(::GetWindowThreadProcessId(owner, nullptr), MatchOwned,
                                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        ms);
    return search.found;
}

// Reads the message box `owner` shows next and presses OK; empty when none came.
std::string AnswerBoxOf(HWND owner)
{
    HWND box = WaitForOwned(owner, "Vantrel");
    if (!box)
        return std::string();
    const std::string text = CVantrelProcess::MessageBoxText(box);
    CVantrelProcess::PressOk(box);
    PumpUntil([&] { return !::IsWindow(box); }, kDeadlineMs);
    return text;
}

// What the dialog shows when it comes up.
struct DialogSeen {
    std::string address, mac, name;
    bool boxFocused = false;
};

DialogSeen ReadDialog(HWND dialog)
{
    char text[256] = "";
    DialogSeen seen;
    ::GetDlgItemTextA(dialog, IDC_DEVICE_ADDRESS, text, sizeof(text));
    seen.address = text;
    ::GetDlgItemTextA(dialog, IDC_DEVICE_MAC, text, sizeof(text));
    seen.mac = text;
    ::GetDlgItemTextA(dialog, IDC_DEVICE_NAME, text, sizeof(text));
    seen.name = text;
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info);
    seen.boxFocused = info.hwndFocus == ::GetDlgItem(dialog, IDC_DEVICE_NAME);
    return seen;
}

// Puts `name` into the dialog's box and clicks a button of it with the real pointer.
void EnterAndClick(HWND dialog, const std::string& name, int button = IDOK)
{
    ::SendDlgItemMessageA(dialog, IDC_DEVICE_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    const HWND control = ::GetDlgItem(dialog, button);
    ClickAt(control, CenterOf(control));
}

// The HTML and XML reports of the list as Export writes them (from the list's cells).
struct Reports {
    std::string html, xml;
};

Reports WriteReports(HWND list)
{
    const std::string folder = MakeTestFolder("vantrel-device-names");
    CListCtrl view;
    view.m_hWnd = list;  // borrowed, not subclassed
    const CListReportRows rows(view);
    const auto failed = [](const char*) {};
    Reports reports;
    if (ExportResultToFile((folder + "r.html").c_str(), rows, failed))
        reports.html = ReadFileBytes(folder + "r.html");
    if (ExportResultToXMLFile((folder + "r.xml").c_str(), rows, failed))
        reports.xml = ReadFileBytes(folder + "r.xml");
    view.m_hWnd = nullptr;
    return reports;
}

// Chooses "Name This Device..." for the selected row as the menu's command and returns the
// dialog, or null when none came.
HWND OpenDialog(HWND main)
{
    ::PostMessageA(main, WM_COMMAND, ID_NAME_DEVICE, 0);
    return WaitForOwned(main, kDialogCaption);
}

class DeviceNames : public testing::Test {
protected:
    CSettingsKey m_Settings;  // no names, no settings
};

TEST_F(DeviceNames, TheMenuItemNamesEveryRowOfThatMacAtOnceAndAnEmptyNameGivesTheFoundOnesBack)
{
    struct Seen {
        std::vector<std::string> menuItems;
        UINT secondId = 0;
        DialogSeen first, second;
        std::vector<std::string> named, unnamed;
        std::string valueAfterNaming;
        bool valueAfterRemoving = true;
        std::string cancelledName;
        Reports reports;
    } seen;
    ParkPointer();
    CTestMainWindow window;
    DriveWindow(window, [&](HWND main) {
        const HWND list = ResultsList(main);
        // A router answering for two addresses: one MAC on two rows, each with its own found name.
        AppendRow(list, "10.0.0.1", "Router.home", "B0-BE-76-00-00-01");
        AppendRow(list, "10.0.0.7", "Desktop-pc", "00-1B-21-00-00-0A");
        AppendRow(list, "10.0.0.9", "Gateway-2", "B0-BE-76-00-00-01");
        AppendRow(list, "10.0.0.12", "", "02-5A-00-00-00-0C");

        // A real right click on the third row, then a real click on the menu's second item.
        MovePointerTo(OnRow(list, 2));
        ClickRight();
        HWND popup = nullptr;
        if (!PumpUntil([&] { return (popup = VisibleWindow("#32768", nullptr)) != nullptr; }, kDeadlineMs))
            return;
        const HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0));
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            char text[64] = "";
            ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
            seen.menuItems.push_back(text);
        }
        seen.secondId = ::GetMenuItemID(menu, 1);
        RECT item{};
        ::GetMenuItemRect(nullptr, menu, 1, &item);
        MovePointerTo(POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
        ClickLeft();
        HWND dialog = WaitForOwned(main, kDialogCaption);
        if (!dialog)
            return;
        seen.first = ReadDialog(dialog);
        EnterAndClick(dialog, "  Router <upstairs> & \"co\" ");
        if (!PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs))
            return;
        PumpUntil([&] { return CellText(list, 0, 1) != "Router.home"; }, kDeadlineMs);
        seen.named = Names(list);
        if (const auto value = CSettingsKey::Read("B0-BE-76-00-00-01", kNames))
            seen.valueAfterNaming = value->bytes;
        seen.reports = WriteReports(list);

        // Cancel changes nothing.
        SelectRow(list, 1);
        if (!(dialog = OpenDialog(main)))
            return;
        EnterAndClick(dialog, "Not this", IDCANCEL);
        PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
        seen.cancelledName = CellText(list, 1, 1);

        // The first row again: the box holds its own name; emptied, the found names come back.
        SelectRow(list, 0);
        if (!(dialog = OpenDialog(main)))
            return;
        seen.second = ReadDialog(dialog);
        EnterAndClick(dialog, "   ");
        PumpUntil([&] { return !::IsWindow(dialog) && CellText(list, 0, 1) == "Router.home"; }, kDeadlineMs);
        seen.unnamed = Names(list);
        seen.valueAfterRemoving = CSettingsKey::Read("B0-BE-76-00-00-01", kNames).has_value();
    });
    EXPECT_EQ(seen.menuItems, (std::vector<std::string>{"Copy IP Address", "Name This Device..."}));
    EXPECT_EQ(seen.secondId, static_cast<UINT>(ID_NAME_DEVICE));
    // Prefilled with the name the list shows, all of it selected for typing over.
    EXPECT_EQ(seen.first.address, "10.0.0.9");
    EXPECT_EQ(seen.first.mac, "B0-BE-76-00-00-01");
    EXPECT_EQ(seen.first.name, "Gateway-2");
    EXPECT_TRUE(seen.first.boxFocused);
    const std::string own = "Router <upstairs> & \"co\"";
    EXPECT_EQ(seen.named, (std::vector<std::string>{own, "Desktop-pc", own, ""}));
    EXPECT_EQ(seen.valueAfterNaming, own + '\0');
    // Escaped as every name is, twice (both rows of the router).
    for (const std::string* report : {&seen.reports.html, &seen.reports.xml}) {
        EXPECT_EQ(report->find("<upstairs>"), std::string::npos);
        const size_t first = report->find("Router &lt;upstairs&gt; &amp; ");
        ASSERT_NE(first, std::string::npos) << *report;
        EXPECT_NE(report->find("Router &lt;upstairs&gt; &amp; ", first + 1), std::string::npos);
    }
    EXPECT_EQ(seen.cancelledName, "Desktop-pc");
    EXPECT_EQ(seen.second.address, "10.0.0.1");
    EXPECT_EQ(seen.second.name, own);
    EXPECT_EQ(seen.unnamed, (std::vector<std::string>{"Router.home", "Desktop-pc", "Gateway-2", ""}));
    EXPECT_FALSE(seen.valueAfterRemoving);
    EXPECT_EQ(window.TakeScanAttempts(), 0);
}

TEST_F(DeviceNames, TheDialogRefusesControlCharactersAndOverlongNamesAndStaysOpen)
{
    struct Case {
        const char* what;
        std::string name;
        const char* message;
    };
    const char kControl[] = "A device name cannot contain control characters such as tabs or line breaks.";
    const char kLong[] = "A device name can have at most 63 characters.";
    const Case cases[] = {
        {"a tab", "Den\tTV", kControl},
        {"an escape sequence", "\x1b[31mRed", kControl},
        {"a bell inside spaces", "  ding\x07  ", kControl},
        {"DEL", "Den\x7FTV", kControl},
        {"64 characters", std::string(64, 'x'), kLong},
    };
    struct Seen {
        std::string message;
        bool stillOpen = false;
        std::string boxAfter;
    };
    std::vector<Seen> seen;
    std::string noMacMessage;
    bool noMacDialog = true;
    std::vector<std::string> namesAfter;
    ParkPointer();
    CTestMainWindow window;
    DriveWindow(window, [&](HWND main) {
        const HWND list = ResultsList(main);
        AppendRow(list, "10.0.0.7", "Desktop-pc", "00-1B-21-00-00-0A");
        AppendRow(list, "10.0.0.8", "No-mac", "");
        SelectRow(list, 0);
        HWND dialog = OpenDialog(main);
        if (!dialog)
            return;
        for (const Case& c : cases) {
            Seen one;
            EnterAndClick(dialog, c.name);
            one.message = AnswerBoxOf(dialog);
            one.stillOpen = ::IsWindowVisible(dialog) != FALSE;
            char text[256] = "";
            ::GetDlgItemTextA(dialog, IDC_DEVICE_NAME, text, sizeof(text));
            one.boxAfter = text;
            seen.push_back(one);
        }
        EnterAndClick(dialog, "", IDCANCEL);
        PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);

        // A row without a MAC address has nothing to keep a name by.
        SelectRow(list, 1);
        ::PostMessageA(main, WM_COMMAND, ID_NAME_DEVICE, 0);
        noMacMessage = AnswerBoxOf(main);
        noMacDialog = WaitForOwned(main, kDialogCaption, 300) != nullptr;  // absence: a short look
        namesAfter = Names(list);
    });
    ASSERT_EQ(seen.size(), std::size(cases));
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(seen[i].message, cases[i].message);
        EXPECT_TRUE(seen[i].stillOpen);
        EXPECT_EQ(seen[i].boxAfter, cases[i].name);  // left as typed, to be corrected
    }
    EXPECT_EQ(noMacMessage, "This row has no MAC address, so it cannot be given a name of its own.");
    EXPECT_FALSE(noMacDialog);
    EXPECT_EQ(namesAfter, (std::vector<std::string>{"Desktop-pc", "No-mac"}));
    EXPECT_TRUE(CSettingsKey::ReadAll(kNames).empty());
}

// The registry keeps no lasting key below a volatile one, so the name's key cannot be made.
TEST_F(DeviceNames, AWriteThatFailsSaysSoAndChangesNoRow)
{
    HKEY settings = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &settings, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(settings);
    std::string message;
    std::vector<std::string> names;
    ParkPointer();
    CTestMainWindow window;
    DriveWindow(window, [&](HWND main) {
        const HWND list = ResultsList(main);
        AppendRow(list, "10.0.0.7", "Desktop-pc", "00-1B-21-00-00-0A");
        SelectRow(list, 0);
        HWND dialog = OpenDialog(main);
        if (!dialog)
            return;
        EnterAndClick(dialog, "Office");
        message = AnswerBoxOf(main);
        names = Names(list);
    });
    EXPECT_EQ(message.rfind("The name could not be saved: ", 0), 0u) << message;
    EXPECT_GT(message.size(), std::strlen("The name could not be saved: "));
    EXPECT_EQ(names, std::vector<std::string>{"Desktop-pc"});
    EXPECT_TRUE(CSettingsKey::ReadAll(kNames).empty());
}

// On the made-up network: a name given while the run still looks names up holds against the
// name found later, and the next run shows it from its first moment.
TEST_F(DeviceNames, ANameGivenDuringARunHoldsThereAndInTheNextRun)
{
    const char kDesktop[] = "10.20.30.7";
    struct Seen {
        std::string whileRed, afterLookup, nextRunRed, nextRunDone, afterRemoving, router;
    } seen;
    CFakeScanNetwork network;
    ParkPointer();
    CTestMainWindow window(LanDiscovery());
    window.SetScanPlatforms(network.PlatformsForEachRun());
    DriveWindow(window, [&](HWND main) {
        const HWND list = ResultsList(main);
        const auto runUntilRed = [&] {
            ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_START_SCAN, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_START_SCAN)));
            // Its row is red with the interim text while its name is held back.
            return PumpUntil(
                [&] {
                    const int row = FindRow(list, kDesktop);
                    return row >= 0 && CellText(list, row, 3) == "Found! Getting Host Name Now....";
                },
                kDeadlineMs);
        };
        const auto endRun = [&] {
            network.ReleaseLookups();
            AnswerBoxOf(main);  // the summary
            char caption[32] = "";
            return PumpUntil(
                [&] {
                    ::GetDlgItemTextA(main, IDC_START_SCAN, caption, sizeof(caption));
                    return std::strcmp(caption, "Start Scan") == 0;
                },
                kDeadlineMs);
        };
        if (!runUntilRed())
            return;
        SelectRow(list, FindRow(list, kDesktop));
        HWND dialog = OpenDialog(main);
        if (!dialog)
            return;
        EnterAndClick(dialog, "Office desk");
        PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
        seen.whileRed = CellText(list, FindRow(list, kDesktop), 1);
        if (!endRun())
            return;
        seen.afterLookup = CellText(list, FindRow(list, kDesktop), 1);
        seen.router = CellText(list, FindRow(list, "10.20.30.1"), 1);
        // The look-ups of the next run are held again until released.
        network.HoldLookups();
        if (!runUntilRed())
            return;
        seen.nextRunRed = CellText(list, FindRow(list, kDesktop), 1);
        if (!endRun())
            return;
        seen.nextRunDone = CellText(list, FindRow(list, kDesktop), 1);
        SelectRow(list, FindRow(list, kDesktop));
        if (!(dialog = OpenDialog(main)))
            return;
        EnterAndClick(dialog, "");
        PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
        seen.afterRemoving = CellText(list, FindRow(list, kDesktop), 1);
    });
    network.ReleaseLookups();
    EXPECT_TRUE(network.JoinAll(kDeadlineMs)) << "the run's threads did not end";
    EXPECT_EQ(seen.whileRed, "Office desk");
    EXPECT_EQ(seen.afterLookup, "Office desk");
    EXPECT_EQ(seen.router, "Router.home");
    EXPECT_EQ(seen.nextRunRed, "Office desk");
    EXPECT_EQ(seen.nextRunDone, "Office desk");
    EXPECT_EQ(seen.afterRemoving, "Desktop-pc");
}

}  // namespace
