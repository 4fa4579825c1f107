// The whole scan flow of the main window on a made-up network (CFakeScanNetwork): real probe
// threads and the real run, no socket and no traffic. A driver thread works the window as
// another program would while this thread runs it.
#include "ui/CorvaleDlg.h"

#include "AdapterTable.h"
#include "FakeScanNetwork.h"
#include "JoinedThread.h"
#include "MainWindowSupport.h"
#include "SettingsKey.h"
#include "VantrelDriver.h"
#include "WindowTestSupport.h"
#include "res/resource.h"
#include "scan/HostProbe.h"
#include "scan/ScanRun.h"
#include "TestMainWindow.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
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
        CTestMainWindow dialog(LanDiscovery());
        dialog.SetScanPlatforms(m_Network.PlatformsForEachRun());
        DriveWindow(dialog, drive);
        m_LookupsDoneAtEnd = m_Network.LookupsDone();
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
        if (!PumpUntil([&] { return (box = FindOwnedBox(dialog)) != nullptr; }, kDeadlineMs))
            return false;
        m_Seen.summary = CVantrelProcess::MessageBoxText(box);
        CVantrelProcess::PressOk(box);
        m_Seen.idleAgain = PumpUntil(
            [&] { return StartCaption(dialog) == "Start Scan" && IsControlEnabled(dialog, IDC_START_SCAN); }, kDeadlineMs);
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
        EXPECT_FALSE(IsControlEnabled(dialog, IDC_EXPORT));
        ClickStart(dialog);
        m_Seen.stopShown = PumpUntil([&] { return StartCaption(dialog) == "Stop Scan"; }, kDeadlineMs);
        if (!WaitForRedRows(dialog, m_Network, 4))
            return;
        m_Seen.redRows = ReadRows(dialog);
        m_Network.ReleaseLookups();
        if (!EndRunAtItsSummary(dialog))
            return;
        m_Seen.exportEnabled = IsControlEnabled(dialog, IDC_EXPORT);
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
        if (!PumpUntil([&] { return StartCaption(dialog) == "Stop Scan"; }, kDeadlineMs) ||
            !WaitForRedRows(dialog, m_Network, 4))
            return;
        ClickStart(dialog);
        m_Seen.stoppingShown = PumpUntil(
            [&] { return StartCaption(dialog) == "Stopping..." && !IsControlEnabled(dialog, IDC_START_SCAN); }, kDeadlineMs);
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
        if (!PumpUntil([&] { return FindOwnedBox(dialog) != nullptr; }, kDeadlineMs))
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

// Where the window's run is when the user acts, and what the user does there.
enum class Phase { Starting, Running, Stopping, Ending, Summary };
enum class Act { Close, PressStart };

struct PhaseCase {
    const char* what;
    Phase phase;
    Act act;
};
std::ostream& operator<<(std::ostream& out, const PhaseCase& c)
{
    return out << c.what;
}

// 32 hosts: their names take four slices, so the run can be caught ending with more than
// one slice still queued.
constexpr int kMoreHosts = 28;
const char kAllSystems[] = "Scanning is finished. Currently 32 systems are connected to your network.";

class MainWindowRunPhase : public MainWindowScan, public testing::WithParamInterface<PhaseCase> {
protected:
    MainWindowRunPhase() { m_Network.AddUnnamedHosts(kMoreHosts); }

    static void PostAct(HWND dialog, Act act)
    {
        if (act == Act::Close)
            ::PostMessageA(dialog, WM_CLOSE, 0, 0);
        else
            ClickStart(dialog);
    }

    // Brings the window into `phase` and acts there. Starting and Ending last only until the
    // window's next message: the act is posted from the window's own thread, ahead of it.
    bool ActIn(HWND dialog, Phase phase, Act act)
    {
        if (phase == Phase::Starting) {
            RunOnWindowThread(dialog, [&] {
                PostAct(dialog, act);
                ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_SCAN, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_START_SCAN)));
            });
            return true;
        }
        ClickStart(dialog);
        if (phase == Phase::Summary) {
            m_Network.ReleaseLookups();
            HWND box = nullptr;
            if (!PumpUntil([&] { return (box = FindOwnedBox(dialog)) != nullptr; }, kDeadlineMs))
                return false;
            m_Seen.summary = CVantrelProcess::MessageBoxText(box);
            PostAct(dialog, act);
            return true;
        }
        // Every look-up is held: the run stays where it is until they are released.
        if (!PumpUntil([&] { return StartCaption(dialog) == "Stop Scan"; }, kDeadlineMs) ||
            !WaitForRedRows(dialog, m_Network, 4 + kMoreHosts))
            return false;
        if (phase == Phase::Stopping) {
            ClickStart(dialog);
            if (!PumpUntil([&] { return StartCaption(dialog) == "Stopping..."; }, kDeadlineMs))
                return false;
        }
        if (phase != Phase::Ending) {
            PostAct(dialog, act);
            return true;
        }
        // The run's threads end while the window waits: their last results and the end are
        // queued for it, ahead of the act.
        bool ended = false;
        RunOnWindowThread(dialog, [&] {
            m_Network.ReleaseLookups();
            ended = m_Network.JoinAll(kDeadlineMs);
            PostAct(dialog, act);
        });
        return ended;
    }
};

TEST_P(MainWindowRunPhase, TheWindowAnswersTheActInEveryPhase)
{
    const PhaseCase c = GetParam();
    bool acted = false;
    bool runningUnstopped = false;  // after a press while Starting
    bool rowsDoneAtSummary = false;
    Run([&](HWND dialog) {
        acted = ActIn(dialog, c.phase, c.act);
        if (!acted)
            return;
        if (c.act == Act::Close) {
            m_Seen.closed = PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
            return;
        }
        if (c.phase == Phase::Starting) {
            // The press was nothing: the run goes on and still answers a Stop.
            runningUnstopped = WaitForRedRows(dialog, m_Network, 4 + kMoreHosts) && StartCaption(dialog) == "Stop Scan" &&
                               IsControlEnabled(dialog, IDC_START_SCAN);
        }
        m_Network.ReleaseLookups();
        HWND box = nullptr;
        if (!PumpUntil([&] { return (box = FindOwnedBox(dialog)) != nullptr; }, kDeadlineMs))
            return;
        // The summary comes after the last slice: every row is there and named.
        const std::vector<Row> rows = ReadRows(dialog);
        rowsDoneAtSummary = rows.size() == 4 + kMoreHosts &&
                            std::all_of(rows.begin(), rows.end(), [](const Row& row) { return row.textColor == kBlack; });
        EndRunAtItsSummary(dialog);
    });
    ASSERT_TRUE(acted) << "the window never reached the phase";
    EXPECT_EQ(m_Network.PlatformsMade(), 1) << "a second run started";
    if (c.act == Act::Close) {
        EXPECT_TRUE(m_Seen.closed) << "the window did not go at once";
        if (c.phase == Phase::Summary) {
            EXPECT_EQ(m_Seen.summary, kAllSystems);
        } else if (c.phase != Phase::Ending) {
            EXPECT_EQ(m_LookupsDoneAtEnd, 0) << "the window waited for the look-ups";
        }
        return;
    }
    if (c.phase == Phase::Starting) {
        EXPECT_TRUE(runningUnstopped) << "a press while starting stopped the run";
    }
    EXPECT_EQ(m_Seen.summary, kAllSystems);
    EXPECT_TRUE(rowsDoneAtSummary) << "the summary came before the last results";
    EXPECT_TRUE(m_Seen.idleAgain);
    EXPECT_EQ(m_Seen.finalRows.size(), 4u + kMoreHosts);
}

INSTANTIATE_TEST_SUITE_P(Phases, MainWindowRunPhase,
                         testing::Values(PhaseCase{"close while starting", Phase::Starting, Act::Close},
                                         PhaseCase{"Start while starting", Phase::Starting, Act::PressStart},
                                         PhaseCase{"close while names are looked up", Phase::Running, Act::Close},
                                         PhaseCase{"close while stopping", Phase::Stopping, Act::Close},
                                         PhaseCase{"Start while stopping", Phase::Stopping, Act::PressStart},
                                         PhaseCase{"close while ending, slices queued", Phase::Ending, Act::Close},
                                         PhaseCase{"Start while ending, slices queued", Phase::Ending, Act::PressStart},
                                         PhaseCase{"close while the summary is up", Phase::Summary, Act::Close}));

// A Start Scan the test did not wire to a made-up network reaches the window's recording
// platform, never the system's: the run asks it for its calls, sends nothing, finds no one.
TEST(MainWindowHarness, StartScanInADefaultTestWindowSendsNothingAndIsRecorded)
{
    CSettingsKey settings;
    CTestMainWindow dialog(LanDiscovery());
    std::string summary;
    DriveWindow(dialog, [&](HWND hwnd) {
        ClickStart(hwnd);
        summary = AnswerMessageBox(hwnd);
    });
    EXPECT_EQ(summary, "Scanning is finished. No system is currently connected to your Network");
    EXPECT_GT(dialog.TakeScanAttempts(), 0) << "the press did not reach the recording platform";
}

// What Start Scan does before a run: a manual range it cannot scan is refused with a box and
// neither scanned nor stored; an automatic subnet wider than a /24 is narrowed to the /24 of
// this computer (10.20.30.40 in 10.20.0.0/16) in the fields and in what is stored.
TEST(MainWindowStartScan, RefusesABadManualRangeAndNarrowsAWideSubnet)
{
    struct Case {
        const char* what;
        DWORD start, end;  // a manual range; 0: Automatic
        std::string box;   // the error box's text; empty: the run goes ahead
        std::string shownStart, shownEnd;
    };
    const Case cases[] = {
        {"a range over two blocks", 0x0A141E01, 0x0A141F05,
         "Invalid IP address range is specified. You can scan only 256 Hosts (*.*.*.0/24) at a time.\n\n"
         "Example of valid address range, 192.168.1.0-192.168.1.255    ",
         "10.20.30.1", "10.20.31.5"},
        {"an end before the start", 0x0A141E32, 0x0A141E0A, "'End Host Address' must be greater than 'Start Host Address'",
         "10.20.30.50", "10.20.30.10"},
        {"a blank start", 0, 0x0A141E0A, "Specify valid IP address range for scanning operation", "", "10.20.30.10"},
        {"a /16 in Automatic mode", 0, 0, "", "10.20.30.1", "10.20.30.254"},
    };
    static const DiscoveryPlatform wide =
        TablePlatform({{IF_TYPE_ETHERNET_CSMACD, "Ethernet adapter", "10.20.30.40", "255.255.0.0", "10.20.0.1"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool automatic = c.box.empty();
        CSettingsKey settings;
        CTestMainWindow dialog(wide);
        std::string box;
        std::string shownStart, shownEnd;
        DriveWindow(dialog, [&](HWND hwnd) {
            if (!automatic) {
                ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_MANUAL_LABEL, STN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDC_MANUAL_LABEL)));
                ::SendDlgItemMessageA(hwnd, IDC_START_ADDRESS, IPM_CLEARADDRESS, 0, 0);
                if (c.start)
                    SetAddress(hwnd, IDC_START_ADDRESS, c.start);
                SetAddress(hwnd, IDC_END_ADDRESS, c.end);
            }
            ClickStart(hwnd);
            box = AnswerMessageBox(hwnd);
            if (automatic)
                PumpUntil([&] { return StartCaption(hwnd) == "Start Scan" && IsControlEnabled(hwnd, IDC_START_SCAN); }, kDeadlineMs);
            shownStart = AddressOf(hwnd, IDC_START_ADDRESS);
            shownEnd = AddressOf(hwnd, IDC_END_ADDRESS);
        });
        EXPECT_EQ(shownStart, c.shownStart);
        EXPECT_EQ(shownEnd, c.shownEnd);
        const auto storedStart = CSettingsKey::Read("StartHostAddress");
        if (automatic) {
            EXPECT_EQ(box, "Scanning is finished. No system is currently connected to your Network");
            EXPECT_GT(dialog.TakeScanAttempts(), 0) << "no run";
            ASSERT_TRUE(storedStart);
            EXPECT_EQ(storedStart->bytes, std::string("10.20.30.1") + '\0');
            const auto storedEnd = CSettingsKey::Read("EndHostAddress");
            ASSERT_TRUE(storedEnd);
            EXPECT_EQ(storedEnd->bytes, std::string("10.20.30.254") + '\0');
        } else {
            EXPECT_EQ(box, c.box);
            EXPECT_EQ(dialog.TakeScanAttempts(), 0) << "a refused range was scanned";
            EXPECT_FALSE(CSettingsKey::Exists()) << "a refused range was stored";
        }
    }
}

}  // namespace
