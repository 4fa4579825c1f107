// The run's probing without any traffic: which addresses get a probe, how the probe threads
// are waited for, and the range and summary rules around a run.
#include "scan/ScanRun.h"
#include "ui/ScanResultTexts.h"

#include "FakeScanNetwork.h"
#include "TestNetwork.h"
#include "Wait.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string DottedText(IPAddr dest)
{
    const BYTE* octets = reinterpret_cast<const BYTE*>(&dest);
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." + std::to_string(octets[2]) + "." +
           std::to_string(octets[3]);
}

// Stands in for the probe threads: every start gives an already signalled event, so the
// real wait returns at once; records the addresses, the size of every wait, and the
// addresses probed on the run's own thread (their ARP requests).
struct FakeProbes {
    std::vector<std::string> ahead;  // the datagrams sent before the probes, dotted
    size_t startedBeforeAhead = 0;
    std::vector<std::string> addresses;
    std::vector<DWORD> waits;
    std::vector<std::string> probedHere;
    size_t waitsBeforeProbedHere = 0;
    std::function<bool(size_t index)> failStart = [](size_t) { return false; };
    std::function<void(size_t index)> onStart = [](size_t) {};
    bool failGroupWaits = false;
    std::function<bool(DWORD ms)> waitForLateReports;  // none: no late reports
    std::shared_ptr<CScanResultsQueue> results = std::make_shared<CScanResultsQueue>();
    std::shared_ptr<const CHandle> stop = std::make_shared<const CHandle>(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HostProbePlatform probes{
        [this](IPAddr dest, IPAddr, void*, ULONG*) -> DWORD {
            if (probedHere.empty())
                waitsBeforeProbedHere = waits.size();
            probedHere.push_back(DottedText(dest));
            return ERROR_BAD_NET_NAME;
        },
        [](const sockaddr*, int, char*, DWORD, int) { return EAI_NONAME; },
        nullptr,  // no host's own name
        nullptr,  // no UPnP
        nullptr,
    };

    ScanRunPlatform Platform()
    {
        return ScanRunPlatform{
            [this](const std::vector<IPAddr>& dests) {
                startedBeforeAhead = addresses.size();
                for (IPAddr dest : dests)
                    ahead.push_back(DottedText(dest));
            },
            [this](const std::shared_ptr<const HostProbeTask>& task) {
                const size_t index = addresses.size();
                addresses.push_back(task->Address);
                onStart(index);
                if (failStart(index))
                    return CHandle();
                return CHandle(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
            },
            [this](DWORD count, const HANDLE* threads, DWORD) -> DWORD {
                waits.push_back(count);
                if (failGroupWaits && count > 1)
                    return WAIT_FAILED;
                for (DWORD i = 0; i < count; ++i)
                    EXPECT_EQ(::WaitForSingleObject(threads[i], 0), WAIT_OBJECT_0);
                return WAIT_OBJECT_0;
            },
            waitForLateReports,
        };
    }

    size_t Run(uint32_t start, uint32_t end, const std::function<void()>& whileWaiting = {})
    {
        HostProbeTask probe{};
        probe.Results = results;
        probe.Platform = std::make_shared<const HostProbePlatform>(probes);
        probe.Stop = stop;
        return ProbeRange(Platform(), ScanRange{start, end}, probe, whileWaiting);
    }
};

constexpr uint32_t kNet = 0x0A000000;  // 10.0.0.0

// A device read after its probe has ended is reported late: the range is not done, and the
// run not ended, until that report is in, and results keep being announced meanwhile.
TEST(ScanRun, TheRangeEndsOnlyOnceTheLateReportsHaveCome)
{
    FakeProbes probes;
    const BYTE mac[6] = {0x02, 0, 0, 0, 0, 0x05};
    std::vector<std::string> steps;
    int lateWaits = 0;
    probes.waitForLateReports = [&](DWORD ms) {
        EXPECT_GT(ms, 0u);
        steps.push_back("late wait");
        if (++lateWaits < 5)
            return false;
        probes.results->OnHostNamed("10.0.0.5", "Living Room TV", HostRole::Other, mac, sizeof(mac), "Maker Model");
        return true;
    };
    EXPECT_EQ(probes.Run(kNet + 1, kNet + 8, [&] { steps.push_back("announce"); }), 8u);
    const auto firstLate = std::find(steps.begin(), steps.end(), "late wait");
    EXPECT_EQ(std::vector<std::string>(firstLate, steps.end()),
              (std::vector<std::string>{"late wait", "announce", "late wait", "announce", "late wait", "announce",
                                        "late wait", "announce", "late wait"}))
        << "after the probes, announced between the late waits, and returned after the last";
    std::vector<ScanResult> taken;
    probes.results->Take(taken, 10);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].Name, "Living Room TV");
}

TEST(ScanRun, ProbesEveryAddressOnceAndWaitsInGroupsOf64)
{
    struct Case {
        uint32_t start, end;
        size_t probes;
        const char *first, *last;
        std::vector<DWORD> waits;
    };
    const Case cases[] = {
        {kNet + 10, kNet + 10, 1, "10.0.0.10", "10.0.0.10", {1}},
        {kNet + 1, kNet + 63, 63, "10.0.0.1", "10.0.0.63", {63}},
        {kNet + 1, kNet + 64, 64, "10.0.0.1", "10.0.0.64", {64}},
        {kNet + 1, kNet + 65, 65, "10.0.0.1", "10.0.0.65", {64, 1}},
        {kNet + 1, kNet + 128, 128, "10.0.0.1", "10.0.0.128", {64, 64}},
        {kNet + 1, kNet + 254, 254, "10.0.0.1", "10.0.0.254", {64, 64, 64, 62}},
        // The end's .255 becomes .254; a start at .0 is probed like any other address.
        {kNet + 0, kNet + 255, 255, "10.0.0.0", "10.0.0.254", {64, 64, 64, 63}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.last);
        FakeProbes probes;
        EXPECT_EQ(probes.Run(c.start, c.end), c.probes);
        ASSERT_EQ(probes.addresses.size(), c.probes);
        EXPECT_EQ(probes.addresses.front(), c.first);
        EXPECT_EQ(probes.addresses.back(), c.last);
        EXPECT_EQ(probes.waits, c.waits);
        EXPECT_EQ(probes.ahead, probes.addresses) << "every address set off ahead, in network order";
        EXPECT_EQ(probes.startedBeforeAhead, 0u);
        EXPECT_TRUE(probes.probedHere.empty());
    }
}

TEST(ScanRun, RangesWithoutAnAddressStartNothingAndWaitForNothing)
{
    for (auto range : {ScanRange{kNet + 255, kNet + 255}, ScanRange{kNet + 20, kNet + 10}}) {
        FakeProbes probes;
        EXPECT_EQ(probes.Run(range.Start, range.End), 0u);
        EXPECT_TRUE(probes.addresses.empty());
        EXPECT_TRUE(probes.waits.empty());
        EXPECT_TRUE(probes.ahead.empty());
    }
}

TEST(ScanRun, NeverStartsMoreThanMaxScanHostsProbes)
{
    FakeProbes probes;
    EXPECT_EQ(probes.Run(kNet + 1, kNet + 0x3FE), 256u);  // 10.0.0.1 to 10.0.3.254
    EXPECT_EQ(probes.addresses.back(), "10.0.1.0");
}

TEST(ScanRun, AStopStartsNoFurtherProbeButWaitsForThoseStarted)
{
    FakeProbes probes;
    probes.onStart = [&probes](size_t index) {
        if (index == 69)
            ::SetEvent(probes.stop->Get());
    };
    EXPECT_EQ(probes.Run(kNet + 1, kNet + 254), 70u);
    EXPECT_EQ(probes.waits, (std::vector<DWORD>{64, 6}));

    // Stopped before the run began: nothing is sent at all.
    FakeProbes stopped;
    ::SetEvent(stopped.stop->Get());
    EXPECT_EQ(stopped.Run(kNet + 1, kNet + 254), 0u);
    EXPECT_TRUE(stopped.ahead.empty());
    EXPECT_TRUE(stopped.addresses.empty());
}

TEST(ScanRun, AnAddressWithoutAThreadIsProbedByTheRunAfterTheOthers)
{
    FakeProbes probes;
    probes.failStart = [](size_t index) { return index % 3 == 0; };
    EXPECT_EQ(probes.Run(kNet + 1, kNet + 100), 100u);
    EXPECT_EQ(probes.addresses.size(), 100u);  // every address was tried
    EXPECT_EQ(probes.waits, (std::vector<DWORD>{64, 2}));
    ASSERT_EQ(probes.probedHere.size(), 34u);
    EXPECT_EQ(probes.waitsBeforeProbedHere, 2u) << "probed only once the threads had ended";
    for (size_t i = 0; i < probes.probedHere.size(); ++i)
        EXPECT_EQ(probes.probedHere[i], "10.0.0." + std::to_string(1 + 3 * i));
}

TEST(ScanRun, AFailedWaitForAGroupWaitsForEachOfItsThreadsAlone)
{
    FakeProbes probes;
    probes.failGroupWaits = true;
    EXPECT_EQ(probes.Run(kNet + 1, kNet + 70), 70u);
    std::vector<DWORD> expected{64};
    expected.insert(expected.end(), 64, 1);
    expected.push_back(6);
    expected.insert(expected.end(), 6, 1);
    EXPECT_EQ(probes.waits, expected);
}

std::atomic<int> s_EndedProbes;
std::atomic<int> s_OtherProbesLeft;
HANDLE s_OtherProbesEnded = nullptr;
constexpr DWORD kLastProbesDeadlineMs = 10000;

// .1, .1x and .1xx end only once every other probe has ended.
void SlowProbe(const HostProbeTask& task)
{
    const bool last = task.Address[7] == '1';
    if (last)
        ::WaitForSingleObject(s_OtherProbesEnded, kLastProbesDeadlineMs);
    ++s_EndedProbes;
    if (!last && --s_OtherProbesLeft == 0)
        ::SetEvent(s_OtherProbesEnded);
}

// Real threads: none may still run (nor use its task) once the run has returned.
TEST(ScanRun, ReturnsOnlyAfterEveryProbeThreadHasEnded)
{
    s_EndedProbes = 0;
    s_OtherProbesLeft = 8 + 80;  // 10.0.0.2 to .9 and .20 to .99
    const CHandle otherProbesEnded(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(otherProbesEnded);
    s_OtherProbesEnded = otherProbesEnded.Get();
    const ScanRunPlatform platform{
        [](const std::vector<IPAddr>&) {},
        [](const std::shared_ptr<const HostProbeTask>& task) { return StartThread([task] { SlowProbe(*task); }); },
        SystemScanPlatforms(nullptr).Run.WaitForAll,
        nullptr,  // no late reports
    };
    const size_t started = ProbeRange(platform, ScanRange{kNet + 1, kNet + 130}, HostProbeTask{});
    EXPECT_EQ(started, 130u);
    EXPECT_EQ(s_EndedProbes.load(), 130);
}

// What a run's results told, by address, in the order the probes told it.
class CRecordingSink : public CScanResultsSink {
public:
    void OnHostFound(const char* address, const BYTE*, ULONG) override { m_Reports[address].push_back("found"); }
    void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE*, ULONG, const char*) override
    {
        static const char* const kRoles[] = {"other", "own", "router"};
        m_Reports[address].push_back(std::string("named '") + name + "' " + kRoles[static_cast<int>(role)]);
    }
    const std::map<std::string, std::vector<std::string>>& Reports() const { return m_Reports; }

    // Every result the run holds now.
    void TakeAll(CScanRun& run)
    {
        std::vector<ScanResult> results;
        run.TakeResults(results, SIZE_MAX);
        for (const ScanResult& result : results)
            ReportScanResult(result, *this);
    }

private:
    std::map<std::string, std::vector<std::string>> m_Reports;
};

// The run's events, into an object its thread shares: a run may outlive its owner.
struct RunEvents {
    std::atomic<bool> started{false};
    std::atomic<bool> startedBeforeEnd{false};
    std::atomic<int> announced{0};
    std::atomic<int> found{-1};

    static CScanRun::Events For(const std::shared_ptr<RunEvents>& seen)
    {
        return CScanRun::Events{
            [seen] { seen->started = true; },
            [seen] { ++seen->announced; },
            [seen](int found) {
                seen->startedBeforeEnd = seen->started.load();
                seen->found = found;
            },
        };
    }
    bool Ended() const { return found >= 0; }
};

constexpr ScanRange kFakeSubnet{0x0A141E01, 0x0A141EFE};  // 10.20.30.1 to .254

// The address an ARP request or a name look-up of a probe asks about, in network order.
IPAddr AddressAsked(IPAddr dest, IPAddr, void*, ULONG*) { return dest; }
IPAddr AddressAsked(const sockaddr* address, int, char*, DWORD, int)
{
    return reinterpret_cast<const sockaddr_in*>(address)->sin_addr.S_un.S_addr;
}

class ScanRunThread : public testing::Test {
protected:
    const ScanRequest m_Request{kFakeSubnet, MadeUpComputer("Myhost", "10.20.30.40", "10.20.30.1")};
    CFakeScanNetwork m_Network;  // joins every thread of a run before the test's objects go
    // What a whole run of the made-up network reports, each host found, then named.
    const std::map<std::string, std::vector<std::string>> m_Expected = {
        {"10.20.30.1", {"found", "named 'Router.home' router"}},
        {"10.20.30.7", {"found", "named 'Desktop-pc' other"}},
        {"10.20.30.40", {"found", "named 'Myhost' own"}},  // no look-up for this computer
        {"10.20.30.200", {"found", "named '' other"}},
    };

    // Starts `run` and waits for its end, then for every thread it started, so that no
    // assertion leaves one running; true when the run started and ended.
    bool RunToEnd(CScanRun& run, const std::shared_ptr<RunEvents>& seen, const ScanPlatformsFactory& platforms)
    {
        if (!run.Start(m_Request, RunEvents::For(seen), platforms))
            return false;
        const bool ended = PumpUntil([&] { return seen->Ended(); });
        return m_Network.JoinAll(kWaitMs) && ended;
    }
};

TEST_F(ScanRunThread, ReportsItsStartEveryHostFoundThenNamedAndItsEndWithTheCount)
{
    m_Network.ReleaseLookups();
    const auto seen = std::make_shared<RunEvents>();
    CScanRun run;
    ASSERT_TRUE(RunToEnd(run, seen, m_Network.PlatformsForEachRun()));

    EXPECT_TRUE(seen->startedBeforeEnd);
    EXPECT_GE(seen->announced, 1) << "the results were never announced";
    EXPECT_EQ(seen->found, 4);
    CRecordingSink results;
    results.TakeAll(run);
    EXPECT_EQ(results.Reports(), m_Expected);
    EXPECT_EQ(m_Network.LookupsDone(), 3);
}

// The owner takes the results a slice at a time; the run announces them once until the
// queue has been emptied, and again for results that come after.
TEST_F(ScanRunThread, ResultsWaitInTheRunUntilTakenASliceAtATime)
{
    const auto seen = std::make_shared<RunEvents>();
    CScanRun run;
    ASSERT_TRUE(run.Start(m_Request, RunEvents::For(seen), m_Network.PlatformsForEachRun()));
    // Every host found, none named yet: the look-ups wait.
    ASSERT_TRUE(PumpUntil([&] { return m_Network.LookupsWaiting() == 3 && seen->announced == 1; }));
    std::vector<ScanResult> slice;
    std::vector<std::string> sliceAddresses;
    size_t left = 5;
    while (left > 0) {
        const size_t before = slice.size();
        left = run.TakeResults(slice, 3);
        EXPECT_LE(slice.size() - before, 3u);
    }
    EXPECT_EQ(slice.size(), 5u) << "4 found and this computer named";
    for (const ScanResult& result : slice) {
        if (result.Named) {
            EXPECT_EQ(result.Address, "10.20.30.40") << "named before its look-up";
        }
    }
    EXPECT_EQ(seen->announced, 1) << "announced again before the queue was emptied";
    m_Network.ReleaseLookups();
    ASSERT_TRUE(PumpUntil([&] { return seen->Ended(); }));
    EXPECT_EQ(seen->announced, 2) << "the names that came after were not announced";
    ASSERT_TRUE(m_Network.JoinAll(kWaitMs));
}

// A name look-up may block for seconds: the owner lets go at once, and the run ends later on
// its own, keeping what it shares alive until then and no longer, and telling nobody.
TEST_F(ScanRunThread, AnAbandonedRunEndsOnItsOwnWithOnlyWhatItHolds)
{
    const auto seen = std::make_shared<RunEvents>();
    {
        CScanRun run;
        ASSERT_TRUE(run.Start(m_Request, RunEvents::For(seen), m_Network.PlatformsForEachRun()));
        ASSERT_TRUE(PumpUntil([&] { return m_Network.LookupsWaiting() == 3; }));
        run.Abandon();
    }
    EXPECT_EQ(m_Network.LookupsDone(), 0) << "letting go waited for the look-ups";
    EXPECT_GT(seen.use_count(), 1) << "the run under way let go of what it shares";
    m_Network.ReleaseLookups();
    ASSERT_TRUE(m_Network.JoinAll(kWaitMs));
    EXPECT_EQ(seen->found, -1) << "an abandoned run told its end";
    EXPECT_EQ(seen.use_count(), 1) << "the ended run still holds its events";
}

// Every answering host is listed also when the system gives no thread for some addresses.
TEST_F(ScanRunThread, AddressesWithoutAThreadAreStillProbed)
{
    m_Network.FailThreadStarts([](const std::string& address) {
        return address == "10.20.30.1" || address == "10.20.30.40" || address == "10.20.30.201" ||
               address.compare(0, 10, "10.20.30.9") == 0;
    });
    m_Network.ReleaseLookups();
    const auto seen = std::make_shared<RunEvents>();
    CScanRun run;
    ASSERT_TRUE(RunToEnd(run, seen, m_Network.PlatformsForEachRun()));
    EXPECT_EQ(seen->found, 4);
    CRecordingSink results;
    results.TakeAll(run);
    EXPECT_EQ(results.Reports(), m_Expected);
}

// A wait that fails does not free what the probes still read, nor lose what they report:
// the probes that were still looking names up finish with what they hold, and the run tells
// its end only once they have queued their names (the window takes the results up to then).
TEST_F(ScanRunThread, AFailedWaitEndsTheRunOnceItsProbesHaveReportedAll)
{
    m_Network.FailWaits();
    const auto seen = std::make_shared<RunEvents>();
    const auto lookupsAtEnd = std::make_shared<std::atomic<int>>(-1);
    CScanRun::Events events = RunEvents::For(seen);
    events.Ended = [ended = events.Ended, lookupsAtEnd, this](int found) {
        *lookupsAtEnd = m_Network.LookupsDone();
        ended(found);
    };
    CScanRun run;
    ASSERT_TRUE(run.Start(m_Request, std::move(events), m_Network.PlatformsForEachRun()));
    // Every probe's thread has been waited for in vain (.1 to .254) while three look up names.
    const bool lookingUp =
        PumpUntil([&] { return m_Network.LookupsWaiting() == 3 && m_Network.FailedThreadWaits() == 254; });
    // What must not happen (half a second proves it): the end while the look-ups are still held.
    const bool endedWhileLookingUp = PumpUntil([&] { return seen->Ended(); }, 500);
    m_Network.ReleaseLookups();
    const bool ended = PumpUntil([&] { return seen->Ended(); });
    ASSERT_TRUE(m_Network.JoinAll(kWaitMs));
    ASSERT_TRUE(lookingUp);
    ASSERT_TRUE(ended);
    EXPECT_FALSE(endedWhileLookingUp);
    EXPECT_EQ(lookupsAtEnd->load(), 3) << "the run ended before its probes had named their hosts";
    CRecordingSink results;
    results.TakeAll(run);
    EXPECT_EQ(results.Reports(), m_Expected);
}

// Whatever a probe or the run's own set-up throws ends that probe or the run, never the
// program: a host found keeps its row, named with no name, and the run tells its end.
TEST_F(ScanRunThread, AnExceptionEndsOnlyWhatThrewIt)
{
    struct Case {
        const char* what;
        std::function<void(ScanPlatforms& made)> spoil;
        bool withoutThread;  // .7 is probed by the run itself
        int found;
        std::map<std::string, std::vector<std::string>> reports;
    };
    auto withNameless7 = m_Expected;
    withNameless7["10.20.30.7"] = {"found", "named '' other"};
    auto without7 = m_Expected;
    without7.erase("10.20.30.7");
    const auto throwFor7 = [](auto call) {
        return [call](auto... args) {
            if (Dotted(AddressAsked(args...)) == "10.20.30.7")
                throw std::runtime_error("no entropy");
            return call(args...);
        };
    };
    const Case cases[] = {
        {"the name look-up throws",
         [&](ScanPlatforms& made) { made.Probes.LookUpName = throwFor7(made.Probes.LookUpName); }, false, 4,
         withNameless7},
        {"the name look-up throws on the run's own thread",
         [&](ScanPlatforms& made) { made.Probes.LookUpName = throwFor7(made.Probes.LookUpName); }, true, 4,
         withNameless7},
        {"the ARP request throws", [&](ScanPlatforms& made) { made.Probes.SendARP = throwFor7(made.Probes.SendARP); },
         false, 3, without7},
        {"the ARP request throws on the run's own thread",
         [&](ScanPlatforms& made) { made.Probes.SendARP = throwFor7(made.Probes.SendARP); }, true, 3, without7},
        {"the run's platforms cannot be made",
         [](ScanPlatforms&) { throw std::runtime_error("no adapters"); }, false, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CFakeScanNetwork network;
        network.ReleaseLookups();
        if (c.withoutThread)
            network.FailThreadStarts([](const std::string& address) { return address == "10.20.30.7"; });
        const ScanPlatformsFactory platforms = [&network, &c](HANDLE) {
            ScanPlatforms made = network.Platforms();
            c.spoil(made);
            return made;
        };
        const auto seen = std::make_shared<RunEvents>();
        CScanRun run;
        ASSERT_TRUE(run.Start(m_Request, RunEvents::For(seen), platforms));
        const bool ended = PumpUntil([&] { return seen->Ended(); });
        ASSERT_TRUE(network.JoinAll(kWaitMs));
        ASSERT_TRUE(ended);
        EXPECT_EQ(seen->found, c.found);
        CRecordingSink results;
        results.TakeAll(run);
        EXPECT_EQ(results.Reports(), c.reports);
    }
}

// No memory for another probe: the run ends with the hosts its probes found, and says so.
TEST_F(ScanRunThread, RunningOutOfMemoryEndsTheRunWithWhatItFound)
{
    m_Network.ReleaseLookups();
    const auto seen = std::make_shared<RunEvents>();
    CScanRun run;
    auto starts = std::make_shared<std::atomic<int>>(0);
    const ScanPlatformsFactory platforms = [this, starts](HANDLE) {
        ScanPlatforms made = m_Network.Platforms();
        made.Run.StartProbe = [start = made.Run.StartProbe, starts](const std::shared_ptr<const HostProbeTask>& task) {
            if (++*starts > 8)
                throw std::bad_alloc();
            return start(task);
        };
        return made;
    };
    ASSERT_TRUE(RunToEnd(run, seen, platforms));
    EXPECT_EQ(seen->found, 2) << ".1 and .7 of .1 to .8";
    CRecordingSink results;
    results.TakeAll(run);
    EXPECT_EQ(results.Reports().size(), 2u);
    EXPECT_EQ(results.Reports().count("10.20.30.7"), 1u);
}

// Probes of many threads append at once; the owner takes slices: every result arrives once,
// each thread's in the order it appended them, with its values.
struct QueueWriter {
    CScanResultsQueue* queue;
    int thread;
    HANDLE go;
};

DWORD WINAPI AppendResults(LPVOID param)
{
    const auto& writer = *static_cast<const QueueWriter*>(param);
    ::WaitForSingleObject(writer.go, 10000);
    for (int row = 1; row <= 40; ++row) {
        const std::string address = "10.0." + std::to_string(writer.thread) + "." + std::to_string(row);
        const BYTE mac[6] = {0x02, 0x5A, 0, 0, static_cast<BYTE>(writer.thread), static_cast<BYTE>(row)};
        writer.queue->OnHostFound(address.c_str(), mac, sizeof(mac));
        writer.queue->OnHostNamed(address.c_str(), ("host-" + address).c_str(), HostRole::Other, mac, sizeof(mac), "");
    }
    return 0;
}

TEST(ScanResultsQueue, ResultsOfManyThreadsAllArriveOnceInEachThreadsOrder)
{
    CScanResultsQueue queue;
    EXPECT_FALSE(queue.Announce()) << "nothing to announce";
    CHandle go(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::vector<QueueWriter> writers;
    for (int thread = 0; thread < 8; ++thread)
        writers.push_back(QueueWriter{&queue, thread, go.Get()});
    std::vector<CHandle> threads;
    std::vector<HANDLE> handles;
    for (QueueWriter& writer : writers) {
        threads.emplace_back(::CreateThread(nullptr, 0, AppendResults, &writer, 0, nullptr));
        handles.push_back(threads.back().Get());
    }
    ::SetEvent(go.Get());
    // Taken while they append, a slice of at most 16 at a time.
    std::vector<ScanResult> taken;
    bool slicesBounded = true;
    for (;;) {
        const bool ended = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, 0) ==
                           WAIT_OBJECT_0;
        const size_t before = taken.size();
        const size_t left = queue.Take(taken, 16);
        slicesBounded = slicesBounded && taken.size() - before <= 16;
        if (ended && left == 0)
            break;
    }
    EXPECT_TRUE(slicesBounded);
    ASSERT_EQ(taken.size(), 8u * 40 * 2);
    std::vector<int> next(8, 1);
    std::vector<bool> named(8, true);
    for (const ScanResult& result : taken) {
        int thread = -1;
        int row = -1;
        ASSERT_EQ(std::sscanf(result.Address.c_str(), "10.0.%d.%d", &thread, &row), 2) << result.Address;
        ASSERT_TRUE(thread >= 0 && thread < 8);
        SCOPED_TRACE(result.Address);
        // Found, then named, then the next row.
        EXPECT_EQ(row, named[thread] ? next[thread] : next[thread] - 1);
        EXPECT_EQ(result.Named, !named[thread]);
        if (result.Named) {
            EXPECT_EQ(result.Name, "host-" + result.Address);
        }
        EXPECT_EQ(result.Mac, (std::vector<BYTE>{0x02, 0x5A, 0, 0, static_cast<BYTE>(thread), static_cast<BYTE>(row)}));
        if (!result.Named)
            ++next[thread];
        named[thread] = result.Named;
    }
    EXPECT_EQ(next, std::vector<int>(8, 41));
}

TEST(ScanResultsQueue, WaitingResultsAreAnnouncedOnceUntilTheQueueIsEmptied)
{
    CScanResultsQueue queue;
    const BYTE mac[6] = {0x02, 0x5A, 0, 0, 0, 1};
    queue.OnHostFound("10.0.0.1", mac, sizeof(mac));
    queue.OnHostFound("10.0.0.2", mac, sizeof(mac));
    EXPECT_TRUE(queue.Announce());
    EXPECT_FALSE(queue.Announce()) << "announced twice";
    std::vector<ScanResult> taken;
    EXPECT_EQ(queue.Take(taken, 1), 1u);
    EXPECT_FALSE(queue.Announce()) << "one is left: the owner takes it without being told again";
    EXPECT_EQ(queue.Take(taken, 1), 0u);
    EXPECT_FALSE(queue.Announce()) << "nothing waits";
    queue.OnHostNamed("10.0.0.1", "printer", HostRole::Router, mac, sizeof(mac), "");
    EXPECT_TRUE(queue.Announce()) << "a result after the queue was emptied";
    EXPECT_EQ(queue.Take(taken, 10), 0u);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[2].Name, "printer");
    EXPECT_EQ(taken[2].Role, HostRole::Router);
}

TEST(ScanRun, AutomaticRangeWiderThan256IsNarrowedToTheOwnBlock)
{
    struct Case {
        ScanRange range;
        uint32_t own;
        ScanRange expected;
    };
    const Case cases[] = {
        // 172.16.0.0/16 at 172.16.4.9: 172.16.4.1 to 172.16.4.254
        {{0xAC100001, 0xAC10FFFE}, 0xAC100409, {0xAC100401, 0xAC1004FE}},
        // 10.0.0.0/23 at 10.0.1.77
        {{0x0A000001, 0x0A0001FE}, 0x0A00014D, {0x0A000101, 0x0A0001FE}},
        // a /24 and exactly 256 addresses stay as they are
        {{0xC0A80101, 0xC0A801FE}, 0xC0A80125, {0xC0A80101, 0xC0A801FE}},
        {{0xC0A80100, 0xC0A801FF}, 0xC0A80125, {0xC0A80100, 0xC0A801FF}},
        // no address at all: unchanged
        {{0x0A000006, 0x0A000004}, 0x0A000005, {0x0A000006, 0x0A000004}},
        // the own address outside the range: the block of its start
        {{0xAC100001, 0xAC10FFFE}, 0, {0xAC100001, 0xAC1000FE}},
    };
    for (const Case& c : cases) {
        const ScanRange narrowed = NarrowAutomaticRange(c.range, c.own);
        EXPECT_EQ(narrowed.Start, c.expected.Start) << std::hex << c.range.Start;
        EXPECT_EQ(narrowed.End, c.expected.End) << std::hex << c.range.End;
    }
}

TEST(ScanRun, SummaryTexts)
{
    const std::pair<int, const char*> cases[] = {
        {0, "Scanning is finished. No system is currently connected to your Network"},
        {1, "Scanning is finished. Currently 1 system are connected to your network."},
        {3, "Scanning is finished. Currently 3 systems are connected to your network."},
        {254, "Scanning is finished. Currently 254 systems are connected to your network."},
    };
    for (const auto& c : cases) {
        char text[kScanSummaryCapacity];
        FormatScanSummary(c.first, text, sizeof(text));
        EXPECT_STREQ(text, c.second);
    }
    char small[12];
    FormatScanSummary(3, small, sizeof(small));
    EXPECT_STREQ(small, "Scanning is");
}

TEST(ScanRun, DescriptionColumnNarrowsFromTenRows)
{
    EXPECT_EQ(DescriptionColumnWidth(9), 180);
    EXPECT_EQ(DescriptionColumnWidth(10), 163);
}

}  // namespace
