// Discovery run for real, under Wine, inside the virtual LAN: what the program finds must
// be the LAN's own figures (tools/virtual-lan.sh puts them in LAN_* variables).
#include "scan/LocalNetwork.h"

#include "LanNames.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LanDiscovery, FindsTheScannersAdapterGatewayAndSubnet)
{
    ASSERT_FALSE(Lan("LAN_SCANNER_ADDR").empty()) << "run inside the virtual LAN (tools/virtual-lan.sh exec)";
    WSADATA wsa;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &wsa), 0);

    GetLocalNetInfo();

    EXPECT_EQ(LocalNetworkInfo.LocalAddress, Lan("LAN_SCANNER_ADDR"));
    EXPECT_EQ(LocalNetworkInfo.GatewayAddress, Lan("LAN_GATEWAY"));
    EXPECT_EQ(LocalNetworkInfo.FirstHostText, Lan("LAN_FIRST_HOST"));
    EXPECT_EQ(LocalNetworkInfo.LastHostText, Lan("LAN_LAST_HOST"));
    EXPECT_STRNE(LocalNetworkInfo.HostName, "");
    ::WSACleanup();
}

}  // namespace
