// Discovery through a made-up adapter table instead of the machine's adapters.
#pragma once

#include "scan/LocalNetwork.h"

#include <vector>

struct Adapter {
    UINT type;
    const char* description;
    const char* address;
    const char* mask;
    const char* gateway;
};

IP_ADAPTER_INFO MakeRecord(const Adapter& a);

// A platform whose adapter list is the given table, linked in the caller's buffer the way
// the system links it; gethostname gives hostName, or fails for null.
DiscoveryPlatform TablePlatform(std::vector<Adapter> adapters, const char* hostName = "myhost");
