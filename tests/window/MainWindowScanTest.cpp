// The whole scan flow of the main window on a made-up network: real probe threads and the
// real run, but ARP answers and names come from the test, with no socket and no traffic. A
// driver thread works the window as another program would while this thread runs it.
#include "ui/CorvaleDlg.h"

#include "JoinedThread.h"
#include "MainWindowSupport.h"
#include "SettingsKey.h"
#include "VantrelDriver.h"
#include "WindowTestSupport.h"
#include "res/resource.h"
#include "scan/HostProbe.h"
#include "scan/ScanRun.h"
#include "winlib/Thread.h"

#include <commctrl.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDeadlineMs = 20000;
// A close must not wait for the look-ups, which stay blocked for kDeadlineMs. Under Wine on
// Xvfb, destroying a top-level window alone takes about 2 s (the summary box and the main
// window: 4 s), so the bound lies between the two.
constexpr DWORD kCloseBoundMs = 8000;

struct FakeHost {
    std::vector<BYTE> mac;
    const char* name;  // null: no name
};

// The network of LanDiscovery (10.20.30.0/24, this computer .40, the router .1). Every name
// look-up waits until the test releases them; every thread of the run is kept to be joined.
class CFakeScanNetwork {
public:
    CFakeScanNetwork()
    {
        m_Hosts["10.20.30.1"] = {{0x02, 0x5A, 0, 0, 0, 0x01}, "router.home"};
        m_Hosts["10.20.30.7"] = {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "desktop-pc"};  // Ayecom
        m_Hosts["10.20.30.40"] = {{0x02, 0x5A, 0, 0, 0, 0x28}, "scanner"};
        m_Hosts["10.20.30.200"] = {{0x02, 0x5A, 0, 0, 0, 0xC8}, nullptr};
    }
    ~CFakeScanNetwork()
    {
        ReleaseLookups();
        JoinAll(kDeadlineMs);
    }

    ScanRunPlatform RunPlatform()
    {
        return ScanRunPlatform{
            [](const std::vector<IPAddr>&) {},
            [this](HostProbeTask* task) -> HANDLE {
                HANDLE thread = ::CreateThread(nullptr, 0, HostScanner, task, 0, nullptr);
                Keep(thread);
                // Called on the run's own thread: kept as well, to be joined.
                if (!m_RunThreadKept.exchange(true))
                    Keep(::GetCurrentThread());
                return thread;
            },
            SystemScanRunPlatform().WaitForAll,
        };
    }

    HostProbePlatform ProbePlatform()
    {
        return HostProbePlatform{
            [this](IPAddr dest, IPAddr, void* mac, ULONG* length) -> DWORD {
                const auto host = m_Hosts.find(Dotted(dest));
                if (host == m_Hosts.end())
                    return ERROR_BAD_NET_NAME;
                std::memcpy(mac, host->second.mac.data(), host->second.mac.size());
                *length = static_cast<ULONG>(host->second.mac.size());
                return NO_ERROR;
            },
            [this](const sockaddr* address, int, char* name, DWORD size, int) -> int {
                ++m_LookupsWaiting;
                ::WaitForSingleObject(m_Release.Get(), kDeadlineMs);
                const auto host = m_Hosts.find(Dotted(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.S_un.S_addr));
                if (host == m_Hosts.end() || !host->second.name)
                    return EAI_NONAME;
                ::lstrcpynA(name, host->second.name, static_cast<int>(size));
                return 0;
            },
        };
    }

    int LookupsWaiting() const { return m_LookupsWaiting; }
    void ReleaseLookups() { ::SetEvent(m_Release.Get()); }

    // True once the run's thread and every probe thread have ended.
    bool JoinAll(DWORD timeoutMs)
    {
        const DWORD start = ::GetTickCount();
        const CSingleLock lock(m_ThreadsLock);
        for (const CHandle& thread : m_Threads) {
            const DWORD spent = ::GetTickCount() - start;
            if (::WaitForSingleObject(thread.Get(), spent < timeoutMs ? timeoutMs - spent : 0) != WAIT_OBJECT_0)
                return false;
        }
        return true;
    }

private:
    static std::string Dotted(IPAddr address)
    {
        char text[16] = {};
        IN_ADDR in{};
        in.S_un.S_addr = address;
        ::inet_ntop(AF_INET, &in, text, sizeof(text));
        return text;
    }

    void Keep(HANDLE thread)
    {
        HANDLE copy = nullptr;
        if (!thread || !::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, SYNCHRONIZE,
                                          FALSE, 0))
            return;
        const CSingleLock lock(m_ThreadsLock);
        m_Threads.emplace_back(copy);
    }

    std::map<std::string, FakeHost> m_Hosts;
    CHandle m_Release{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> m_LookupsWaiting{0};
    std::atomic<bool> m_RunThreadKept{false};
    CCriticalSection m_ThreadsLock;
    std::vector<CHandle> m_Threads;
};

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
    DWORD closedAt = 0;
};

class MainWindowScan : public testing::Test {
protected:
    // Runs the main window on the fake network; `drive` works it from another thread.
    void Run(const std::function<void(HWND dialog)>& drive)
    {
        CCorvaleDlg dialog(LanDiscovery());
        dialog.SetScanPlatform(m_Network.RunPlatform(), m_Network.ProbePlatform());
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
        m_Ended = ::GetTickCount();
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
    DWORD m_Ended = 0;
};

const std::vector<Row> kSortedRows = {
    {"10.20.30.1", "Router.home", "02-5A-00-00-00-01", "This is your Router", kBlack},
    {"10.20.30.7", "Desktop-pc", "00-1A-2B-3C-4D-5E", "Ayecom Technology Co., Ltd.", kBlack},  // oui.csv: 001A2B
    {"10.20.30.40", "Myhost", "02-5A-00-00-00-28", "This is your current system", kBlack},
    {"10.20.30.200", "", "02-5A-00-00-00-C8", "Private MAC address (randomised)", kBlack},
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
        m_Seen.closedAt = ::GetTickCount();
        ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        // The look-ups stay blocked until the window has gone.
        PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
    });
    ExpectRedWhileLookedUp(m_Seen.redRows);
    ASSERT_NE(m_Seen.closedAt, 0u);
    EXPECT_LT(m_Ended - m_Seen.closedAt, kCloseBoundMs);
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
        m_Seen.closedAt = ::GetTickCount();
        // The summary disables the window: a close request from outside.
        ::PostMessageA(dialog, WM_CLOSE, 0, 0);
        PumpUntil([&] { return !::IsWindow(dialog); }, kDeadlineMs);
    });
    EXPECT_EQ(m_Seen.summary, "Scanning is finished. Currently 4 systems are connected to your network.");
    ASSERT_NE(m_Seen.closedAt, 0u);
    EXPECT_LT(m_Ended - m_Seen.closedAt, kCloseBoundMs);
}

}  // namespace
