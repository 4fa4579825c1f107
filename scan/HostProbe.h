// The probe of one address: an ARP request, and for a host that answers its MAC address, its
// name and what it is to us, handed as values to the run's results sink.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <atomic>
#include <cstddef>
#include <functional>

// Set by Stop, cleared by every Start; polled by the run and by every probe.
extern std::atomic<bool> StopRequested;

// What a host is to this computer; anything else is described by its MAC address.
enum class HostRole { Other, OwnSystem, Router };

// Where the probes of a run report what they learn. Called from the probes' threads, any
// number at once; an implementation must return without waiting for a window.
class CScanResultsSink {
public:
    virtual ~CScanResultsSink() = default;
    // At once when the host answers, before its name is looked up.
    virtual void OnHostFound(const char* address, const BYTE* mac, ULONG macLength) = 0;
    // Once its name is known (empty when it has none) and its role.
    virtual void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac,
                             ULONG macLength) = 0;
};

struct HostProbePlatform;

// What one probe thread is given. The run keeps it in place until the thread has ended.
struct HostProbeTask {
    char Address[256];  // dotted text
    CScanResultsSink* Results;
    const HostProbePlatform* Platform;
};

constexpr size_t kHostNameCapacity = 1000;
constexpr size_t kMacTextCapacity = 256;

// The platform calls of a probe; tests answer them without any traffic.
struct HostProbePlatform {
    std::function<DWORD(IPAddr dest, IPAddr source, void* mac, ULONG* length)> SendARP;
    std::function<int(const sockaddr* address, int length, char* host, DWORD hostSize, int flags)> LookUpName;
};
// A copy of the system's calls: a run keeps its own, so a probe that outlives the window
// uses nothing the ending program destroys.
HostProbePlatform SystemHostProbePlatform();

// Thread routine: `task` is a HostProbeTask. Always ends with 0.
DWORD WINAPI HostScanner(LPVOID task);
void ProbeHost(const HostProbeTask& task, const HostProbePlatform& platform);

// The name of the host at a dotted address, first letter capitalised, into `buffer` of
// `size` bytes (cleared first). False without a lookup once a stop is requested.
bool GetHostName(const char* address, char* buffer, size_t size);
bool GetHostName(const HostProbePlatform& platform, const char* address, char* buffer, size_t size);

// "00-1A-2B-3C-4D-5E": each byte as two upper-case hex digits, joined by "-".
void FormatMacAddress(const BYTE* bytes, ULONG length, char* text, size_t size);
