#include "TestNetwork.h"

#include <ws2tcpip.h>

#include <cstdio>

std::string Dotted(IPAddr address)
{
    char text[16] = {};
    IN_ADDR in{};
    in.S_un.S_addr = address;
    ::inet_ntop(AF_INET, &in, text, sizeof(text));
    return text;
}

CLocalNetworkOverride::CLocalNetworkOverride(const char* hostName, const char* localAddress,
                                             const char* gatewayAddress)
    : m_Saved(LocalNetworkInfo)
{
    LocalNetworkInfo = LocalNetworkRecord{};
    std::snprintf(LocalNetworkInfo.HostName, sizeof(LocalNetworkInfo.HostName), "%s", hostName);
    std::snprintf(LocalNetworkInfo.LocalAddress, sizeof(LocalNetworkInfo.LocalAddress), "%s", localAddress);
    std::snprintf(LocalNetworkInfo.GatewayAddress, sizeof(LocalNetworkInfo.GatewayAddress), "%s", gatewayAddress);
}
