// One scan run without its window: a probe thread per address of the range, all started
// before the first wait, waited for in groups; the range and summary rules around it.
#pragma once

#include "scan/HostProbe.h"
#include "scan/LocalNetwork.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class CEnhancedListCtrl;

// The most probes one run starts: one /24 block.
constexpr size_t MaxScanHosts = 256;
// One wait takes at most this many handles.
constexpr size_t kScanWaitGroupSize = MAXIMUM_WAIT_OBJECTS;
constexpr size_t kScanSummaryCapacity = 1024;
constexpr int kDescriptionWidthFewRows = 180;
constexpr int kDescriptionWidthManyRows = 163;  // a vertical scroll bar takes the rest
constexpr int kManyRows = 10;

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
const ScanRunPlatform& SystemScanRunPlatform();

// Probes every address of `range` after ClampRangeEnd, at most MaxScanHosts of them, in
// increasing order, until StopRequested. An address whose thread cannot be created is
// skipped. Returns once every probe started has ended; the result is how many started.
size_t ProbeRange(ScanRange range, CEnhancedListCtrl& list, CCriticalSection& rowInsertLock);
size_t ProbeRange(const ScanRunPlatform& platform, ScanRange range, CEnhancedListCtrl* list,
                  CCriticalSection& rowInsertLock);

// An automatic range (a whole subnet) holding more than MaxScanHosts addresses becomes the
// /24 block of the computer's own address (of its start, should the own address lie outside
// it), .1 to .254; any other range comes back as it is.
ScanRange NarrowAutomaticRange(const ScanRange& range, uint32_t ownAddress);

// What the run tells the user at its end, for `rows` hosts found.
void FormatScanSummary(int rows, char* text, size_t size);

// The Description column's width once the run has listed `rows` hosts.
int DescriptionColumnWidth(int rows);
