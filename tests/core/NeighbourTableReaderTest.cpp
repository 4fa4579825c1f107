// One read of the neighbour table serves every request that comes while its copy is young.
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
    std::atomic<int> reads{0};
    DWORD now = 0xFFFFFFF0;      // wraps during the test
    DWORD readDelayMs = 0;

    CNeighbourTableReader::ReadTable Read()
    {
        return [this](MIB_IPNETTABLE* table, ULONG* size) -> DWORD {
            ::Sleep(readDelayMs);
            if (failure != NO_ERROR)
                return failure;
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

// What a caller gets, read the way callers do: grow the buffer when told to.
struct Copy {
    DWORD result = ERROR_GEN_FAILURE;
    std::vector<MIB_IPNETROW> rows;
};

Copy ReadAll(CNeighbourTableReader& reader)
{
    std::vector<DWORD> buffer(4);
    Copy copy;
    for (int attempt = 0; attempt < 3; ++attempt) {
        ULONG size = static_cast<ULONG>(buffer.size() * sizeof(DWORD));
        auto* table = reinterpret_cast<MIB_IPNETTABLE*>(buffer.data());
        copy.result = reader.Read(table, &size);
        if (copy.result == ERROR_INSUFFICIENT_BUFFER) {
            buffer.assign(size / sizeof(DWORD) + 1, 0);
            continue;
        }
        if (copy.result == NO_ERROR)
            copy.rows.assign(table->table, table->table + table->dwNumEntries);
        break;
    }
    return copy;
}

bool SameRows(const std::vector<MIB_IPNETROW>& a, const std::vector<MIB_IPNETROW>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(MIB_IPNETROW)) == 0;
}

TEST(NeighbourTableReader, AYoungCopyAnswersAndAnOldOneIsReadAgain)
{
    FakeTable platform;
    CNeighbourTableReader reader(platform.Read(), [&platform] { return platform.now; }, kMaxAge);
    const std::vector<MIB_IPNETROW> first = platform.rows;
    EXPECT_TRUE(SameRows(ReadAll(reader).rows, first));
    EXPECT_EQ(platform.reads, 1);

    platform.rows = Rows(5, 2);
    platform.now += kMaxAge - 1;
    EXPECT_TRUE(SameRows(ReadAll(reader).rows, first)) << "still young";
    EXPECT_EQ(platform.reads, 1);

    platform.now += 1;
    EXPECT_TRUE(SameRows(ReadAll(reader).rows, platform.rows)) << "old enough to read again, across the wrap";
    EXPECT_EQ(platform.reads, 2);
}

TEST(NeighbourTableReader, ASmallBufferIsToldTheSizeWithoutAnotherRead)
{
    FakeTable platform;
    platform.rows = Rows(300, 3);  // larger than the reader's first buffer
    CNeighbourTableReader reader(platform.Read(), [&platform] { return platform.now; }, kMaxAge);
    const ULONG needed = static_cast<ULONG>(offsetof(MIB_IPNETTABLE, table) + 300 * sizeof(MIB_IPNETROW));

    ULONG size = 0;
    EXPECT_EQ(reader.Read(nullptr, &size), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, needed);
    std::vector<DWORD> buffer(needed / sizeof(DWORD) + 8, 0xCDCDCDCD);
    size = needed - 1;
    EXPECT_EQ(reader.Read(reinterpret_cast<MIB_IPNETTABLE*>(buffer.data()), &size), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer[0], 0xCDCDCDCDu) << "nothing written into a buffer that is too small";
    size = needed;
    EXPECT_EQ(reader.Read(reinterpret_cast<MIB_IPNETTABLE*>(buffer.data()), &size), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(buffer[needed / sizeof(DWORD)], 0xCDCDCDCDu) << "nothing written past the table";
    const auto* table = reinterpret_cast<const MIB_IPNETTABLE*>(buffer.data());
    EXPECT_TRUE(SameRows(std::vector<MIB_IPNETROW>(table->table, table->table + table->dwNumEntries), platform.rows));
    EXPECT_EQ(platform.reads, 1);
    EXPECT_EQ(reader.Read(nullptr, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(NeighbourTableReader, FailuresAndEmptyTables)
{
    FakeTable platform;
    CNeighbourTableReader reader(platform.Read(), [&platform] { return platform.now; }, kMaxAge);
    EXPECT_EQ(ReadAll(reader).result, static_cast<DWORD>(NO_ERROR));

    // A failed read is passed on and leaves no copy behind to be served later.
    platform.now += kMaxAge;
    platform.failure = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(ReadAll(reader).result, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    platform.failure = NO_ERROR;
    platform.rows = Rows(2, 4);
    EXPECT_TRUE(SameRows(ReadAll(reader).rows, platform.rows));

    // An empty table is an answer like any other.
    platform.now += kMaxAge;
    platform.rows.clear();
    EXPECT_EQ(ReadAll(reader).result, static_cast<DWORD>(ERROR_NO_DATA));
    platform.rows = Rows(2, 5);
    EXPECT_EQ(ReadAll(reader).result, static_cast<DWORD>(ERROR_NO_DATA)) << "still young";

    // A count beyond what was written is cut to what the copy holds.
    platform.now += kMaxAge;
    platform.claimedExtraRows = 100000;
    const Copy copy = ReadAll(reader);
    EXPECT_EQ(copy.result, static_cast<DWORD>(NO_ERROR));
    EXPECT_LT(copy.rows.size(), 100u);
}

struct Caller {
    CNeighbourTableReader* reader;
    const std::vector<MIB_IPNETROW>* expected;
    std::atomic<int>* wrong;
};

UINT ReadOnce(LPVOID param)
{
    auto& caller = *static_cast<Caller*>(param);
    if (!SameRows(ReadAll(*caller.reader).rows, *caller.expected))
        ++*caller.wrong;
    return 0;
}

TEST(NeighbourTableReader, ManyCallersAtOnceShareOneRead)
{
    FakeTable platform;
    platform.rows = Rows(254, 6);
    platform.readDelayMs = 30;
    CNeighbourTableReader reader(platform.Read(), [] { return ::GetTickCount(); }, 1000);
    std::atomic<int> wrong{0};
    Caller caller{&reader, &platform.rows, &wrong};
    std::vector<CHandle> threads;
    for (int i = 0; i < 60; ++i)
        threads.push_back(AfxBeginThread(ReadOnce, &caller));
    for (const CHandle& thread : threads) {
        ASSERT_TRUE(thread);
        ::WaitForSingleObject(thread.Get(), INFINITE);
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(platform.reads, 1);
}

}  // namespace
