#include "LocalNetwork.h"

#include "net/HostNameText.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

LocalNetworkRecord LocalNetworkInfo{};

const char* const ExcludedAdapterKeywords[5] = {"vmware", "vpn", "virtualbox", "bluetooth", "tap-windows"};

namespace {

template <size_t N>
void CopyText(char (&target)[N], const char* source)
{
    std::snprintf(target, N, "%s", source ? source : "");
}

bool IsExcludedDescription(const char* description)
{
    std::string lower(description);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    for (const char* keyword : ExcludedAdapterKeywords) {
        if (lower.find(keyword) != std::string::npos)
            return true;
    }
    return false;
}

bool QualifiesForScan(const IP_ADAPTER_INFO& adapter)
{
    const char* address = adapter.IpAddressList.IpAddress.String;
    return adapter.Type != MIB_IF_TYPE_LOOPBACK
        && !IsExcludedDescription(adapter.Description)
        && std::strcmp(address, "0.0.0.0") != 0
        && std::strcmp(address, "127.0.0.1") != 0
        && std::strcmp(adapter.IpAddressList.IpMask.String, "0.0.0.0") != 0
        && std::strcmp(adapter.GatewayList.IpAddress.String, "0.0.0.0") != 0;
}

// The platform's records carry fixed 16-byte address texts; make sure a bad one ends.
template <size_t N>
void Terminate(char (&text)[N])
{
    text[N - 1] = '\0';
}

}  // namespace

const DiscoveryPlatform& SystemDiscoveryPlatform()
{
    static const DiscoveryPlatform platform{
        [](char* name, int size) { return ::gethostname(name, size); },
        [](IP_ADAPTER_INFO* buffer, ULONG* size) { return ::GetAdaptersInfo(buffer, size); },
    };
    return platform;
}

void GetLocalNetInfo()
{
    GetLocalNetInfo(SystemDiscoveryPlatform());
}

void GetLocalNetInfo(const DiscoveryPlatform& platform)
{
    LocalNetworkInfo = DiscoverLocalNetwork(platform);
}

LocalNetworkRecord DiscoverLocalNetwork(const DiscoveryPlatform& platform)
{
    LocalNetworkRecord info{};

    if (platform.GetHostName(info.HostName, sizeof(info.HostName)) == 0) {
        Terminate(info.HostName);
        CapitalizeFirstLetter(info.HostName);
    } else {
        info.HostName[0] = '\0';
    }

    std::vector<IP_ADAPTER_INFO> adapters = ReadAdapterList(platform.GetAdaptersInfo);
    for (IP_ADAPTER_INFO* adapter = adapters.empty() ? nullptr : adapters.data(); adapter; adapter = adapter->Next) {
        Terminate(adapter->Description);
        Terminate(adapter->IpAddressList.IpAddress.String);
        Terminate(adapter->IpAddressList.IpMask.String);
        Terminate(adapter->GatewayList.IpAddress.String);
        if (!QualifiesForScan(*adapter))
            continue;
        CopyText(info.LocalAddress, adapter->IpAddressList.IpAddress.String);
        CopyText(info.GatewayAddress, adapter->GatewayList.IpAddress.String);
        CalcStartAndEndAddress(adapter->IpAddressList.IpAddress.String, adapter->IpAddressList.IpMask.String, info);
        FormatAddress(info.FirstHost, info.FirstHostText, sizeof(info.FirstHostText));
        FormatAddress(info.LastHost, info.LastHostText, sizeof(info.LastHostText));
        break;
    }
    return info;
}

std::vector<IP_ADAPTER_INFO> ReadAdapterList(const GetAdaptersInfoFunction& getAdaptersInfo)
{
    ULONG size = 0;
    if (getAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0)
        return {};
    // IP_ADAPTER_INFO needs its natural alignment; a byte array would not promise it.
    std::vector<IP_ADAPTER_INFO> adapters;
    try {
        adapters.resize((size + sizeof(IP_ADAPTER_INFO) - 1) / sizeof(IP_ADAPTER_INFO));
    } catch (const std::bad_alloc&) {
        return {};
    }
    size = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
    if (getAdaptersInfo(adapters.data(), &size) != NO_ERROR)
        return {};
    return adapters;
}

void CalcStartAndEndAddress(const char* address, const char* mask)
{
    CalcStartAndEndAddress(address, mask, LocalNetworkInfo);
}

void CalcStartAndEndAddress(const char* address, const char* mask, LocalNetworkRecord& record)
{
    uint32_t a = 0;
    uint32_t m = 0;
    if (!ParseAddress(address, a) || !ParseAddress(mask, m))
        return;
    const uint32_t network = a & m;
    const uint32_t broadcast = network | ~m;
    record.FirstHost = network + 1;
    record.LastHost = broadcast - 1;
}

const char* ValidateManualRange(const ScanRange& range)
{
    if (range.Start == 0 || range.End == 0)
        return "Specify valid IP address range for scanning operation";
    if (((range.Start ^ range.End) & 0xFFFFFF00u) != 0)
        return "Invalid IP address range is specified. You can scan only 256 Hosts (*.*.*.0/24) at a time.\n\n"
               "Example of valid address range, 192.168.1.0-192.168.1.255    ";
    if (range.End < range.Start)
        return "'End Host Address' must be greater than 'Start Host Address'";
    return nullptr;
}

void ClampRangeEnd(ScanRange& range)
{
    if ((range.End & 0xFFu) == 0xFFu)
        range.End &= ~1u;
}
