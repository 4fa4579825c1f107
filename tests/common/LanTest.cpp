#include "LanTest.h"

#include <winsock2.h>

#include <cstdlib>
#include <string>

bool CLanTest::s_WinsockStarted = false;

void CLanTest::SetUpTestSuite()
{
    WSADATA wsa;
    s_WinsockStarted = ::WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
}

void CLanTest::TearDownTestSuite()
{
    if (s_WinsockStarted)
        ::WSACleanup();
    s_WinsockStarted = false;
}

void CLanTest::OnTheLansAdapter(LocalNetworkRecord& network) const
{
    const char* scanner = std::getenv("LAN_SCANNER_ADDR");
    ASSERT_TRUE(scanner && *scanner) << "run inside the virtual LAN (tools/virtual-lan.sh exec)";
    ASSERT_TRUE(s_WinsockStarted);
    network = DiscoverLocalNetwork(SystemDiscoveryPlatform());
    ASSERT_EQ(std::string(network.LocalAddress), scanner) << "not on the virtual LAN's adapter";
}
