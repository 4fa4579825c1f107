// CNeighbourTableReader: reads of the IPv4 neighbour table shared by every ARP request under
// way. A scan waits for up to 255 answers at once; under Wine one read of a table that holds
// them all takes tens of milliseconds, serialised by its network service, so one read per
// request and poll would stretch a 3.5 s wait to many seconds. A copy read less than the
// given age ago answers instead of another read.
#pragma once

#include "winlib/Thread.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <functional>
#include <vector>

class CNeighbourTableReader {
public:
    using ReadTable = std::function<DWORD(MIB_IPNETTABLE* table, ULONG* size)>;

    CNeighbourTableReader(ReadTable read, std::function<DWORD()> tickCount, DWORD maxAgeMs);
    CNeighbourTableReader(const CNeighbourTableReader&) = delete;
    CNeighbourTableReader& operator=(const CNeighbourTableReader&) = delete;

    // GetIpNetTable's contract (unsorted): NO_ERROR with the table in `table`;
    // ERROR_INSUFFICIENT_BUFFER with the size needed in *size; ERROR_NO_DATA when the table
    // is empty; any other failure of the platform as it came, or ERROR_GEN_FAILURE when
    // the table kept growing faster than it could be read.
    DWORD Read(MIB_IPNETTABLE* table, ULONG* size);

private:
    DWORD Refresh();

    ReadTable m_Read;
    std::function<DWORD()> m_TickCount;
    DWORD m_MaxAgeMs;
    CCriticalSection m_Lock;
    bool m_HaveCopy = false;
    DWORD m_CopiedAt = 0;
    DWORD m_CopyResult = NO_ERROR;  // NO_ERROR or ERROR_NO_DATA
    std::vector<DWORD> m_Copy;      // DWORDs keep the table's alignment
    size_t m_CopyBytes = 0;
};
