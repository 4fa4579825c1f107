// SendArpRequest: an ARP request with SendARP's contract on every platform we run on.
// Where SendARP is only a stub (Wine answers ERROR_NOT_SUPPORTED), the system's own ARP is
// set off with one datagram and its IPv4 neighbour table watched for the answer.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <functional>

// How long the neighbour table is watched and how often. The system resolves by itself:
// Linux sends its first request at once and repeats it after 1 s (retrans_time), and a
// host on a LAN answers within milliseconds, a wireless one within about 100 ms. 1.4 s thus
// covers an answer to the repeated request when the first one was lost, plus a table copy
// up to one poll interval old and one poll interval of lateness, and no more: a silent
// address costs every run this long. (Waiting for the third request at 2 s, as the
// system's own SendARP does, would buy little: two lost requests in a row mean a host that
// is hardly reachable.) The first look comes soon after the datagram, then one every poll
// interval. All requests under way share one copy of the table while it is younger than
// the copy age (the poll interval, so no look sees older news than that): under Wine one
// read of a table holding a whole /24 takes tens of milliseconds, serialised, and 254
// probes reading it for themselves stretched a scan from 4 s to 9-12 s.
struct ArpTiming {
    static constexpr DWORD kDeadlineMs = 1400;
    static constexpr DWORD kFirstPollMs = 20;
    static constexpr DWORD kPollIntervalMs = 100;
    static constexpr DWORD kTableCopyMaxAgeMs = kPollIntervalMs;
};

// The platform calls of an ARP request; tests put fake tables and a fake clock behind them.
struct ArpPlatform {
    std::function<DWORD(IPAddr dest, IPAddr source, void* mac, ULONG* length)> SendARP;
    std::function<DWORD(MIB_IPNETTABLE* table, ULONG* size)> GetIpNetTable;
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
