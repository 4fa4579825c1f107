// The whole scan flow of the main window on a made-up network (CFakeScanNetwork): real probe
// threads and the real run, no socket and no traffic. A driver thread works the window as
// another program would while this thread runs it.
#include "ui/CorvaleDlg.h"

#include "FakeScanNetwork.h"
#include "JoinedThread.h"
#include "MainWindowSupport.h"
#include "SettingsKey.h"
#include "VantrelDriver.h"
#include "WindowTestSupport.h"
#include "res/resource.h"
#include "scan/HostProbe.h"
#include "scan/ScanRun.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDeadlineMs = CFakeScanNetwork::kDeadlineMs;

struct Row {
    std::string address, name, mac, description, textColor;
    bool operator==(const Row& other) const
    {
        return address == other.address && name == other.name && mac == other.mac
            && description == other.description && textColor == other.textColor;
    }
};
std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << row.address << " '" << row.name << "' " << row.mac << " '" << row.description << "' colour "
               << row.textColor;
}

std::string CellText(HWND list, int row, int column)
{
    char text[512] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<Row> ReadRows(HWND dialog)
{
    const HWND list = ::GetDlgItem(dialog, IDC_RESULTS_LIST);
    std::vector<Row> rows;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        rows.push_back({CellText(list, row, 0), CellText(list, row, 1), CellText(list, row, 2), CellText(list, row, 3),
                        CellText(list, row, 5)});
    return rows;
}

std::string Caption(HWND dialog)
{
    char text[64] = "";
    ::GetDlgItemTextA(dialog, IDC_START_SCAN, text, sizeof(text));
    return text;
}

bool IsEnabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

struct BoxSearch {
    HWND owner;
    HWND box;
};

BOOL CALLBACK MatchSummaryBox(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<BoxSearch*>(param);
    char name[16] = "";
    ::GetClassNameA(hwnd, name, sizeof(name));
    if (std::strcmp(name, "#32770") == 0 && ::GetWindow(hwnd, GW_OWNER) == search.owner && ::IsWindowVisible(hwnd))
        search.box = hwnd;
    return search.box == nullptr;
}

// The summary: a message box owned by the main window.
HWND FindSummaryBox(HWND dialog)
{
    BoxSearch search{dialog, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(dialog, nullptr), MatchSummaryBox,
                        reinterpret_cast<LPARAM>(&search));
    return search.box;
}

void ClickStart(HWND dialog)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_SCAN, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_START_SCAN)));
}

const char kFound[] = "Found! Getting Host Name Now....";
const char kRed[] = "255";
const char kBlack[] = "0";

// What the driver saw; checked on the test's thread once the driver has been joined.
struct Observed {
    bool stopShown = false;
    std::vector<Row> redRows;
    bool stoppingShown = false;
    std::string summary;
    bool idleAgain = false;
    std::vector<Row> finalRows;
    bool exportEnabled = false;
    int descriptionWidth = 0;
    bool closed = false;
};

class MainWindowScan : public testing::Test {
protected:
    // Runs the main window on the fake network; `drive` works it from another thread.
    void Run(const std::function<void(HWND dialog)>& drive)
    {
        CCorvaleDlg dialog(LanDiscovery());
        dialog.SetScanPlatforms(m_Network.PlatformsForEachRun());
        std::atomic<HWND> shown{nullptr};
        CJoinedThread driver([&] {
            if (!PumpUntil([&] { return shown.load() != nullptr; }, kDeadlineMs))
                return;
            drive(shown);
            // Whatever happened, the window goes.
            if (::IsWindow(shown))
                ::PostMessageA(shown, WM_CLOSE, 0, 0);
        });
        ASSERT_TRUE(driver.Started());
        WhenDialogShows("Vantrel", [&shown](HWND hwnd) { shown = hwnd; });
        dialog.DoModal();
        m_LookupsDoneAtEnd = m_Network.LookupsDone();
        driver.Join();
        m_Network.ReleaseLookups();
        EXPECT_TRUE(m_Network.JoinAll(kDeadlineMs)) << "the run's threads did not end";
    }

    // The look-ups hold every found host red until released.
    static bool WaitForRedRows(HWND dialog, const CFakeScanNetwork& network, size_t count)
    {
        return PumpUntil([&] { return network.LookupsWaiting() >= static_cast<int>(count) - 1 && ReadRows(dialog).size() == count; },
                         kDeadlineMs);
    }

    // Reads the summary, presses OK and waits for the window to be idle again; false
    // without a summary.
    bool EndRunAtItsSummary(HWND dialog)
    {
        HWND box = nullptr;
        if (!PumpUntil([&] { return (box = FindSummaryBox(dialog)) != nullptr; }, kDeadlineMs))
            return false;
        m_Seen.summary = CVantrelProcess::MessageBoxText(box);
        CVantrelProcess::PressOk(box);
        m_Seen.idleAgain = PumpUntil(
            [&] { return Caption(dialog) == "Start Scan" && IsEnabled(dialog, IDC_START_SCAN); }, kDeadlineMs);
        m_Seen.finalRows = ReadRows(dialog);
        return true;
    }

    CSettingsKey m_Settings;  // a first start: Automatic, the adapter's range
    CFakeScanNetwork m_Network;
    Observed m_Seen;
    int m_LookupsDoneAtEnd = -1;  // when the window had gone
};

const std::vector<Row> kSortedRows = {
    {"10.20.30.1", "Router.home", "02-5A-00-00-00-01", "This is your Router", kBlack},
    {"10.20.30.7", "Desktop-pc", "00-1A-2B-3C-4D-5E", "Ayecom Technology Co., Ltd.", kBlack},  // oui.csv: 001A2B
    {"10.20.30.40", "Myhost", "02-5A-00-00-00-28", "This is your current system", kBlack},
    {"10.20.30.200", "", "02-5A-00-00-00-C8", "Private MAC (randomised)", kBlack},
};

// Every found host but this computer (named without a look-up) as it is while its name is
// looked up.
void ExpectRedWhileLookedUp(const std::vector<Row>& rows)
{
    ASSERT_EQ(rows.size(), 4u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        if (row.address == "10.20.30.40") {
            EXPECT_EQ(row.description, "This is your current system");
            continue;
        }
        EXPECT_EQ(row.name, "");
        EXPECT_EQ(row.description, kFound);
        EXPECT_EQ(row.textColor, kRed);
        EXPECT_FALSE(row.mac.empty());
    }
}

TEST_F(MainWindowScan, HostsComeRedThenBlackAndTheEndedRunIsSummarisedSortedAndExportable)
{
    Run([&](HWND dialog) {
        EXPECT_FALSE(IsEnabled(dialog, IDC_EXPORT));
        ClickStart(dialog);
        m_Seen.stopShown = PumpUntil([&] { return Caption(dialog) == "Stop Scan"; }, kDeadlineMs);
        if (!WaitForRedRows(dialog, m_Network, 4))
            return;
        m_Seen.redRows = ReadRows(dialog);
        m_Network.ReleaseLookups();
        if (!EndRunAtItsSummary(dialog))
            return;
        m_Seen.exportEnabled = IsEnabled(dialog, IDC_EXPORT);
        m_Seen.descriptionWidth = static_cast<int>(
            ::SendDlgItemMessageA(dialog, IDC_RESULTS_LIST, LVM_GETCOLUMNWIDTH, 3, 0));
    });
    EXPECT_TRUE(m_Seen.stopShown);
    ExpectRedWhileLookedUp(m_Seen.redRows);
    EXPECT_EQ(m_Seen.summary, "Scanning is finished. Currently 4 systems are connected to your network.");
    EXPECT_TRUE(m_Seen.idleAgain);
    EXPECT_EQ(m_Seen.finalRows, kSortedRows);
    EXPECT_TRUE(m_Seen.exportEnabled);
    EXPECT_EQ(m_Seen.descriptionWidth, 180);
}

TEST_F(MainWindowScan, AStopWhileNamesAreLookedUpEndsTheRunWithTheHostsFound)
{
    Run([&](HWND dialog) {
        ClickStart(dialog);
        if (!PumpUntil([&] { return Caption(dialog) == "Stop Scan"; }, kDeadlineMs) ||
            !WaitForRedRows(dialog, m_Network, 4))
            return;
        ClickStart(dialog);
        m_Seen.stoppingShown = PumpUntil(
            [&] { return Caption(dialog) == "Stopping..." && !IsEnabled(dialog, IDC_START_SCAN); }, kDeadlineMs);
        m_Network.ReleaseLookups();
        if (!EndRunAtItsSummary(dialog))
            return;
    });
    EXPECT_TRUE(m_Seen.stoppingShown);
    EXPECT_EQ(m_Seen.summary, "Scanning is finished. Currently 4 systems are connected to your network.");
    EXPECT_TRUE(m_Seen.idleAgain);
    // The look-ups under way when Stop came still name their hosts.
    EXPECT_EQ(m_Seen.finalRows, kSortedRows);
}

// The window goes at once, whatever the run is doing; its threads end on their own later.
TEST_F(MainWindowScan, ClosingWhileNamesAreLookedUpEndsTheWindowAtOnce)
{
    Run([&](HWND dialog) {
        ClickStart(dialog);
        if (!WaitForRedRows(dialog, m_Network, 4))
            return;
        m_Seen.redRows = ReadRows(dialog);
        ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        m_Seen.closed = true;
        // The look-ups stay blocked until the window has gone (or kDeadlineMs).
        PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
    });
    ExpectRedWhileLookedUp(m_Seen.redRows);
    ASSERT_TRUE(m_Seen.closed);
    EXPECT_EQ(m_LookupsDoneAtEnd, 0) << "the window waited for the look-ups";
}

// The window's own dialogs that are up, by their captions.
struct OwnedSearch {
    HWND owner;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchOwnedDialog(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<OwnedSearch*>(param);
    char text[64] = "";
    ::GetWindowTextA(hwnd, text, sizeof(text));
    if (::GetWindow(hwnd, GW_OWNER) == search.owner && ::IsWindowVisible(hwnd) && std::strcmp(text, search.caption) == 0)
        search.found = hwnd;
    return search.found == nullptr;
}

HWND FindOwnedDialog(HWND dialog, const char* caption)
{
    OwnedSearch search{dialog, caption, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(dialog, nullptr), MatchOwnedDialog,
                        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A close while the summary is up ends the summary, and no other dialog of the window: an
// About box opened over the summary stays until it is closed itself.
TEST_F(MainWindowScan, ClosingWhileTheSummaryIsUpEndsTheSummaryAlone)
{
    bool aboutStayed = false;
    bool summaryEnded = false;
    Run([&](HWND dialog) {
        ClickStart(dialog);
        m_Network.ReleaseLookups();
        if (!PumpUntil([&] { return FindSummaryBox(dialog) != nullptr; }, kDeadlineMs))
            return;
        ::PostMessageA(dialog, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND about = nullptr;
        if (!PumpUntil([&] { return (about = FindOwnedDialog(dialog, "About Vantrel")) != nullptr; }, kDeadlineMs))
            return;
        ::PostMessageA(dialog, WM_CLOSE, 0, 0);
        summaryEnded = PumpUntil([&] { return FindOwnedDialog(dialog, "Vantrel") == nullptr; }, kDeadlineMs);
        // Absence: the close has been handled; the About box must not follow meanwhile.
        PumpMessages(200);
        aboutStayed = ::IsWindow(about) && ::IsWindowVisible(about);
        ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        m_Seen.closed = PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
    });
    EXPECT_TRUE(summaryEnded);
    EXPECT_TRUE(aboutStayed) << "the close ended the About box too";
    EXPECT_TRUE(m_Seen.closed) << "the window did not go once the About box was closed";
}

TEST_F(MainWindowScan, ClosingWhileTheSummaryIsUpEndsTheWindowAtOnce)
{
    Run([&](HWND dialog) {
        ClickStart(dialog);
        m_Network.ReleaseLookups();
        HWND box = nullptr;
        if (!PumpUntil([&] { return (box = FindSummaryBox(dialog)) != nullptr; }, kDeadlineMs))
            return;
        m_Seen.summary = CVantrelProcess::MessageBoxText(box);
        // The summary disables the window: a close request from outside.
        ::PostMessageA(dialog, WM_CLOSE, 0, 0);
        m_Seen.closed = true;
        PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
    });
    EXPECT_EQ(m_Seen.summary, "Scanning is finished. Currently 4 systems are connected to your network.");
    EXPECT_TRUE(m_Seen.closed);
}

}  // namespace
