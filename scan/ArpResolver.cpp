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

DWORD ResolveThroughNeighbourTable(const ArpPlatform& platform, IPAddr dest, void* mac, ULONG* length)
{
    if (!mac || !length)
        return ERROR_INVALID_PARAMETER;
    if (*length < kEthernetAddressLength)
        return ERROR_BUFFER_OVERFLOW;

    HardwareAddress answer{};
    if (FindOwnAddress(platform, dest, answer))
        return Deliver(answer, mac, length);

    // The wait counts from the datagram that set the system's ARP off. Without one nothing
    // did: only what the system knows counts, at one look.
    const DWORD now = platform.GetTickCount();
    DWORD start = now;
    CArpRequestsAhead* const run = platform.RequestsAhead && platform.RequestsAhead->Find(dest, now, start)
                                       ? platform.RequestsAhead
                                       : nullptr;
    const bool asked = run || !platform.SendDatagrams({dest}).empty();
    std::vector<MIB_IPNETROW> rows;
    bool firstLook = true;
    DWORD lastLookMs = ArpTiming::kLastLookMs;
    for (;;) {
        const DWORD elapsed = platform.GetTickCount() - start;
        const bool lastLook = !asked || elapsed >= lastLookMs;
        // Nothing is read in the quiet time, also after a sleep that ended a little early, nor
        // while waiting for the third request.
        const bool polling = lastLookMs == ArpTiming::kLastLookMs;
        if (!firstLook && !lastLook && (!polling || elapsed + ArpTiming::kQuietBeforeLastLookMs > lastLookMs)) {
            if (!platform.Sleep(lastLookMs - elapsed))
                return ERROR_CANCELLED;
            continue;
        }
        const DWORD notBefore = asked && lastLook ? start + lastLookMs : start + elapsed - ArpTiming::kTableCopyMaxAgeMs;
        const DWORD read = platform.ReadNeighbourTable(rows, notBefore);
        if (read == ERROR_NOT_SUPPORTED)
            return ERROR_NOT_SUPPORTED;
        if (read == NO_ERROR && FindAnswer(rows, dest, answer))
            return Deliver(answer, mac, length);
        // The copy was read at notBefore or later.
        if (run && read == NO_ERROR && !lastLook &&
            elapsed >= ArpTiming::kSilentAfterMs + ArpTiming::kTableCopyMaxAgeMs)
            run->NoteSilent(dest);
        if (lastLook) {
            if (!run || !polling || read != NO_ERROR || !run->LinkLosesRequests(rows))
                return ERROR_BAD_NET_NAME;
            lastLookMs = ArpTiming::kThirdLookMs;
            continue;
        }
        if (!platform.Sleep(firstLook ? ArpTiming::kFirstPollMs : ArpTiming::kPollIntervalMs))
            return ERROR_CANCELLED;
        firstLook = false;
    }
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

// Every request asks whether its address is the machine's own. Under Wine each read of
// the adapter list goes through the network service one at a time; 254 probes reading it
// for themselves held back the last ARP requests of a scan by most of a second. One copy
// serves all requests while it is younger than a second (adapters change far more rarely).
class CAdapterListCache {
public:
    ULONG Read(IP_ADAPTER_INFO* buffer, ULONG* size)
    {
        if (!size)
            return ERROR_INVALID_PARAMETER;
        const CSingleLock lock(m_Lock);
        if (!m_HaveCopy || ::GetTickCount() - m_CopiedAt >= kMaxAgeMs)
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

private:
    static constexpr DWORD kMaxAgeMs = 1000;

    void Refresh()
    {
        ULONG bytes = 0;
        m_Result = ::GetAdaptersInfo(nullptr, &bytes);
        if (m_Result == ERROR_BUFFER_OVERFLOW) {
            m_Copy.assign(bytes / sizeof(IP_ADAPTER_INFO) + 1, IP_ADAPTER_INFO{});
            bytes = static_cast<ULONG>(m_Copy.size() * sizeof(IP_ADAPTER_INFO));
            m_Result = ::GetAdaptersInfo(m_Copy.data(), &bytes);
        }
        if (m_Result == ERROR_BUFFER_OVERFLOW)
            m_Result = ERROR_GEN_FAILURE;  // it grew in between: the next request reads again
        m_Bytes = m_Result == NO_ERROR ? bytes : 0;
        m_CopiedAt = ::GetTickCount();
        m_HaveCopy = m_Result == NO_ERROR || m_Result == ERROR_NO_DATA;
    }

    CCriticalSection m_Lock;
    std::vector<IP_ADAPTER_INFO> m_Copy;  // keeps the records' alignment
    ULONG m_Bytes = 0;
    ULONG m_Result = ERROR_NO_DATA;
    DWORD m_CopiedAt = 0;
    bool m_HaveCopy = false;
};

}  // namespace

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

bool CArpRequestsAhead::Find(IPAddr dest, DWORD now, DWORD& sentAt) const
{
    const CSingleLock lock(m_Lock);
    if (now - m_SentAt >= ArpTiming::kLastLookMs || IndexOf(dest) == m_Sent.size())
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
              [this](DWORD ms) {
                  if (!Stop) {
                      ::Sleep(ms);
                      return true;
                  }
                  return ::WaitForSingleObject(Stop.Get(), ms) == WAIT_TIMEOUT;
              },
              &RequestsAhead,
          }
    {
    }
    SystemArpState(const SystemArpState&) = delete;
    SystemArpState& operator=(const SystemArpState&) = delete;

    static CHandle DuplicateStop(HANDLE stop)
    {
        HANDLE copy = nullptr;
        if (stop)
            ::DuplicateHandle(::GetCurrentProcess(), stop, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
        return CHandle(copy);
    }

    CHandle Stop;
    CNeighbourTableReader Reader;
    CAdapterListCache Adapters;
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
    const DWORD result = platform.SendARP(dest, source, mac, length);
    if (result != ERROR_NOT_SUPPORTED)
        return result;
    try {
        return ResolveThroughNeighbourTable(platform, dest, mac, length);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}
