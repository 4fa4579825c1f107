// What the program knows of its own network, found once at start-up, and the rules every
// scan range obeys.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "net/Ipv4Address.h"

#include <cstdint>
#include <functional>
#include <vector>

// What a probe must know of this computer, as discovery found it; each run carries a copy.
struct LocalHostFacts {
    char HostName[500];
    char LocalAddress[200];
    char GatewayAddress[100];
};

struct LocalNetworkRecord : LocalHostFacts {
    uint32_t FirstHost;  // host order, first octet most significant
    uint32_t LastHost;
    char FirstHostText[100];  // empty: no usable adapter was found
    char LastHostText[100];
};

inline LocalHostFacts LocalHostFactsOf(const LocalNetworkRecord& network)
{
    return network;
}

// The process-wide record that GetLocalNetInfo fills. Windows and runs keep copies of
// their own (DiscoverLocalNetwork): no probe reads this one.
extern LocalNetworkRecord LocalNetworkInfo;

struct ScanRange {
    uint32_t Start;  // both ends inclusive, host order
    uint32_t End;
};

// Adapters whose description holds one of these (lower case) are virtual or tunnels.
extern const char* const ExcludedAdapterKeywords[5];

using GetAdaptersInfoFunction = std::function<ULONG(IP_ADAPTER_INFO* buffer, ULONG* size)>;

// The platform calls discovery makes; tests put adapter tables behind them.
struct DiscoveryPlatform {
    std::function<int(char* name, int size)> GetHostName;
    GetAdaptersInfoFunction GetAdaptersInfo;
};

// The adapter records as GetAdaptersInfo links them, the first at data(); empty when the
// list cannot be had (no adapters, a failing call, no memory).
std::vector<IP_ADAPTER_INFO> ReadAdapterList(const GetAdaptersInfoFunction& getAdaptersInfo);
const DiscoveryPlatform& SystemDiscoveryPlatform();

// What the platform tells of the machine's name and its active adapter, as a value.
LocalNetworkRecord DiscoverLocalNetwork(const DiscoveryPlatform& platform);
// The same into LocalNetworkInfo.
void GetLocalNetInfo();
void GetLocalNetInfo(const DiscoveryPlatform& platform);

// The first and last host of the subnet into `record` (LocalNetworkInfo without one).
void CalcStartAndEndAddress(const char* address, const char* mask);
void CalcStartAndEndAddress(const char* address, const char* mask, LocalNetworkRecord& record);

// Null when the range may be scanned, else the message to show.
const char* ValidateManualRange(const ScanRange& range);

void ClampRangeEnd(ScanRange& range);
