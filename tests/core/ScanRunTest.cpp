// The run's probing without any traffic: which addresses get a probe, how the probe threads
// are waited for, and the range and summary rules around a run.
#include "scan/ScanRun.h"
#include "ui/ScanResultTexts.h"

#include "FakeScanNetwork.h"
#include "TestNetwork.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Stands in for the probe threads: every start gives an already signalled event, so the
// real wait returns at once; records the addresses and the size of every wait.
struct FakeProbes {
    std::vector<std::string> ahead;  // the datagrams sent before the probes, dotted
    size_t startedBeforeAhead = 0;
    std::vector<std::string> addresses;
    std::vector<DWORD> waits;
    std::function<bool(size_t index)> failStart = [](size_t) { return false; };
    std::function<void(size_t index)> onStart = [](size_t) {};
    std::atomic<bool> stop{false};  // the run's

    ScanRunPlatform Platform()
    {
        return ScanRunPlatform{
            [this](const std::vector<IPAddr>& dests) {
                startedBeforeAhead = addresses.size();
                for (IPAddr dest : dests) {
                    const BYTE* octets = reinterpret_cast<const BYTE*>(&dest);
                    ahead.push_back(std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
                                    std::to_string(octets[2]) + "." + std::to_string(octets[3]));
                }
            },
            [this](HostProbeTask* task) -> HANDLE {
                const size_t index = addresses.size();
                addresses.push_back(task->Address);
                onStart(index);
                if (failStart(index))
                    return nullptr;
                return ::CreateEventA(nullptr, TRUE, TRUE, nullptr);  // the run closes it
            },
            [this](DWORD count, const HANDLE* threads) {
                for (DWORD i = 0; i < count; ++i)
                    EXPECT_EQ(::WaitForSingleObject(threads[i], 0), WAIT_OBJECT_0);
                waits.push_back(count);
            },
        };
    }

    size_t Run(uint32_t start, uint32_t end)
    {
        return ProbeRange(Platform(), ScanRange{start, end}, nullptr, nullptr, &stop);
    }
};

constexpr uint32_t kNet = 0x0A000000;  // 10.0.0.0

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
            probes.stop = true;
    };
    EXPECT_EQ(probes.Run(kNet + 1, kNet + 254), 70u);
    EXPECT_EQ(probes.waits, (std::vector<DWORD>{64, 6}));

    // Stopped before the run began: nothing is sent at all.
    FakeProbes stopped;
    stopped.stop = true;
    EXPECT_EQ(stopped.Run(kNet + 1, kNet + 254), 0u);
    EXPECT_TRUE(stopped.ahead.empty());
    EXPECT_TRUE(stopped.addresses.empty());
}

TEST(ScanRun, AnAddressWithoutAThreadIsSkippedAndTheRunGoesOn)
{
    FakeProbes probes;
    probes.failStart = [](size_t index) { return index % 3 == 0; };
    EXPECT_EQ(probes.Run(kNet + 1, kNet + 100), 66u);
    EXPECT_EQ(probes.addresses.size(), 100u);  // every address was tried
    EXPECT_EQ(probes.waits, (std::vector<DWORD>{64, 2}));
}

std::atomic<int> s_EndedProbes;
std::atomic<int> s_OtherProbesLeft;
HANDLE s_OtherProbesEnded = nullptr;
constexpr DWORD kLastProbesDeadlineMs = 10000;

// .1, .1x and .1xx end only once every other probe has ended.
DWORD WINAPI SlowProbe(LPVOID param)
{
    const auto* probe = static_cast<HostProbeTask*>(param);
    const bool last = probe->Address[7] == '1';
    if (last)
        ::WaitForSingleObject(s_OtherProbesEnded, kLastProbesDeadlineMs);
    ++s_EndedProbes;
    if (!last && --s_OtherProbesLeft == 0)
        ::SetEvent(s_OtherProbesEnded);
    return 0;
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
        [](HostProbeTask* task) { return ::CreateThread(nullptr, 0, SlowProbe, task, 0, nullptr); },
        SystemScanPlatforms().Run.WaitForAll,
    };
    const size_t started = ProbeRange(platform, ScanRange{kNet + 1, kNet + 130}, nullptr);
    EXPECT_EQ(started, 130u);
    EXPECT_EQ(s_EndedProbes.load(), 130);
}

// What a run's sink was told, by address, in the order the probes told it.
class CRecordingSink : public CScanResultsSink {
public:
    void OnHostFound(const char* address, const BYTE*, ULONG) override { Add(address, "found"); }
    void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE*, ULONG) override
    {
        static const char* const kRoles[] = {"other", "own", "router"};
        Add(address, std::string("named '") + name + "' " + kRoles[static_cast<int>(role)]);
    }
    std::map<std::string, std::vector<std::string>> Reports() const
    {
        const CSingleLock lock(m_Lock);
        return m_Reports;
    }

private:
    void Add(const char* address, std::string report)
    {
        const CSingleLock lock(m_Lock);
        m_Reports[address].push_back(std::move(report));
    }

    mutable CCriticalSection m_Lock;
    std::map<std::string, std::vector<std::string>> m_Reports;
};

// The run's events, into an object its thread shares: a run may outlive its owner.
struct RunEvents {
    std::atomic<bool> started{false};
    std::atomic<bool> startedBeforeEnd{false};
    std::atomic<int> found{-1};

    static CScanRun::Events For(const std::shared_ptr<RunEvents>& seen)
    {
        return CScanRun::Events{
            [seen] { seen->started = true; },
            [seen](int found) {
                seen->startedBeforeEnd = seen->started.load();
                seen->found = found;
            },
        };
    }
};

constexpr ScanRange kFakeSubnet{0x0A141E01, 0x0A141EFE};  // 10.20.30.1 to .254

class ScanRunThread : public testing::Test {
protected:
    const CLocalNetworkOverride m_ThisComputer{"Myhost", "10.20.30.40", "10.20.30.1"};
    CFakeScanNetwork m_Network;  // joins every thread of a run before the test's objects go
};

TEST_F(ScanRunThread, ReportsItsStartEveryHostFoundThenNamedAndItsEndWithTheCount)
{
    m_Network.ReleaseLookups();
    const auto results = std::make_shared<CRecordingSink>();
    const auto seen = std::make_shared<RunEvents>();
    CScanRun run;
    ASSERT_TRUE(run.Start(kFakeSubnet, results, RunEvents::For(seen), m_Network.Platforms()));
    EXPECT_TRUE(run.Wait(kWaitMs));
    ASSERT_TRUE(m_Network.JoinAll(kWaitMs));

    EXPECT_TRUE(seen->startedBeforeEnd);
    EXPECT_EQ(seen->found, 4);
    const std::map<std::string, std::vector<std::string>> expected = {
        {"10.20.30.1", {"found", "named 'Router.home' router"}},
        {"10.20.30.7", {"found", "named 'Desktop-pc' other"}},
        {"10.20.30.40", {"found", "named 'Myhost' own"}},  // no look-up for this computer
        {"10.20.30.200", {"found", "named '' other"}},
    };
    EXPECT_EQ(results->Reports(), expected);
    EXPECT_EQ(m_Network.LookupsDone(), 3);
}

// A name look-up may block for seconds: the owner lets go at once, and the run ends later on
// its own, keeping its sink and events alive until then and no longer.
TEST_F(ScanRunThread, AnAbandonedRunEndsOnItsOwnWithOnlyWhatItHolds)
{
    auto results = std::make_shared<CRecordingSink>();
    const std::weak_ptr<CRecordingSink> resultsAlive = results;
    const auto seen = std::make_shared<RunEvents>();
    {
        CScanRun run;
        ASSERT_TRUE(run.Start(kFakeSubnet, std::move(results), RunEvents::For(seen), m_Network.Platforms()));
        ASSERT_TRUE(PumpUntil([&] { return m_Network.LookupsWaiting() == 3; }));
        run.Abandon();
    }
    EXPECT_EQ(m_Network.LookupsDone(), 0) << "letting go waited for the look-ups";
    EXPECT_FALSE(resultsAlive.expired()) << "the probes under way lost their sink";
    m_Network.ReleaseLookups();
    ASSERT_TRUE(m_Network.JoinAll(kWaitMs));
    EXPECT_TRUE(resultsAlive.expired()) << "the ended run still holds its sink";
    // Abandoning stops the run: the look-ups under way still name their hosts.
    EXPECT_EQ(seen->found, 4);
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
