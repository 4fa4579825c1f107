#include "scan/HostProbe.h"

#include "net/HostNameText.h"
#include "scan/ArpResolver.h"
#include "scan/HostNameQuery.h"
#include "scan/UpnpQuery.h"
#include "winlib/Thread.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr size_t kHardwareBufferSize = 16;
constexpr ULONG kRequestedAddressLength = 6;

HostRole RoleOf(const char* address, bool isOwnSystem, const LocalHostFacts* local)
{
    if (isOwnSystem)
        return HostRole::OwnSystem;
    if (local && std::strcmp(address, local->GatewayAddress) == 0)
        return HostRole::Router;
    return HostRole::Other;
}

}  // namespace

HostProbePlatform SystemHostProbePlatform(std::shared_ptr<const ArpPlatform> arp, std::shared_ptr<CUpnpSearch> upnp)
{
    HostProbePlatform platform{
        [arp = std::move(arp)](IPAddr dest, IPAddr source, void* mac, ULONG* length) {
            return SendArpRequest(*arp, dest, source, mac, length);
        },
        [](const sockaddr* address, int length, char* host, DWORD hostSize, int flags) {
            return ::getnameinfo(address, length, host, hostSize, nullptr, 0, flags);
        },
        [names = SystemNameQueryPlatform()](uint32_t address) { return AskHostForName(names, address); },
        nullptr,
        nullptr,
    };
    if (upnp) {
        platform.SearchUpnpDevice = [upnp](uint32_t address) { upnp->SearchHost(address); };
        // The search keeps the handler, which holds only the run's results, never the search.
        platform.DescribeUpnpDevice = [upnp](uint32_t address, CUpnpSearch::DeviceHandler onDevice) {
            upnp->DescribeDevice(address, std::move(onDevice));
        };
    }
    return platform;
}

void RunProbe(const HostProbeTask& task) noexcept
{
    if (!task.Platform)
        return;
    try {
        ProbeHost(task, *task.Platform);
    } catch (const std::exception&) {
        // No memory, or a system call that threw: the host keeps what was reported of it.
    }
}

CHandle StartProbeThread(std::shared_ptr<const HostProbeTask> task)
{
    return StartThread([task = std::move(task)] { RunProbe(*task); }, kProbeStackReserve);
}

void ProbeHost(const HostProbeTask& task, const HostProbePlatform& platform)
{
    if (IsSignalled(task.StopEvent()) || !task.Results)
        return;

    // The sink finds the host again by this text: both reports carry exactly the same.
    char address[sizeof(task.Address)];
    std::memcpy(address, task.Address, sizeof(address));
    address[sizeof(address) - 1] = '\0';
    IN_ADDR dest{};
    if (::inet_pton(AF_INET, address, &dest) != 1)
        return;
    BYTE hardware[kHardwareBufferSize];
    std::memset(hardware, 0xFF, sizeof(hardware));
    ULONG length = kRequestedAddressLength;
    if (platform.SendARP(dest.S_un.S_addr, 0, hardware, &length) != NO_ERROR)
        return;
    length = std::min<ULONG>(length, sizeof(hardware));
    task.Results->OnHostFound(address, hardware, length);

    const LocalHostFacts* local = task.Local.get();
    const bool isOwnSystem = local && ::_stricmp(address, local->LocalAddress) == 0;
    const bool ownNamed = isOwnSystem && local->HostName[0];
    // The host's UPnP answer comes while its names are looked up.
    const uint32_t hostAddress = ::ntohl(dest.S_un.S_addr);
    if (!ownNamed && platform.SearchUpnpDevice && !IsSignalled(task.StopEvent()))
        platform.SearchUpnpDevice(hostAddress);
    char hostName[kHostNameCapacity] = {};
    const char* name = hostName;
    if (ownNamed)
        name = local->HostName;
    else if (!IsSignalled(task.StopEvent())) {
        try {
            // Left empty when it fails.
            GetHostName(platform, address, hostName, sizeof(hostName), task.StopEvent());
        } catch (const std::exception&) {
            // Listed all the same, without a name: a found host that is never named stays
            // "Found! Getting Host Name Now...." in red.
            std::memset(hostName, 0, sizeof(hostName));
        }
    }
    const HostRole role = RoleOf(address, isOwnSystem, local);
    task.Results->OnHostNamed(address, name, role, hardware, length, "");

    // Its device is told apart, whenever its description has been read: its answer may take
    // until the search's window ends, and neither the row nor this thread waits for it.
    if (ownNamed || !platform.DescribeUpnpDevice || IsSignalled(task.StopEvent()))
        return;
    platform.DescribeUpnpDevice(
        hostAddress, [results = task.Results, host = std::string(address), found = std::string(hostName), role,
                      mac = std::vector<BYTE>(hardware, hardware + length)](const UpnpDevice& device) {
            char shownName[kHostNameCapacity] = {};
            std::memcpy(shownName, found.data(), std::min(found.size(), sizeof(shownName) - 1));
            const std::string description = ApplyUpnpDevice(device, shownName, sizeof(shownName));
            if (!description.empty() || found.empty() != (shownName[0] == '\0'))
                results->OnHostNamed(host.c_str(), shownName, role, mac.data(), static_cast<ULONG>(mac.size()),
                                     description.c_str());
        });
}

bool GetHostName(const HostProbePlatform& platform, const char* address, char* buffer, size_t size, HANDLE stop)
{
    if (!buffer || size == 0)
        return false;
    std::memset(buffer, 0, size);
    if (!address)
        return false;
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(0);
    if (::inet_pton(AF_INET, address, &socketAddress.sin_addr) != 1)
        return false;
    const auto capacity = static_cast<DWORD>(std::min<size_t>(size, MAXDWORD));
    if (platform.LookUpName(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof(socketAddress), buffer,
                             capacity, NI_NAMEREQD) != 0) {
        std::memset(buffer, 0, size);
        // No DNS name: the host's own, cut to the buffer like one; after a stop no query goes out.
        if (IsSignalled(stop))
            return false;
        const std::string own =
            platform.AskHostName ? platform.AskHostName(::ntohl(socketAddress.sin_addr.S_un.S_addr)) : std::string();
        if (own.empty())
            return false;
        std::memcpy(buffer, own.data(), std::min(own.size(), size - 1));
    }
    // The name comes from the network: whatever came back ends within the buffer.
    buffer[size - 1] = '\0';
    CapitalizeFirstLetter(buffer);
    return true;
}

void FormatMacAddress(const BYTE* bytes, ULONG length, char* text, size_t size)
{
    if (!text || size == 0)
        return;
    text[0] = '\0';
    if (!bytes)
        return;
    size_t used = 0;
    for (ULONG i = 0; i < length; ++i) {
        const char* format = i + 1 < length ? "%.2X-" : "%.2X";
        const int written = std::snprintf(text + used, size - used, format, static_cast<unsigned>(bytes[i]));
        if (written < 0 || static_cast<size_t>(written) >= size - used) {
            text[used] = '\0';  // no half-written byte at the end
            return;
        }
        used += static_cast<size_t>(written);
    }
}
