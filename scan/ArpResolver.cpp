#include "scan/ArpResolver.h"

#include "scan/KernelNeighbourTable.h"
#include "scan/LocalNetwork.h"
#include "scan/NeighbourTableReader.h"
#include "winlib/Socket.h"
#include "winlib/Thread.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

constexpr ULONG kEthernetAddressLength = 6;
constexpr u_short kDiscardPort = 9;

struct HardwareAddress {
    BYTE bytes[MAXLEN_PHYSADDR > MAX_ADAPTER_ADDRESS_LENGTH ? MAXLEN_PHYSADDR : MAX_ADAPTER_ADDRESS_LENGTH];
    ULONG length;
};

bool IsAllZero(const BYTE* bytes, ULONG length)
{
    return std::all_of(bytes, bytes + length, [](BYTE b) { return b == 0; });
}

// Each datagram waits in its socket's send buffer until its address has answered or been
// given up (3 s): one buffer holds about 200 of them, and under Wine a socket of its own for
// each of a /24's datagrams tripled the time they took. So a socket sends a group, and never
// waits for room: a datagram that finds none is not sent.
constexpr size_t kDatagramsPerSocket = 64;

std::vector<IPAddr> SendDiscardDatagrams(const std::vector<IPAddr>& dests)
{
    std::vector<IPAddr> sent;
    sent.reserve(dests.size());
    for (size_t first = 0; first < dests.size(); first += kDatagramsPerSocket) {
        const CSocket socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        u_long nonBlocking = 1;
        if (!socket || ::ioctlsocket(socket.Get(), FIONBIO, &nonBlocking) != 0)
            continue;
        const size_t end = std::min(dests.size(), first + kDatagramsPerSocket);
        for (size_t i = first; i < end; ++i) {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(kDiscardPort);
            to.sin_addr.s_addr = dests[i];
            if (::sendto(socket.Get(), "", 0, 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != SOCKET_ERROR)
                sent.push_back(dests[i]);
        }
    }
    return sent;
}

// The own adapter's hardware address when `dest` is one of its addresses: the neighbour
// table never lists the machine itself.
bool FindOwnAddress(const ArpPlatform& platform, IPAddr dest, HardwareAddress& answer)
{
    const std::vector<IP_ADAPTER_INFO> adapters = ReadAdapterList(platform.GetAdaptersInfo);
    for (const IP_ADAPTER_INFO* adapter = adapters.empty() ? nullptr : adapters.data(); adapter;
         adapter = adapter->Next) {
        for (const IP_ADDR_STRING* address = &adapter->IpAddressList; address; address = address->Next) {
            char text[sizeof(address->IpAddress.String)];
            std::memcpy(text, address->IpAddress.String, sizeof(text));
            text[sizeof(text) - 1] = '\0';
            IN_ADDR parsed{};
            if (::inet_pton(AF_INET, text, &parsed) != 1 || parsed.S_un.S_addr != dest)
                continue;
            answer.length = std::min<ULONG>(adapter->AddressLength, MAX_ADAPTER_ADDRESS_LENGTH);
            std::memcpy(answer.bytes, adapter->Address, answer.length);
            return true;
        }
    }
    return false;
}

// An entry counts only once its hardware address is known: one still being resolved, or
// given up, shows zeros or is marked invalid.
bool IsAnswer(const MIB_IPNETROW& row)
{
    const ULONG length = std::min<ULONG>(row.dwPhysAddrLen, MAXLEN_PHYSADDR);
    return row.dwType != MIB_IPNET_TYPE_INVALID && length != 0 && !IsAllZero(row.bPhysAddr, length);
}

bool FindAnswer(const std::vector<MIB_IPNETROW>& rows, IPAddr dest, HardwareAddress& answer)
{
    for (const MIB_IPNETROW& row : rows) {
        if (row.dwAddr != dest || !IsAnswer(row))
            continue;
        answer.length = std::min<ULONG>(row.dwPhysAddrLen, MAXLEN_PHYSADDR);
        std::memcpy(answer.bytes, row.bPhysAddr, answer.length);
        return true;
    }
    return false;
}

DWORD Deliver(const HardwareAddress& answer, void* mac, ULONG* length)
{
    if (answer.length == 0)
        return ERROR_BAD_NET_NAME;
    if (*length < answer.length)
        return ERROR_BUFFER_OVERFLOW;
    std::memcpy(mac, answer.bytes, answer.length);
    *length = answer.length;
    return NO_ERROR;
}

// What a request sees at one look at the neighbour table.
enum class Seen { Answer, NoAnswer, ReadFailed, Unsupported };

// A request watching the neighbour table for its address, its times counted from the
// datagram that set the system's ARP off.
class CTableWatch {
public:
    CTableWatch(const ArpPlatform& platform, IPAddr dest, DWORD start) : m_Platform(platform), m_Dest(dest), m_Start(start)
    {
    }

    DWORD Elapsed() const { return m_Platform.GetTickCount() - m_Start; }

    // A look at a copy of the table whose read began copyFromMs after the datagram or later
    // (DWORD arithmetic: a time before the datagram wraps as the tick count does).
    Seen Look(DWORD copyFromMs, HardwareAddress& answer)
    {
        const DWORD read = m_Platform.ReadNeighbourTable(m_Rows, m_Start + copyFromMs);
        if (read == ERROR_NOT_SUPPORTED)
            return Seen::Unsupported;
        if (read != NO_ERROR)
            return Seen::ReadFailed;
        return FindAnswer(m_Rows, m_Dest, answer) ? Seen::Answer : Seen::NoAnswer;
    }

    // Until atMs after the datagram (a wait may end a little early); false once stopped.
    bool WaitUntil(DWORD atMs) const
    {
        for (DWORD elapsed = Elapsed(); elapsed < atMs; elapsed = Elapsed()) {
            if (!m_Platform.Wait(atMs - elapsed))
                return false;
        }
        return true;
    }

    // The rows of the last look that read the table.
    const std::vector<MIB_IPNETROW>& Rows() const { return m_Rows; }

private:
    const ArpPlatform& m_Platform;
    const IPAddr m_Dest;
    const DWORD m_Start;
    std::vector<MIB_IPNETROW> m_Rows;
};

DWORD Outcome(Seen seen)
{
    switch (seen) {
    case Seen::Answer:
        return NO_ERROR;
    case Seen::Unsupported:
        return ERROR_NOT_SUPPORTED;
    default:  // nothing answered, or the table could not be read in time
        return ERROR_BAD_NET_NAME;
    }
}

// The looks of a request whose datagram went out at `start` (ArpTiming, in ms from then):
//   1. Polls, which only find answers early: one at once (unless the last look is due), the
//      next 20 ms after it, then 100 ms after the one before, as long as one can begin by
//      800 ms (300 ms of quiet before the last look). Each makes do with a copy read up to
//      300 ms before it asked. A poll of a run's address from 700 ms on that sees no answer
//      notes it silent: its copy was read at least 400 ms after the datagram.
//   2. The last look at 1100 ms, with a copy read from then on: it also sees the answer to
//      the system's repeat of a lost request.
//   3. Only where that look shows a host of the run that answered nothing but the repeat
//      (the link loses requests): a third look at 2100 ms, for the system's third request.
// A request begun after 1100 ms (its probe started late) makes the last look at once.
// A wait that the run's stop ends ends the request: ERROR_CANCELLED.
DWORD WatchNeighbourTable(const ArpPlatform& platform, IPAddr dest, DWORD start, CArpRequestsAhead* run,
                          HardwareAddress& answer)
{
    CTableWatch watch(platform, dest, start);

    // 1. Polls.
    constexpr DWORD kLatestPollMs = ArpTiming::kLastLookMs - ArpTiming::kQuietBeforeLastLookMs;
    DWORD pauseMs = ArpTiming::kFirstPollMs;
    for (DWORD at = watch.Elapsed(); at < ArpTiming::kLastLookMs; at = watch.Elapsed()) {
        const Seen seen = watch.Look(at - ArpTiming::kTableCopyMaxAgeMs, answer);
        if (seen == Seen::Answer || seen == Seen::Unsupported)
            return Outcome(seen);
        if (run && seen == Seen::NoAnswer && at >= ArpTiming::kSilentAfterMs + ArpTiming::kTableCopyMaxAgeMs)
            run->NoteSilent(dest);
        if (!platform.Wait(pauseMs))
            return ERROR_CANCELLED;
        pauseMs = ArpTiming::kPollIntervalMs;
        if (watch.Elapsed() > kLatestPollMs)
            break;
    }

    // 2. The last look.
    if (!watch.WaitUntil(ArpTiming::kLastLookMs))
        return ERROR_CANCELLED;
    const Seen last = watch.Look(ArpTiming::kLastLookMs, answer);
    if (last != Seen::NoAnswer || !run || !run->LinkLosesRequests(watch.Rows()))
        return Outcome(last);

    // 3. The third look, where the link loses requests.
    if (!watch.WaitUntil(ArpTiming::kThirdLookMs))
        return ERROR_CANCELLED;
    return Outcome(watch.Look(ArpTiming::kThirdLookMs, answer));
}

DWORD ResolveThroughNeighbourTable(const ArpPlatform& platform, IPAddr dest, void* mac, ULONG* length)
{
    if (!mac || !length)
        return ERROR_INVALID_PARAMETER;
    if (*length < kEthernetAddressLength)
        return ERROR_BUFFER_OVERFLOW;

    HardwareAddress answer{};
    if (FindOwnAddress(platform, dest, answer))
        return Deliver(answer, mac, length);

    // The wait counts from the datagram that set the system's ARP off.
    DWORD start = platform.GetTickCount();
    CArpRequestsAhead* const run = platform.RequestsAhead && platform.RequestsAhead->Find(dest, start)
                                       ? platform.RequestsAhead
                                       : nullptr;
    DWORD result = NO_ERROR;
    if (run || !platform.SendDatagrams({dest}).empty()) {
        result = WatchNeighbourTable(platform, dest, start, run, answer);
    } else {
        // Nothing set the system's ARP off: only what it knows counts, at one look.
        CTableWatch watch(platform, dest, start);
        result = Outcome(watch.Look(watch.Elapsed() - ArpTiming::kTableCopyMaxAgeMs, answer));
    }
    return result == NO_ERROR ? Deliver(answer, mac, length) : result;
}

// The kernel's table where there is one to read (Wine on Linux), else the system's.
CNeighbourTableReader::ReadTable SystemNeighbourTable()
{
    ULONG size = 0;
    if (ReadKernelNeighbourTable(nullptr, &size) != ERROR_NOT_SUPPORTED)
        return ReadKernelNeighbourTable;
    return [](MIB_IPNETTABLE* table, ULONG* size) { return static_cast<DWORD>(::GetIpNetTable(table, size, FALSE)); };
}

// A copied adapter list still points into the list it was copied from.
void RebaseAdapterList(BYTE* copy, const BYTE* original, size_t size)
{
    const auto rebase = [&](auto*& pointer) {
        const auto* at = reinterpret_cast<const BYTE*>(pointer);
        if (at >= original && at < original + size)
            pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(copy + (at - original));
    };
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(copy); adapter; adapter = adapter->Next) {
        rebase(adapter->Next);
        rebase(adapter->CurrentIpAddress);
        for (IP_ADDR_STRING* list : {&adapter->IpAddressList, &adapter->GatewayList, &adapter->DhcpServer,
                                     &adapter->PrimaryWinsServer, &adapter->SecondaryWinsServer})
            for (IP_ADDR_STRING* entry = list; entry; entry = entry->Next)
                rebase(entry->Next);
    }
}

}  // namespace

ULONG CAdapterListCache::Read(IP_ADAPTER_INFO* buffer, ULONG* size)
{
    if (!size)
        return ERROR_INVALID_PARAMETER;
    const CSingleLock lock(m_Lock);
    if (!m_HaveCopy || m_Clock() - m_CopiedAt >= kMaxAgeMs)
        Refresh();
    if (m_Result != NO_ERROR)
        return m_Result;
    if (!buffer || *size < m_Bytes) {
        *size = m_Bytes;
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memcpy(buffer, m_Copy.data(), m_Bytes);
    RebaseAdapterList(reinterpret_cast<BYTE*>(buffer), reinterpret_cast<const BYTE*>(m_Copy.data()), m_Bytes);
    *size = m_Bytes;
    return NO_ERROR;
}

void CAdapterListCache::Refresh()
{
    ULONG bytes = 0;
    m_Result = m_Source(nullptr, &bytes);
    if (m_Result == ERROR_BUFFER_OVERFLOW) {
        m_Copy.assign(bytes / sizeof(IP_ADAPTER_INFO) + 1, IP_ADAPTER_INFO{});
        bytes = static_cast<ULONG>(m_Copy.size() * sizeof(IP_ADAPTER_INFO));
        m_Result = m_Source(m_Copy.data(), &bytes);
    }
    if (m_Result == ERROR_BUFFER_OVERFLOW)
        m_Result = ERROR_GEN_FAILURE;  // it grew in between: the next request reads again
    m_Bytes = m_Result == NO_ERROR ? bytes : 0;
    m_CopiedAt = m_Clock();
    m_HaveCopy = m_Result == NO_ERROR || m_Result == ERROR_NO_DATA;
}

void CArpRequestsAhead::Record(std::vector<IPAddr> sent, DWORD sentAt)
{
    std::sort(sent.begin(), sent.end());
    const CSingleLock lock(m_Lock);
    m_Sent = std::move(sent);
    m_Silent.assign(m_Sent.size(), false);
    m_SentAt = sentAt;
}

size_t CArpRequestsAhead::IndexOf(IPAddr dest) const
{
    const auto at = std::lower_bound(m_Sent.begin(), m_Sent.end(), dest);
    return at != m_Sent.end() && *at == dest ? static_cast<size_t>(at - m_Sent.begin()) : m_Sent.size();
}

void CArpRequestsAhead::NoteSilent(IPAddr dest)
{
    const CSingleLock lock(m_Lock);
    const size_t index = IndexOf(dest);
    if (index < m_Sent.size())
        m_Silent[index] = true;
}

bool CArpRequestsAhead::LinkLosesRequests(const std::vector<MIB_IPNETROW>& rows) const
{
    const CSingleLock lock(m_Lock);
    return std::any_of(rows.begin(), rows.end(), [this](const MIB_IPNETROW& row) {
        const size_t index = IndexOf(row.dwAddr);
        return index < m_Sent.size() && m_Silent[index] && IsAnswer(row);
    });
}

bool CArpRequestsAhead::Find(IPAddr dest, DWORD& sentAt) const
{
    const CSingleLock lock(m_Lock);
    if (IndexOf(dest) == m_Sent.size())
        return false;
    sentAt = m_SentAt;
    return true;
}

void SendArpRequestsAhead(const ArpPlatform& platform, const std::vector<IPAddr>& dests)
{
    // Without a buffer SendARP answers at once on every system that has it (Vista and later
    // check their arguments first); a stub answers that it has none.
    if (!platform.RequestsAhead || platform.SendARP(0, 0, nullptr, nullptr) != ERROR_NOT_SUPPORTED)
        return;
    std::vector<IPAddr> sent = platform.SendDatagrams(dests);
    // One time for all: a request may wait a little longer than it must, never less.
    platform.RequestsAhead->Record(std::move(sent), platform.GetTickCount());
}

namespace {

// The state behind the system's calls, and the calls, which reach it through `this`.
struct SystemArpState {
    explicit SystemArpState(HANDLE stop)
        : Stop(DuplicateStop(stop)),
          Reader(SystemNeighbourTable(), [] { return ::GetTickCount(); }),
          Platform{
              [](IPAddr dest, IPAddr source, void* mac, ULONG* length) { return ::SendARP(dest, source, mac, length); },
              [this](std::vector<MIB_IPNETROW>& rows, DWORD notBefore) { return Reader.Read(rows, notBefore); },
              [this](IP_ADAPTER_INFO* buffer, ULONG* size) { return Adapters.Read(buffer, size); },
              SendDiscardDatagrams,
              [] { return ::GetTickCount(); },
              [this](DWORD ms) { return WaitForStop(ms); },
              &RequestsAhead,
          }
    {
    }
    SystemArpState(const SystemArpState&) = delete;
    SystemArpState& operator=(const SystemArpState&) = delete;

    // A copy of the caller's event of its own: the state may outlive the caller's handle.
    static CHandle DuplicateStop(HANDLE stop)
    {
        HANDLE copy = nullptr;
        if (stop && !::DuplicateHandle(::GetCurrentProcess(), stop, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0))
            copy = nullptr;
        return CHandle(copy);
    }

    bool WaitForStop(DWORD ms) const
    {
        if (!Stop) {
            if (ms != 0)
                ::Sleep(ms);
            return true;
        }
        return ::WaitForSingleObject(Stop.Get(), ms) != WAIT_OBJECT_0;
    }

    const CHandle Stop;
    CNeighbourTableReader Reader;
    CAdapterListCache Adapters{[](IP_ADAPTER_INFO* buffer, ULONG* size) { return ::GetAdaptersInfo(buffer, size); },
                               [] { return ::GetTickCount(); }};
    CArpRequestsAhead RequestsAhead;
    ArpPlatform Platform;
};

}  // namespace

std::shared_ptr<const ArpPlatform> MakeSystemArpPlatform(HANDLE stop)
{
    auto state = std::make_shared<SystemArpState>(stop);
    return std::shared_ptr<const ArpPlatform>(state, &state->Platform);
}

DWORD SendArpRequest(const ArpPlatform& platform, IPAddr dest, IPAddr source, void* mac, ULONG* length)
{
    if (!platform.Wait(0))
        return ERROR_CANCELLED;
    const DWORD result = platform.SendARP(dest, source, mac, length);
    if (result != ERROR_NOT_SUPPORTED)
        return result;
    try {
        return ResolveThroughNeighbourTable(platform, dest, mac, length);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}
