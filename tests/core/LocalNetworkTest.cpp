#include "scan/LocalNetwork.h"
#include "net/HostNameText.h"
#include "AdapterTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const Adapter kLoopback{MIB_IF_TYPE_LOOPBACK, "Software Loopback Interface 1", "127.0.0.1", "255.0.0.0", "0.0.0.0"};
const Adapter kVmware{MIB_IF_TYPE_ETHERNET, "VMware Virtual Ethernet Adapter for VMnet8", "192.168.80.1", "255.255.255.0", "192.168.80.2"};
const Adapter kWireless{IF_TYPE_IEEE80211, "Intel(R) Wireless-AC 9560", "192.168.1.37", "255.255.255.0", "192.168.1.1"};
const Adapter kWired{MIB_IF_TYPE_ETHERNET, "Realtek PCIe GbE Family Controller", "10.0.0.5", "255.255.255.0", "10.0.0.1"};

std::string Dotted(uint32_t address)
{
    char text[16];
    FormatAddress(address, text, sizeof(text));
    return text;
}

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override { std::memset(&LocalNetworkInfo, 'x', sizeof(LocalNetworkInfo)); }
};

TEST_F(DiscoveryTest, ChoosesTheFirstPhysicalAdapterWithAGateway)
{
    GetLocalNetInfo(TablePlatform({kLoopback, kVmware, kWireless}));
    EXPECT_STREQ(LocalNetworkInfo.HostName, "Myhost");
    EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "192.168.1.37");
    EXPECT_STREQ(LocalNetworkInfo.GatewayAddress, "192.168.1.1");
    EXPECT_STREQ(LocalNetworkInfo.FirstHostText, "192.168.1.1");
    EXPECT_STREQ(LocalNetworkInfo.LastHostText, "192.168.1.254");
    EXPECT_EQ(LocalNetworkInfo.FirstHost, 0xC0A80101u);
    EXPECT_EQ(LocalNetworkInfo.LastHost, 0xC0A801FEu);
}

TEST_F(DiscoveryTest, PassesOverAdaptersThatCannotBeScanned)
{
    struct Case {
        const char* what;
        Adapter adapter;
    };
    const Case cases[] = {
        {"loopback type", {MIB_IF_TYPE_LOOPBACK, "Ethernet", "10.1.1.5", "255.255.255.0", "10.1.1.1"}},
        {"VPN in capitals", {MIB_IF_TYPE_ETHERNET, "Contoso VPN Client", "10.1.1.5", "255.255.255.0", "10.1.1.1"}},
        {"vpn inside a word", {MIB_IF_TYPE_ETHERNET, "Openvpnish Adapter", "10.1.1.5", "255.255.255.0", "10.1.1.1"}},
        {"TAP-Windows", {MIB_IF_TYPE_ETHERNET, "TAP-Windows Adapter V9", "10.1.1.5", "255.255.255.0", "10.1.1.1"}},
        {"VirtualBox", {MIB_IF_TYPE_ETHERNET, "VirtualBox Host-Only Ethernet Adapter", "10.1.1.5", "255.255.255.0", "10.1.1.1"}},
        {"Bluetooth", {MIB_IF_TYPE_ETHERNET, "Bluetooth Device (Personal Area Network)", "10.1.1.5", "255.255.255.0", "10.1.1.1"}},
        {"no address", {MIB_IF_TYPE_ETHERNET, "Ethernet", "0.0.0.0", "255.255.255.0", "10.1.1.1"}},
        {"loopback address", {MIB_IF_TYPE_ETHERNET, "Ethernet", "127.0.0.1", "255.0.0.0", "10.1.1.1"}},
        {"no mask", {MIB_IF_TYPE_ETHERNET, "Ethernet", "10.1.1.5", "0.0.0.0", "10.1.1.1"}},
        {"no gateway", {MIB_IF_TYPE_ETHERNET, "Ethernet", "10.1.1.5", "255.255.255.0", "0.0.0.0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Alone it leaves the network unfound; ahead of a good adapter it is skipped.
        GetLocalNetInfo(TablePlatform({c.adapter}));
        EXPECT_STREQ(LocalNetworkInfo.FirstHostText, "");
        EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "");
        EXPECT_EQ(LocalNetworkInfo.FirstHost, 0u);
        GetLocalNetInfo(TablePlatform({c.adapter, kWired}));
        EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "10.0.0.5");
    }
}

TEST_F(DiscoveryTest, AnAddressOrMaskThatDoesNotConvertStillCountsAsFound)
{
    const Adapter cases[] = {
        {MIB_IF_TYPE_ETHERNET, "Ethernet", "10.1.1.x", "255.255.255.0", "10.1.1.1"},
        {MIB_IF_TYPE_ETHERNET, "Ethernet", "10.1.1.5", "255.255.x.0", "10.1.1.1"},
    };
    for (const Adapter& adapter : cases) {
        SCOPED_TRACE(std::string(adapter.address) + "/" + adapter.mask);
        GetLocalNetInfo(TablePlatform({adapter, kWired}));
        EXPECT_STREQ(LocalNetworkInfo.LocalAddress, adapter.address) << "chosen ahead of the next adapter";
        EXPECT_STREQ(LocalNetworkInfo.GatewayAddress, "10.1.1.1");
        EXPECT_EQ(LocalNetworkInfo.FirstHost, 0u);
        EXPECT_EQ(LocalNetworkInfo.LastHost, 0u);
        EXPECT_STREQ(LocalNetworkInfo.FirstHostText, "0.0.0.0");
        EXPECT_STREQ(LocalNetworkInfo.LastHostText, "0.0.0.0");
    }
}

TEST_F(DiscoveryTest, AFirstAddressOfNoneIsPassedOverWhateverTheSecondOne)
{
    DiscoveryPlatform platform = TablePlatform({kWired});
    platform.GetAdaptersInfo = [](IP_ADAPTER_INFO* buffer, ULONG* size) -> ULONG {
        const ULONG needed = 2 * sizeof(IP_ADAPTER_INFO);
        if (!buffer || *size < needed) {
            *size = needed;
            return ERROR_BUFFER_OVERFLOW;
        }
        // The first adapter's second address is valid and lies in its record's gateway slot.
        buffer[0] = MakeRecord({MIB_IF_TYPE_ETHERNET, "Ethernet", "0.0.0.0", "255.255.255.0", "192.168.5.1"});
        std::snprintf(buffer[0].GatewayList.IpAddress.String, 16, "%s", "192.168.5.20");
        std::snprintf(buffer[0].GatewayList.IpMask.String, 16, "%s", "255.255.255.0");
        buffer[0].IpAddressList.Next = &buffer[0].GatewayList;
        buffer[0].Next = &buffer[1];
        buffer[1] = MakeRecord(kWired);
        return NO_ERROR;
    };
    GetLocalNetInfo(platform);
    EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "10.0.0.5");
    EXPECT_STREQ(LocalNetworkInfo.FirstHostText, "10.0.0.1");
}

TEST_F(DiscoveryTest, FirstOfTwoQualifyingAdaptersWins)
{
    GetLocalNetInfo(TablePlatform({kWired, kWireless}));
    EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "10.0.0.5");
    GetLocalNetInfo(TablePlatform({kWireless, kWired}));
    EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "192.168.1.37");
}

TEST_F(DiscoveryTest, FailingPlatformCallsLeaveOnlyTheHostName)
{
    GetLocalNetInfo(TablePlatform({}));  // no adapters at all
    EXPECT_STREQ(LocalNetworkInfo.HostName, "Myhost");
    EXPECT_STREQ(LocalNetworkInfo.FirstHostText, "");
    EXPECT_STREQ(LocalNetworkInfo.GatewayAddress, "");

    DiscoveryPlatform secondCallFails = TablePlatform({kWireless});
    secondCallFails.GetAdaptersInfo = [](IP_ADAPTER_INFO* buffer, ULONG* size) -> ULONG {
        if (!buffer) {
            *size = sizeof(IP_ADAPTER_INFO);
            return ERROR_BUFFER_OVERFLOW;
        }
        return ERROR_NOT_SUPPORTED;
    };
    GetLocalNetInfo(secondCallFails);
    EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "");
    EXPECT_STREQ(LocalNetworkInfo.LastHostText, "");

    GetLocalNetInfo(TablePlatform({kWireless}, nullptr));  // gethostname fails
    EXPECT_STREQ(LocalNetworkInfo.HostName, "");
    EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "192.168.1.37");
}

TEST_F(DiscoveryTest, UnterminatedAddressTextsFromThePlatformStayInBounds)
{
    DiscoveryPlatform platform = TablePlatform({kWireless});
    platform.GetAdaptersInfo = [](IP_ADAPTER_INFO* buffer, ULONG* size) -> ULONG {
        if (!buffer) {
            *size = sizeof(IP_ADAPTER_INFO);
            return ERROR_BUFFER_OVERFLOW;
        }
        *buffer = MakeRecord(kWireless);
        std::memset(buffer->GatewayList.IpAddress.String, '7', 16);
        std::memset(buffer->Description, 'a', sizeof(buffer->Description));
        return NO_ERROR;
    };
    GetLocalNetInfo(platform);
    EXPECT_EQ(std::string(LocalNetworkInfo.GatewayAddress), std::string(15, '7'));
    EXPECT_STREQ(LocalNetworkInfo.LocalAddress, "192.168.1.37");
}

TEST(SubnetRange, FirstAndLastHostOfTheAdaptersSubnet)
{
    struct Case {
        const char* address;
        const char* mask;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"192.168.1.37", "255.255.255.0", "192.168.1.1", "192.168.1.254"},
        {"10.0.0.5", "255.255.255.252", "10.0.0.5", "10.0.0.6"},
        {"10.0.0.5", "255.255.255.254", "10.0.0.5", "10.0.0.4"},
        {"10.0.0.5", "255.255.255.255", "10.0.0.6", "10.0.0.4"},
        {"172.16.4.9", "255.255.0.0", "172.16.0.1", "172.16.255.254"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address + std::string("/") + c.mask);
        LocalNetworkInfo.FirstHost = LocalNetworkInfo.LastHost = 0;
        CalcStartAndEndAddress(c.address, c.mask);
        EXPECT_EQ(Dotted(LocalNetworkInfo.FirstHost), c.first);
        EXPECT_EQ(Dotted(LocalNetworkInfo.LastHost), c.last);
    }

    LocalNetworkInfo.FirstHost = 7;
    CalcStartAndEndAddress("not an address", "255.255.255.0");
    EXPECT_EQ(LocalNetworkInfo.FirstHost, 7u);
}

TEST(ManualRange, ChecksRunInOrderAndGiveTheirMessages)
{
    const std::string zero = "Specify valid IP address range for scanning operation";
    const std::string block =
        "Invalid IP address range is specified. You can scan only 256 Hosts (*.*.*.0/24) at a time.\n\n"
        "Example of valid address range, 192.168.1.0-192.168.1.255    ";
    const std::string order = "'End Host Address' must be greater than 'Start Host Address'";
    struct Case {
        uint32_t start;
        uint32_t end;
        std::string message;  // empty: passes
    };
    const Case cases[] = {
        {0xC0A80100, 0xC0A801FF, ""},           // 192.168.1.0 - .255
        {0xC0A8010A, 0xC0A8010A, ""},           // a single address
        {0xC0A8010A, 0xC0A80105, order},        // .10 - .5
        {0xC0A80205, 0xC0A8010A, block},        // block test comes before the order test
        {0, 0xC0A8010A, zero},
        {0xC0A8010A, 0, zero},
        {0xC0A801FF, 0xC0A801FF, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Dotted(c.start) + " - " + Dotted(c.end));
        const char* message = ValidateManualRange(ScanRange{c.start, c.end});
        EXPECT_EQ(message ? std::string(message) : std::string(), c.message);
    }
}

TEST(ManualRange, ClampLowersOnlyABroadcastEnd)
{
    ScanRange range{0xC0A80100, 0xC0A801FF};
    ClampRangeEnd(range);
    EXPECT_EQ(range.End, 0xC0A801FEu);
    EXPECT_EQ(range.Start, 0xC0A80100u);
    ClampRangeEnd(range);
    EXPECT_EQ(range.End, 0xC0A801FEu);

    ScanRange single{0xC0A801FF, 0xC0A801FF};  // passes the check, then holds no address
    ClampRangeEnd(single);
    EXPECT_GT(single.Start, single.End);
}

TEST(HostNames, OnlyALeadingLowerCaseLetterIsCapitalised)
{
    const std::pair<std::string, std::string> cases[] = {
        {"myhost", "Myhost"}, {"desktop-pc", "Desktop-pc"}, {"1host", "1host"},
        {"Myhost", "Myhost"}, {"", ""}, {"\xE9t\xE9", "\xE9t\xE9"},
    };
    for (const auto& [in, out] : cases) {
        std::vector<char> text(in.begin(), in.end());
        text.push_back('\0');
        CapitalizeFirstLetter(text.data());
        EXPECT_STREQ(text.data(), out.c_str());
    }
}

}  // namespace
