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

LocalHostFacts MadeUpComputer(const char* hostName, const char* localAddress, const char* gatewayAddress)
{
    LocalHostFacts facts{};
    std::snprintf(facts.HostName, sizeof(facts.HostName), "%s", hostName);
    std::snprintf(facts.LocalAddress, sizeof(facts.LocalAddress), "%s", localAddress);
    std::snprintf(facts.GatewayAddress, sizeof(facts.GatewayAddress), "%s", gatewayAddress);
    return facts;
}
