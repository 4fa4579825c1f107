// The ARP request where the platform has none: the neighbour table watched for the answer,
// with fake tables and a fake clock.
#include "scan/ArpResolver.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
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

// A network as the resolver sees it: its neighbour table at each read, its adapters, and a
// clock that moves only when the resolver sleeps (or, if asked, on each table read).
struct FakeNetwork {
    DWORD sendArpResult = ERROR_NOT_SUPPORTED;
    std::function<std::vector<MIB_IPNETROW>(int read)> table = [](int) { return std::vector<MIB_IPNETROW>{}; };
    DWORD tableResult = NO_ERROR;  // answered instead of the table when not NO_ERROR
    std::vector<IP_ADAPTER_INFO> adapters;
    bool datagramSent = true;
    DWORD msPerRead = 0;

    DWORD now = 0xFFFFF000;  // close to the wrap of the tick count
    int tableCalls = 0;
    int tableReads = 0;
    int adapterCalls = 0;
    std::vector<IPAddr> datagrams;
    std::vector<DWORD> sleeps;

    ArpPlatform Platform()
    {
        ArpPlatform platform;
        platform.SendARP = [this](IPAddr, IPAddr, void* mac, ULONG* length) {
            if (sendArpResult == NO_ERROR) {
                std::memcpy(mac, kTargetMac.data(), 6);
                *length = 6;
            }
            return sendArpResult;
        };
        platform.ReadNeighbourTable = [this](std::vector<MIB_IPNETROW>& rows) -> DWORD {
            ++tableCalls;
            if (tableResult != NO_ERROR)
                return tableResult;
            rows = table(tableReads);
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
        platform.SendDatagram = [this](IPAddr dest) {
            datagrams.push_back(dest);
            return datagramSent;
        };
        platform.GetTickCount = [this] { return now; };
        platform.Sleep = [this](DWORD ms) {
            sleeps.push_back(ms);
            now += ms;
        };
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
        network.table = [](int) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", {9, 9, 9, 9, 9, 9})}; };
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
        network.table = [&c](int) { return c.rows; };
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

TEST(ArpResolver, AnEntryThatCompletesLaterIsFoundAtTheNextLook)
{
    // Read 12 comes 1.12 s after the datagram: the answer to the kernel's repeated request,
    // 1 s after a first one that was lost, must still count.
    for (int resolvedAtRead : {1, 2, 5, 12}) {
        SCOPED_TRACE(resolvedAtRead);
        FakeNetwork network;
        network.table = [resolvedAtRead](int read) {
            return std::vector<MIB_IPNETROW>{Row("192.168.1.9", {3, 3, 3, 3, 3, 3}),
                                             read < resolvedAtRead ? Resolving("192.168.1.20") : Row("192.168.1.20", kTargetMac)};
        };
        const Answer answer = Resolve(network);
        EXPECT_EQ(answer.result, static_cast<DWORD>(NO_ERROR));
        EXPECT_EQ(answer.mac, kTargetMac);
        EXPECT_EQ(network.tableReads, resolvedAtRead + 1);
        EXPECT_EQ(network.Slept(), ArpTiming::kFirstPollMs + (resolvedAtRead - 1) * ArpTiming::kPollIntervalMs);
    }
}

TEST(ArpResolver, NoAnswerByTheDeadlineIsBadNetName)
{
    FakeNetwork network;
    network.table = [](int) { return std::vector<MIB_IPNETROW>{Resolving("192.168.1.20")}; };
    const Answer answer = Resolve(network);
    EXPECT_EQ(answer.result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_EQ(network.Slept(), ArpTiming::kDeadlineMs);
    ASSERT_FALSE(network.sleeps.empty());
    EXPECT_EQ(network.sleeps.front(), ArpTiming::kFirstPollMs);
    for (size_t i = 1; i + 1 < network.sleeps.size(); ++i)
        EXPECT_EQ(network.sleeps[i], ArpTiming::kPollIntervalMs);
    EXPECT_EQ(network.tableReads, static_cast<int>(network.sleeps.size()) + 1) << "a last look at the deadline";
    EXPECT_EQ(std::memcmp(answer.buffer, std::vector<BYTE>(16, 0xFF).data(), 16), 0) << "the buffer is untouched";
    EXPECT_EQ(answer.length, 6u);
}

TEST(ArpResolver, SlowTableReadsDoNotStretchTheDeadline)
{
    FakeNetwork network;
    network.msPerRead = 70;
    network.table = [](int) { return std::vector<MIB_IPNETROW>{Resolving("192.168.1.20")}; };
    const DWORD start = network.now;
    EXPECT_EQ(Resolve(network).result, static_cast<DWORD>(ERROR_BAD_NET_NAME));
    EXPECT_LE(network.now - start, ArpTiming::kDeadlineMs + network.msPerRead);
    EXPECT_GE(network.now - start, ArpTiming::kDeadlineMs);
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
    network.table = [](int) { return std::vector<MIB_IPNETROW>{Row("192.168.1.38", kTargetMac)}; };
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
    network.table = [&rows](int) { return rows; };
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
    passing.table = [](int) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", kTargetMac)}; };
    passing.tableResult = ERROR_GEN_FAILURE;
    ArpPlatform platform = passing.Platform();
    auto table = platform.ReadNeighbourTable;
    platform.ReadNeighbourTable = [&passing, table](std::vector<MIB_IPNETROW>& rows) {
        if (passing.tableCalls == 2)
            passing.tableResult = NO_ERROR;
        return table(rows);
    };
    BYTE mac[16];
    ULONG length = 6;
    EXPECT_EQ(SendArpRequest(platform, kTarget, 0, mac, &length), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(std::vector<BYTE>(mac, mac + length), kTargetMac);
}

TEST(ArpResolver, WithoutTheDatagramOnlyWhatTheSystemKnowsCounts)
{
    FakeNetwork known;
    known.datagramSent = false;
    known.table = [](int) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", kTargetMac)}; };
    EXPECT_EQ(Resolve(known).mac, kTargetMac);

    FakeNetwork unknown;
    unknown.datagramSent = false;
    unknown.table = [](int) { return std::vector<MIB_IPNETROW>{Resolving("192.168.1.20")}; };
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
        network.table = [&c](int) { return std::vector<MIB_IPNETROW>{Row("192.168.1.20", c.entry)}; };
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
