// One scan run without its window: a probe thread per address of the range, all started
// before the first wait, waited for in groups, on a worker thread of its own; the range
// rules around it.
#pragma once

#include "scan/HostProbe.h"
#include "scan/LocalNetwork.h"
#include "scan/ScanResultsQueue.h"
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
// How often a waiting run looks for results to announce.
constexpr DWORD kScanNoticeIntervalMs = 25;

// How a run starts and waits for its probe threads; tests count and fail them.
struct ScanRunPlatform {
    // SendArpRequestsAhead's contract: called once with every address to be probed (network
    // order), before the first probe starts.
    std::function<void(const std::vector<IPAddr>& dests)> SendArpRequestsAhead;
    // A running thread probing `task`, which it holds until it ends; null when no thread
    // could be created.
    std::function<CHandle(const std::shared_ptr<const HostProbeTask>& task)> StartProbe;
    // WaitForMultipleObjects's answer for all of `count` threads, waiting at most `ms`.
    std::function<DWORD(DWORD count, const HANDLE* threads, DWORD ms)> WaitForAll;
    // True once no report can come after the probes have ended (a UPnP device read when its
    // late answer came); waits at most about `ms`. None set: none comes.
    std::function<bool(DWORD ms)> WaitForLateReports;
};

// The calls of one run and of its probes.
struct ScanPlatforms {
    ScanRunPlatform Run;
    HostProbePlatform Probes;
};
// The system's calls for one run, with an ARP state of the run's own (see
// MakeSystemArpPlatform) whose waits end when `stop` is signalled.
ScanPlatforms SystemScanPlatforms(HANDLE stop);
using ScanPlatformsFactory = std::function<ScanPlatforms(HANDLE stop)>;
// How a run's worker thread starts (StartThread's contract); tests make it fail.
using RunThreadStart = std::function<CHandle(std::function<void()> body)>;
CHandle StartRunThread(std::function<void()> body);

// Probes every address of `range` after ClampRangeEnd, at most MaxScanHosts of them, in
// increasing order, each with a copy of `probe` holding its address, until `probe.Stop` is
// signalled. An address whose thread cannot be created is probed on the calling thread once
// the others have ended. `whileWaiting` runs about every kScanNoticeIntervalMs meanwhile.
// Returns once every probe has ended, or, where its thread could not be waited for, has let
// go of its task, and the platform's late reports have come (so nothing is reported after
// the return); the result is how many addresses were probed.
size_t ProbeRange(const ScanRunPlatform& platform, ScanRange range, const HostProbeTask& probe,
                  const std::function<void()>& whileWaiting = {});

// What a run is given, as values: nothing of it changes while the run goes on.
struct ScanRequest {
    ScanRange Range;
    LocalHostFacts Local;
};

// One run on a worker thread of its own. The owner keeps the object and its thread handle;
// the worker and the probes share the run's state (its stop event, its ARP state, its queue
// of results, whom to tell), so a run abandoned by its owner (a name look-up may block for
// seconds) ends on its own, and nothing it does then reaches the owner.
class CScanRun {
public:
    // Called on the run's thread, never once the run is abandoned: once before the first
    // probe starts; when results wait in the queue that no call announced since the queue
    // was last emptied; and once after the last probe has ended, with how many hosts were
    // found.
    struct Events {
        std::function<void()> Started;
        std::function<void()> ResultsQueued;
        std::function<void(int found)> Ended;
    };

    CScanRun() = default;
    ~CScanRun() { Abandon(); }
    CScanRun(const CScanRun&) = delete;
    CScanRun& operator=(const CScanRun&) = delete;

    // Probes the request's range (see ProbeRange) with the calls `platforms` makes for the
    // run, on a thread `startThread` starts; false when the run could not start (StartError
    // tells why). A run still under way is abandoned first.
    bool Start(const ScanRequest& request, Events events, const ScanPlatformsFactory& platforms,
               const RunThreadStart& startThread = StartRunThread);
    // The system's error code for why the last Start returned false.
    DWORD StartError() const { return m_StartError; }
    // The run starts no further probe, and its probes no further request or look-up; those
    // under way end on their own.
    void Stop();
    // Moves at most `max` queued results, oldest first, into `results`; how many are still
    // queued.
    size_t TakeResults(std::vector<ScanResult>& results, size_t max);
    // Stops the run, tells the owner nothing more and lets its thread end on its own.
    void Abandon();

private:
    struct State;
    static void Work(const std::shared_ptr<State>& state);
    bool Failed(DWORD error);

    std::shared_ptr<State> m_State;
    CHandle m_Thread;
    DWORD m_StartError = NO_ERROR;
};

// An automatic range (a whole subnet) holding more than MaxScanHosts addresses becomes the
// /24 block of the computer's own address (of its start, should the own address lie outside
// it), .1 to .254; any other range comes back as it is.
ScanRange NarrowAutomaticRange(const ScanRange& range, uint32_t ownAddress);
