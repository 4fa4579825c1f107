// The real program, black-box, inside the virtual LAN: another process starts vantrel.exe,
// presses its buttons, reads the summary box and every row of the list, and compares them
// with the LAN's own figures (LAN_* variables from tools/virtual-lan.sh). The program
// scans whatever network it finds itself on, so nothing starts outside the LAN.
#include "CsvRecords.h"
#include "Environment.h"
#include "LanMakers.h"
#include "LanNames.h"
#include "ReportFixtures.h"
#include "SettingsKey.h"
#include "VantrelDriver.h"
#include "WinePath.h"

#include "res/resource.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kExitTimeoutMs = 15000;
const char kOwnDescription[] = "This is your current system";
const char kRouterDescription[] = "This is your Router";
const char kNoSystem[] = "Scanning is finished. No system is currently connected to your Network";

uint32_t AddressValue(const std::string& text)
{
    IN_ADDR parsed{};
    if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        return 0;
    return ntohl(parsed.S_un.S_addr);
}

// The summary for each count of hosts the default LAN can give, written out.
const char* const kSummaries[] = {
    kNoSystem,
    "Scanning is finished. Currently 1 system are connected to your network.",
    "Scanning is finished. Currently 2 systems are connected to your network.",
    "Scanning is finished. Currently 3 systems are connected to your network.",
    "Scanning is finished. Currently 4 systems are connected to your network.",
    "Scanning is finished. Currently 5 systems are connected to your network.",
    "Scanning is finished. Currently 6 systems are connected to your network.",
    "Scanning is finished. Currently 7 systems are connected to your network.",
    "Scanning is finished. Currently 8 systems are connected to your network.",
    "Scanning is finished. Currently 9 systems are connected to your network.",
    "Scanning is finished. Currently 10 systems are connected to your network.",
    "Scanning is finished. Currently 11 systems are connected to your network.",
};

std::string Summary(size_t count)
{
    return count < std::size(kSummaries) ? kSummaries[count] : "<no summary typed for " + std::to_string(count) + ">";
}

// Whether one of this machine's adapters has the address: the LAN's scanner namespace.
bool HaveAdapterAddress(const std::string& address)
{
    ULONG size = 0;
    if (::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW)
        return false;
    std::vector<BYTE> buffer(size);
    auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    if (::GetAdaptersInfo(adapters, &size) != NO_ERROR)
        return false;
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter; adapter = adapter->Next)
        for (const IP_ADDR_STRING* ip = &adapter->IpAddressList; ip; ip = ip->Next)
            if (address == ip->IpAddress.String)
                return true;
    return false;
}

class ScanEndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Env("LAN_SCANNER_ADDR").empty()) << "run inside the virtual LAN (tools/virtual-lan.sh exec)";
        ASSERT_TRUE(HaveAdapterAddress(Env("LAN_SCANNER_ADDR"))) << "not in the virtual LAN's scanner namespace";
        const std::string exe = WindowsPathOf(Env("VANTREL_EXE"));
        ASSERT_FALSE(exe.empty()) << "VANTREL_EXE names the program under test";
        std::string error;
        ASSERT_TRUE(m_Program.Launch(exe, error)) << error;
        ReadLanHosts();
    }

    void TearDown() override
    {
        // Every test leaves the program running; it must end cleanly when closed.
        if (!m_Program.MainWindow() || m_Closed)
            return;
        if (HWND box = m_Program.FindSummaryBox())
            CVantrelProcess::PressOk(box);
        m_Program.Close();
        DWORD exitCode = 1;
        EXPECT_TRUE(m_Program.WaitForExit(kExitTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
    }

    // The hosts the LAN has, by address, as the program must list them.
    void ReadLanHosts()
    {
        char hostName[500] = "";
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        ::gethostname(hostName, sizeof(hostName));
        ::WSACleanup();
        if (hostName[0] >= 'a' && hostName[0] <= 'z')
            hostName[0] = static_cast<char>(hostName[0] - 'a' + 'A');
        m_Lan[Env("LAN_SCANNER_ADDR")] = {Env("LAN_SCANNER_ADDR"), hostName, Env("LAN_SCANNER_MAC"), kOwnDescription};
        const int count = LanHostCount();
        for (int host = 1; host <= count; ++host) {
            const std::string prefix = "LAN_HOST_" + std::to_string(host) + "_";
            // A scan asks the hosts' UPnP devices too.
            const std::string name = ExpectedLanHostName(host, true);
            const std::string address = Env(prefix + "ADDR");
            const std::string mac = Env(prefix + "MAC");
            const std::string device = ExpectedUpnpDescription(host);
            m_Lan[address] = {address, name, mac,
                              address == Env("LAN_GATEWAY") ? kRouterDescription
                              : device.empty()              ? ExpectedLanHostDescription(mac)
                                                            : device};
        }
    }

    std::vector<ListedHost> LanHostsWithin(uint32_t start, uint32_t end) const
    {
        std::vector<ListedHost> hosts;
        for (const auto& entry : m_Lan) {
            const uint32_t value = AddressValue(entry.first);
            if (value >= start && value <= end)
                hosts.push_back(entry.second);
        }
        std::sort(hosts.begin(), hosts.end(), [](const ListedHost& a, const ListedHost& b) {
            return AddressValue(a.address) < AddressValue(b.address);
        });
        return hosts;
    }

    uint32_t LanAddress(int number) const { return AddressValue(Env("LAN_SUBNET") + "." + std::to_string(number)); }

    // Starts a run with `start`, waits for its summary, reads it and presses OK.
    template <typename Start>
    std::string RunToSummary(Start start)
    {
        start();
        HWND box = m_Program.WaitForSummaryBox();
        if (!box)
            return "<no summary box>";
        const std::string text = CVantrelProcess::MessageBoxText(box);
        CVantrelProcess::PressOk(box);
        EXPECT_TRUE(m_Program.WaitForIdle()) << "the window did not come back after the summary";
        return text;
    }

    static void ExpectRows(const std::vector<ListedHost>& rows, const std::vector<ListedHost>& expected)
    {
        ASSERT_EQ(rows.size(), expected.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(expected[i].address);
            EXPECT_EQ(rows[i].address, expected[i].address);  // sorted by address
            EXPECT_EQ(rows[i].name, expected[i].name);
            EXPECT_EQ(rows[i].mac, expected[i].mac);
            EXPECT_EQ(rows[i].description, expected[i].description);
        }
    }

    CVantrelProcess m_Program;
    std::map<std::string, ListedHost> m_Lan;
    bool m_Closed = false;
};

TEST_F(ScanEndToEnd, FindsEveryHostOfTheLanWithItsMacAndNameAndSortsThem)
{
    m_Program.ChooseAutomatic();
    const std::string summary = RunToSummary([&] { m_Program.ClickStartStop(); });
    EXPECT_EQ(summary, Summary(m_Lan.size()));
    ExpectRows(m_Program.ReadRows(), LanHostsWithin(0, 0xFFFFFFFF));
    EXPECT_TRUE(m_Program.IsEnabled(IDC_EXPORT));
    EXPECT_TRUE(m_Program.IsEnabled(IDC_AUTOMATIC));
    EXPECT_TRUE(m_Program.IsEnabled(IDC_MANUAL));
    EXPECT_FALSE(m_Program.IsEnabled(IDC_START_ADDRESS));  // Automatic mode keeps the range closed
    EXPECT_EQ(m_Program.ColumnWidth(3), m_Lan.size() >= 10 ? 163 : 180);
}

// The CSV report carries the rows as listed, makers and all.
TEST_F(ScanEndToEnd, TheCsvReportHoldsEveryHostWithItsDescription)
{
    m_Program.ChooseAutomatic();
    RunToSummary([&] { m_Program.ClickStartStop(); });
    const std::string folder = MakeTestFolder("vantrel-e2e-report");
    std::string error;
    ASSERT_TRUE(m_Program.ExportCsv(folder + "lan", error)) << error;

    std::vector<CsvRecord> records;
    ASSERT_TRUE(ReadCsvRecords(ReadFileBytes(folder + "lan.csv"), records));
    const std::vector<ListedHost> expected = LanHostsWithin(0, 0xFFFFFFFF);
    ASSERT_EQ(records.size(), expected.size() + 1);
    EXPECT_EQ(records[0], (CsvRecord{"Host IP Address", "Host Name", "Host MAC Address", "Description"}));
    for (size_t i = 0; i < expected.size(); ++i) {
        const ListedHost& host = expected[i];
        EXPECT_EQ(records[i + 1], (CsvRecord{host.address, host.name, host.mac, host.description}));
    }
}

TEST_F(ScanEndToEnd, EnterStartsAScan)
{
    m_Program.ChooseManual(LanAddress(1), LanAddress(1));
    EXPECT_EQ(RunToSummary([&] { m_Program.PressEnter(); }), Summary(1));
    ExpectRows(m_Program.ReadRows(), LanHostsWithin(LanAddress(1), LanAddress(1)));
}

// 64 probes are one wait group, 65 are two: every probe is waited for before rows are counted.
TEST_F(ScanEndToEnd, ManualRangesOfOneAndTwoWaitGroups)
{
    for (int last : {64, 65}) {
        SCOPED_TRACE(last);
        m_Program.ChooseManual(LanAddress(1), LanAddress(last));
        const std::vector<ListedHost> expected = LanHostsWithin(LanAddress(1), LanAddress(last));
        EXPECT_EQ(RunToSummary([&] { m_Program.ClickStartStop(); }), Summary(expected.size()));
        ExpectRows(m_Program.ReadRows(), expected);
    }
}

TEST_F(ScanEndToEnd, BroadcastOnlyRangeProbesNothingAndLeavesExportDisabled)
{
    // A run with rows first, so that Export was enabled before.
    const std::string lanHost = Env("LAN_HOST_2_ADDR");
    m_Program.ChooseManual(AddressValue(lanHost), AddressValue(lanHost));
    EXPECT_EQ(RunToSummary([&] { m_Program.ClickStartStop(); }), Summary(1));
    ASSERT_TRUE(m_Program.IsEnabled(IDC_EXPORT));
    m_Program.ChooseManual(LanAddress(255), LanAddress(255));
    EXPECT_EQ(RunToSummary([&] { m_Program.ClickStartStop(); }), kNoSystem);
    EXPECT_TRUE(m_Program.ReadRows().empty());
    EXPECT_FALSE(m_Program.IsEnabled(IDC_EXPORT));
    EXPECT_TRUE(m_Program.IsEnabled(IDC_START_ADDRESS));  // Manual mode opens the range again
}

TEST_F(ScanEndToEnd, StopRightAfterStartEndsWithTheHostsFoundSoFar)
{
    m_Program.ChooseAutomatic();
    m_Program.ClickStartStop();
    ASSERT_TRUE(m_Program.WaitForCaption("Stop Scan"));
    m_Program.ClickStartStop();
    HWND box = m_Program.WaitForSummaryBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(m_Program.ButtonCaption(), "Stopping...");
    EXPECT_FALSE(m_Program.IsEnabled(IDC_START_SCAN));
    const std::string summary = CVantrelProcess::MessageBoxText(box);
    CVantrelProcess::PressOk(box);
    ASSERT_TRUE(m_Program.WaitForIdle());

    const std::vector<ListedHost> rows = m_Program.ReadRows();
    EXPECT_EQ(summary, Summary(rows.size()));
    EXPECT_EQ(m_Program.IsEnabled(IDC_EXPORT), !rows.empty());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].address);
        ASSERT_EQ(m_Lan.count(rows[i].address), 1u);
        EXPECT_EQ(rows[i].mac, m_Lan[rows[i].address].mac);
        if (i > 0) {
            EXPECT_LT(AddressValue(rows[i - 1].address), AddressValue(rows[i].address));
        }
    }
}

// Two presses before the worker has captioned the button: one run, one summary.
TEST_F(ScanEndToEnd, ASecondStartBeforeTheCaptionChangesBeginsNoSecondRun)
{
    m_Program.ChooseAutomatic();
    m_Program.ClickStartStop();
    m_Program.ClickStartStop();
    HWND box = m_Program.WaitForSummaryBox();
    ASSERT_NE(box, nullptr);
    const DWORD runStarted = ::GetTickCount();
    CVantrelProcess::PressOk(box);
    ASSERT_TRUE(m_Program.WaitForIdle());
    // A second run would show its own summary within a run's time; wait twice that long.
    const DWORD runTime = std::max<DWORD>(::GetTickCount() - runStarted, 3000);
    EXPECT_FALSE(PumpUntil([&] { return m_Program.FindSummaryBox() != nullptr; }, 2 * runTime));
    ExpectRows(m_Program.ReadRows(), LanHostsWithin(0, 0xFFFFFFFF));
}

// A user who clicks Start again as soon as the summary is gone: the click lands on the button
// as it is shown, so once the button is enabled and reads "Start Scan" again a press must
// start a run. Pressed at the first moment it does (polled every millisecond).
TEST_F(ScanEndToEnd, AStartAtTheFirstMomentTheButtonOffersItStartsTheNextRun)
{
    const auto startable = [&] {
        return m_Program.IsEnabled(IDC_START_SCAN) && m_Program.ButtonCaption() == "Start Scan";
    };
    m_Program.ChooseAutomatic();
    m_Program.ClickStartStop();
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        HWND box = m_Program.WaitForSummaryBox();
        ASSERT_NE(box, nullptr) << "no run began after the press";
        CVantrelProcess::PressOk(box);
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(box); }, CVantrelProcess::kDefaultTimeoutMs));
        const DWORD boxGone = ::GetTickCount();
        ASSERT_TRUE(PumpUntil([&] { return m_Program.ButtonCaption() == "Start Scan"; },
                              CVantrelProcess::kDefaultTimeoutMs));
        const DWORD captioned = ::GetTickCount();
        ASSERT_TRUE(PumpUntil(startable, CVantrelProcess::kDefaultTimeoutMs));
        std::printf("run %d: \"Start Scan\" %lu ms after the summary went, enabled %lu ms later\n", run,
                    static_cast<unsigned long>(captioned - boxGone),
                    static_cast<unsigned long>(::GetTickCount() - captioned));
        if (run == 3)
            break;
        m_Program.ClickStartStop();
        // The next run shows itself by its caption, or already by its summary.
        ASSERT_TRUE(PumpUntil([&] { return m_Program.ButtonCaption() == "Stop Scan" || m_Program.FindSummaryBox(); },
                              10000))
            << "the Start was lost";
    }
    ASSERT_TRUE(m_Program.WaitForIdle());
    ExpectRows(m_Program.ReadRows(), LanHostsWithin(0, 0xFFFFFFFF));
}

// Closed in the middle of a run, rows being written, or while the summary is up: the
// process ends at once and cleanly.
enum class ClosePhase { RowsComing, SummaryUp };
class ScanEndToEndClose : public ScanEndToEnd, public testing::WithParamInterface<ClosePhase> {};

TEST_P(ScanEndToEndClose, TheProcessEndsCleanly)
{
    m_Program.ChooseAutomatic();
    m_Program.ClickStartStop();
    if (GetParam() == ClosePhase::RowsComing) {
        ASSERT_TRUE(m_Program.WaitForCaption("Stop Scan"));
        ASSERT_TRUE(PumpUntil([&] { return m_Program.RowCount() > 0; }, CVantrelProcess::kDefaultTimeoutMs))
            << "no row came";
        ASSERT_EQ(m_Program.FindSummaryBox(), nullptr) << "the run ended before the close";
        m_Program.Close();
    } else {
        ASSERT_NE(m_Program.WaitForSummaryBox(), nullptr);
        // The summary disables the window, so its close box does nothing now; what still ends
        // it is a close request from outside (the session ending, a task manager).
        m_Program.RequestClose();
    }
    DWORD exitCode = 1;
    ASSERT_TRUE(m_Program.WaitForExit(kExitTimeoutMs, exitCode)) << "the program hangs after its window closed";
    EXPECT_EQ(exitCode, 0u);
    m_Closed = true;
}

INSTANTIATE_TEST_SUITE_P(Phases, ScanEndToEndClose, testing::Values(ClosePhase::RowsComing, ClosePhase::SummaryUp),
                         [](const testing::TestParamInfo<ClosePhase>& info) {
                             return info.param == ClosePhase::RowsComing ? std::string("RowsComing")
                                                                         : std::string("SummaryUp");
                         });

// A laptop that scanned another network in Automatic mode and was then brought here: the
// stored range is of that network.
class ScanEndToEndAfterMoving : public ScanEndToEnd {
protected:
    void SetUp() override
    {
        m_Stored.SetDword("Automatic", 1);
        m_Stored.SetText("StartHostAddress", "192.0.2.1", false);
        m_Stored.SetText("EndHostAddress", "192.0.2.254", false);
        ScanEndToEnd::SetUp();
    }

    CSettingsKey m_Stored;
};

TEST_F(ScanEndToEndAfterMoving, AutomaticModeShowsAndScansTheLanNotTheStoredRange)
{
    EXPECT_TRUE(m_Program.IsChecked(IDC_AUTOMATIC));
    EXPECT_FALSE(m_Program.IsChecked(IDC_MANUAL));
    EXPECT_FALSE(m_Program.IsEnabled(IDC_START_ADDRESS));
    // Nothing is scanned unless the range is the LAN's.
    ASSERT_EQ(m_Program.AddressText(IDC_START_ADDRESS), Env("LAN_FIRST_HOST"));
    ASSERT_EQ(m_Program.AddressText(IDC_END_ADDRESS), Env("LAN_LAST_HOST"));

    EXPECT_EQ(RunToSummary([&] { m_Program.ClickStartStop(); }), Summary(m_Lan.size()));
    ExpectRows(m_Program.ReadRows(), LanHostsWithin(0, 0xFFFFFFFF));
    // The scan stores the range it covered, as every scan does.
    const auto start = CSettingsKey::Read("StartHostAddress");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->bytes, Env("LAN_FIRST_HOST") + '\0');
}

// Moves a host of the LAN to another address for as long as it lives (tools/virtual-lan.sh
// move, started from here as a Unix program: Wine runs it without a handle to wait on, so the
// move is known done once the LAN's state says so).
class CLanHostMove {
public:
    CLanHostMove(int host, int from, int to) : m_Host(host), m_From(from) { m_Moved = Move(to); }
    ~CLanHostMove()
    {
        if (m_Moved) {
            EXPECT_TRUE(Move(m_From)) << "host " << m_Host << " did not move back";
        }
    }
    CLanHostMove(const CLanHostMove&) = delete;
    CLanHostMove& operator=(const CLanHostMove&) = delete;
    bool Moved() const { return m_Moved; }

private:
    bool Move(int number) const
    {
        const std::string address = Env("LAN_SUBNET") + "." + std::to_string(number);
        const std::string line = "LAN_HOST_" + std::to_string(m_Host) + "_ADDR=" + address + "\n";
        std::string command = "\"" + WindowsPathOf(Env("LAN_TOOL")) + "\" move " + std::to_string(m_Host) + " "
            + std::to_string(number);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process))
            return false;
        if (process.hThread)
            ::CloseHandle(process.hThread);
        if (process.hProcess)
            ::CloseHandle(process.hProcess);
        const std::string state = WindowsPathOf(Env("LAN_STATE_DIR") + "/lan.env");
        return PumpUntil([&] { return ReadFileBytes(state).find(line) != std::string::npos; }, 30000);
    }

    int m_Host;
    int m_From;
    bool m_Moved = false;
};

// A device named through the list's menu is known by its MAC: after it got another address
// (as DHCP gives), the next scan shows the name at the new address, in the list and the CSV
// report; removing the name brings back the one found on the network at once.
class DeviceNamesEndToEnd : public ScanEndToEnd {
protected:
    // A named host (not the gateway) that answers no name query itself: its DNS name follows
    // it when it moves.
    static int MovableHost()
    {
        const int count = LanHostCount();
        for (int host = 2; host <= count; ++host) {
            const std::string prefix = "LAN_HOST_" + std::to_string(host) + "_";
            if (!Env(prefix + "NAME").empty() && Env(prefix + "NETBIOS").empty() && Env(prefix + "MDNS").empty()
                && Env(prefix + "UPNP").empty())
                return host;
        }
        return 0;
    }

    int FreeNumber() const
    {
        for (int number = 200; number < 255; ++number)
            if (m_Lan.count(Env("LAN_SUBNET") + "." + std::to_string(number)) == 0)
                return number;
        return 0;
    }

    CSettingsKey m_Stored;  // no names before the program starts, none left after
};

TEST_F(DeviceNamesEndToEnd, ANamedDeviceKeepsItsNameAtItsNewAddressUntilTheNameIsRemoved)
{
    const int host = MovableHost();
    ASSERT_GT(host, 0) << "the LAN has no named host without responders";
    const std::string oldAddress = LanHostField(host, "ADDR");
    const std::string mac = LanHostField(host, "MAC");
    const std::string found = ExpectedLanHostName(host);
    const int oldNumber = std::atoi(oldAddress.substr(oldAddress.rfind('.') + 1).c_str());
    const int newNumber = FreeNumber();
    ASSERT_GT(newNumber, 0);
    const std::string newAddress = Env("LAN_SUBNET") + "." + std::to_string(newNumber);
    const std::string own = "Anna's <laptop> & \"work\"";

    m_Program.ChooseAutomatic();
    RunToSummary([&] { m_Program.ClickStartStop(); });
    CVantrelProcess::NameDialogSeen seen;
    std::string error;
    ASSERT_TRUE(m_Program.NameDevice(oldAddress, "  " + own + " ", seen, error)) << error;
    EXPECT_EQ(seen.address, oldAddress);
    EXPECT_EQ(seen.mac, mac);
    EXPECT_EQ(seen.name, found);
    ListedHost named = m_Lan[oldAddress];
    named.name = own;
    m_Lan[oldAddress] = named;
    ExpectRows(m_Program.ReadRows(), LanHostsWithin(0, 0xFFFFFFFF));

    const CLanHostMove move(host, oldNumber, newNumber);
    ASSERT_TRUE(move.Moved()) << "the LAN did not move host " << host;
    m_Lan.erase(oldAddress);
    named.address = newAddress;
    m_Lan[newAddress] = named;
    EXPECT_EQ(RunToSummary([&] { m_Program.ClickStartStop(); }), Summary(m_Lan.size()));
    const std::vector<ListedHost> expected = LanHostsWithin(0, 0xFFFFFFFF);
    ExpectRows(m_Program.ReadRows(), expected);

    const std::string folder = MakeTestFolder("vantrel-e2e-names");
    ASSERT_TRUE(m_Program.ExportCsv(folder + "lan", error)) << error;
    std::vector<CsvRecord> records;
    ASSERT_TRUE(ReadCsvRecords(ReadFileBytes(folder + "lan.csv"), records));
    ASSERT_EQ(records.size(), expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i) {
        const ListedHost& row = expected[i];
        EXPECT_EQ(records[i + 1], (CsvRecord{row.address, row.name, row.mac, row.description}));
    }

    // Removed: the box held the own name; the name the network gives at the new address is back.
    ASSERT_TRUE(m_Program.NameDevice(newAddress, "", seen, error)) << error;
    EXPECT_EQ(seen.name, own);
    m_Lan[newAddress].name = found;
    ExpectRows(m_Program.ReadRows(), LanHostsWithin(0, 0xFFFFFFFF));
    EXPECT_TRUE(CSettingsKey::ReadAll(CSettingsKey::kDeviceNames).empty());
}

}  // namespace
