// One scan run without its window: a probe thread per address of the range, all started
// before the first wait, waited for in groups, on a worker thread of its own; the range
// rules around it.
#pragma once

#include "scan/HostProbe.h"
#include "scan/LocalNetwork.h"
#include "winlib/Thread.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The most probes one run starts: one /24 block.
constexpr size_t MaxScanHosts = 256;
// One wait takes at most this many handles.
constexpr size_t kScanWaitGroupSize = MAXIMUM_WAIT_OBJECTS;

// How a run starts and waits for its probe threads; tests count and fail them.
struct ScanRunPlatform {
    // SendArpRequestsAhead's contract: called once with every address to be probed (network
    // order), before the first probe starts.
    std::function<void(const std::vector<IPAddr>& dests)> SendArpRequestsAhead;
    // A running thread probing `task`, or null when no thread could be created.
    std::function<HANDLE(HostProbeTask* task)> StartProbe;
    // Returns once every one of the `count` threads has ended.
    std::function<void(DWORD count, const HANDLE* threads)> WaitForAll;
};

// The system's calls of a run and of its probes, sharing one ARP state (see
// MakeSystemArpPlatform) that every copy keeps.
struct ScanPlatforms {
    ScanRunPlatform Run;
    HostProbePlatform Probes;
};
ScanPlatforms SystemScanPlatforms();

// Probes every address of `range` after ClampRangeEnd, at most MaxScanHosts of them, in
// increasing order, until `stop` is set, each reporting to `results` through the calls of
// `probes`. An address whose thread cannot be created is skipped. Returns once every probe
// started has ended; the result is how many started.
size_t ProbeRange(const ScanRunPlatform& platform, ScanRange range, CScanResultsSink* results,
                  const HostProbePlatform* probes = nullptr, const std::atomic<bool>* stop = nullptr);

// One run on a worker thread of its own. The owner keeps the object and its thread handle;
// the thread holds only the run's own state, shared, so a run abandoned by its owner (a
// name look-up may block for seconds) ends on its own, and what it reports then goes
// nowhere the owner still needs.
class CScanRun {
public:
    // Called on the run's thread: once before the first probe starts, and once after the
    // last one has ended, with how many hosts were found.
    struct Events {
        std::function<void()> Started;
        std::function<void(int found)> Ended;
    };

    CScanRun() = default;
    ~CScanRun() { Abandon(); }
    CScanRun(const CScanRun&) = delete;
    CScanRun& operator=(const CScanRun&) = delete;

    // Probes `range` (see ProbeRange) into `results`; false when no thread could be started.
    // A run still under way is abandoned first.
    bool Start(ScanRange range, std::shared_ptr<CScanResultsSink> results, Events events,
               const ScanPlatforms& platforms);
    // The run starts no further probe, and its probes no further request or look-up; those
    // under way end on their own.
    void Stop();
    // True once the thread has ended, waiting at most `ms` for it; also without a run.
    bool Wait(DWORD ms);
    // Stops the run and lets its thread end on its own.
    void Abandon();

private:
    struct State;
    static UINT Worker(LPVOID state);

    std::shared_ptr<State> m_State;
    CHandle m_Thread;
};

// An automatic range (a whole subnet) holding more than MaxScanHosts addresses becomes the
// /24 block of the computer's own address (of its start, should the own address lie outside
// it), .1 to .254; any other range comes back as it is.
ScanRange NarrowAutomaticRange(const ScanRange& range, uint32_t ownAddress);
