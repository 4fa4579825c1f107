// SendArpRequest: an ARP request with SendARP's contract on every platform we run on.
// Where SendARP is only a stub (Wine answers ERROR_NOT_SUPPORTED), the system's own ARP is
// set off with one datagram and its IPv4 neighbour table watched for the answer.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <functional>
#include <vector>

// How long the neighbour table is watched and how often. Linux sends its first ARP request
// at once and repeats it after 1 s (retrans_time); a host on a LAN answers within
// milliseconds. The last look comes at the deadline and sees the table as it was when that
// copy's read began, at most kTableCopyMaxAgeMs earlier: no earlier than 1.1 s after the
// first request, after the answer to the repeat when the first request was lost. A silent
// address costs every run the deadline and one read. Reading the table is slow under Wine
// (300-400 ms for a full /24 on a busy machine) and one read serves all requests, so a
// request takes the copy of a read that began up to kTableCopyMaxAgeMs before it asked
// rather than wait for a read of its own.
struct ArpTiming {
    static constexpr DWORD kDeadlineMs = 1400;
    static constexpr DWORD kFirstPollMs = 20;
    static constexpr DWORD kPollIntervalMs = 100;
    static constexpr DWORD kTableCopyMaxAgeMs = 300;
    static constexpr DWORD kRepeatAnsweredMs = 1100;  // the repeat at 1 s, and its answer
    static_assert(kDeadlineMs - kTableCopyMaxAgeMs >= kRepeatAnsweredMs, "the last look must see the repeat's answer");
};

// The platform calls of an ARP request; tests put fake tables and a fake clock behind them.
struct ArpPlatform {
    std::function<DWORD(IPAddr dest, IPAddr source, void* mac, ULONG* length)> SendARP;
    // CNeighbourTableReader::Read's contract.
    std::function<DWORD(std::vector<MIB_IPNETROW>& rows)> ReadNeighbourTable;
    std::function<ULONG(IP_ADAPTER_INFO* buffer, ULONG* size)> GetAdaptersInfo;
    // One datagram to the address's discard port; false when it could not be sent.
    std::function<bool(IPAddr dest)> SendDatagram;
    std::function<DWORD()> GetTickCount;
    std::function<void(DWORD ms)> Sleep;
};
const ArpPlatform& SystemArpPlatform();

// SendARP's contract: `dest` in network order; `mac` receives at most *length bytes;
// *length in: the buffer's size, out: the hardware address's length. NO_ERROR when the
// host answered; ERROR_BAD_NET_NAME when nothing answered in time (what SendARP reports
// for that since Vista); ERROR_BUFFER_OVERFLOW when *length is too small for the address;
// ERROR_INVALID_PARAMETER for a missing buffer or length. Blocks up to the deadline above.
DWORD SendArpRequest(IPAddr dest, IPAddr source, void* mac, ULONG* length);
DWORD SendArpRequest(const ArpPlatform& platform, IPAddr dest, IPAddr source, void* mac, ULONG* length);
