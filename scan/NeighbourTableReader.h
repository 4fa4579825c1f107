// CNeighbourTableReader: the IPv4 neighbour table, read once for every ARP request that can
// make do with the last copy (under Wine each read of a full /24 table is slow and serialised).
#pragma once

#include "winlib/Thread.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <functional>
#include <vector>

class CNeighbourTableReader {
public:
    // GetIpNetTable's contract.
    using ReadTable = std::function<DWORD(MIB_IPNETTABLE* table, ULONG* size)>;

    CNeighbourTableReader(ReadTable read, std::function<DWORD()> tickCount);
    CNeighbourTableReader(const CNeighbourTableReader&) = delete;
    CNeighbourTableReader& operator=(const CNeighbourTableReader&) = delete;

    // The table as it was at `notBefore` (a tick count) or later: the last copy when its read
    // began then or after, else a new one. NO_ERROR with the table's rows (none for an empty
    // table); else the platform's failure as it came, or ERROR_GEN_FAILURE when the table kept
    // growing faster than it was read.
    DWORD Read(std::vector<MIB_IPNETROW>& rows, DWORD notBefore);

private:
    DWORD Refresh();

    ReadTable m_Read;
    std::function<DWORD()> m_TickCount;
    CCriticalSection m_Lock;
    bool m_HaveCopy = false;
    DWORD m_ReadStartedAt = 0;
    std::vector<MIB_IPNETROW> m_Rows;
    std::vector<DWORD> m_Buffer;  // DWORDs keep the table's alignment
};
