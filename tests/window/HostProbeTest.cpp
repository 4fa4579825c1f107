// Probes on their own threads filling the results list, with ARP answers and names made up
// by the test: no request leaves the process.
#include "scan/HostProbe.h"

#include "controls/EnhancedListCtrl.h"
#include "res/resource.h"
#include "scan/LocalNetwork.h"
#include "ProbeRun.h"
#include "TestNetwork.h"
#include "TestResultsList.h"
#include "UntrustedNames.h"
#include "WindowTestSupport.h"
#include "winlib/GdiObject.h"
#include "winlib/Thread.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <atomic>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// What the made-up network knows of one address.
struct FakeHost {
    bool answers = true;
    std::vector<BYTE> mac;
    const char* name = nullptr;  // null: the lookup fails
};

// Lets the probes' answers through one at a time in a fixed order ("arp:ADDRESS",
// "name:ADDRESS"), whatever order their threads arrive in; a key not in the order passes at
// once. Should a key's probe never come, the rest pass once the deadline is gone, and the
// test fails on what it sees instead of hanging.
class CAnswerOrder {
public:
    explicit CAnswerOrder(std::vector<std::string> order) : m_Order(std::move(order))
    {
        for (size_t i = 0; i < m_Order.size(); ++i) {
            m_Index[m_Order[i]] = i;
            m_Turns.emplace_back(::CreateEventA(nullptr, TRUE, i == 0, nullptr));
        }
    }

    void Pass(const std::string& key)
    {
        const auto found = m_Index.find(key);
        if (found == m_Index.end())
            return;
        const DWORD elapsed = ::GetTickCount() - m_Start;
        ::WaitForSingleObject(m_Turns[found->second].Get(), elapsed < kWaitMs ? kWaitMs - elapsed : 0);
        if (found->second + 1 < m_Turns.size())
            ::SetEvent(m_Turns[found->second + 1].Get());
    }

private:
    const std::vector<std::string> m_Order;
    std::map<std::string, size_t> m_Index;
    std::vector<CHandle> m_Turns;
    const DWORD m_Start = ::GetTickCount();
};

class FakeNetwork {
public:
    void Add(const std::string& address, FakeHost host) { m_Hosts[address] = std::move(host); }

    // Called on the probe's thread just before it gets its ARP answer or its name.
    std::function<void(const std::string& address)> OnArp;
    std::function<void(const std::string& address)> OnLookup;
    // When set, answers and names come back in its order.
    CAnswerOrder* Order = nullptr;

    int ArpRequests(const std::string& address) const { return Count(m_ArpRequests, address); }

    // What the last ARP request was given besides the address.
    struct ArpArguments {
        IPAddr source = 1;
        ULONG lengthIn = 0;
        bool bufferOfOnes = false;  // every byte of the length offered is 0xFF
    };
    ArpArguments LastArpArguments() const
    {
        const CSingleLock lock(m_CountLock);
        return m_LastArp;
    }
    int Lookups(const std::string& address) const { return Count(m_Lookups, address); }

    HostProbePlatform Platform()
    {
        HostProbePlatform platform;
        platform.SendARP = [this](IPAddr dest, IPAddr source, void* mac, ULONG* length) -> DWORD {
            const std::string address = Dotted(dest);
            Record(m_ArpRequests, address);
            {
                const CSingleLock lock(m_CountLock);
                m_LastArp.source = source;
                m_LastArp.lengthIn = *length;
                const auto* bytes = static_cast<const BYTE*>(mac);
                m_LastArp.bufferOfOnes = std::all_of(bytes, bytes + *length, [](BYTE b) { return b == 0xFF; });
            }
            const FakeHost* host = Reach("arp:", address, OnArp);
            if (!host || !host->answers)
                return ERROR_BAD_NET_NAME;
            std::memcpy(mac, host->mac.data(), host->mac.size());
            *length = static_cast<ULONG>(host->mac.size());
            return NO_ERROR;
        };
        platform.LookUpName = [this](const sockaddr* socketAddress, int, char* name, DWORD size, int) -> int {
            const std::string address = Dotted(reinterpret_cast<const sockaddr_in*>(socketAddress)->sin_addr.S_un.S_addr);
            Record(m_Lookups, address);
            const FakeHost* host = Reach("name:", address, OnLookup);
            if (!host || !host->name)
                return EAI_NONAME;
            ::lstrcpynA(name, host->name, static_cast<int>(size));
            return 0;
        };
        return platform;
    }

private:
    // The host at the address once its turn has come and the test's hook has run; null for an
    // address the network does not know.
    const FakeHost* Reach(const char* what, const std::string& address,
                          const std::function<void(const std::string&)>& hook) const
    {
        const auto host = m_Hosts.find(address);
        if (host == m_Hosts.end())
            return nullptr;
        if (Order)
            Order->Pass(what + address);
        if (hook)
            hook(address);
        return &host->second;
    }

    void Record(std::map<std::string, int>& counts, const std::string& address)
    {
        const CSingleLock lock(m_CountLock);
        ++counts[address];
    }
    int Count(const std::map<std::string, int>& counts, const std::string& address) const
    {
        const CSingleLock lock(m_CountLock);
        const auto found = counts.find(address);
        return found == counts.end() ? 0 : found->second;
    }

    std::map<std::string, FakeHost> m_Hosts;
    mutable CCriticalSection m_CountLock;
    std::map<std::string, int> m_ArpRequests;
    std::map<std::string, int> m_Lookups;
    ArpArguments m_LastArp;
};

// Locally administered, as the virtual LAN's own addresses are: described as such.
const char kRandomisedDescription[] = "Private MAC (randomised)";

std::vector<BYTE> MacOf(int host)
{
    return {0x02, 0x5A, 0x00, 0x00, static_cast<BYTE>(host >> 8), static_cast<BYTE>(host)};
}

std::string MacTextOf(int host)
{
    char text[32];
    std::snprintf(text, sizeof(text), "02-5A-00-00-%.2X-%.2X", (host >> 8) & 0xFF, host & 0xFF);
    return text;
}

struct RowTexts {
    std::string name;
    std::string mac;
    std::string description;
    std::string back;
    std::string text;
};

class HostProbeList : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Results.IsCreated());
        PumpUntilHandled();
    }


    // The probes of a scan on the made-up network, sorting the list meanwhile if asked;
    // `whileRunning` is called on this thread between rounds of messages.
    void RunProbes(const std::vector<std::string>& addresses, FakeNetwork& network, bool sortMeanwhile,
                   const std::function<void()>& whileRunning = nullptr)
    {
        const HostProbePlatform platform = network.Platform();
        RunProbeThreads(
            m_List, addresses, [&platform](HostProbeTask& task) { ProbeHost(task, platform); },
            [&] {
                if (sortMeanwhile)
                    SortByNextColumn();
                if (whileRunning)
                    whileRunning();
            },
            sortMeanwhile ? 0 : 5, m_Stop.Get(), &m_ThisComputer);
    }

    // A click on a heading, as the user makes it; from any thread, carried out by the list's.
    void SortByNextColumn()
    {
        static const int kColumns[] = {0, 1, 3, 0, 2};
        m_Results.ClickHeading(kColumns[m_Sorts++ % 5]);
    }

    // Every row by its address; a second row of the same address fails the test.
    std::map<std::string, RowTexts> Rows() const
    {
        std::map<std::string, RowTexts> rows;
        for (int row = 0; row < m_List.GetItemCount(); ++row) {
            const std::string address = m_List.GetItemText(row, 0);
            EXPECT_EQ(rows.count(address), 0u) << "a second row for " << address;
            rows[address] = RowTexts{m_List.GetItemText(row, 1, 4000), m_List.GetItemText(row, 2), m_List.GetItemText(row, 3),
                                     m_List.GetItemText(row, 4), m_List.GetItemText(row, 5)};
        }
        return rows;
    }

    std::atomic<int> m_Sorts{0};
    LocalHostFacts m_ThisComputer = MadeUpComputer("Scanner-pc", "192.168.9.37", "192.168.9.1");
    CHandle m_Stop{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};  // the run's
    CTestResultsList m_Results;
    CEnhancedListCtrl& m_List = m_Results.List();
};

TEST_F(HostProbeList, EachKindOfHostGetsItsRowAndDescription)
{
    struct Case {
        const char* what;
        const char* hostName;  // the local HostName
        const char* local;
        const char* gateway;
        const char* address;
        FakeHost host;
        bool listed;
        const char* name;
        const char* mac;
        const char* description;
        int lookups;
    };
    // oui.csv of ieee-data: MA-L,001A2B,"Ayecom Technology Co., Ltd.",...
    const std::vector<BYTE> mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    const char* maker = "Ayecom Technology Co., Ltd.";
    const std::vector<BYTE> randomised = {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    const std::vector<BYTE> unknown = {0xA0, 0xB0, 0xC0, 0x3C, 0x4D, 0x5E};  // no block of any registry
    const Case cases[] = {
        {"a named host", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.10", {true, mac, "desktop-pc"},
         true, "Desktop-pc", "00-1A-2B-3C-4D-5E", maker, 1},
        {"an unnamed host", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.12", {true, mac, nullptr},
         true, "", "00-1A-2B-3C-4D-5E", maker, 1},
        {"a fully qualified name", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.11", {true, mac, "nas.lan.example"},
         true, "Nas.lan.example", "00-1A-2B-3C-4D-5E", maker, 1},
        {"a randomised address", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.14", {true, randomised, "phone"},
         true, "Phone", "02-1A-2B-3C-4D-5E", kRandomisedDescription, 1},
        {"an address of no known maker", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.15",
         {true, unknown, "tv"}, true, "Tv", "A0-B0-C0-3C-4D-5E", "", 1},
        {"the own computer, named at start-up", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.37",
         {true, mac, "other-name"}, true, "Scanner-pc", "00-1A-2B-3C-4D-5E", "This is your current system", 0},
        {"the own computer, unnamed at start-up", "", "192.168.9.37", "192.168.9.1", "192.168.9.37",
         {true, mac, "scanner.lan"}, true, "Scanner.lan", "00-1A-2B-3C-4D-5E", "This is your current system", 1},
        {"the own computer without any name", "", "192.168.9.37", "192.168.9.1", "192.168.9.37",
         {true, mac, nullptr}, true, "", "00-1A-2B-3C-4D-5E", "This is your current system", 1},
        {"the router with a name", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.1",
         {true, mac, "router.home"}, true, "Router.home", "00-1A-2B-3C-4D-5E", "This is your Router", 1},
        {"the router without one", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.1",
         {true, mac, nullptr}, true, "", "00-1A-2B-3C-4D-5E", "This is your Router", 1},
        {"no adapter found at start-up", "Scanner-pc", "", "", "192.168.9.1", {true, mac, "router.home"},
         true, "Router.home", "00-1A-2B-3C-4D-5E", maker, 1},
        {"an answer without a hardware address", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.13",
         {true, {}, "printer"}, true, "Printer", "", "", 1},
        {"nobody answers", "Scanner-pc", "192.168.9.37", "192.168.9.1", "192.168.9.200", {false, mac, "ghost"},
         false, "", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_List.DeleteAllItems();
        m_ThisComputer = MadeUpComputer(c.hostName, c.local, c.gateway);
        FakeNetwork network;
        network.Add(c.address, c.host);
        RunProbes({c.address}, network, false);

        EXPECT_EQ(network.ArpRequests(c.address), 1);
        EXPECT_EQ(network.Lookups(c.address), c.lookups);
        if (!c.listed) {
            EXPECT_EQ(m_List.GetItemCount(), 0);
            continue;
        }
        ASSERT_EQ(m_List.GetItemCount(), 1);
        EXPECT_EQ(m_List.GetItemText(0, 0), c.address);
        EXPECT_EQ(m_List.GetItemText(0, 1), c.name);
        EXPECT_EQ(m_List.GetItemText(0, 2), c.mac);
        EXPECT_EQ(m_List.GetItemText(0, 3), c.description);
        EXPECT_EQ(m_List.GetItemText(0, 4), "16777215") << "white background";
        EXPECT_EQ(m_List.GetItemText(0, 5), "0") << "black text";
        EXPECT_EQ(m_List.GetItemImage(0), 0);
        EXPECT_EQ(m_List.GetItemData(0), 0);
    }
}

TEST_F(HostProbeList, TheArpRequestAsksForSixBytesFromNoSourceIntoABufferOfOnes)
{
    FakeNetwork network;
    network.Add("192.168.9.10", {true, MacOf(10), "desktop-pc"});
    RunProbes({"192.168.9.10"}, network, false);
    const FakeNetwork::ArpArguments arguments = network.LastArpArguments();
    EXPECT_EQ(arguments.source, 0u);
    EXPECT_EQ(arguments.lengthIn, 6u);
    EXPECT_TRUE(arguments.bufferOfOnes);
}

TEST_F(HostProbeList, ARowIsRedWithTheInterimTextWhileItsNameIsLookedUp)
{
    FakeNetwork network;
    network.Add("192.168.9.10", {true, MacOf(10), "desktop-pc"});
    CHandle inLookup(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    CHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    network.OnLookup = [&](const std::string&) {
        ::SetEvent(inLookup.Get());
        ::WaitForSingleObject(release.Get(), 20000);
    };
    bool lookupBegun = false;
    bool seen = false;
    RunProbes({"192.168.9.10"}, network, false, [&] {
        if (seen || ::WaitForSingleObject(inLookup.Get(), 0) != WAIT_OBJECT_0)
            return;
        // The row was queued before the look-up began: the next round has applied it.
        if (!std::exchange(lookupBegun, true))
            return;
        seen = true;
        ASSERT_EQ(m_List.GetItemCount(), 1);
        EXPECT_EQ(m_List.GetItemText(0, 0), "192.168.9.10");
        EXPECT_EQ(m_List.GetItemText(0, 1), "");
        EXPECT_EQ(m_List.GetItemText(0, 2), MacTextOf(10));
        EXPECT_EQ(m_List.GetItemText(0, 3), "Found! Getting Host Name Now....");
        EXPECT_EQ(m_List.GetItemText(0, 5), "255") << "red";
        EXPECT_EQ(m_List.GetItemText(0, 4), "16777215");
        ::SetEvent(release.Get());
    });
    EXPECT_TRUE(seen);
    ASSERT_EQ(m_List.GetItemCount(), 1);
    EXPECT_EQ(m_List.GetItemText(0, 1), "Desktop-pc");
    EXPECT_EQ(m_List.GetItemText(0, 3), kRandomisedDescription);
    EXPECT_EQ(m_List.GetItemText(0, 5), "0");
}

TEST_F(HostProbeList, AStopBeforeTheArpRequestLeavesNoTrace)
{
    FakeNetwork network;
    network.Add("192.168.9.10", {true, MacOf(10), "desktop-pc"});
    network.Add("192.168.9.37", {true, MacOf(37), "scanner"});
    ::SetEvent(m_Stop.Get());
    RunProbes({"192.168.9.10", "192.168.9.37"}, network, false);
    EXPECT_EQ(m_List.GetItemCount(), 0);
    EXPECT_EQ(network.ArpRequests("192.168.9.10"), 0);
    EXPECT_EQ(network.ArpRequests("192.168.9.37"), 0);
}

TEST_F(HostProbeList, AStopDuringTheArpRequestCompletesTheRowsWithoutLookups)
{
    FakeNetwork network;
    network.Add("192.168.9.10", {true, MacOf(10), "desktop-pc"});
    network.Add("192.168.9.1", {true, MacOf(1), "router.home"});
    network.Add("192.168.9.37", {true, MacOf(37), "scanner"});
    network.Add("192.168.9.50", {false, MacOf(50), "gone"});
    // Every probe has passed its first look at the flag before the last one to arrive sets
    // it; the others wait for that.
    std::atomic<int> arrived{0};
    std::atomic<bool> allArrived{true};
    CHandle stopSet(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    network.OnArp = [&](const std::string&) {
        if (++arrived == 4) {
            ::SetEvent(m_Stop.Get());
            ::SetEvent(stopSet.Get());
        } else if (::WaitForSingleObject(stopSet.Get(), 20000) != WAIT_OBJECT_0) {
            allArrived = false;
        }
    };
    RunProbes({"192.168.9.10", "192.168.9.1", "192.168.9.37", "192.168.9.50"}, network, false);
    ASSERT_TRUE(allArrived) << "not every probe reached its ARP request";

    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"192.168.9.10", {"", kRandomisedDescription}},
        {"192.168.9.1", {"", "This is your Router"}},
        {"192.168.9.37", {"Scanner-pc", "This is your current system"}},  // its name needs no lookup
    };
    for (const auto& [address, nameAndDescription] : expected) {
        SCOPED_TRACE(address);
        ASSERT_EQ(rows.count(address), 1u);
        const RowTexts& row = rows.at(address);
        EXPECT_EQ(row.name, nameAndDescription.first);
        EXPECT_EQ(row.description, nameAndDescription.second);
        EXPECT_EQ(row.text, "0");
        EXPECT_EQ(network.Lookups(address), 0);
    }
}

TEST_F(HostProbeList, NamesFromTheNetworkReachTheListIntact)
{
    const std::vector<UntrustedName> names = UntrustedNames();
    FakeNetwork network;
    std::vector<std::string> addresses;
    for (size_t i = 0; i < names.size(); ++i) {
        addresses.push_back("192.168.9." + std::to_string(21 + i));
        network.Add(addresses.back(), {true, MacOf(20), names[i].name.c_str()});
    }
    RunProbes(addresses, network, false);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].what);
        const RowTexts& row = rows.at(addresses[i]);
        EXPECT_EQ(row.name, names[i].kept);
        EXPECT_EQ(row.description, kRandomisedDescription);
        EXPECT_EQ(row.text, "0");
    }
}

TEST_F(HostProbeList, ManyProbesAtOnceEachCompleteTheirOwnRowWhileTheListIsSorted)
{
    // 60 addresses, two in three answer; answers and names come back in a shuffled order,
    // each host's name after its answer.
    FakeNetwork network;
    std::vector<std::string> addresses;
    std::map<std::string, std::pair<int, std::string>> answering;  // host number and expected name
    std::vector<std::string> names(61);
    for (int host = 1; host <= 60; ++host) {
        char address[32];
        std::snprintf(address, sizeof(address), "192.168.9.%d", host);
        addresses.push_back(address);
        FakeHost fake;
        fake.answers = host % 3 != 0 || host == 1 || host == 37;
        fake.mac = MacOf(host);
        names[static_cast<size_t>(host)] = "host-" + std::to_string(host);
        fake.name = host % 4 == 0 ? nullptr : names[static_cast<size_t>(host)].c_str();
        network.Add(address, fake);
        if (fake.answers)
            answering[address] = {host, fake.name ? "Host-" + std::to_string(host) : ""};
    }
    // The list is also sorted between one probe's writes and the next, while the others'
    // messages wait: the user's clicks come in between probe messages too.
    // This computer is named at start-up: no look-up for it.
    std::vector<std::string> order;
    for (const std::string& address : addresses)
        order.push_back("arp:" + address);
    std::mt19937 shuffle(20261211);
    std::shuffle(order.begin(), order.end(), shuffle);
    for (const auto& [address, expected] : answering) {
        if (expected.first == 37)
            continue;
        const auto arp = std::find(order.begin(), order.end(), "arp:" + address);
        const auto after = std::distance(arp, order.end());
        order.insert(arp + 1 + static_cast<long>(shuffle() % static_cast<unsigned>(after)), "name:" + address);
    }
    CAnswerOrder answerOrder(order);
    network.Order = &answerOrder;
    network.OnArp = [this](const std::string&) { SortByNextColumn(); };
    network.OnLookup = [this](const std::string&) { SortByNextColumn(); };
    RunProbes(addresses, network, true);
    EXPECT_GT(m_Sorts, 60);

    const auto rows = Rows();
    EXPECT_EQ(rows.size(), answering.size());
    for (const auto& [address, expected] : answering) {
        SCOPED_TRACE(address);
        ASSERT_EQ(rows.count(address), 1u);
        const RowTexts& row = rows.at(address);
        const int host = expected.first;
        EXPECT_EQ(row.mac, MacTextOf(host));
        if (host == 37) {
            EXPECT_EQ(row.name, "Scanner-pc");
            EXPECT_EQ(row.description, "This is your current system");
        } else {
            EXPECT_EQ(row.name, expected.second);
            EXPECT_EQ(row.description, host == 1 ? "This is your Router" : kRandomisedDescription);
        }
        EXPECT_EQ(row.text, "0");
        EXPECT_EQ(row.back, "16777215");
    }
}

}  // namespace
