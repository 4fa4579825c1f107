#include "scan/ScanRun.h"

#include "scan/ArpResolver.h"
#include "winlib/Thread.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kBlockMask = 0xFFFFFF00;

void WaitInGroups(const ScanRunPlatform& platform, const std::vector<CHandle>& threads)
{
    HANDLE group[kScanWaitGroupSize];
    for (size_t first = 0; first < threads.size(); first += kScanWaitGroupSize) {
        const size_t count = std::min(kScanWaitGroupSize, threads.size() - first);
        for (size_t i = 0; i < count; ++i)
            group[i] = threads[first + i].Get();
        platform.WaitForAll(static_cast<DWORD>(count), group);
    }
}

}  // namespace

const ScanRunPlatform& SystemScanRunPlatform()
{
    static const ScanRunPlatform platform{
        [](const std::vector<IPAddr>& dests) { SendArpRequestsAhead(dests); },
        [](HostProbeTask* task) { return ::CreateThread(nullptr, 0, HostScanner, task, 0, nullptr); },
        [](DWORD count, const HANDLE* threads) { ::WaitForMultipleObjects(count, threads, TRUE, INFINITE); },
    };
    return platform;
}

size_t ProbeRange(ScanRange range, CEnhancedListCtrl& list, CCriticalSection& rowInsertLock)
{
    return ProbeRange(SystemScanRunPlatform(), range, &list, rowInsertLock);
}

size_t ProbeRange(const ScanRunPlatform& platform, ScanRange range, CEnhancedListCtrl* list,
                  CCriticalSection& rowInsertLock)
{
    ClampRangeEnd(range);
    if (range.Start > range.End || StopRequested)
        return 0;
    const uint64_t count = std::min<uint64_t>(uint64_t{range.End} - range.Start + 1, MaxScanHosts);
    std::vector<IPAddr> dests;
    dests.reserve(count);
    for (uint64_t i = 0; i < count; ++i)
        dests.push_back(::htonl(range.Start + static_cast<uint32_t>(i)));
    platform.SendArpRequestsAhead(dests);

    // Both tables are complete before the first thread starts: nothing below allocates
    // while probes run, and the tasks stay in place until every probe has ended.
    const auto tasks = std::make_unique<HostProbeTask[]>(MaxScanHosts);
    std::vector<CHandle> threads;
    threads.reserve(MaxScanHosts);
    for (uint64_t i = 0; i < count && !StopRequested; ++i) {
        HostProbeTask& task = tasks[i];
        FormatAddress(range.Start + static_cast<uint32_t>(i), task.Address, sizeof(task.Address));
        task.ResultsList = list;
        task.RowInsertLock = &rowInsertLock;
        if (HANDLE thread = platform.StartProbe(&task))
            threads.emplace_back(thread);
    }
    WaitInGroups(platform, threads);
    return threads.size();
}

ScanRange NarrowAutomaticRange(const ScanRange& range, uint32_t ownAddress)
{
    if (range.Start > range.End || uint64_t{range.End} - range.Start + 1 <= MaxScanHosts)
        return range;
    // The own address lies in its subnet; should it not, the block at the range's start is
    // still one that belongs to the range.
    const bool ownInRange = ownAddress >= range.Start && ownAddress <= range.End;
    const uint32_t block = (ownInRange ? ownAddress : range.Start) & kBlockMask;
    return ScanRange{block | 1, block | 254};
}

void FormatScanSummary(int rows, char* text, size_t size)
{
    if (!text || size == 0)
        return;
    if (rows > 0)
        std::snprintf(text, size, "Scanning is finished. Currently %d %s are connected to your network.", rows,
                      rows == 1 ? "system" : "systems");
    else
        std::snprintf(text, size, "Scanning is finished. No system is currently connected to your Network");
}

int DescriptionColumnWidth(int rows)
{
    return rows >= kManyRows ? kDescriptionWidthManyRows : kDescriptionWidthFewRows;
}
