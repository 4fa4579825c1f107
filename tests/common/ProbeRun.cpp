#include "ProbeRun.h"

#include "controls/EnhancedListCtrl.h"
#include "scan/ScanResultsQueue.h"
#include "ui/ListResultsSink.h"
#include "winlib/Thread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {
struct ProbeStart {
    HostProbeTask task{};
    const std::function<void(HostProbeTask&)>* probe = nullptr;
};

DWORD WINAPI RunTestProbe(LPVOID param)
{
    auto& start = *static_cast<ProbeStart*>(param);
    (*start.probe)(start.task);
    return 0;
}

bool AnyRunning(const std::vector<CHandle>& threads)
{
    for (const CHandle& thread : threads) {
        if (thread && ::WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT)
            return true;
    }
    return false;
}

// A handle of the probes' own for the caller's stop event (none: none).
std::shared_ptr<const CHandle> StopOf(HANDLE stop)
{
    HANDLE copy = nullptr;
    if (!stop || !::DuplicateHandle(::GetCurrentProcess(), stop, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0))
        return nullptr;
    return std::make_shared<const CHandle>(copy);
}

// Everything queued so far into the list, as the main window applies a run's results.
void ApplyQueued(CScanResultsQueue& queue, CListResultsSink& rows)
{
    std::vector<ScanResult> results;
    queue.Take(results, SIZE_MAX);
    for (const ScanResult& result : results)
        ReportScanResult(result, rows);
}
}  // namespace

DWORD RunProbeThreads(CEnhancedListCtrl& list, const std::vector<std::string>& addresses,
                      const std::function<void(HostProbeTask&)>& probe, const std::function<void()>& betweenRounds,
                      DWORD idleWaitMs, HANDLE stop, const LocalHostFacts* local)
{
    const auto queue = std::make_shared<CScanResultsQueue>();
    const std::shared_ptr<const CHandle> stopEvent = StopOf(stop);
    const std::shared_ptr<const LocalHostFacts> thisComputer =
        local ? std::make_shared<const LocalHostFacts>(*local) : nullptr;
    CListResultsSink rows(list);
    std::vector<ProbeStart> starts(addresses.size());
    std::vector<CHandle> threads;
    const DWORD begin = ::GetTickCount();
    for (size_t i = 0; i < addresses.size(); ++i) {
        std::snprintf(starts[i].task.Address, sizeof(starts[i].task.Address), "%s", addresses[i].c_str());
        starts[i].task.Results = queue;
        starts[i].task.Stop = stopEvent;
        starts[i].task.Local = thisComputer;
        starts[i].probe = &probe;
        threads.emplace_back(::CreateThread(nullptr, 0, RunTestProbe, &starts[i], 0, nullptr));
        EXPECT_TRUE(threads.back()) << "no thread for " << addresses[i];
    }
    bool reported = false;
    // Every probe ends before this returns: they use the queue and tasks above.
    while (AnyRunning(threads)) {
        ApplyQueued(*queue, rows);
        if (betweenRounds)
            betweenRounds();
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, idleWaitMs, QS_ALLINPUT);
        if (!reported && ::GetTickCount() - begin > 60000) {
            ADD_FAILURE() << "probes still running after 60 s";
            reported = true;
        }
    }
    ApplyQueued(*queue, rows);  // the last of them
    return ::GetTickCount() - begin;
}
