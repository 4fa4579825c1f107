// SendArpRequest: an ARP request with SendARP's contract on every platform we run on.
// Where SendARP is only a stub (Wine answers ERROR_NOT_SUPPORTED), the system's own ARP is
// set off with one datagram and its IPv4 neighbour table watched for the answer.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "winlib/Thread.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// When the neighbour table is looked at, counted from the datagram that set the system's ARP
// off. Linux sends its first ARP request at once and repeats it after 1 s (retrans_time); a
// host on a LAN answers within milliseconds, so the last look, a read of the table begun
// kLastLookMs after the datagram, also sees the answer to the repeat when the first request
// was lost. The looks before it only find answers early; they stop kQuietBeforeLastLookMs
// ahead of it, so that no read of theirs (through Wine's GetIpNetTable 300-400 ms for a /24
// on a busy machine) is still under way when the last look needs a new one. One read serves every request that
// can make do with its copy: a poll takes a copy whose read began up to kTableCopyMaxAgeMs
// before it asked.
// On a link that loses requests (Wi-Fi sends broadcasts without acknowledgement), Linux's
// third request, 2 s after the first, finds some more hosts: where a run's last look shows a
// host that answered only the repeat (still silent in a table read kSilentAfterMs after its
// datagram, when any host on a LAN has long answered the first), the run's silent addresses
// get one more look, kThirdLookMs after their datagram. A link that loses nothing costs no
// more time.
struct ArpTiming {
    static constexpr DWORD kLastLookMs = 1100;
    static constexpr DWORD kThirdLookMs = 2100;
    static constexpr DWORD kSilentAfterMs = 400;
    static constexpr DWORD kFirstPollMs = 20;
    static constexpr DWORD kPollIntervalMs = 100;
    static constexpr DWORD kQuietBeforeLastLookMs = 300;
    static constexpr DWORD kTableCopyMaxAgeMs = 300;
};

class CArpRequestsAhead;

// The platform calls of an ARP request; tests put fake tables and a fake clock behind them.
struct ArpPlatform {
    std::function<DWORD(IPAddr dest, IPAddr source, void* mac, ULONG* length)> SendARP;
    // CNeighbourTableReader::Read's contract.
    std::function<DWORD(std::vector<MIB_IPNETROW>& rows, DWORD notBefore)> ReadNeighbourTable;
    std::function<ULONG(IP_ADAPTER_INFO* buffer, ULONG* size)> GetAdaptersInfo;
    // One datagram to the discard port of each address; the addresses it could be sent to.
    std::function<std::vector<IPAddr>(const std::vector<IPAddr>& dests)> SendDatagrams;
    std::function<DWORD()> GetTickCount;
    // Waits ms (0: not at all); false, at once, when the run was stopped before or meanwhile.
    std::function<bool(DWORD ms)> Wait;
    // Where datagrams sent ahead are recorded; none: every request sends its own.
    CArpRequestsAhead* RequestsAhead = nullptr;
};
// The system's calls with the state they keep between requests (one neighbour table read
// serving many, the adapter list's copy, the datagrams sent ahead). Whoever holds a copy
// shares that state: a run's threads keep it as long as they need it, and the last holder
// ends it. `stop`, an event (or null for none), ends the waits once it is set; the state
// keeps a duplicate of the handle, so the caller may close its own at any time.
std::shared_ptr<const ArpPlatform> MakeSystemArpPlatform(HANDLE stop);

// SendARP's contract: `dest` in network order; `mac` receives at most *length bytes;
// *length in: the buffer's size, out: the hardware address's length. NO_ERROR when the
// host answered; ERROR_BAD_NET_NAME when nothing answered in time (what SendARP reports
// for that since Vista); ERROR_BUFFER_OVERFLOW when *length is too small for the address;
// ERROR_INVALID_PARAMETER for a missing buffer or length; ERROR_CANCELLED, at once and
// without another look, when the platform's stop is set before or during a wait. Blocks up
// to the last look above.
DWORD SendArpRequest(const ArpPlatform& platform, IPAddr dest, IPAddr source, void* mac, ULONG* length);

// Datagrams sent for many addresses at once, before their requests are made. Where SendARP is
// a stub, a run's probes start one thread after another (half a second for a /24 under Wine),
// and each would set the system's ARP off only when its thread runs: sent ahead, the waits
// of all the run's requests run together. A request for an address sent ahead counts its
// wait from then and sends nothing itself.
// Every request asks whether its address is the machine's own. Under Wine each read of the
// adapter list goes through the network service one at a time; 254 probes reading it for
// themselves held back the last ARP requests of a scan by most of a second. One copy serves
// all requests while it is younger than a second (adapters change far more rarely).
class CAdapterListCache {
public:
    using Source = std::function<ULONG(IP_ADAPTER_INFO* buffer, ULONG* size)>;
    CAdapterListCache(Source source, std::function<DWORD()> clock)
        : m_Source(std::move(source)), m_Clock(std::move(clock))
    {
    }
    // GetAdaptersInfo's contract, the records linked within `buffer`.
    ULONG Read(IP_ADAPTER_INFO* buffer, ULONG* size);

    static constexpr DWORD kMaxAgeMs = 1000;

private:
    void Refresh();

    const Source m_Source;
    const std::function<DWORD()> m_Clock;
    CCriticalSection m_Lock;
    std::vector<IP_ADAPTER_INFO> m_Copy;  // keeps the records' alignment
    ULONG m_Bytes = 0;
    ULONG m_Result = ERROR_NO_DATA;
    DWORD m_CopiedAt = 0;
    bool m_HaveCopy = false;
};

class CArpRequestsAhead {
public:
    CArpRequestsAhead() = default;
    CArpRequestsAhead(const CArpRequestsAhead&) = delete;
    CArpRequestsAhead& operator=(const CArpRequestsAhead&) = delete;

    // `sent` (network order) went out by `sentAt`; replaces what was recorded before.
    void Record(std::vector<IPAddr> sent, DWORD sentAt);
    // When the datagram for `dest` went out, if one did. A request made after the last look
    // was due (its probe's thread started late, or never, and the run probes the address
    // itself) takes that look at once: the system has repeated its request meanwhile, and a
    // datagram of its own would cost the whole wait again.
    bool Find(IPAddr dest, DWORD& sentAt) const;

    // `dest` (sent ahead) had no answer in a table read ArpTiming::kSilentAfterMs or more
    // after its datagram: its host did not hear the first request.
    void NoteSilent(IPAddr dest);
    // True when `rows`, a table read for the run's last look, hold the answer of an address
    // noted silent: its host answered only the repeated request.
    bool LinkLosesRequests(const std::vector<MIB_IPNETROW>& rows) const;

private:
    // Where `dest` is in m_Sent, or m_Sent.size() when it was not sent; m_Lock held.
    size_t IndexOf(IPAddr dest) const;

    mutable CCriticalSection m_Lock;
    std::vector<IPAddr> m_Sent;  // sorted
    std::vector<bool> m_Silent;  // by the position in m_Sent
    DWORD m_SentAt = 0;
};

// Where SendARP is a stub, sends the datagram of every address of `dests` (network order) now
// and records them with the time the last one went out; where SendARP works, does nothing.
void SendArpRequestsAhead(const ArpPlatform& platform, const std::vector<IPAddr>& dests);
