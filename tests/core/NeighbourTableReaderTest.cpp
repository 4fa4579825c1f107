// One read of the neighbour table serves every request that can make do with the time its
// copy shows.
#include "scan/NeighbourTableReader.h"

#include "winlib/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kMaxAge = 100;

std::vector<MIB_IPNETROW> Rows(size_t count, DWORD tag)
{
    std::vector<MIB_IPNETROW> rows(count);
    for (size_t i = 0; i < count; ++i) {
        rows[i].dwAddr = static_cast<DWORD>(i + 1);
        rows[i].dwPhysAddrLen = 6;
        rows[i].bPhysAddr[5] = static_cast<BYTE>(tag);
        rows[i].dwType = MIB_IPNET_TYPE_DYNAMIC;
    }
    return rows;
}

// The platform's table: whatever `rows` holds at the time of the read.
struct FakeTable {
    std::vector<MIB_IPNETROW> rows = Rows(3, 1);
    DWORD failure = NO_ERROR;
    DWORD claimedExtraRows = 0;  // a count larger than what it wrote
    size_t rowsAddedPerCall = 0; // grows between the call that gives the size and the read,
    int growingCalls = 1000;     // on this many calls
    std::vector<ULONG> sizesOffered;
    std::atomic<int> reads{0};
    DWORD now = 0xFFFFFFF0;      // wraps during the test
    HANDLE holdReads = nullptr;  // an event: every read waits for it
    DWORD clockAdvancePerRead = 0;  // a slow read, on the test's clock

    CNeighbourTableReader::ReadTable Read()
    {
        return [this](MIB_IPNETTABLE* table, ULONG* size) -> DWORD {
            if (holdReads)
                ::WaitForSingleObject(holdReads, 30000);
            now += clockAdvancePerRead;
            sizesOffered.push_back(*size);
            if (failure != NO_ERROR)
                return failure;
            if (rowsAddedPerCall && growingCalls-- > 0) {
                const std::vector<MIB_IPNETROW> more = Rows(rowsAddedPerCall, 9);
                rows.insert(rows.end(), more.begin(), more.end());
            }
            if (rows.empty())
                return ERROR_NO_DATA;
            const ULONG needed = static_cast<ULONG>(offsetof(MIB_IPNETTABLE, table) + rows.size() * sizeof(MIB_IPNETROW));
            if (!table || *size < needed) {
                *size = needed;
                return ERROR_INSUFFICIENT_BUFFER;
            }
            ++reads;
            table->dwNumEntries = static_cast<DWORD>(rows.size()) + claimedExtraRows;
            std::memcpy(table->table, rows.data(), rows.size() * sizeof(MIB_IPNETROW));
            return NO_ERROR;
        };
    }
};

struct Copy {
    DWORD result = ERROR_GEN_FAILURE;
    std::vector<MIB_IPNETROW> rows;
};

Copy ReadAll(CNeighbourTableReader& reader, DWORD notBefore)
{
    Copy copy;
    copy.result = reader.Read(copy.rows, notBefore);
    return copy;
}

bool SameRows(const std::vector<MIB_IPNETROW>& a, const std::vector<MIB_IPNETROW>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(MIB_IPNETROW)) == 0;
}

TEST(NeighbourTableReader, TheCopyServesWhoeverAsksForItsTimeOrEarlier)
{
    FakeTable platform;
    CNeighbourTableReader reader(platform.Read(), [&platform] { return platform.now; });
    const DWORD firstRead = platform.now;
    const std::vector<MIB_IPNETROW> first = platform.rows;
    EXPECT_TRUE(SameRows(ReadAll(reader, platform.now - kMaxAge).rows, first));
    EXPECT_EQ(platform.reads, 1);

    platform.rows = Rows(5, 2);
    platform.now += kMaxAge - 1;
    EXPECT_TRUE(SameRows(ReadAll(reader, platform.now - kMaxAge).rows, first)) << "still young";
    EXPECT_TRUE(SameRows(ReadAll(reader, firstRead).rows, first)) << "the very time it shows";
    EXPECT_EQ(platform.reads, 1);

    EXPECT_TRUE(SameRows(ReadAll(reader, firstRead + 1).rows, platform.rows)) << "later than it shows, across the wrap";
    EXPECT_EQ(platform.reads, 2);
}

// What a copy shows is as old as its read's start: a read that took longer than the
// copy may age does not serve the caller who comes right after it.
TEST(NeighbourTableReader, ASlowReadsCopyAgesFromWhenTheReadBegan)
{
    FakeTable platform;
    platform.clockAdvancePerRead = kMaxAge + 300;  // counted for each of the two calls a read makes
    CNeighbourTableReader reader(platform.Read(), [&platform] { return platform.now; });
    const std::vector<MIB_IPNETROW> first = platform.rows;
    EXPECT_TRUE(SameRows(ReadAll(reader, platform.now - kMaxAge).rows, first));
    platform.rows = Rows(5, 2);
    EXPECT_TRUE(SameRows(ReadAll(reader, platform.now - kMaxAge).rows, platform.rows)) << "the first copy began too long ago";
    EXPECT_EQ(platform.reads, 2);
}

TEST(NeighbourTableReader, ATableLargerThanTheFirstBufferIsReadWhole)
{
    FakeTable platform;
    platform.rows = Rows(300, 3);
    CNeighbourTableReader reader(platform.Read(), [&platform] { return platform.now; });
    EXPECT_TRUE(SameRows(ReadAll(reader, platform.now - kMaxAge).rows, platform.rows));
    EXPECT_EQ(platform.reads, 1);

    // It also grows between the call that gives the size and the one that reads it.
    FakeTable growing;
    growing.rows = Rows(300, 3);
    growing.rowsAddedPerCall = 150;
    growing.growingCalls = 2;
    CNeighbourTableReader grown(growing.Read(), [&growing] { return growing.now; });
    const Copy copy = ReadAll(grown, growing.now - kMaxAge);
    EXPECT_EQ(copy.result, static_cast<DWORD>(NO_ERROR));
    EXPECT_TRUE(SameRows(copy.rows, growing.rows));
    ASSERT_GE(growing.sizesOffered.size(), 3u);
    for (size_t i = 1; i < growing.sizesOffered.size(); ++i)
        EXPECT_GT(growing.sizesOffered[i], growing.sizesOffered[i - 1]);

    // Growing faster than it is read: a failure, not a partial table.
    FakeTable racing;
    racing.rowsAddedPerCall = 2000;
    CNeighbourTableReader raced(racing.Read(), [&racing] { return racing.now; });
    EXPECT_EQ(ReadAll(raced, racing.now - kMaxAge).result, static_cast<DWORD>(ERROR_GEN_FAILURE));
}

TEST(NeighbourTableReader, FailuresAndEmptyTables)
{
    FakeTable platform;
    CNeighbourTableReader reader(platform.Read(), [&platform] { return platform.now; });
    EXPECT_EQ(ReadAll(reader, platform.now - kMaxAge).result, static_cast<DWORD>(NO_ERROR));

    // A failed read is passed on and leaves no copy behind to be served later.
    platform.now += kMaxAge + 1;
    platform.failure = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(ReadAll(reader, platform.now - kMaxAge).result, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    platform.failure = NO_ERROR;
    platform.rows = Rows(2, 4);
    EXPECT_TRUE(SameRows(ReadAll(reader, platform.now - kMaxAge).rows, platform.rows));

    // An empty table is an answer like any other.
    platform.now += kMaxAge + 1;
    platform.rows.clear();
    Copy empty = ReadAll(reader, platform.now - kMaxAge);
    EXPECT_EQ(empty.result, static_cast<DWORD>(NO_ERROR));
    EXPECT_TRUE(empty.rows.empty());
    platform.rows = Rows(2, 5);
    empty = ReadAll(reader, platform.now - kMaxAge);
    EXPECT_TRUE(empty.rows.empty()) << "still young";

    // A count beyond what was written is cut to what the copy holds.
    platform.now += kMaxAge + 1;
    platform.claimedExtraRows = 100000;
    const Copy copy = ReadAll(reader, platform.now - kMaxAge);
    EXPECT_EQ(copy.result, static_cast<DWORD>(NO_ERROR));
    EXPECT_LT(copy.rows.size(), 100u);
}

struct Caller {
    CNeighbourTableReader* reader;
    const std::vector<MIB_IPNETROW>* expected;
    std::atomic<int>* wrong;
    DWORD notBefore;
};

void ReadOnce(const Caller& caller)
{
    if (!SameRows(ReadAll(*caller.reader, caller.notBefore).rows, *caller.expected))
        ++*caller.wrong;
}

TEST(NeighbourTableReader, ManyCallersAtOnceShareOneRead)
{
    FakeTable platform;
    platform.rows = Rows(254, 6);
    // The first read lasts until every caller has been started, so they come while it runs.
    CHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    platform.holdReads = release.Get();
    // The clock stands still: every caller comes while the first read's copy is young.
    CNeighbourTableReader reader(platform.Read(), [&platform] { return platform.now; });
    std::atomic<int> wrong{0};
    Caller caller{&reader, &platform.rows, &wrong, platform.now - kMaxAge};
    std::vector<CHandle> threads;
    int started = 0;
    for (int i = 0; i < 60; ++i) {
        threads.push_back(StartThread([&caller] { ReadOnce(caller); }));
        started += threads.back() ? 1 : 0;
    }
    ::SetEvent(release.Get());
    // Every thread has ended before anything is asserted: they use this test's objects.
    for (const CHandle& thread : threads) {
        if (thread)
            ::WaitForSingleObject(thread.Get(), INFINITE);
    }
    EXPECT_EQ(started, 60);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(platform.reads, 1);
}

}  // namespace
