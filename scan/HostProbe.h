// The probe of one address: an ARP request, and for a host that answers a row in the
// results list with its MAC address, its name and what it is to us.
#pragma once

#include "winlib/Thread.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

class CEnhancedListCtrl;

// Set by Stop, cleared by every Start; polled by the run and by every probe.
extern std::atomic<bool> StopRequested;

// Makes a probe's reading of the row count and appending of its row one step. The scan run
// owns one per run, created before its first probe starts and destroyed after the last one
// has ended; every task of the run points to it.
constexpr DWORD kRowInsertLockSpinCount = 1024;

// What one probe thread is given. The run keeps it in place until the thread has ended.
struct HostProbeTask {
    char Address[256];  // dotted text
    CEnhancedListCtrl* ResultsList;
    CCriticalSection* RowInsertLock;
};

constexpr size_t kHostNameCapacity = 1000;
constexpr size_t kMacTextCapacity = 256;
constexpr COLORREF kFoundRowTextColor = 255;  // red while the name is looked up
constexpr COLORREF kDoneRowTextColor = 0;
extern const char kFoundDescription[];
extern const char kOwnSystemDescription[];
extern const char kRouterDescription[];
extern const char kPrivateMacDescription[];

// The platform calls of a probe; tests answer them without any traffic.
struct HostProbePlatform {
    std::function<DWORD(IPAddr dest, IPAddr source, void* mac, ULONG* length)> SendARP;
    std::function<int(const sockaddr* address, int length, char* host, DWORD hostSize, int flags)> LookUpName;
};
const HostProbePlatform& SystemHostProbePlatform();

// Thread routine: `task` is a HostProbeTask. Always ends with 0.
DWORD WINAPI HostScanner(LPVOID task);
void ProbeHost(const HostProbeTask& task, const HostProbePlatform& platform);

// The name of the host at a dotted address, first letter capitalised, into `buffer` of
// `size` bytes (cleared first). False without a lookup once a stop is requested.
bool GetHostName(const char* address, char* buffer, size_t size);
bool GetHostName(const HostProbePlatform& platform, const char* address, char* buffer, size_t size);

// The description of a host that is neither this computer nor the router, in the list's code
// page: the maker of its network adapter, or kPrivateMacDescription for a locally
// administered address; empty when the address says nothing (not 6 bytes, no known maker).
std::string MakerDescription(const BYTE* mac, ULONG length);

// "00-1A-2B-3C-4D-5E": each byte as two upper-case hex digits, joined by "-".
void FormatMacAddress(const BYTE* bytes, ULONG length, char* text, size_t size);
