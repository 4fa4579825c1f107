#include "scan/HostProbe.h"

#include "controls/EnhancedListCtrl.h"
#include "net/MacMakers.h"
#include "report/TextConversion.h"
#include "scan/ArpResolver.h"
#include "scan/LocalNetwork.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

std::atomic<bool> StopRequested{false};

const char kFoundDescription[] = "Found! Getting Host Name Now....";
const char kOwnSystemDescription[] = "This is your current system";
const char kRouterDescription[] = "This is your Router";
const char kPrivateMacDescription[] = "Private MAC address (randomised)";

namespace {

constexpr size_t kHardwareBufferSize = 16;
constexpr ULONG kRequestedAddressLength = 6;

enum ResultColumn { kNameColumn = 1, kMacColumn = 2, kDescriptionColumn = 3 };

// The row comes with its MAC address and the interim text in red at once. The list queues
// it and counts and inserts on its own thread, so the probe does not wait for the window;
// the run's lock, held as the run expects of its probes, now costs nothing.
void AppendFoundRow(const HostProbeTask& task, const char* address, const char* macText)
{
    const CSingleLock lock(*task.RowInsertLock);
    task.ResultsList->AppendRow(address, 0, {{kMacColumn, macText}, {kDescriptionColumn, kFoundDescription}},
                                kFoundRowTextColor);
}

std::string DescribeHost(const char* address, bool isOwnSystem, const BYTE* mac, ULONG macLength)
{
    if (isOwnSystem)
        return kOwnSystemDescription;
    if (std::strcmp(address, LocalNetworkInfo.GatewayAddress) == 0)
        return kRouterDescription;
    return MakerDescription(mac, macLength);
}

}  // namespace

const HostProbePlatform& SystemHostProbePlatform()
{
    // Never destroyed: probes may still run while the ending program destroys its statics.
    static const HostProbePlatform& platform = *std::make_unique<HostProbePlatform>(HostProbePlatform{
        [](IPAddr dest, IPAddr source, void* mac, ULONG* length) { return SendArpRequest(dest, source, mac, length); },
        [](const sockaddr* address, int length, char* host, DWORD hostSize, int flags) {
            return ::getnameinfo(address, length, host, hostSize, nullptr, 0, flags);
        },
    }).release();
    return platform;
}

DWORD WINAPI HostScanner(LPVOID task)
{
    if (!task)
        return 0;
    try {
        ProbeHost(*static_cast<const HostProbeTask*>(task), SystemHostProbePlatform());
    } catch (const std::bad_alloc&) {
        // A probe reports nothing to the run; the host is just not listed or left unfinished.
    }
    return 0;
}

void ProbeHost(const HostProbeTask& task, const HostProbePlatform& platform)
{
    char macText[kMacTextCapacity] = {};
    if (StopRequested || !task.ResultsList || !task.RowInsertLock)
        return;

    // Every row is found again by this text, so it must be exactly what was inserted.
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
    FormatMacAddress(hardware, length, macText, sizeof(macText));

    AppendFoundRow(task, address, macText);

    const bool isOwnSystem = ::_stricmp(address, LocalNetworkInfo.LocalAddress) == 0;
    char hostName[kHostNameCapacity] = {};
    const char* name = hostName;
    if (isOwnSystem && LocalNetworkInfo.HostName[0])
        name = LocalNetworkInfo.HostName;
    else
        GetHostName(platform, address, hostName, sizeof(hostName));  // left empty when it fails
    // The user may sort the list at any time: the row is found again by its address.
    const std::string description = DescribeHost(address, isOwnSystem, hardware, length);
    task.ResultsList->SetRowByKey(address, {{kNameColumn, name}, {kDescriptionColumn, description.c_str()}},
                                  kDoneRowTextColor);
}

bool GetHostName(const char* address, char* buffer, size_t size)
{
    return GetHostName(SystemHostProbePlatform(), address, buffer, size);
}

bool GetHostName(const HostProbePlatform& platform, const char* address, char* buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    std::memset(buffer, 0, size);
    if (StopRequested || !address)
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
        return false;
    }
    // The name comes from the network: whatever came back ends within the buffer.
    buffer[size - 1] = '\0';
    CapitalizeFirstLetter(buffer);
    return true;
}

std::string MakerDescription(const BYTE* mac, ULONG length)
{
    if (!mac || length != kMacAddressLength)
        return std::string();
    if (IsLocallyAdministered(mac))
        return kPrivateMacDescription;
    // The registries' names are UTF-8; the list shows the system's code page.
    return FromWide(ToWide(std::string(MacMaker(mac)), CP_UTF8), CP_ACP);
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
