// CScanResultsQueue: what a run's probes report, kept as values until the owner's thread
// takes them. Probes append from any number of threads; nothing waits for a window.
#pragma once

#include "scan/HostProbe.h"
#include "winlib/Thread.h"

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

// One report of a probe: a host found (its name still to come), or named.
struct ScanResult {
    bool Named = false;
    std::string Address;
    std::vector<BYTE> Mac;
    std::string Name;
    HostRole Role = HostRole::Other;
    std::string Device;  // the maker and model its UPnP description gives
};
// Tells `sink` what `result` reports.
void ReportScanResult(const ScanResult& result, CScanResultsSink& sink);

class CScanResultsQueue : public CScanResultsSink {
public:
    void OnHostFound(const char* address, const BYTE* mac, ULONG macLength) override;
    void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac,
                     ULONG macLength, const char* device) override;

    // Moves at most `max` results, oldest first, into `results`; how many are still queued.
    size_t Take(std::vector<ScanResult>& results, size_t max);
    // True once for results that wait: again only after a Take has emptied the queue.
    bool Announce();

private:
    void Push(ScanResult result);

    // Held for nothing but the queue's own steps.
    CCriticalSection m_Lock;
    std::deque<ScanResult> m_Results;
    bool m_Announced = false;
};
