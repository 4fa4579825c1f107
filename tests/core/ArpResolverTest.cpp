// The ARP request where the platform has none: the neighbour table watched for the answer,
// with fake tables and a fake clock.
#include "scan/ArpResolver.h"

#include "scan/ScanResultsQueue.h"
#include "scan/ScanRun.h"
#include "winlib/Thread.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

IPAddr Ip(const char* text)
{
    IN_ADDR address{};
    ::inet_pton(AF_INET, text, &address);
    return address.S_un.S_addr;
}

const IPAddr kTarget = Ip("192.168.1.20");
const std::vector<BYTE> kTargetMac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

MIB_IPNETROW Row(const char* address, std::vector<BYTE> mac, DWORD type = MIB_IPNET_TYPE_DYNAMIC)
{
    MIB_IPNETROW row{};
    row.dwIndex = 7;
    row.dwAddr = Ip(address);
    row.dwPhysAddrLen = static_cast<DWORD>(mac.size());
    std::memcpy(row.bPhysAddr, mac.data(), std::min<size_t>(mac.size(), MAXLEN_PHYSADDR));
    row.dwType = type;
    return row;
}

MIB_IPNETROW Resolving(const char* address)
{
    return Row(address, {0, 0, 0, 0, 0, 0}, MIB_IPNET_TYPE_DYNAMIC);
}

constexpr DWORD kStart = 0xFFFFF000;  // close to the wrap of the tick count

// A network as the resolver sees it: its neighbour table at each read (by the time since the
// start), its adapters, and a clock that moves only when the resolver waits (or, if asked,
// on each table read); a stop ends the wait it falls in.
struct FakeNetwork {
    DWORD sendArpResult = ERROR_NOT_SUPPORTED;
    std::function<std::vector<MIB_IPNETROW>(DWORD ms)> table = [](DWORD) { return std::vector<MIB_IPNETROW>{}; };
    DWORD tableResult = NO_ERROR;  // answered instead of the table when not NO_ERROR
    std::vector<IP_ADAPTER_INFO> adapters;
    std::function<bool(IPAddr dest)> datagramSent = [](IPAddr) { return true; };
    DWORD msPerRead = 0;
    DWORD msPerDatagram = 0;  // how long each datagram takes to go out
    DWORD sleepEndsEarlyBy = 0;  // for sleeps of 10 ms or more, as Wine's may
    DWORD stopAt = MAXDWORD;     // ms since the start when the run is stopped

    DWORD now = kStart;
    int tableCalls = 0;
    int tableReads = 0;
    int adapterCalls = 0;
    std::vector<IPAddr> datagrams;
    std::vector<DWORD> datagramTimes;  // ms since the start, when each went out
    std::vector<DWORD> sleeps;
    struct Look {
        DWORD at;         // ms since the start
        DWORD notBefore;  // ms since the start
    };
    std::vector<Look> looks;
    CArpRequestsAhead ahead;

    ArpPlatform Platform()
    {
        ArpPlatform platform;
        platform.SendARP = [this](IPAddr, IPAddr, void* mac, ULONG* length) {
            if (!mac || !length)
                return sendArpResult == ERROR_NOT_SUPPORTED ? sendArpResult : static_cast<DWORD>(ERROR_INVALID_PARAMETER);
            if (sendArpResult == NO_ERROR) {
                std::memcpy(mac, kTargetMac.data(), 6);
                *length = 6;
            }
            return sendArpResult;
        };
        platform.ReadNeighbourTable = [this](std::vector<MIB_IPNETROW>& rows, DWORD notBefore) -> DWORD {
            ++tableCalls;
            looks.push_back({now - kStart, notBefore - kStart});
            if (tableResult != NO_ERROR)
                return tableResult;
            rows = table(now - kStart);
            ++tableReads;
            now += msPerRead;
            return NO_ERROR;
        };
        platform.GetAdaptersInfo = [this](IP_ADAPTER_INFO* buffer, ULONG* size) -> ULONG {
            ++adapterCalls;
            if (adapters.empty())
                return ERROR_NO_DATA;
            const ULONG needed = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
            if (!buffer || *size < needed) {
                *size = needed;
                return ERROR_BUFFER_OVERFLOW;
            }
            std::memcpy(buffer, adapters.data(), needed);
            for (size_t i = 0; i < adapters.size(); ++i) {
                buffer[i].Next = i + 1 < adapters.size() ? &buffer[i + 1] : nullptr;
                if (adapters[i].IpAddressList.Next)  // a second address, kept in the record
                    buffer[i].IpAddressList.Next = &buffer[i].GatewayList;
            }
            return NO_ERROR;
        };
        platform.SendDatagrams = [this](const std::vector<IPAddr>& dests) {
            std::vector<IPAddr> sent;
            for (IPAddr dest : dests) {
                now += msPerDatagram;
                datagrams.push_back(dest);
                datagramTimes.push_back(now - kStart);
                if (datagramSent(dest))
                    sent.push_back(dest);
            }
            return sent;
        };
        platform.GetTickCount = [this] { return now; };
        platform.Wait = [this](DWORD ms) {
            if (now - kStart >= stopAt)
                return false;
            if (ms == 0)  // only asks whether the run was stopped
                return true;
            sleeps.push_back(ms);
            const DWORD slept = ms >= 10 ? ms - sleepEndsEarlyBy : ms;
            if (now - kStart + slept >= stopAt) {
                now = kStart + stopAt;
                return false;
            }
            now += slept;
            return true;
        };
        platform.RequestsAhead = &ahead;
        return platform;
    }

    DWORD Slept() const
    {
        DWORD total = 0;
        for (DWORD ms : sleeps)
            total += ms;
        return total;
    }
};

// An adapter with one address, or two: the second one is kept in the record's gateway
// list slot and linked from the first (the fake relinks it in the caller's buffer).
IP_ADAPTER_INFO Adapter(const char* address, std::vector<BYTE> mac, const char* second = nullptr)
{
    IP_ADAPTER_INFO adapter{};
    std::snprintf(adapter.Description, sizeof(adapter.Description), "eth0");
    adapter.AddressLength = static_cast<UINT>(mac.size());
    std::memcpy(adapter.Address, mac.data(), mac.size());
    std::snprintf(adapter.IpAddressList.IpAddress.String, 16, "%s", address);
    if (second) {
        std::snprintf(adapter.GatewayList.IpAddress.String, 16, "%s", second);
        adapter.IpAddressList.Next = &adapter.GatewayList;
    }
    return adapter;
}

struct Answer {
    DWORD result;
    std::vector<BYTE> mac;  // the bytes up to the returned length
    ULONG length;
    BYTE buffer[16];
};

Answer Resolve(FakeNetwork& network, IPAddr dest = kTarget, ULONG length = 6)
{
    Answer answer{};
    std::memset(answer.buffer, 0xFF, sizeof(answer.buffer));
    answer.length = length;
    const ArpPlatform platform = network.Platform();
    answer.result = SendArpRequest(platform, dest, 0, answer.buffer, &answer.length);
    if (answer.result == NO_ERROR)
        answer.mac.assign(answer.buffer, answer.buffer + std::min<ULONG>(answer.length, sizeof(answer.buffer)));
    return answer;
}

TEST(ArpResolver, APlatformWithItsOwnArpIsUsedAsItAnswers)
{
    for (DWORD platformResult : {static_cast<DWORD>(NO_ERROR), static_cast<DWORD>(ERROR_BAD_NET_NAME),
                                 static_cast<DWORD>(ERROR_GEN_FAILURE)}) {
        FakeNetwork network;
        network.sendArpResult = platformResult;
        network.table = [](DWORD) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", {9, 9, 9, 9, 9, 9})}; };
        const Answer answer = Resolve(network);
        EXPECT_EQ(answer.result, platformResult);
        if (platformResult == NO_ERROR) {
            EXPECT_EQ(answer.mac, kTargetMac);
        }
        EXPECT_TRUE(network.datagrams.empty());
        EXPECT_EQ(network.tableCalls, 0);
        EXPECT_EQ(network.adapterCalls, 0);
    }
}

// Which entries of the table answer for the requested address.
TEST(ArpResolver, OnlyACompleteEntryOfTheRequestedAddressAnswers)
{
    struct Case {
        const char* what;
        std::vector<MIB_IPNETROW> rows;
        DWORD result;
        std::vector<BYTE> mac;
    };
    const Case cases[] = {
        {"the entry among others", {Row("192.168.1.1", {1, 1, 1, 1, 1, 1}), Row("192.168.1.20", kTargetMac),
                                    Row("192.168.1.21", {2, 2, 2, 2, 2, 2})}, NO_ERROR, kTargetMac},
        {"only other addresses have MACs", {Row("192.168.1.2", {1, 2, 3, 4, 5, 6}), Row("192.168.1.200", {6, 5, 4, 3, 2, 1}),
                                            Row("10.168.1.20", {7, 7, 7, 7, 7, 7})}, ERROR_BAD_NET_NAME, {}},
        {"still resolving: all zero", {Resolving("192.168.1.20"), Row("192.168.1.2", {1, 2, 3, 4, 5, 6})},
         ERROR_BAD_NET_NAME, {}},
        {"given up, with a MAC left in it", {Row("192.168.1.20", {1, 2, 3, 4, 5, 6}, MIB_IPNET_TYPE_INVALID)},
         ERROR_BAD_NET_NAME, {}},
        {"no hardware address length", {Row("192.168.1.20", {})}, ERROR_BAD_NET_NAME, {}},
        {"a stale zero entry before the complete one", {Resolving("192.168.1.20"), Row("192.168.1.20", kTargetMac)},
         NO_ERROR, kTargetMac},
        {"a static entry", {Row("192.168.1.20", kTargetMac, MIB_IPNET_TYPE_STATIC)}, NO_ERROR, kTargetMac},
        {"zeros but one byte", {Row("192.168.1.20", {0, 0, 0, 0, 0, 1})}, NO_ERROR, {0, 0, 0, 0, 0, 1}},
        {"empty table", {}, ERROR_BAD_NET_NAME, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeNetwork network;
        network.table = [&c](DWORD) { return c.rows; };
        const Answer answer = Resolve(network);
        EXPECT_EQ(answer.result, c.result);
        EXPECT_EQ(answer.mac, c.mac);
        ASSERT_EQ(network.datagrams.size(), 1u) << "one datagram sets the system's ARP off";
        EXPECT_EQ(network.datagrams[0], kTarget);
        if (c.result == NO_ERROR) {
            EXPECT_EQ(answer.length, c.mac.size());
            EXPECT_EQ(answer.buffer[6], 0xFF) << "nothing written past the address";
            EXPECT_TRUE(network.sleeps.empty()) << "a known answer comes at once";
        }
    }
}

// Looks at 0, 20, 120, ..., 720 ms, then none until the last one at 1100 ms.
TEST(ArpResolver, AnAnswerIsFoundAtTheFirstLookAfterItCame)
{
    struct Case {
        DWORD answeredAt;
        DWORD foundAt;
    };
    // The last case is the answer to the kernel's repeated request, 1 s after a first one
    // that was lost.
    const Case cases[] = {{0, 0}, {15, 20}, {20, 20}, {500, 520}, {720, 720}, {721, 1100}, {1050, 1100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answeredAt);
        FakeNetwork network;
        network.table = [&c](DWORD ms) {
            return std::vector<MIB_IPNETROW>{Row("192.168.1.9", {3, 3, 3, 3, 3, 3}),
                                             ms < c.answeredAt ? Resolving("192.168.1.20") : Row("192.168.1.20", kTargetMac)};
        };
        const Answer answer = Resolve(network);
        EXPECT_EQ(answer.result, static_cast<DWORD>(NO_ERROR));
        EXPECT_EQ(answer.mac, kTargetMac);
        EXPECT_EQ(network.now - kStart, c.foundAt);
    }
}

TEST(ArpResolver, NoAnswerByTheLastLookIsBadNetName)
{
    FakeNetwork network;
    network.table = [](DWORD) { return std::vector<MIB_IPNETROW>{Resolving("192.168.1.20")}; };
    const Answer answer = Resolve(network);
    EXPECT_EQ(answer.result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_EQ(network.sleeps, (std::vector<DWORD>{20, 100, 100, 100, 100, 100, 100, 100, 100, 280}));
    ASSERT_EQ(network.looks.size(), 10u);
    // The polls make do with a copy read up to 300 ms before they asked; the last look needs
    // one read from 1100 ms on, whoever began it.
    for (size_t i = 0; i + 1 < network.looks.size(); ++i)
        EXPECT_EQ(network.looks[i].notBefore, network.looks[i].at - 300) << "look " << i;
    EXPECT_EQ(network.looks.back().at, 1100u);
    EXPECT_EQ(network.looks.back().notBefore, 1100u);
    EXPECT_EQ(std::memcmp(answer.buffer, std::vector<BYTE>(16, 0xFF).data(), 16), 0) << "the buffer is untouched";
    EXPECT_EQ(answer.length, 6u);

    // Sleeps that end early bring no read into the quiet time before the last look.
    FakeNetwork early;
    early.sleepEndsEarlyBy = 3;
    early.table = network.table;
    EXPECT_EQ(Resolve(early).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    ASSERT_FALSE(early.looks.empty());
    EXPECT_EQ(early.looks.back().at, 1100u);
    for (size_t i = 0; i + 1 < early.looks.size(); ++i)
        EXPECT_LE(early.looks[i].at, 800u) << "look " << i;
}

TEST(ArpResolver, SlowTableReadsDoNotStretchTheWait)
{
    FakeNetwork network;
    network.msPerRead = 70;
    network.table = [](DWORD) { return std::vector<MIB_IPNETROW>{Resolving("192.168.1.20")}; };
    EXPECT_EQ(Resolve(network).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_EQ(network.looks.back().at, 1100u);
    EXPECT_EQ(network.now - kStart, 1100 + network.msPerRead);
}

TEST(ArpResolver, ARequestSentAheadWaitsFromItsDatagram)
{
    const IPAddr first = Ip("192.168.1.21");
    const IPAddr failed = Ip("192.168.1.22");
    const IPAddr late = Ip("192.168.1.23");
    FakeNetwork network;
    network.datagramSent = [failed](IPAddr dest) { return dest != failed; };
    network.table = [](DWORD) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", kTargetMac)}; };
    SendArpRequestsAhead(network.Platform(), {kTarget, first, failed, late});
    EXPECT_EQ(network.datagrams, (std::vector<IPAddr>{kTarget, first, failed, late}));
    network.datagramSent = [](IPAddr) { return true; };

    // An answer already there: found without another datagram.
    network.now += 400;
    EXPECT_EQ(Resolve(network).mac, kTargetMac);
    EXPECT_EQ(network.datagrams.size(), 4u);

    // A silent one asked 400 ms after its datagram has its last look 1100 ms after it.
    network.looks.clear();
    EXPECT_EQ(Resolve(network, first).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_EQ(network.datagrams.size(), 4u);
    EXPECT_EQ(network.now - kStart, 1100u);
    EXPECT_EQ(network.looks.back().notBefore, 1100u);

    // One whose datagram could not be sent, and one not sent ahead, send their own.
    network.now = kStart + 500;
    for (IPAddr own : {failed, Ip("192.168.1.99")}) {
        network.datagrams.clear();
        const DWORD asked = network.now;
        EXPECT_EQ(Resolve(network, own).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
        EXPECT_EQ(network.datagrams, std::vector<IPAddr>{own});
        EXPECT_EQ(network.now - asked, 1100u);
    }

    // Once the wait of the datagram sent ahead is over, a request sends nothing and takes
    // the last look at once, at a table read since then.
    network.datagrams.clear();
    network.looks.clear();
    network.now = kStart + 1500;
    EXPECT_EQ(Resolve(network, late).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_TRUE(network.datagrams.empty());
    EXPECT_EQ(network.now - kStart, 1500u);
    ASSERT_EQ(network.looks.size(), 1u);
    EXPECT_EQ(network.looks[0].notBefore, 1100u);
}

TEST(ArpResolver, SlowDatagramsSentAheadEachGetTheirWholeWait)
{
    // Three datagrams taking 400 ms each: none of them may be given up less than 1100 ms
    // after it went out, whichever the request.
    const std::vector<IPAddr> dests = {kTarget, Ip("192.168.1.21"), Ip("192.168.1.22")};
    FakeNetwork network;
    network.msPerDatagram = 400;
    network.table = [](DWORD) { return std::vector<MIB_IPNETROW>{}; };
    SendArpRequestsAhead(network.Platform(), dests);
    ASSERT_EQ(network.datagramTimes, (std::vector<DWORD>{400, 800, 1200}));
    const DWORD sendsEnded = network.now;
    for (size_t i = 0; i < dests.size(); ++i) {
        SCOPED_TRACE(i);
        network.now = sendsEnded;
        network.looks.clear();
        EXPECT_EQ(Resolve(network, dests[i]).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
        EXPECT_EQ(network.datagrams.size(), dests.size()) << "nothing sent again";
        ASSERT_FALSE(network.looks.empty());
        EXPECT_GE(network.looks.back().notBefore, network.datagramTimes[i] + 1100);
        EXPECT_GE(network.looks.back().at, network.datagramTimes[i] + 1100);
    }
}

// A run whose requests went out together: each request resolved in turn, each from the moment
// its probe starts (by default as the datagrams went out), as the run's probes do side by side.
struct LossyRun {
    FakeNetwork network;
    std::vector<IPAddr> dests;

    LossyRun(std::vector<IPAddr> sent, std::function<std::vector<MIB_IPNETROW>(DWORD ms)> table) : dests(std::move(sent))
    {
        network.table = std::move(table);
        SendArpRequestsAhead(network.Platform(), dests);
    }

    Answer Resolve(IPAddr dest, DWORD startedAfterMs = 0)
    {
        network.now = kStart + startedAfterMs;
        network.looks.clear();
        return ::Resolve(network, dest);
    }
};

TEST(ArpResolver, AHostThatAnsweredOnlyTheRepeatGivesTheSilentOnesTheThirdRequest)
{
    const IPAddr early = kTarget, repeat = Ip("192.168.1.21"), third = Ip("192.168.1.22"), absent = Ip("192.168.1.23");
    // .20 answers the first request, .21 only the repeat (1 s), .22 only the third (2 s).
    const auto table = [](DWORD ms) {
        std::vector<MIB_IPNETROW> rows{Row("192.168.1.20", kTargetMac), Resolving("192.168.1.23")};
        rows.push_back(ms >= 1010 ? Row("192.168.1.21", {2, 0, 0, 0, 0, 0x21}) : Resolving("192.168.1.21"));
        rows.push_back(ms >= 2010 ? Row("192.168.1.22", {2, 0, 0, 0, 0, 0x22}) : Resolving("192.168.1.22"));
        return rows;
    };
    LossyRun run({early, repeat, third, absent}, table);
    EXPECT_EQ(run.Resolve(early).mac, kTargetMac);
    EXPECT_EQ(run.Resolve(repeat).mac, (std::vector<BYTE>{2, 0, 0, 0, 0, 0x21}));
    EXPECT_EQ(run.network.looks.back().notBefore, 1100u);

    EXPECT_EQ(run.Resolve(third).mac, (std::vector<BYTE>{2, 0, 0, 0, 0, 0x22}));
    EXPECT_EQ(run.network.looks.back().notBefore, 2100u);
    // No polls while waiting for the third request: the last look at 1100 ms, then 2100 ms.
    ASSERT_GE(run.network.looks.size(), 2u);
    EXPECT_EQ(run.network.looks[run.network.looks.size() - 2].notBefore, 1100u);

    EXPECT_EQ(run.Resolve(absent).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_EQ(run.network.now - kStart, 2100u);
    EXPECT_EQ(run.network.datagrams.size(), 4u) << "the system repeats its requests; nothing is sent again";
}

TEST(ArpResolver, ALinkThatLosesNothingCostsNoThirdLook)
{
    const IPAddr early = kTarget, other = Ip("192.168.1.21"), absent = Ip("192.168.1.23");
    struct Case {
        const char* what;
        std::function<std::vector<MIB_IPNETROW>(DWORD ms)> table;
        std::vector<IPAddr> resolvedFirst;
        DWORD startedAfterMs;  // when their probes start
    };
    const auto everyHostAnswered = [](DWORD) {
        return std::vector<MIB_IPNETROW>{Row("192.168.1.20", kTargetMac), Row("192.168.1.21", {2, 0, 0, 0, 0, 0x21}),
                                         Resolving("192.168.1.23")};
    };
    const Case cases[] = {
        {"every host answered the first request", everyHostAnswered, {early, other}, 0},
        // Under load a probe's thread may start late: an answer it has not looked for yet is
        // no sign of a lost request.
        {"every host answered, their probes started late", everyHostAnswered, {}, 0},
        {"every host answered, their probes started just before the last look", everyHostAnswered, {early, other}, 1050},
        {"no host answered at all", [](DWORD) { return std::vector<MIB_IPNETROW>{Resolving("192.168.1.23")}; }, {}, 0},
        // A late entry for an address this run did not send to says nothing about the link.
        {"a late answer from elsewhere",
         [](DWORD ms) {
             std::vector<MIB_IPNETROW> rows{Row("192.168.1.20", kTargetMac)};
             if (ms >= 1010)
                 rows.push_back(Row("192.168.1.99", {2, 0, 0, 0, 0, 0x99}));
             return rows;
         },
         {early},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LossyRun run({early, other, absent}, c.table);
        for (IPAddr dest : c.resolvedFirst)
            EXPECT_EQ(run.Resolve(dest, c.startedAfterMs).result, static_cast<DWORD>(NO_ERROR));
        EXPECT_EQ(run.Resolve(absent).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
        EXPECT_EQ(run.network.now - kStart, 1100u);
        EXPECT_EQ(run.network.looks.back().notBefore, 1100u);
    }

    // A request that sent its own datagram is no part of a run: it waits for the repeat only.
    FakeNetwork alone;
    alone.table = [](DWORD ms) {
        return std::vector<MIB_IPNETROW>{ms >= 1010 ? Row("192.168.1.21", {2, 0, 0, 0, 0, 0x21}) : Resolving("192.168.1.21"),
                                         Resolving("192.168.1.20")};
    };
    EXPECT_EQ(Resolve(alone).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_EQ(alone.now - kStart, 1100u);
}

// A run whose probes get no thread probes its addresses itself, one after another, once the
// datagrams are out: together they wait no longer than the run's own silent addresses do.
TEST(ArpResolver, AddressesWithoutAThreadCostOneLookAfterTheRunsWait)
{
    struct Case {
        const char* what;
        std::function<std::vector<MIB_IPNETROW>(DWORD ms)> table;
        DWORD endsAt;  // ms after the datagrams
        size_t found;
    };
    const Case cases[] = {
        {"ten silent addresses", [](DWORD) { return std::vector<MIB_IPNETROW>{}; }, 1100, 0},
        // .21 answers only the repeated request: the silent ones wait for the third, together.
        {"one answers only the repeat",
         [](DWORD ms) {
             return std::vector<MIB_IPNETROW>{ms >= 1010 ? Row("192.168.1.21", {2, 0, 0, 0, 0, 0x21}) : Resolving("192.168.1.21")};
         },
         2100, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeNetwork network;
        network.table = c.table;
        const ArpPlatform arp = network.Platform();
        const ScanRunPlatform run{
            [&arp](const std::vector<IPAddr>& dests) { SendArpRequestsAhead(arp, dests); },
            [](const std::shared_ptr<const HostProbeTask>&) { return CHandle(); },
            [](DWORD, const HANDLE*, DWORD) -> DWORD {
                ADD_FAILURE() << "no thread to wait for";
                return WAIT_FAILED;
            },
            nullptr,  // no late reports
        };
        const HostProbePlatform probes{
            [&arp](IPAddr dest, IPAddr source, void* mac, ULONG* length) {
                return SendArpRequest(arp, dest, source, mac, length);
            },
            [](const sockaddr*, int, char*, DWORD, int) { return EAI_NONAME; },
            nullptr,
            nullptr,
            nullptr,
        };
        const auto results = std::make_shared<CScanResultsQueue>();
        HostProbeTask probe{};
        probe.Results = results;
        probe.Platform = std::make_shared<const HostProbePlatform>(probes);
        EXPECT_EQ(ProbeRange(run, ScanRange{0xC0A80115, 0xC0A8011E}, probe), 10u);  // 192.168.1.21 to .30
        EXPECT_EQ(network.datagrams.size(), 10u) << "a datagram sent again";
        EXPECT_EQ(network.now - kStart, c.endsAt);
        std::vector<ScanResult> found;
        results->Take(found, SIZE_MAX);
        EXPECT_EQ(found.size(), 2 * c.found) << "found and named";
    }
}

TEST(ArpResolver, AStopEndsTheRequestAtOnceWithoutAnotherLook)
{
    struct Case {
        const char* what;
        DWORD stopAt;  // ms after the datagrams
        size_t looks;  // before the stop
    };
    // Polls at 0, 20, 120, ..., 720 ms; the last look at 1100 ms, the third at 2100 ms.
    const Case cases[] = {
        {"before the request", 0, 0},
        {"in the pause after the first poll", 10, 1},
        {"between polls", 500, 6},
        {"in the quiet before the last look", 950, 9},
        {"while waiting for the third request", 1500, 10},
    };
    const IPAddr repeat = Ip("192.168.1.21");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // .21 answers only the repeated request, so the silent .20 waits for the third one.
        LossyRun run({kTarget, repeat}, [](DWORD ms) {
            return std::vector<MIB_IPNETROW>{Resolving("192.168.1.20"), ms >= 1010 ? Row("192.168.1.21", {2, 0, 0, 0, 0, 0x21})
                                                                               : Resolving("192.168.1.21")};
        });
        EXPECT_EQ(run.Resolve(repeat).result, static_cast<DWORD>(NO_ERROR));

        run.network.stopAt = c.stopAt;
        const Answer answer = run.Resolve(kTarget);
        EXPECT_EQ(answer.result, static_cast<DWORD>(ERROR_CANCELLED));
        EXPECT_EQ(run.network.now - kStart, c.stopAt) << "ended when the stop came";
        EXPECT_EQ(run.network.looks.size(), c.looks);
        EXPECT_EQ(run.network.datagrams.size(), 2u);
        EXPECT_EQ(std::memcmp(answer.buffer, std::vector<BYTE>(16, 0xFF).data(), 16), 0) << "the buffer is untouched";
    }

    // A request that would send its own datagram sends none once stopped.
    FakeNetwork stopped;
    stopped.stopAt = 0;
    EXPECT_EQ(Resolve(stopped).result, static_cast<DWORD>(ERROR_CANCELLED));
    EXPECT_TRUE(stopped.datagrams.empty());
    EXPECT_EQ(stopped.tableCalls, 0);
    EXPECT_EQ(stopped.adapterCalls, 0);
}

TEST(ArpResolver, TheSystemsWaitsEndWhenItsOwnCopyOfTheStopIsSet)
{
    // Only the waits are tried here: a request of the system's platform would reach the network.
    const CHandle stop(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(stop);
    HANDLE given = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), stop.Get(), ::GetCurrentProcess(), &given, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    const std::shared_ptr<const ArpPlatform> platform = MakeSystemArpPlatform(given);
    ::CloseHandle(given);  // the platform keeps a handle of its own
    EXPECT_TRUE(platform->Wait(0));
    EXPECT_TRUE(platform->Wait(1));
    ASSERT_TRUE(::SetEvent(stop.Get()));
    EXPECT_FALSE(platform->Wait(0));
    EXPECT_FALSE(platform->Wait(60000));

    const std::shared_ptr<const ArpPlatform> unstoppable = MakeSystemArpPlatform(nullptr);
    EXPECT_TRUE(unstoppable->Wait(0));
    EXPECT_TRUE(unstoppable->Wait(1));
}

TEST(ArpResolver, NothingIsSentAheadWhereTheSystemHasItsOwnArp)
{
    for (DWORD platformResult : {static_cast<DWORD>(NO_ERROR), static_cast<DWORD>(ERROR_BAD_NET_NAME)}) {
        FakeNetwork network;
        network.sendArpResult = platformResult;
        SendArpRequestsAhead(network.Platform(), {kTarget, Ip("192.168.1.21")});
        EXPECT_TRUE(network.datagrams.empty());
    }
    // Nor without a record to keep them in.
    FakeNetwork unrecorded;
    ArpPlatform platform = unrecorded.Platform();
    platform.RequestsAhead = nullptr;
    SendArpRequestsAhead(platform, {kTarget});
    EXPECT_TRUE(unrecorded.datagrams.empty());
}

TEST(ArpResolver, TheOwnAdaptersAddressAnswersAtOnceWithItsHardwareAddress)
{
    FakeNetwork network;
    network.adapters = {Adapter("10.0.0.5", {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}),
                        Adapter("192.168.1.37", {0x02, 0x5A, 0x00, 0x00, 0x00, 0x25}, "192.168.1.20")};
    // Its first address and its second one.
    for (const char* own : {"192.168.1.37", "192.168.1.20"}) {
        SCOPED_TRACE(own);
        const Answer answer = Resolve(network, Ip(own));
        EXPECT_EQ(answer.result, static_cast<DWORD>(NO_ERROR));
        EXPECT_EQ(answer.mac, (std::vector<BYTE>{0x02, 0x5A, 0x00, 0x00, 0x00, 0x25}));
    }
    EXPECT_TRUE(network.datagrams.empty());
    EXPECT_EQ(network.tableCalls, 0);
    EXPECT_TRUE(network.sleeps.empty());

    // Another address of the same network is not the machine itself.
    network.table = [](DWORD) { return std::vector<MIB_IPNETROW>{Row("192.168.1.38", kTargetMac)}; };
    EXPECT_EQ(Resolve(network, Ip("192.168.1.38")).mac, kTargetMac);
    EXPECT_EQ(network.datagrams.size(), 1u);
}

TEST(ArpResolver, TheEntryIsFoundInALargeTable)
{
    std::vector<MIB_IPNETROW> rows;
    char address[16];
    for (int i = 0; i < 300; ++i) {
        std::snprintf(address, sizeof(address), "10.1.%d.%d", i / 200, i % 200 + 1);
        rows.push_back(Row(address, {1, 2, 3, 4, 5, static_cast<BYTE>(i)}));
    }
    rows.push_back(Row("192.168.1.20", kTargetMac));

    FakeNetwork network;
    network.table = [&rows](DWORD) { return rows; };
    EXPECT_EQ(Resolve(network).mac, kTargetMac);
    EXPECT_EQ(network.tableReads, 1);
}

TEST(ArpResolver, TableFailuresAreNotAnswers)
{
    FakeNetwork unsupported;
    unsupported.tableResult = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(Resolve(unsupported).result, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_TRUE(unsupported.sleeps.empty()) << "nothing to wait for";

    // A passing failure: the next look finds the entry.
    FakeNetwork passing;
    passing.table = [](DWORD) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", kTargetMac)}; };
    passing.tableResult = ERROR_GEN_FAILURE;
    ArpPlatform platform = passing.Platform();
    auto table = platform.ReadNeighbourTable;
    platform.ReadNeighbourTable = [&passing, table](std::vector<MIB_IPNETROW>& rows, DWORD notBefore) {
        if (passing.tableCalls == 2)
            passing.tableResult = NO_ERROR;
        return table(rows, notBefore);
    };
    BYTE mac[16];
    ULONG length = 6;
    EXPECT_EQ(SendArpRequest(platform, kTarget, 0, mac, &length), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(std::vector<BYTE>(mac, mac + length), kTargetMac);
}

TEST(ArpResolver, WithoutTheDatagramOnlyWhatTheSystemKnowsCounts)
{
    FakeNetwork known;
    known.datagramSent = [](IPAddr) { return false; };
    known.table = [](DWORD) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", kTargetMac)}; };
    EXPECT_EQ(Resolve(known).mac, kTargetMac);

    FakeNetwork unknown;
    unknown.datagramSent = [](IPAddr) { return false; };
    unknown.table = [](DWORD) { return std::vector<MIB_IPNETROW>{Resolving("192.168.1.20")}; };
    EXPECT_EQ(Resolve(unknown).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_TRUE(unknown.sleeps.empty()) << "no waiting for an answer nothing asked for";
}

TEST(ArpResolver, TheCallersLengthBoundsWhatIsWritten)
{
    struct Case {
        const char* what;
        ULONG callerLength;
        std::vector<BYTE> entry;
        DWORD result;
        ULONG lengthOut;
    };
    const Case cases[] = {
        {"room for six", 6, kTargetMac, NO_ERROR, 6},
        {"more room than needed", 16, kTargetMac, NO_ERROR, 6},
        {"eight bytes in sixteen", 16, {1, 2, 3, 4, 5, 6, 7, 8}, NO_ERROR, 8},
        {"eight bytes in six", 6, {1, 2, 3, 4, 5, 6, 7, 8}, ERROR_BUFFER_OVERFLOW, 6},
        {"five", 5, kTargetMac, ERROR_BUFFER_OVERFLOW, 5},
        {"one", 1, kTargetMac, ERROR_BUFFER_OVERFLOW, 1},
        {"none", 0, kTargetMac, ERROR_BUFFER_OVERFLOW, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeNetwork network;
        network.table = [&c](DWORD) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", c.entry)}; };
        const Answer answer = Resolve(network, kTarget, c.callerLength);
        EXPECT_EQ(answer.result, c.result);
        EXPECT_EQ(answer.length, c.lengthOut);
        for (ULONG i = answer.result == NO_ERROR ? answer.length : 0; i < sizeof(answer.buffer); ++i)
            EXPECT_EQ(answer.buffer[i], 0xFF) << "byte " << i;
        if (c.callerLength < 6) {
            EXPECT_TRUE(network.datagrams.empty()) << "refused before anything is sent";
        }
    }

    FakeNetwork network;
    const ArpPlatform platform = network.Platform();
    BYTE mac[6];
    ULONG length = 6;
    EXPECT_EQ(SendArpRequest(platform, kTarget, 0, nullptr, &length), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SendArpRequest(platform, kTarget, 0, mac, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(network.datagrams.empty());
}

}  // namespace

namespace {

// A made-up GetAdaptersInfo: `count` adapters 10.0.N.1, each also 10.1.N.1 in a second
// address record stored after the adapters, as the system keeps them; the list may grow by
// one adapter between a caller's size query and its read.
class CGrowingAdapterList {
public:
    explicit CGrowingAdapterList(int count) : m_Count(count) {}

    ULONG operator()(IP_ADAPTER_INFO* buffer, ULONG* size)
    {
        ++m_Calls;
        const ULONG needed = Bytes(m_Count);
        if (!buffer || *size < needed) {
            *size = needed;
            if (m_GrowAfterSizeQuery) {
                m_GrowAfterSizeQuery = false;
                ++m_Count;
            }
            return ERROR_BUFFER_OVERFLOW;
        }
        auto* seconds = reinterpret_cast<IP_ADDR_STRING*>(buffer + m_Count);
        for (int i = 0; i < m_Count; ++i) {
            IP_ADAPTER_INFO& adapter = buffer[i];
            adapter = IP_ADAPTER_INFO{};
            adapter.Index = static_cast<DWORD>(i + 1);
            std::snprintf(adapter.IpAddressList.IpAddress.String, 16, "10.0.%d.1", i);
            seconds[i] = IP_ADDR_STRING{};
            std::snprintf(seconds[i].IpAddress.String, 16, "10.1.%d.1", i);
            adapter.IpAddressList.Next = &seconds[i];
            adapter.Next = i + 1 < m_Count ? &buffer[i + 1] : nullptr;
        }
        return NO_ERROR;
    }

    static ULONG Bytes(int count) { return static_cast<ULONG>(count * (sizeof(IP_ADAPTER_INFO) + sizeof(IP_ADDR_STRING))); }

    int m_Count;
    int m_Calls = 0;
    bool m_GrowAfterSizeQuery = false;
};

// What a caller reads through the cache, every link checked to lie in its own buffer.
struct ReadList {
    ULONG result = ERROR_GEN_FAILURE;
    std::vector<std::string> addresses;  // "first second" per adapter
    bool linksInside = true;
};

ReadList ReadThrough(CAdapterListCache& cache)
{
    ReadList read;
    ULONG size = 0;
    read.result = cache.Read(nullptr, &size);
    if (read.result != ERROR_BUFFER_OVERFLOW)
        return read;
    std::vector<IP_ADAPTER_INFO> buffer(size / sizeof(IP_ADAPTER_INFO) + 1);
    size = static_cast<ULONG>(buffer.size() * sizeof(IP_ADAPTER_INFO));
    read.result = cache.Read(buffer.data(), &size);
    if (read.result != NO_ERROR)
        return read;
    const auto* begin = reinterpret_cast<const BYTE*>(buffer.data());
    const auto inside = [&](const void* p) {
        const auto* at = static_cast<const BYTE*>(p);
        return at >= begin && at < begin + size;
    };
    for (const IP_ADAPTER_INFO* adapter = buffer.data(); adapter; adapter = adapter->Next) {
        read.linksInside = read.linksInside && inside(adapter);
        const IP_ADDR_STRING* second = adapter->IpAddressList.Next;
        read.linksInside = read.linksInside && second && inside(second);
        read.addresses.push_back(std::string(adapter->IpAddressList.IpAddress.String) + " " +
                                 (second ? second->IpAddress.String : "-"));
    }
    return read;
}

}  // namespace

// Several adapters with two addresses each come out linked within the reader's own buffer;
// one copy serves for a second; a list that grew between the size query and the read is an
// error that the next read mends, never a half-copied list.
TEST(AdapterListCache, CopiesAreLinkedInTheCallersBufferAndAGrowingListIsReadAgain)
{
    CGrowingAdapterList source(3);
    DWORD now = 5000;
    CAdapterListCache cache([&source](IP_ADAPTER_INFO* b, ULONG* s) { return source(b, s); }, [&now] { return now; });

    const ReadList first = ReadThrough(cache);
    ASSERT_EQ(first.result, static_cast<ULONG>(NO_ERROR));
    EXPECT_TRUE(first.linksInside);
    EXPECT_EQ(first.addresses, (std::vector<std::string>{"10.0.0.1 10.1.0.1", "10.0.1.1 10.1.1.1", "10.0.2.1 10.1.2.1"}));
    const int callsForFirst = source.m_Calls;
    EXPECT_EQ(callsForFirst, 2) << "a size query and a read";

    now += CAdapterListCache::kMaxAgeMs - 1;
    EXPECT_EQ(ReadThrough(cache).addresses.size(), 3u);
    EXPECT_EQ(source.m_Calls, callsForFirst) << "read again within a second";

    now += 1;
    source.m_GrowAfterSizeQuery = true;
    const ReadList grown = ReadThrough(cache);
    EXPECT_EQ(grown.result, static_cast<ULONG>(ERROR_GEN_FAILURE));
    EXPECT_TRUE(grown.addresses.empty());

    const ReadList again = ReadThrough(cache);
    ASSERT_EQ(again.result, static_cast<ULONG>(NO_ERROR)) << "the failure was kept";
    EXPECT_TRUE(again.linksInside);
    EXPECT_EQ(again.addresses.size(), 4u);
    EXPECT_EQ(again.addresses.back(), "10.0.3.1 10.1.3.1");
}
