#include "scan/NeighbourTableReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace {
// The table may grow between the call that gives its size and the call that reads it.
constexpr int kReadAttempts = 4;
constexpr size_t kRowsOfSlack = 16;
}  // namespace

CNeighbourTableReader::CNeighbourTableReader(ReadTable read, std::function<DWORD()> tickCount, DWORD maxAgeMs)
    : m_Read(std::move(read)), m_TickCount(std::move(tickCount)), m_MaxAgeMs(maxAgeMs)
{
}

DWORD CNeighbourTableReader::Read(MIB_IPNETTABLE* table, ULONG* size)
{
    if (!size)
        return ERROR_INVALID_PARAMETER;
    // Held during the platform's read too: whoever comes meanwhile gets that read's copy.
    const CSingleLock lock(m_Lock);
    if (!m_HaveCopy || m_TickCount() - m_CopiedAt >= m_MaxAgeMs) {
        const DWORD result = Refresh();
        if (result != NO_ERROR)
            return result;
    }
    if (m_CopyResult != NO_ERROR)
        return m_CopyResult;
    if (!table || *size < m_CopyBytes) {
        *size = static_cast<ULONG>(m_CopyBytes);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(table, m_Copy.data(), m_CopyBytes);
    *size = static_cast<ULONG>(m_CopyBytes);
    return NO_ERROR;
}

// A new copy, or the platform's failure (then the old copy is not used again).
DWORD CNeighbourTableReader::Refresh()
{
    constexpr size_t kRowsOffset = offsetof(MIB_IPNETTABLE, table);
    m_HaveCopy = false;
    if (m_Copy.size() * sizeof(DWORD) < kRowsOffset)
        m_Copy.assign((kRowsOffset + kRowsOfSlack * sizeof(MIB_IPNETROW)) / sizeof(DWORD) + 1, 0);
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        ULONG bytes = static_cast<ULONG>(m_Copy.size() * sizeof(DWORD));
        auto* copy = reinterpret_cast<MIB_IPNETTABLE*>(m_Copy.data());
        const DWORD result = m_Read(copy, &bytes);
        if (result == ERROR_INSUFFICIENT_BUFFER) {
            const size_t wanted = std::max<size_t>(bytes, m_Copy.size() * sizeof(DWORD)) + kRowsOfSlack * sizeof(MIB_IPNETROW);
            m_Copy.assign((wanted + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
            continue;
        }
        if (result != NO_ERROR && result != ERROR_NO_DATA)
            return result;
        size_t rows = 0;
        if (result == NO_ERROR) {
            const size_t capacity = (m_Copy.size() * sizeof(DWORD) - kRowsOffset) / sizeof(MIB_IPNETROW);
            rows = std::min<size_t>(copy->dwNumEntries, capacity);
            copy->dwNumEntries = static_cast<DWORD>(rows);
        }
        m_CopyResult = result;
        m_CopyBytes = kRowsOffset + rows * sizeof(MIB_IPNETROW);
        m_CopiedAt = m_TickCount();
        m_HaveCopy = true;
        return NO_ERROR;
    }
    return ERROR_GEN_FAILURE;  // it kept growing faster than it could be read: try later
}
