// Probes run for real, under Wine, inside the virtual LAN: the rows must show the LAN's own
// hosts as tools/virtual-lan.sh built them (its figures come in LAN_* variables). Nothing
// is sent unless the program finds itself on the LAN's scanner adapter.
#include "scan/HostProbe.h"

#include "TestResultsList.h"
#include "scan/LocalNetwork.h"
#include "winlib/Thread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Lan(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

std::string LanHost(int host, const char* field)
{
    return Lan("LAN_HOST_" + std::to_string(host) + "_" + field);
}

std::string Capitalised(std::string name)
{
    CapitalizeFirstLetter(&name[0]);
    return name;
}

struct Row {
    std::string name;
    std::string mac;
    std::string description;
    std::string textColor;
};

class LanHostProbe : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WSADATA wsa;
        s_WinsockStarted = ::WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    }
    static void TearDownTestSuite()
    {
        if (s_WinsockStarted)
            ::WSACleanup();
    }

    void SetUp() override
    {
        // Refuse to send anything anywhere but on the virtual LAN's scanner adapter.
        ASSERT_FALSE(Lan("LAN_SCANNER_ADDR").empty()) << "run inside the virtual LAN (tools/virtual-lan.sh exec)";
        ASSERT_TRUE(s_WinsockStarted);
        GetLocalNetInfo();
        ASSERT_EQ(LocalNetworkInfo.LocalAddress, Lan("LAN_SCANNER_ADDR")) << "not on the virtual LAN's adapter";
        ASSERT_EQ(LocalNetworkInfo.GatewayAddress, Lan("LAN_GATEWAY"));
        ASSERT_TRUE(m_Results.IsCreated()) << "no window: Wine needs a display driver (DISPLAY) for the list";
        StopRequested = false;
        m_HostCount = std::atoi(Lan("LAN_HOST_COUNT").c_str());
        ASSERT_GT(m_HostCount, 0);
    }

    void TearDown() override { StopRequested = false; }

    // An address of the LAN's subnet that no host of the LAN has.
    std::string AbsentAddress(int number) const
    {
        const std::string address = Lan("LAN_SUBNET") + "." + std::to_string(number);
        for (int host = 1; host <= m_HostCount; ++host)
            EXPECT_NE(LanHost(host, "ADDR"), address) << "pick another absent address";
        EXPECT_NE(Lan("LAN_SCANNER_ADDR"), address);
        return address;
    }

    // Probes every address on a thread of its own, all started before any has ended; this
    // thread carries out the probes' list messages (and clicks headings, if asked) until all
    // have ended. Returns how long that took in milliseconds.
    DWORD Probe(const std::vector<std::string>& addresses, bool sortMeanwhile = false)
    {
        CCriticalSection rowInsertLock(kRowInsertLockSpinCount);
        std::vector<HostProbeTask> tasks(addresses.size());
        std::vector<CHandle> threads;
        const DWORD start = ::GetTickCount();
        for (size_t i = 0; i < addresses.size(); ++i) {
            std::snprintf(tasks[i].Address, sizeof(tasks[i].Address), "%s", addresses[i].c_str());
            tasks[i].ResultsList = &m_Results.List();
            tasks[i].RowInsertLock = &rowInsertLock;
            threads.emplace_back(::CreateThread(nullptr, 0, HostScanner, &tasks[i], 0, nullptr));
            EXPECT_TRUE(threads.back()) << addresses[i];
        }
        int sorts = 0;
        for (;;) {
            bool running = false;
            for (const CHandle& thread : threads)
                running = running || (thread && ::WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT);
            if (!running)
                break;
            if (sortMeanwhile) {
                static const int kColumns[] = {0, 1, 3, 2};
                m_Results.ClickHeading(kColumns[sorts++ % 4]);
            }
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, sortMeanwhile ? 2 : 10, QS_ALLINPUT);
        }
        const DWORD elapsed = ::GetTickCount() - start;
        for (const CHandle& thread : threads) {
            DWORD code = 1;
            EXPECT_TRUE(thread && ::GetExitCodeThread(thread.Get(), &code));
            EXPECT_EQ(code, 0u);
        }
        return elapsed;
    }

    std::map<std::string, Row> Rows()
    {
        CEnhancedListCtrl& list = m_Results.List();
        std::map<std::string, Row> rows;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            const std::string address = list.GetItemText(row, 0);
            EXPECT_EQ(rows.count(address), 0u) << "a second row for " << address;
            rows[address] = Row{list.GetItemText(row, 1), list.GetItemText(row, 2), list.GetItemText(row, 3),
                                list.GetItemText(row, 5)};
        }
        return rows;
    }

    // The row the LAN's host number `host` must have.
    Row Expected(int host) const
    {
        const bool router = LanHost(host, "ADDR") == Lan("LAN_GATEWAY");
        return Row{Capitalised(LanHost(host, "NAME")), LanHost(host, "MAC"), router ? "This is your Router" : "", "0"};
    }

    void ExpectRow(const std::map<std::string, Row>& rows, const std::string& address, const Row& expected) const
    {
        SCOPED_TRACE(address);
        ASSERT_EQ(rows.count(address), 1u) << "no row";
        const Row& row = rows.at(address);
        EXPECT_EQ(row.name, expected.name);
        EXPECT_EQ(row.mac, expected.mac);
        EXPECT_EQ(row.description, expected.description);
        EXPECT_EQ(row.textColor, expected.textColor) << "black when done";
    }

    // The first host of the LAN that matches; 0 when none does.
    int FindHost(bool named, bool gateway) const
    {
        for (int host = 1; host <= m_HostCount; ++host) {
            const bool isGateway = LanHost(host, "ADDR") == Lan("LAN_GATEWAY");
            if (isGateway == gateway && LanHost(host, "NAME").empty() != named)
                return host;
        }
        return 0;
    }

    static bool s_WinsockStarted;
    CTestResultsList m_Results;
    int m_HostCount = 0;
};

bool LanHostProbe::s_WinsockStarted = false;

TEST_F(LanHostProbe, ANamedHostGetsOneRowWithItsMacAndCapitalisedName)
{
    const int host = FindHost(true, false);
    ASSERT_NE(host, 0) << "the LAN has no named host besides the gateway";
    const DWORD elapsed = Probe({LanHost(host, "ADDR")});
    std::printf("one present host probed in %lu ms\n", elapsed);
    const auto rows = Rows();
    EXPECT_EQ(rows.size(), 1u);
    ExpectRow(rows, LanHost(host, "ADDR"), Expected(host));
}

TEST_F(LanHostProbe, TheGatewayIsTheRouter)
{
    const int host = FindHost(true, true) ? FindHost(true, true) : FindHost(false, true);
    ASSERT_NE(host, 0) << "no host of the LAN is its gateway";
    Probe({LanHost(host, "ADDR")});
    const auto rows = Rows();
    EXPECT_EQ(rows.size(), 1u);
    ExpectRow(rows, LanHost(host, "ADDR"), Expected(host));
}

TEST_F(LanHostProbe, AnUnnamedHostHasNoNameAndNoDescription)
{
    const int host = FindHost(false, false);
    ASSERT_NE(host, 0) << "the LAN has no unnamed host";
    Probe({LanHost(host, "ADDR")});
    const auto rows = Rows();
    EXPECT_EQ(rows.size(), 1u);
    ExpectRow(rows, LanHost(host, "ADDR"), Row{"", LanHost(host, "MAC"), "", "0"});
}

TEST_F(LanHostProbe, TheOwnComputerIsListedWithItsNameAndMarked)
{
    const std::string scanner = Lan("LAN_SCANNER_ADDR");
    ASSERT_STRNE(LocalNetworkInfo.HostName, "");
    // The scanner's address has no name on the LAN, so a name shown came without a lookup.
    Probe({scanner});
    ExpectRow(Rows(), scanner, Row{LocalNetworkInfo.HostName, Lan("LAN_SCANNER_MAC"), "This is your current system", "0"});

    // Without a name from start-up the lookup's answer is shown, whatever it is.
    char lookedUp[kHostNameCapacity];
    GetHostName(scanner.c_str(), lookedUp, sizeof(lookedUp));
    LocalNetworkInfo.HostName[0] = '\0';
    m_Results.List().DeleteAllItems();
    Probe({scanner});
    ExpectRow(Rows(), scanner, Row{lookedUp, Lan("LAN_SCANNER_MAC"), "This is your current system", "0"});
}

TEST_F(LanHostProbe, AnAddressNobodyAnswersGetsNoRow)
{
    const DWORD elapsed = Probe({AbsentAddress(200)});
    std::printf("one absent address probed in %lu ms\n", elapsed);
    EXPECT_EQ(m_Results.List().GetItemCount(), 0);
    // The kernel repeats a request 1 s after the first (retrans_time): an answer to that must count.
    EXPECT_GE(elapsed, 1000u) << "gave up before the system repeated its request";
    EXPECT_LT(elapsed, 10000u);
}

TEST_F(LanHostProbe, EveryHostAtOnceWhileSortingGetsItsOwnCompleteRow)
{
    std::vector<std::string> addresses;
    for (int number = 200; number < 220; ++number)
        addresses.push_back(AbsentAddress(number));
    for (int host = 1; host <= m_HostCount; ++host)
        addresses.push_back(LanHost(host, "ADDR"));
    addresses.push_back(Lan("LAN_SCANNER_ADDR"));
    Probe(addresses, true);

    const auto rows = Rows();
    EXPECT_EQ(rows.size(), static_cast<size_t>(m_HostCount) + 1);
    for (int host = 1; host <= m_HostCount; ++host)
        ExpectRow(rows, LanHost(host, "ADDR"), Expected(host));
    ExpectRow(rows, Lan("LAN_SCANNER_ADDR"),
              Row{LocalNetworkInfo.HostName, Lan("LAN_SCANNER_MAC"), "This is your current system", "0"});
}

TEST_F(LanHostProbe, AWholeSubnetAtOnceFindsExactlyTheLansHosts)
{
    uint32_t first = 0;
    uint32_t last = 0;
    ASSERT_TRUE(ParseAddress(Lan("LAN_FIRST_HOST").c_str(), first));
    ASSERT_TRUE(ParseAddress(Lan("LAN_LAST_HOST").c_str(), last));
    ASSERT_LE(last - first, 254u) << "no more probes than a scan starts";
    std::vector<std::string> addresses;
    for (uint32_t address = first; address <= last; ++address) {
        char text[16];
        FormatAddress(address, text, sizeof(text));
        addresses.push_back(text);
    }
    const DWORD elapsed = Probe(addresses, true);
    std::printf("%zu addresses probed at once in %lu ms\n", addresses.size(), elapsed);

    const auto rows = Rows();
    EXPECT_EQ(rows.size(), static_cast<size_t>(m_HostCount) + 1);
    for (int host = 1; host <= m_HostCount; ++host)
        ExpectRow(rows, LanHost(host, "ADDR"), Expected(host));
    EXPECT_EQ(rows.count(Lan("LAN_SCANNER_ADDR")), 1u);
    EXPECT_LT(elapsed, 15000u);
}

}  // namespace
