#include "AdapterTable.h"

#include <cstdio>

IP_ADAPTER_INFO MakeRecord(const Adapter& a)
{
    IP_ADAPTER_INFO record{};
    record.Type = a.type;
    std::snprintf(record.Description, sizeof(record.Description), "%s", a.description);
    std::snprintf(record.IpAddressList.IpAddress.String, 16, "%s", a.address);
    std::snprintf(record.IpAddressList.IpMask.String, 16, "%s", a.mask);
    std::snprintf(record.GatewayList.IpAddress.String, 16, "%s", a.gateway);
    return record;
}

DiscoveryPlatform TablePlatform(std::vector<Adapter> adapters, const char* hostName)
{
    DiscoveryPlatform platform;
    platform.GetHostName = [hostName](char* name, int size) {
        if (!hostName)
            return SOCKET_ERROR;
        std::snprintf(name, static_cast<size_t>(size), "%s", hostName);
        return 0;
    };
    platform.GetAdaptersInfo = [adapters](IP_ADAPTER_INFO* buffer, ULONG* size) -> ULONG {
        if (adapters.empty())
            return ERROR_NO_DATA;
        const ULONG needed = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
        if (!buffer || *size < needed) {
            *size = needed;
            return ERROR_BUFFER_OVERFLOW;
        }
        for (size_t i = 0; i < adapters.size(); ++i) {
            buffer[i] = MakeRecord(adapters[i]);
            buffer[i].Next = i + 1 < adapters.size() ? &buffer[i + 1] : nullptr;
        }
        return NO_ERROR;
    };
    return platform;
}
