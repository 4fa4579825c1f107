#include "scan/ScanRun.h"

#include "scan/ArpResolver.h"
#include "scan/UpnpQuery.h"
#include "winlib/Thread.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kBlockMask = 0xFFFFFF00;

// Waits until `count` threads have ended, running `whileWaiting` between the waits. A wait
// that fails (a handle gone bad) is tried again thread by thread; a thread that cannot be
// waited for at all ends on its own, holding its task (see WaitUntilReleased).
void WaitForThreads(const ScanRunPlatform& platform, const HANDLE* threads, DWORD count,
                    const std::function<void()>& whileWaiting)
{
    for (;;) {
        const DWORD result = platform.WaitForAll(count, threads, kScanNoticeIntervalMs);
        if (whileWaiting)
            whileWaiting();
        if (result == WAIT_TIMEOUT)
            continue;
        if (result == WAIT_FAILED && count > 1) {
            for (DWORD i = 0; i < count; ++i)
                WaitForThreads(platform, threads + i, 1, whileWaiting);
        }
        return;
    }
}

// Until every task is let go of by the probe that held it: a probe whose thread could not be
// waited for lets go once it has queued its last result.
void WaitUntilReleased(const std::vector<std::weak_ptr<const HostProbeTask>>& tasks,
                       const std::function<void()>& whileWaiting)
{
    for (const auto& task : tasks) {
        while (!task.expired()) {
            ::Sleep(kScanNoticeIntervalMs);
            if (whileWaiting)
                whileWaiting();
        }
    }
}

}  // namespace

ScanPlatforms SystemScanPlatforms(HANDLE stop)
{
    const std::shared_ptr<const ArpPlatform> arp = MakeSystemArpPlatform(stop);
    const std::shared_ptr<CUpnpSearch> upnp = MakeSystemUpnpSearch(stop);
    return ScanPlatforms{
        ScanRunPlatform{
            [arp, upnp](const std::vector<IPAddr>& dests) {
                SendArpRequestsAhead(*arp, dests);
                upnp->Begin(dests);  // the group search goes out with the ARP datagrams
            },
            [](const std::shared_ptr<const HostProbeTask>& task) { return StartProbeThread(task); },
            [](DWORD count, const HANDLE* threads, DWORD ms) {
                return ::WaitForMultipleObjects(count, threads, TRUE, ms);
            },
            [upnp](DWORD ms) { return upnp->WaitForDescriptions(ms); },
        },
        SystemHostProbePlatform(arp, upnp),
    };
}

size_t ProbeRange(const ScanRunPlatform& platform, ScanRange range, const HostProbeTask& probe,
                  const std::function<void()>& whileWaiting)
{
    ClampRangeEnd(range);
    if (range.Start > range.End || IsSignalled(probe.StopEvent()))
        return 0;
    const uint64_t count = std::min<uint64_t>(uint64_t{range.End} - range.Start + 1, MaxScanHosts);
    std::vector<IPAddr> dests;
    dests.reserve(count);
    for (uint64_t i = 0; i < count; ++i)
        dests.push_back(::htonl(range.Start + static_cast<uint32_t>(i)));
    platform.SendArpRequestsAhead(dests);

    std::vector<CHandle> threads;
    threads.reserve(count);
    std::vector<std::weak_ptr<const HostProbeTask>> started;
    started.reserve(count);
    std::vector<std::shared_ptr<const HostProbeTask>> unstarted;
    unstarted.reserve(count);
    size_t probed = 0;
    try {
        for (uint64_t i = 0; i < count && !IsSignalled(probe.StopEvent()); ++i) {
            auto task = std::make_shared<HostProbeTask>(probe);
            FormatAddress(range.Start + static_cast<uint32_t>(i), task->Address, sizeof(task->Address));
            ++probed;
            if (CHandle thread = platform.StartProbe(task)) {
                threads.push_back(std::move(thread));
                started.push_back(task);
            } else
                unstarted.push_back(std::move(task));
        }
    } catch (const std::bad_alloc&) {
        // No memory for one more probe: the run goes on with those under way.
    }

    HANDLE group[kScanWaitGroupSize];
    for (size_t first = 0; first < threads.size(); first += kScanWaitGroupSize) {
        const size_t size = std::min(kScanWaitGroupSize, threads.size() - first);
        for (size_t i = 0; i < size; ++i)
            group[i] = threads[first + i].Get();
        WaitForThreads(platform, group, static_cast<DWORD>(size), whileWaiting);
    }
    // Threads that ended hold nothing; one whose wait failed may still be queuing results,
    // which the run's end must not leave behind.
    WaitUntilReleased(started, whileWaiting);
    // Their datagrams went out with all the others: by now each needs one look at the table.
    for (const auto& task : unstarted) {
        RunProbe(*task);
        if (whileWaiting)
            whileWaiting();
    }
    if (platform.WaitForLateReports) {
        while (!platform.WaitForLateReports(kScanNoticeIntervalMs)) {
            if (whileWaiting)
                whileWaiting();
        }
    }
    return probed;
}

// ---------------------------------------------------------------- the run's shared state

// What the run's worker and its probes share: the request, the stop event, the run's own
// platforms (its ARP state), the queue of results and whom to tell. The owner's object
// holds it too until it lets go.
struct CScanRun::State : CScanResultsSink {
    ScanRequest Request{};
    Events Notify;
    CHandle StopEvent;
    ScanPlatformsFactory MakePlatforms;
    ScanPlatforms Platforms;  // made by the worker, before the first probe
    CScanResultsQueue Results;
    std::atomic<bool> Abandoned{false};
    std::atomic<int> Found{0};

    void OnHostFound(const char* address, const BYTE* mac, ULONG macLength) override
    {
        Results.OnHostFound(address, mac, macLength);
        ++Found;
    }
    void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac, ULONG macLength,
                     const char* device) override
    {
        Results.OnHostNamed(address, name, role, mac, macLength, device);
    }

    // The worker's: tells the owner once of results that wait.
    void AnnounceResults()
    {
        if (Results.Announce() && !Abandoned && Notify.ResultsQueued)
            Notify.ResultsQueued();
    }
};

CHandle StartRunThread(std::function<void()> body)
{
    return StartThread(std::move(body));
}

bool CScanRun::Start(const ScanRequest& request, Events events, const ScanPlatformsFactory& platforms,
                     const RunThreadStart& startThread)
{
    Abandon();
    m_StartError = NO_ERROR;
    try {
        auto state = std::make_shared<State>();
        state->Request = request;
        state->Notify = std::move(events);
        state->StopEvent = CHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!state->StopEvent)
            return Failed(::GetLastError());
        state->MakePlatforms = platforms;
        m_Thread = startThread([state] { Work(state); });
        if (!m_Thread)
            return Failed(::GetLastError());
        m_State = std::move(state);
        return true;
    } catch (const std::bad_alloc&) {
        return Failed(ERROR_NOT_ENOUGH_MEMORY);
    }
}

bool CScanRun::Failed(DWORD error)
{
    m_StartError = error != NO_ERROR ? error : ERROR_GEN_FAILURE;
    return false;
}

void CScanRun::Stop()
{
    if (m_State)
        ::SetEvent(m_State->StopEvent.Get());
}

size_t CScanRun::TakeResults(std::vector<ScanResult>& results, size_t max)
{
    return m_State ? m_State->Results.Take(results, max) : 0;
}

void CScanRun::Abandon()
{
    if (m_State)
        m_State->Abandoned = true;
    Stop();
    m_State.reset();
    m_Thread.Close();
}

void CScanRun::Work(const std::shared_ptr<State>& state)
{
    if (!state->Abandoned && state->Notify.Started)
        state->Notify.Started();
    // Each a part of the run's state that shares the whole.
    HostProbeTask probe{};
    probe.Results = state;
    probe.Platform = std::shared_ptr<const HostProbePlatform>(state, &state->Platforms.Probes);
    probe.Stop = std::shared_ptr<const CHandle>(state, &state->StopEvent);
    probe.Local = std::shared_ptr<const LocalHostFacts>(state, &state->Request.Local);
    try {
        // The ARP state's set-up reads files and the adapter list: not on the owner's thread.
        state->Platforms = state->MakePlatforms(state->StopEvent.Get());
        ProbeRange(state->Platforms.Run, state->Request.Range, probe, [&state] { state->AnnounceResults(); });
    } catch (const std::exception&) {
        // No memory, or platforms that could not be made: the run ends with the hosts found so
        // far; the probes under way hold what they use.
    }
    state->AnnounceResults();
    if (!state->Abandoned && state->Notify.Ended)
        state->Notify.Ended(state->Found);
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
