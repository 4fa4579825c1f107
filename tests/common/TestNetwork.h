// What tests of probes and runs share about the network they make up.
#pragma once

#include "scan/LocalNetwork.h"

#include <string>

// An address in network order as dotted text.
std::string Dotted(IPAddr address);

// This computer's network as a test makes it up (its name, its address, the router's), in
// place of what discovery found, until the object goes.
class CLocalNetworkOverride {
public:
    CLocalNetworkOverride(const char* hostName, const char* localAddress, const char* gatewayAddress);
    ~CLocalNetworkOverride() { LocalNetworkInfo = m_Saved; }
    CLocalNetworkOverride(const CLocalNetworkOverride&) = delete;
    CLocalNetworkOverride& operator=(const CLocalNetworkOverride&) = delete;

private:
    LocalNetworkRecord m_Saved;
};
