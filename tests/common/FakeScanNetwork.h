// A made-up network for whole runs: real probe threads, but ARP answers and names come from
// the test, with no socket and no traffic.
#pragma once

#include "scan/HostProbe.h"
#include "scan/ScanRun.h"
#include "winlib/Thread.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

// 10.20.30.0/24: the router .1, a desktop .7, this computer .40 and a nameless host .200
// (and more where a test adds them).
// Every name look-up waits until the test releases them (or kDeadlineMs); every thread of
// the run is kept to be joined, also by the destructor.
class CFakeScanNetwork {
public:
    static constexpr DWORD kDeadlineMs = 20000;

    CFakeScanNetwork();
    ~CFakeScanNetwork();
    CFakeScanNetwork(const CFakeScanNetwork&) = delete;
    CFakeScanNetwork& operator=(const CFakeScanNetwork&) = delete;

    // The calls of a run and of its probes; the object outlives every thread they start.
    ScanPlatforms Platforms();
    // The same for each run, as a window asks for them.
    ScanPlatformsFactory PlatformsForEachRun();

    // From now on no thread starts for an address for which `fails` is true (dotted).
    void FailThreadStarts(std::function<bool(const std::string& address)> fails) { m_FailStart = std::move(fails); }
    // From now on every wait for probe threads fails at once.
    void FailWaits() { m_FailWaits = true; }
    // How many waits for a single thread have failed.
    int FailedThreadWaits() const { return m_FailedThreadWaits; }

    // `count` more hosts, unnamed, from 10.20.30.100 on: enough rows for several result slices.
    void AddUnnamedHosts(int count);
    // How many runs have asked for their calls.
    int PlatformsMade() const { return m_PlatformsMade; }

    int LookupsWaiting() const { return m_LookupsWaiting; }
    // Look-ups that have returned, released or given up.
    int LookupsDone() const { return m_LookupsDone; }
    void ReleaseLookups() { ::SetEvent(m_Release.Get()); }
    // Look-ups from now on wait again (for a second run).
    void HoldLookups() { ::ResetEvent(m_Release.Get()); }

    // True once the run's thread and every probe thread have ended.
    bool JoinAll(DWORD timeoutMs);

private:
    struct Host {
        std::vector<BYTE> mac;
        const char* name;  // null: no name
    };

    void Keep(HANDLE thread);

    std::map<std::string, Host> m_Hosts;
    std::function<bool(const std::string&)> m_FailStart = [](const std::string&) { return false; };
    std::atomic<bool> m_FailWaits{false};
    std::atomic<int> m_FailedThreadWaits{0};
    CHandle m_Release{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> m_PlatformsMade{0};
    std::atomic<int> m_LookupsWaiting{0};
    std::atomic<int> m_LookupsDone{0};
    std::atomic<DWORD> m_RunThread{0};
    CCriticalSection m_ThreadsLock;
    std::vector<CHandle> m_Threads;
};
