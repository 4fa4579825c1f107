#include "scan/ScanRun.h"

#include "scan/ArpResolver.h"
#include "winlib/Thread.h"

#include <algorithm>
#include <memory>
#include <utility>
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

// Whatever the run's thread uses: the owner's copies of the platforms, the sink, and the
// count of hosts found, which the run takes from the reports passing through.
struct CScanRun::State : CScanResultsSink {
    ScanRange Range{};
    std::shared_ptr<CScanResultsSink> Results;
    Events Notify;
    ScanRunPlatform Platform;
    HostProbePlatform Probes;
    std::atomic<bool> Stop{false};
    std::atomic<int> Found{0};

    void OnHostFound(const char* address, const BYTE* mac, ULONG macLength) override
    {
        ++Found;
        Results->OnHostFound(address, mac, macLength);
    }
    void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac,
                     ULONG macLength) override
    {
        Results->OnHostNamed(address, name, role, mac, macLength);
    }
};

ScanPlatforms SystemScanPlatforms()
{
    const std::shared_ptr<const ArpPlatform> arp = MakeSystemArpPlatform(nullptr);
    return ScanPlatforms{
        ScanRunPlatform{
            [arp](const std::vector<IPAddr>& dests) { SendArpRequestsAhead(*arp, dests); },
            [](HostProbeTask* task) { return ::CreateThread(nullptr, 0, HostScanner, task, 0, nullptr); },
            [](DWORD count, const HANDLE* threads) { ::WaitForMultipleObjects(count, threads, TRUE, INFINITE); },
        },
        SystemHostProbePlatform(arp),
    };
}

size_t ProbeRange(const ScanRunPlatform& platform, ScanRange range, CScanResultsSink* results,
                  const HostProbePlatform* probes, const std::atomic<bool>* stop)
{
    const auto stopped = [stop] { return stop && *stop; };
    ClampRangeEnd(range);
    if (range.Start > range.End || stopped())
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
    for (uint64_t i = 0; i < count && !stopped(); ++i) {
        HostProbeTask& task = tasks[i];
        FormatAddress(range.Start + static_cast<uint32_t>(i), task.Address, sizeof(task.Address));
        task.Results = results;
        task.Platform = probes;
        task.Stop = stop;
        if (HANDLE thread = platform.StartProbe(&task))
            threads.emplace_back(thread);
    }
    WaitInGroups(platform, threads);
    return threads.size();
}

bool CScanRun::Start(ScanRange range, std::shared_ptr<CScanResultsSink> results, Events events,
                     const ScanPlatforms& platforms)
{
    Abandon();
    auto state = std::make_shared<State>();
    state->Range = range;
    state->Results = std::move(results);
    state->Notify = std::move(events);
    state->Platform = platforms.Run;
    state->Probes = platforms.Probes;
    // The thread's own reference to the state, handed over once the thread exists.
    auto handOver = std::make_unique<std::shared_ptr<State>>(state);
    m_Thread = AfxBeginThread(Worker, handOver.get());
    if (!m_Thread)
        return false;
    handOver.release();
    m_State = std::move(state);
    return true;
}

void CScanRun::Stop()
{
    if (m_State)
        m_State->Stop = true;
}

void CScanRun::Abandon()
{
    Stop();
    m_State.reset();
    m_Thread.Close();
}

bool CScanRun::Wait(DWORD ms)
{
    return !m_Thread || ::WaitForSingleObject(m_Thread.Get(), ms) == WAIT_OBJECT_0;
}

UINT CScanRun::Worker(LPVOID param)
{
    const std::unique_ptr<std::shared_ptr<State>> handOver(static_cast<std::shared_ptr<State>*>(param));
    const std::shared_ptr<State> state = *handOver;
    if (state->Notify.Started)
        state->Notify.Started();
    ProbeRange(state->Platform, state->Range, state->Results ? state.get() : nullptr, &state->Probes, &state->Stop);
    if (state->Notify.Ended)
        state->Notify.Ended(state->Found);
    return 0;
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
