// What tests of probes and runs share about the network they make up.
#pragma once

#include "scan/HostProbe.h"

#include <string>

// An address in network order as dotted text.
std::string Dotted(IPAddr address);

// This computer as a test makes it up: its name, its address, the router's.
LocalHostFacts MadeUpComputer(const char* hostName, const char* localAddress, const char* gatewayAddress);
