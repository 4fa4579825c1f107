// The probe of one address: an ARP request, and for a host that answers its MAC address, its
// name and what it is to us, handed as values to the run's results sink.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "scan/LocalNetwork.h"
#include "winlib/Thread.h"
#include "net/UpnpDescription.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// What a host is to this computer; anything else is described by its MAC address.
enum class HostRole { Other, OwnSystem, Router };

// Where the probes of a run report what they learn. Called from the probes' threads, any
// number at once; an implementation must return without waiting for a window.
class CScanResultsSink {
public:
    virtual ~CScanResultsSink() = default;
    // At once when the host answers, before its name is looked up.
    virtual void OnHostFound(const char* address, const BYTE* mac, ULONG macLength) = 0;
    // Once its name is known (empty when it has none) and its role, with `device` empty; and
    // again once its UPnP description has come, if it tells more: `device` the maker and
    // model it gives, `name` also the device's own where the host had none. The second may
    // come after the probe has ended, but always before the run's end.
    virtual void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac,
                             ULONG macLength, const char* device) = 0;
};

struct ArpPlatform;
struct HostProbePlatform;
class CUpnpSearch;

// What one probe is given: its address, and a share of each thing it uses (a run hands out
// parts of its own state, each pointer sharing the whole), so a probe that holds its task
// holds all it reads, however long it outlives the run's owner.
struct HostProbeTask {
    char Address[256];  // dotted text
    std::shared_ptr<CScanResultsSink> Results;
    std::shared_ptr<const HostProbePlatform> Platform;
    std::shared_ptr<const CHandle> Stop;   // the run's manual-reset event; none: the probe runs to its end
    std::shared_ptr<const LocalHostFacts> Local;  // none: no host is this computer or the router

    HANDLE StopEvent() const { return Stop ? Stop->Get() : nullptr; }
};

// What a probe thread reserves of the address space for its stack. A probe calls the
// system's resolvers (getnameinfo, the DNS client, NetBIOS over TCP), whose depth on Windows
// cannot be measured here, and an overflow ends the whole program: the reservation costs only
// address space (254 threads: 64 MiB of a 32-bit process's 2 GiB; at the default 2 MiB they
// would take a quarter of it).
constexpr SIZE_T kProbeStackReserve = 256 * 1024;

constexpr size_t kHostNameCapacity = 1000;
constexpr size_t kMacTextCapacity = 256;

// The platform calls of a probe; tests answer them without any traffic.
struct HostProbePlatform {
    std::function<DWORD(IPAddr dest, IPAddr source, void* mac, ULONG* length)> SendARP;
    std::function<int(const sockaddr* address, int length, char* host, DWORD hostSize, int flags)> LookUpName;
    // The host's own name (multicast DNS, else NetBIOS) in the system's code page, asked where DNS
    // has none; empty when it gave none. `address` in host order. None set: not asked.
    std::function<std::string(uint32_t address)> AskHostName;
    // A UPnP search to the host, sent once it has answered ARP; its device, asked for once its
    // names are known and told to `onDevice` now or later, from another thread, if ever
    // (CUpnpSearch's contract). None set: not asked.
    std::function<void(uint32_t address)> SearchUpnpDevice;
    std::function<void(uint32_t address, std::function<void(const UpnpDevice& device)> onDevice)> DescribeUpnpDevice;
};
// The system's calls, ARP requests through `arp` and UPnP through the run's `upnp` (none: no
// UPnP), which the copies share: a probe that outlives the window uses nothing but what its
// run holds.
HostProbePlatform SystemHostProbePlatform(std::shared_ptr<const ArpPlatform> arp,
                                          std::shared_ptr<CUpnpSearch> upnp = nullptr);

// A host that answers is reported found, then named: also when its name look-up throws (it is
// named with none); then named again if its UPnP device tells more.
void ProbeHost(const HostProbeTask& task, const HostProbePlatform& platform);
// ProbeHost with the task's platform, at the edge of a thread: what it throws ends the probe
// (the host keeps what was reported), never the thread.
void RunProbe(const HostProbeTask& task) noexcept;
// A thread running RunProbe, holding `task` until it ends; null when none started.
CHandle StartProbeThread(std::shared_ptr<const HostProbeTask> task);

// The name of the host at a dotted address, first letter capitalised, into `buffer` of
// `size` bytes (cleared first): its DNS name, else the name the host itself gives, which is
// not asked for once `stop` (a manual-reset event, or none) is set.
bool GetHostName(const HostProbePlatform& platform, const char* address, char* buffer, size_t size,
                 HANDLE stop = nullptr);

// "00-1A-2B-3C-4D-5E": each byte as two upper-case hex digits, joined by "-".
void FormatMacAddress(const BYTE* bytes, ULONG length, char* text, size_t size);
