#include "scan/NeighbourTableReader.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {
// The table may grow between the call that gives its size and the call that reads it.
constexpr int kReadAttempts = 4;
constexpr size_t kRowsOfSlack = 16;
constexpr size_t kRowsOffset = offsetof(MIB_IPNETTABLE, table);
}  // namespace

CNeighbourTableReader::CNeighbourTableReader(ReadTable read, std::function<DWORD()> tickCount)
    : m_Read(std::move(read)), m_TickCount(std::move(tickCount))
{
}

DWORD CNeighbourTableReader::Read(std::vector<MIB_IPNETROW>& rows, DWORD notBefore)
{
    // Held during the platform's read too: whoever comes meanwhile may take that read's copy.
    // A copy shows the table as it was when its read began, which under Wine may be long
    // before the read ends.
    const CSingleLock lock(m_Lock);
    if (!m_HaveCopy || static_cast<LONG>(m_ReadStartedAt - notBefore) < 0) {
        const DWORD result = Refresh();
        if (result != NO_ERROR)
            return result;
    }
    rows = m_Rows;
    return NO_ERROR;
}

// A new copy, or the platform's failure (then the old copy is not used again).
DWORD CNeighbourTableReader::Refresh()
{
    m_HaveCopy = false;
    m_ReadStartedAt = m_TickCount();
    if (m_Buffer.size() * sizeof(DWORD) < kRowsOffset)
        m_Buffer.assign((kRowsOffset + kRowsOfSlack * sizeof(MIB_IPNETROW)) / sizeof(DWORD) + 1, 0);
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        ULONG bytes = static_cast<ULONG>(m_Buffer.size() * sizeof(DWORD));
        auto* table = reinterpret_cast<MIB_IPNETTABLE*>(m_Buffer.data());
        const DWORD result = m_Read(table, &bytes);
        if (result == ERROR_INSUFFICIENT_BUFFER) {
            const size_t wanted = std::max<size_t>(bytes, m_Buffer.size() * sizeof(DWORD)) + kRowsOfSlack * sizeof(MIB_IPNETROW);
            m_Buffer.assign((wanted + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
            continue;
        }
        if (result != NO_ERROR && result != ERROR_NO_DATA)
            return result;
        m_Rows.clear();
        if (result == NO_ERROR) {
            // A count beyond what the buffer holds is cut to it.
            const size_t capacity = (m_Buffer.size() * sizeof(DWORD) - kRowsOffset) / sizeof(MIB_IPNETROW);
            m_Rows.assign(table->table, table->table + std::min<size_t>(table->dwNumEntries, capacity));
        }
        m_HaveCopy = true;
        return NO_ERROR;
    }
    return ERROR_GEN_FAILURE;  // it kept growing faster than it could be read: try later
}
