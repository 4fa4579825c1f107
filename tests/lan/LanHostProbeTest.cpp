// Probes run for real, under Wine, inside the virtual LAN: the rows must show the LAN's own
// hosts as tools/virtual-lan.sh built them (its figures come in LAN_* variables). Nothing
// is sent unless the program finds itself on the LAN's scanner adapter.
#include "scan/HostProbe.h"

#include "LanMakers.h"
#include "LanNames.h"
#include "ProbeRun.h"
#include "TestResultsList.h"
#include "WinePath.h"
#include "scan/ArpResolver.h"
#include "scan/HostNameQuery.h"
#include "scan/LocalNetwork.h"
#include "scan/ScanRun.h"
#include "winlib/Thread.h"
#include "LanTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The LAN's names are plain ASCII: a leading lower-case letter is shown in capitals.
std::string Capitalised(std::string name)
{
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z')
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

// The scanner namespace's host name as the kernel has it (namespaces share the machine's),
// read through Wine's drive for the Unix root: what the own computer's row must show,
// found without the program's discovery.
std::string KernelHostName()
{
    std::ifstream file(WindowsPathOf("/proc/sys/kernel/hostname"));
    std::string name;
    std::getline(file, name);
    return name;
}

struct Row {
    std::string name;
    std::string mac;
    std::string description;
    std::string textColor;
};

class LanHostProbe : public CLanTest {
protected:
    void SetUp() override
    {
        LocalNetworkRecord network{};
        OnTheLansAdapter(network);
        if (HasFatalFailure())
            return;
        ASSERT_EQ(network.GatewayAddress, Lan("LAN_GATEWAY"));
        m_ThisComputer = LocalHostFactsOf(network);
        ASSERT_TRUE(m_Results.IsCreated()) << "no window: Wine needs a display driver (DISPLAY) for the list";
        m_HostCount = LanHostCount();
        ASSERT_GT(m_HostCount, 0);
    }

    // An address of the LAN's subnet that no host of the LAN has.
    std::string AbsentAddress(int number) const
    {
        const std::string address = Lan("LAN_SUBNET") + "." + std::to_string(number);
        for (int host = 1; host <= m_HostCount; ++host)
            EXPECT_NE(LanHostField(host, "ADDR"), address) << "pick another absent address";
        EXPECT_NE(Lan("LAN_SCANNER_ADDR"), address);
        return address;
    }

    // Probes every address as a scan does, clicking headings meanwhile if asked. Returns how
    // long that took in milliseconds.
    DWORD Probe(const std::vector<std::string>& addresses, bool sortMeanwhile = false)
    {
        int sorts = 0;
        return RunProbeThreads(
            m_Results.List(), addresses, [this](HostProbeTask& task) { ProbeHost(task, m_System.Probes); },
            [&] {
                static const int kColumns[] = {0, 1, 3, 2};
                if (sortMeanwhile)
                    m_Results.ClickHeading(kColumns[sorts++ % 4]);
            },
            sortMeanwhile ? 2 : 10, nullptr, &m_ThisComputer);
    }

    // Every address of the LAN's subnet, as a scan of it probes them.
    static std::vector<std::string> SubnetAddresses()
    {
        uint32_t first = 0;
        uint32_t last = 0;
        EXPECT_TRUE(ParseAddress(Lan("LAN_FIRST_HOST").c_str(), first));
        EXPECT_TRUE(ParseAddress(Lan("LAN_LAST_HOST").c_str(), last));
        EXPECT_LE(last - first, 254u) << "no more probes than a scan starts";
        std::vector<std::string> addresses;
        for (uint32_t address = first; address <= last && last - first <= 254u; ++address) {
            char text[16];
            FormatAddress(address, text, sizeof(text));
            addresses.push_back(text);
        }
        return addresses;
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
        const bool router = LanHostField(host, "ADDR") == Lan("LAN_GATEWAY");
        const std::string mac = LanHostField(host, "MAC");
        return Row{ExpectedLanHostName(host), mac,
                   router ? "This is your Router" : ExpectedLanHostDescription(mac), "0"};
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
            const bool isGateway = LanHostField(host, "ADDR") == Lan("LAN_GATEWAY");
            if (isGateway == gateway && ExpectedLanHostName(host).empty() != named)
                return host;
        }
        return 0;
    }

    CTestResultsList m_Results;
    int m_HostCount = 0;
    LocalHostFacts m_ThisComputer{};
    const ScanPlatforms m_System = SystemScanPlatforms(nullptr);  // one ARP state for a test's requests
};


// One host alone gets one row, black when done, with what the LAN says of it: a named host
// its capitalised name and its MAC's maker, the gateway "This is your Router", an unnamed
// host no name.
TEST_F(LanHostProbe, EachKindOfHostAloneGetsItsOneRow)
{
    struct Kind {
        const char* what;
        bool named, gateway;
    };
    const Kind kinds[] = {
        {"a named host", true, false},
        {"the gateway", true, true},
        {"an unnamed host", false, false},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.what);
        // The gateway, named or not.
        int host = FindHost(kind.named, kind.gateway);
        if (!host && kind.gateway)
            host = FindHost(!kind.named, true);
        ASSERT_NE(host, 0) << "the LAN has no such host";
        m_Results.List().DeleteAllItems();
        const DWORD elapsed = Probe({LanHostField(host, "ADDR")});
        std::printf("%s probed alone in %lu ms\n", kind.what, static_cast<unsigned long>(elapsed));
        const auto rows = Rows();
        EXPECT_EQ(rows.size(), 1u);
        ExpectRow(rows, LanHostField(host, "ADDR"), Expected(host));
    }
}

// The hosts' own responders (nmbd, avahi-daemon) name the hosts DNS has no name for; a DNS
// name wins over a NetBIOS name.
TEST_F(LanHostProbe, HostsWithoutADnsNameAreNamedByTheirOwnResponders)
{
    struct Kind {
        const char* what;
        bool dns, netBios, multicastDns;
    };
    const Kind kinds[] = {
        {"NetBIOS only", false, true, false},
        {"multicast DNS only", false, false, true},
        {"both: multicast DNS wins", false, true, true},
        {"DNS and another NetBIOS name: DNS wins", true, true, false},
    };
    std::vector<std::string> addresses;
    std::vector<int> hosts;
    for (const Kind& kind : kinds) {
        int found = 0;
        for (int host = 1; host <= m_HostCount && !found; ++host) {
            if (!LanHostField(host, "NAME").empty() == kind.dns && !LanHostField(host, "NETBIOS").empty() == kind.netBios &&
                !LanHostField(host, "MDNS").empty() == kind.multicastDns)
                found = host;
        }
        ASSERT_NE(found, 0) << "the LAN has no host named by " << kind.what;
        hosts.push_back(found);
        addresses.push_back(LanHostField(found, "ADDR"));
    }
    Probe(addresses);
    const auto rows = Rows();
    for (size_t i = 0; i < hosts.size(); ++i) {
        SCOPED_TRACE(kinds[i].what);
        ExpectRow(rows, addresses[i], Expected(hosts[i]));
    }

    // Asked straight (the sockets' side of a probe alone), a host gives its multicast-DNS name,
    // else its NetBIOS name, as its responders were told, uncapitalised; and how long it takes.
    const NameQueryPlatform names = SystemNameQueryPlatform();
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    for (size_t i = 0; i < hosts.size(); ++i) {
        SCOPED_TRACE(kinds[i].what);
        uint32_t address = 0;
        ASSERT_TRUE(ParseAddress(addresses[i].c_str(), address));
        ::QueryPerformanceCounter(&start);
        const std::string name = AskHostForName(names, address);
        ::QueryPerformanceCounter(&end);
        const std::string multicastDns = LanHostField(hosts[i], "MDNS");
        EXPECT_EQ(name, multicastDns.empty() ? LanHostField(hosts[i], "NETBIOS") : multicastDns);
        std::printf("%s (%s) answered '%s' in %.2f ms\n", addresses[i].c_str(), kinds[i].what, name.c_str(),
                    1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
}

// On the LAN of tests/lan/hostile_names.sh, whose one host answers every name query with a
// burst of malformed answers and last a well-formed one with markup in its name.
TEST_F(LanHostProbe, AHostileHostIsListedWithACleanName)
{
    const std::string hostile = Lan("LAN_HOSTILE_ADDR");
    if (hostile.empty())
        GTEST_SKIP() << "no hostile host on this LAN";
    int host = 1;
    while (host <= m_HostCount && LanHostField(host, "ADDR") != hostile)
        ++host;
    ASSERT_LE(host, m_HostCount);
    Probe({hostile});
    const auto rows = Rows();
    ASSERT_EQ(rows.count(hostile), 1u) << "not listed";
    const Row& row = rows.at(hostile);
    for (const char c : row.name)
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << "a control byte in " << row.name;
    EXPECT_EQ(row.name, "<b>hostile</b>&\"'.local");
    EXPECT_EQ(row.mac, LanHostField(host, "MAC"));
    EXPECT_EQ(row.textColor, "0") << "black when done";
}

TEST_F(LanHostProbe, TheOwnComputerIsListedWithItsNameAndMarked)
{
    const std::string scanner = Lan("LAN_SCANNER_ADDR");
    const std::string ownName = Capitalised(KernelHostName());
    ASSERT_NE(ownName, "");
    // The scanner's address has no name on the LAN, so a name shown came without a lookup.
    Probe({scanner});
    ExpectRow(Rows(), scanner, Row{ownName, Lan("LAN_SCANNER_MAC"), "This is your current system", "0"});

    // Without a name from start-up, the own computer's name is looked up like any other: with
    // a named host of the LAN taken for the own computer, its name from the LAN shows.
    const int named = FindHost(true, false);
    ASSERT_NE(named, 0) << "the LAN has no named host besides the gateway";
    const std::string address = LanHostField(named, "ADDR");
    std::snprintf(m_ThisComputer.LocalAddress, sizeof(m_ThisComputer.LocalAddress), "%s", address.c_str());
    m_ThisComputer.HostName[0] = '\0';
    m_Results.List().DeleteAllItems();
    Probe({address});
    ExpectRow(Rows(), address, Row{ExpectedLanHostName(named), LanHostField(named, "MAC"), "This is your current system", "0"});
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
        addresses.push_back(LanHostField(host, "ADDR"));
    addresses.push_back(Lan("LAN_SCANNER_ADDR"));
    Probe(addresses, true);

    const auto rows = Rows();
    EXPECT_EQ(rows.size(), static_cast<size_t>(m_HostCount) + 1);
    for (int host = 1; host <= m_HostCount; ++host)
        ExpectRow(rows, LanHostField(host, "ADDR"), Expected(host));
    ExpectRow(rows, Lan("LAN_SCANNER_ADDR"),
              Row{Capitalised(KernelHostName()), Lan("LAN_SCANNER_MAC"), "This is your current system", "0"});
}

TEST_F(LanHostProbe, AWholeSubnetAtOnceFindsExactlyTheLansHosts)
{
    const std::vector<std::string> addresses = SubnetAddresses();
    ASSERT_FALSE(addresses.empty());
    const DWORD elapsed = Probe(addresses, true);
    std::printf("%zu addresses probed at once in %lu ms\n", addresses.size(), elapsed);

    const auto rows = Rows();
    EXPECT_EQ(rows.size(), static_cast<size_t>(m_HostCount) + 1);
    for (int host = 1; host <= m_HostCount; ++host)
        ExpectRow(rows, LanHostField(host, "ADDR"), Expected(host));
    EXPECT_EQ(rows.count(Lan("LAN_SCANNER_ADDR")), 1u);
    EXPECT_LT(elapsed, 15000u);
}

// On a LAN whose hosts lose ARP requests (tools/virtual-lan.sh --loss), one run as the program
// makes it: the datagrams of every address sent ahead, then a probe per address. Every row
// must be one of the LAN's systems, complete; how many of them a run finds depends on the
// draws, so tests/lan/lossy_runs.sh runs it several times, each with an emptied neighbour
// table, and judges the count it prints.
TEST_F(LanHostProbe, OnALinkThatLosesRequestsARunListsOnlyTheLansSystems)
{
    if (std::atoi(Lan("LAN_ARP_LOSS").c_str()) == 0)
        GTEST_SKIP() << "this LAN loses no ARP requests";
    const std::vector<std::string> addresses = SubnetAddresses();
    ASSERT_FALSE(addresses.empty());
    std::vector<IPAddr> dests;
    for (const std::string& address : addresses) {
        uint32_t number = 0;
        ASSERT_TRUE(ParseAddress(address.c_str(), number));
        dests.push_back(::htonl(number));
    }
    m_System.Run.SendArpRequestsAhead(dests);
    const DWORD elapsed = Probe(addresses);

    const auto rows = Rows();
    for (const auto& [address, row] : rows) {
        if (address == Lan("LAN_SCANNER_ADDR")) {
            ExpectRow(rows, address, Row{Capitalised(KernelHostName()), Lan("LAN_SCANNER_MAC"), "This is your current system", "0"});
            continue;
        }
        int host = 1;
        while (host <= m_HostCount && LanHostField(host, "ADDR") != address)
            ++host;
        if (host > m_HostCount)
            ADD_FAILURE() << "a row for " << address << ", which is none of the LAN's hosts";
        else
            ExpectRow(rows, address, Expected(host));
    }
    std::printf("LOSSY_RUN %zu of %d systems in %lu ms\n", rows.size(), m_HostCount + 1, elapsed);
}

}  // namespace
