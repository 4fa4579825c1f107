// The kernel's neighbour table text, as Linux writes it, turned into table rows.
#include "scan/KernelNeighbourTable.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kHeading[] = "IP address       HW type     Flags       HW address            Mask     Device\n";

struct Expected {
    const char* address;
    std::vector<BYTE> mac;
    DWORD type;
};

IPAddr Ip(const char* text)
{
    IN_ADDR address{};
    ::inet_pton(AF_INET, text, &address);
    return address.S_un.S_addr;
}

std::vector<MIB_IPNETROW> Parse(const std::string& text, bool& ok)
{
    std::vector<MIB_IPNETROW> rows;
    ok = ParseKernelNeighbourTable(text.data(), text.size(), rows);
    return rows;
}

TEST(KernelNeighbourTable, EachLineBecomesARowOfItsKind)
{
    struct Case {
        const char* what;
        std::string line;
        std::vector<Expected> rows;
    };
    const Case cases[] = {
        {"complete", "10.77.0.1        0x1         0x2         02:5a:00:00:00:01     *        eth0\n",
         {{"10.77.0.1", {0x02, 0x5A, 0x00, 0x00, 0x00, 0x01}, MIB_IPNET_TYPE_DYNAMIC}}},
        {"permanent", "192.168.1.9      0x1         0x6         AA:bb:CC:dd:EE:ff     *        wlan0\n",
         {{"192.168.1.9", {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}, MIB_IPNET_TYPE_STATIC}}},
        {"still resolving or given up", "10.77.0.200      0x1         0x0         00:00:00:00:00:00     *        eth0\n",
         {{"10.77.0.200", {0, 0, 0, 0, 0, 0}, MIB_IPNET_TYPE_INVALID}}},
        {"last line without its line end", "10.0.0.2 0x1 0x2 00:1a:2b:3c:4d:5e * eth0",
         {{"10.0.0.2", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, MIB_IPNET_TYPE_DYNAMIC}}},
        {"tabs and a CR", "10.0.0.3\t0x1\t0x2\t00:1a:2b:3c:4d:5f\t*\teth0\r\n",
         {{"10.0.0.3", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F}, MIB_IPNET_TYPE_DYNAMIC}}},
        {"eight bytes fit", "10.0.0.4 0x1 0x2 01:02:03:04:05:06:07:08 * eth0\n",
         {{"10.0.0.4", {1, 2, 3, 4, 5, 6, 7, 8}, MIB_IPNET_TYPE_DYNAMIC}}},
        // Left out: what a row cannot hold, and what is not an entry.
        {"a 20-byte address", "10.0.0.5 0x20 0x2 80:00:00:48:fe:80:00:00:00:00:00:00:00:02:c9:03:00:0e:6b:71 * ib0\n", {}},
        {"an IPv6 address", "fe80::1 0x1 0x2 00:1a:2b:3c:4d:5e * eth0\n", {}},
        {"a field missing", "10.0.0.6 0x1 0x2 00:1a:2b:3c:4d:5e *\n", {}},
        {"flags not hex", "10.0.0.7 0x1 zz 00:1a:2b:3c:4d:5e * eth0\n", {}},
        {"one hex digit", "10.0.0.8 0x1 0x2 0:1a:2b:3c:4d:5e * eth0\n", {}},
        {"a byte too many digits", "10.0.0.9 0x1 0x2 001a:2b:3c:4d:5e * eth0\n", {}},
        {"a trailing colon", "10.0.0.10 0x1 0x2 00:1a:2b:3c:4d:5e: * eth0\n", {}},
        {"a field longer than the kernel writes", "10.0.0.11 0x1 0x2 00:1a:2b:3c:4d:5e * " + std::string(300, 'x') + "\n",
         {}},
        {"an empty line", "\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool ok = false;
        const std::vector<MIB_IPNETROW> rows = Parse(kHeading + c.line, ok);
        EXPECT_TRUE(ok);
        ASSERT_EQ(rows.size(), c.rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].dwAddr, Ip(c.rows[i].address));
            EXPECT_EQ(std::vector<BYTE>(rows[i].bPhysAddr, rows[i].bPhysAddr + rows[i].dwPhysAddrLen), c.rows[i].mac);
            EXPECT_EQ(rows[i].dwType, c.rows[i].type);
        }
    }
}

TEST(KernelNeighbourTable, ATableIsReadWholeAndOnlyWithItsHeading)
{
    std::string text = kHeading;
    char line[128];
    for (int host = 1; host <= 254; ++host) {
        std::snprintf(line, sizeof(line), "10.77.0.%-3d       0x1         0x%d         02:5a:00:00:00:%02x     *        eth0\n",
                      host, host % 2 ? 2 : 0, host % 2 ? host : 0);
        text += line;
    }
    bool ok = false;
    const std::vector<MIB_IPNETROW> rows = Parse(text, ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(rows.size(), 254u);
    EXPECT_EQ(rows[252].dwAddr, Ip("10.77.0.253"));
    EXPECT_EQ(rows[252].bPhysAddr[5], 0xFD);
    EXPECT_EQ(rows[253].dwType, static_cast<DWORD>(MIB_IPNET_TYPE_INVALID));

    EXPECT_TRUE(Parse(kHeading, ok).empty());
    EXPECT_TRUE(ok) << "an empty table";
    for (const char* other : {"", "IP addr", "Address HWtype HWaddress Flags Mask Iface\n10.0.0.1 ether 00:1a:2b:3c:4d:5e C eth0\n"}) {
        EXPECT_TRUE(Parse(other, ok).empty());
        EXPECT_FALSE(ok) << other;
    }
}

// Where the kernel's table can be read (Wine on Linux), it keeps GetIpNetTable's contract.
TEST(KernelNeighbourTable, TheFileIsReadWithGetIpNetTablesContract)
{
    ULONG size = 0;
    const DWORD sized = ReadKernelNeighbourTable(nullptr, &size);
    if (sized == ERROR_NOT_SUPPORTED)
        GTEST_SKIP() << "no kernel table here";
    ASSERT_EQ(sized, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_GE(size, offsetof(MIB_IPNETTABLE, table));
    EXPECT_EQ(ReadKernelNeighbourTable(nullptr, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // Room for what it asked and some more entries that may have come meanwhile.
    std::vector<DWORD> buffer((size + 64 * sizeof(MIB_IPNETROW)) / sizeof(DWORD) + 1, 0xFFFFFFFF);
    ULONG room = static_cast<ULONG>(buffer.size() * sizeof(DWORD));
    auto* table = reinterpret_cast<MIB_IPNETTABLE*>(buffer.data());
    const DWORD read = ReadKernelNeighbourTable(table, &room);
    ASSERT_TRUE(read == NO_ERROR || read == ERROR_NO_DATA) << read;
    EXPECT_EQ(room, offsetof(MIB_IPNETTABLE, table) + table->dwNumEntries * sizeof(MIB_IPNETROW));
    EXPECT_EQ(read == ERROR_NO_DATA, table->dwNumEntries == 0);
}

}  // namespace
