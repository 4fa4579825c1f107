#include "scan/UpnpQuery.h"

#include "net/HostNameText.h"

#include "net/Ipv4Address.h"
#include "net/TextConversion.h"
#include "scan/LocalNetwork.h"
#include "winlib/Socket.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

namespace {

// Windows reports an ICMP port unreachable from an earlier send as WSAECONNRESET on the next
// receive unless this is switched off (<mstcpip.h>; not in every mingw-w64).
constexpr DWORD kUdpConnectionReset = _WSAIOW(IOC_VENDOR, 12);
// An SSDP answer is a few hundred bytes; its LOCATION at most kMaxLocationBytes.
constexpr size_t kDatagramCapacity = 4096;
constexpr DWORD kGroupTtl = 2;
// What one read of a description asks for.
constexpr size_t kReadChunk = 4096;
// The reader's stack: a few Winsock calls.
constexpr SIZE_T kReaderStackReserve = 256 * 1024;

timeval TimeoutOf(DWORD ms)
{
    return timeval{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
}

sockaddr_in SocketAddressOf(uint32_t address, uint16_t port)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = ::htons(port);
    to.sin_addr.S_un.S_addr = ::htonl(address);
    return to;
}

class CSystemSsdpSocket : public CSsdpSocket {
public:
    explicit CSystemSsdpSocket(uint32_t ownAddress)
    {
        const sockaddr_in any = SocketAddressOf(0, 0);  // an ephemeral port, never 1900
        if (!m_Socket || ::bind(m_Socket.Get(), reinterpret_cast<const sockaddr*>(&any), sizeof(any)) != 0)
            return;
        BOOL report = FALSE;
        DWORD returned = 0;
        ::WSAIoctl(m_Socket.Get(), kUdpConnectionReset, &report, sizeof(report), nullptr, 0, &returned, nullptr, nullptr);
        if (ownAddress != 0) {
            // The group search leaves by the scanned adapter, and goes no further than a router past it.
            IN_ADDR own{};
            own.S_un.S_addr = ::htonl(ownAddress);
            const DWORD ttl = kGroupTtl;
            if (::setsockopt(m_Socket.Get(), IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&own),
                             sizeof(own)) != 0 ||
                ::setsockopt(m_Socket.Get(), IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&ttl),
                             sizeof(ttl)) != 0)
                m_GroupAllowed = false;
        }
        m_Ready = true;
    }
    bool Ready() const { return m_Ready; }

    bool Send(uint32_t address, uint16_t port, const std::string& packet) override
    {
        if (address == kSsdpGroup && !m_GroupAllowed)
            return false;
        const sockaddr_in to = SocketAddressOf(address, port);
        const int sent = ::sendto(m_Socket.Get(), packet.data(), static_cast<int>(packet.size()), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        return sent == static_cast<int>(packet.size());
    }

    int Receive(DWORD ms, SsdpDatagram& datagram) override
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_Socket.Get(), &readable);
        timeval timeout = TimeoutOf(ms);
        const int ready = ::select(0, &readable, nullptr, nullptr, &timeout);
        if (ready == 0)
            return WSAETIMEDOUT;
        if (ready < 0)
            return ::WSAGetLastError();
        return ReceiveDatagram(m_Socket.Get(), kDatagramCapacity, datagram.Bytes, datagram.From, datagram.FromPort);
    }

private:
    CSocket m_Socket{AF_INET, SOCK_DGRAM, IPPROTO_UDP};
    bool m_Ready = false;
    bool m_GroupAllowed = true;
};

// A non-blocking TCP socket whose every wait is a select: WinHTTP's connect ignores its
// timeout (about 21 s on a host that does not answer).
class CSystemHttpConnection : public CHttpConnection {
public:
    CSystemHttpConnection()
    {
        u_long nonBlocking = 1;
        m_Ready = m_Socket && ::ioctlsocket(m_Socket.Get(), FIONBIO, &nonBlocking) == 0;
    }
    bool Ready() const { return m_Ready; }

    int Connect(uint32_t address, uint16_t port, DWORD ms) override
    {
        const sockaddr_in to = SocketAddressOf(address, port);
        if (::connect(m_Socket.Get(), reinterpret_cast<const sockaddr*>(&to), sizeof(to)) == 0)
            return 0;
        const int error = ::WSAGetLastError();
        if (error != WSAEWOULDBLOCK)
            return error;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(m_Socket.Get(), &writable);
        FD_SET(m_Socket.Get(), &failed);
        timeval timeout = TimeoutOf(ms);
        const int ready = ::select(0, nullptr, &writable, &failed, &timeout);
        if (ready == 0)
            return WSAETIMEDOUT;
        if (ready < 0)
            return ::WSAGetLastError();
        // Windows reports a failed connect in the exception set, Wine may in the writable one.
        int socketError = 0;
        int length = sizeof(socketError);
        if (::getsockopt(m_Socket.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length) != 0)
            return ::WSAGetLastError();
        if (socketError != 0)
            return socketError;
        return FD_ISSET(m_Socket.Get(), &failed) ? WSAECONNREFUSED : 0;
    }

    int Send(const char* data, size_t size, DWORD ms, size_t& sent) override
    {
        sent = 0;
        if (const int waited = WaitFor(false, ms))
            return waited;
        const int result = ::send(m_Socket.Get(), data, static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
        if (result < 0) {
            const int error = ::WSAGetLastError();
            return error == WSAEWOULDBLOCK ? 0 : error;
        }
        sent = static_cast<size_t>(result);
        return 0;
    }

    int Receive(char* buffer, size_t size, DWORD ms, size_t& received) override
    {
        received = 0;
        if (const int waited = WaitFor(true, ms))
            return waited;
        const int result = ::recv(m_Socket.Get(), buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
        if (result < 0)
            return ::WSAGetLastError();
        received = static_cast<size_t>(result);
        return 0;
    }

private:
    int WaitFor(bool read, DWORD ms)
    {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_Socket.Get(), &ready);
        timeval timeout = TimeoutOf(ms);
        const int count = ::select(0, read ? &ready : nullptr, read ? nullptr : &ready, nullptr, &timeout);
        if (count == 0)
            return WSAETIMEDOUT;
        return count < 0 ? ::WSAGetLastError() : 0;
    }

    CSocket m_Socket{AF_INET, SOCK_STREAM, IPPROTO_TCP};
    bool m_Ready = false;
};

// The computer's address on the adapter whose subnet holds `address`.
uint32_t SystemOwnAddressFor(uint32_t address)
{
    const std::vector<IP_ADAPTER_INFO> adapters =
        ReadAdapterList([](IP_ADAPTER_INFO* buffer, ULONG* size) { return ::GetAdaptersInfo(buffer, size); });
    for (const IP_ADAPTER_INFO* adapter = adapters.empty() ? nullptr : adapters.data(); adapter;
         adapter = adapter->Next) {
        for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry; entry = entry->Next) {
            char text[sizeof(entry->IpAddress.String)];
            char maskText[sizeof(entry->IpMask.String)];
            std::snprintf(text, sizeof(text), "%.*s", static_cast<int>(sizeof(text) - 1), entry->IpAddress.String);
            std::snprintf(maskText, sizeof(maskText), "%.*s", static_cast<int>(sizeof(maskText) - 1),
                          entry->IpMask.String);
            uint32_t own = 0;
            uint32_t mask = 0;
            if (ParseAddress(text, own) && ParseAddress(maskText, mask) && own != 0 && mask != 0 &&
                (own & mask) == (address & mask))
                return own;
        }
    }
    return 0;
}

bool IsSet(HANDLE event)
{
    return event && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

std::string DottedAddress(uint32_t address)
{
    char text[16];
    FormatAddress(address, text, sizeof(text));
    return text;
}

FetchOutcome OutcomeOfError(int error)
{
    return error == WSAETIMEDOUT ? FetchOutcome::TimedOut : FetchOutcome::Failed;
}

}  // namespace

// ---------------------------------------------------------------- the description's fetch

UpnpPlatform SystemUpnpPlatform()
{
    return UpnpPlatform{
        SystemOwnAddressFor,
        [](uint32_t ownAddress) -> std::unique_ptr<CSsdpSocket> {
            auto socket = std::make_unique<CSystemSsdpSocket>(ownAddress);
            if (!socket->Ready())
                return nullptr;
            return socket;
        },
        []() -> std::unique_ptr<CHttpConnection> {
            auto connection = std::make_unique<CSystemHttpConnection>();
            if (!connection->Ready())
                return nullptr;
            return connection;
        },
        [] { return ::GetTickCount(); },
    };
}

const std::string& UpnpUserAgent()
{
    static const std::string agent = [] {
        // Without a manifest that names later systems, Windows says 6.2 from 8 on: as good here.
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        const bool known = ::GetVersionExA(&version) != FALSE;
#pragma GCC diagnostic pop
        char text[96];
        std::snprintf(text, sizeof(text), "Windows/%lu.%lu UPnP/1.1 Vantrel/%s", known ? version.dwMajorVersion : 6UL,
                      known ? version.dwMinorVersion : 0UL, VANTREL_VERSION_TEXT);
        return std::string(text);
    }();
    return agent;
}

FetchOutcome FetchDescription(const UpnpPlatform& platform, uint32_t address, const DescriptionUrl& url,
                              HANDLE stop, std::string& body)
{
    body.clear();
    if (IsSet(stop))
        return FetchOutcome::Stopped;
    const std::unique_ptr<CHttpConnection> connection = platform.OpenConnection ? platform.OpenConnection() : nullptr;
    if (!connection)
        return FetchOutcome::Failed;
    // One deadline for the whole exchange: a device that trickles gets no more than one that is silent.
    const DWORD start = platform.GetTickCount();
    const auto remaining = [&]() -> DWORD {
        const DWORD elapsed = platform.GetTickCount() - start;
        return elapsed >= UpnpTiming::kFetchDeadlineMs ? 0 : UpnpTiming::kFetchDeadlineMs - elapsed;
    };

    if (const int error = connection->Connect(address, url.Port, remaining()))
        return OutcomeOfError(error);
    const std::string request = DescriptionRequest(address, url, UpnpUserAgent());
    for (size_t done = 0; done < request.size();) {
        const DWORD ms = remaining();
        if (ms == 0)
            return FetchOutcome::TimedOut;
        size_t sent = 0;
        if (const int error = connection->Send(request.data() + done, request.size() - done, ms, sent))
            return OutcomeOfError(error);
        done += sent;
    }

    std::vector<uint8_t> received;
    bool accepted = false;
    size_t bodyOffset = 0;
    for (;;) {
        if (IsSet(stop))
            return FetchOutcome::Stopped;
        const DWORD ms = remaining();
        if (ms == 0)
            return FetchOutcome::TimedOut;
        const size_t before = received.size();
        received.resize(before + kReadChunk);
        size_t count = 0;
        const int error = connection->Receive(reinterpret_cast<char*>(received.data() + before), kReadChunk, ms, count);
        received.resize(before + count);
        if (error == WSAEWOULDBLOCK)
            continue;
        if (error != 0)
            return OutcomeOfError(error);  // a reset mid-body leaves no document
        if (count == 0)
            break;  // closed: HTTP/1.0 ends the body so
        if (!accepted) {
            const HttpHead head = ParseHttpResponse(received.data(), received.size(), bodyOffset);
            if (head == HttpHead::Refused)
                return FetchOutcome::Refused;
            accepted = head == HttpHead::Accepted;
        }
        if (accepted && received.size() - bodyOffset > kMaxDescriptionBytes)
            return FetchOutcome::TooLarge;
    }
    if (!accepted)
        return FetchOutcome::Refused;  // closed before a whole head
    body.assign(received.begin() + static_cast<std::ptrdiff_t>(bodyOffset), received.end());
    return FetchOutcome::Fetched;
}

// ---------------------------------------------------------------- the run's searches

struct CUpnpSearch::Host {
    uint32_t Address = 0;
    bool Answered = false;
    DescriptionUrl Url;
    DeviceHandler OnDevice;  // a probe's, kept until the host answers or the reader ends
};

CUpnpSearch::CUpnpSearch(UpnpPlatform platform, HANDLE stop) : m_Platform(std::move(platform))
{
    HANDLE copy = nullptr;
    if (stop && ::DuplicateHandle(::GetCurrentProcess(), stop, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0))
        m_Stop = CHandle(copy);
}

CUpnpSearch::~CUpnpSearch()
{
    ::SetEvent(m_End.Get());
    if (m_Thread)
        ::WaitForSingleObject(m_Thread.Get(), INFINITE);
    // The reader started them all, and each ends within its fetch's deadline. A read whose
    // handler held the last owner of this object ends it from that read's own thread, which
    // touches nothing of it any more.
    for (const CHandle& read : m_Reads) {
        if (::GetThreadId(read.Get()) != ::GetCurrentThreadId())
            ::WaitForSingleObject(read.Get(), INFINITE);
    }
}

void CUpnpSearch::Begin(const std::vector<IPAddr>& dests)
{
    {
        const CSingleLock lock(m_Lock);
        if (m_Begun)
            return;
        m_Begun = true;
        m_Hosts.reserve(dests.size());
        m_Reads.reserve(dests.size());  // a read a host at most: the reader never allocates one
        for (IPAddr dest : dests) {
            m_Hosts.emplace_back();
            m_Hosts.back().Address = ::ntohl(dest);
        }
        std::sort(m_Hosts.begin(), m_Hosts.end(), [](const Host& a, const Host& b) { return a.Address < b.Address; });
    }
    // The window runs from here, with the ARP datagrams, not from the reader's start, which a
    // /24's probe threads starting at once held up by 40 ms under Wine: it ends with the
    // run's wait for its silent addresses, not after it.
    m_BeganAt = m_Platform.GetTickCount();
    if (m_End && m_ReaderDone && !Stopped())
        m_Thread = StartThread([this] { RunReader(); }, kReaderStackReserve);
    if (!m_Thread) {
        const CSingleLock lock(m_Lock);
        m_ReaderEnded = true;
        ::SetEvent(m_ReaderDone.Get());
    }
}

void CUpnpSearch::RunReader() noexcept
{
    try {
        ReadAnswers();
    } catch (const std::exception&) {
        // The run goes on without UPnP answers; the probes see the reader end.
    }
    const CSingleLock lock(m_Lock);
    m_ReaderEnded = true;
    // Hosts that never answered are never described. Their handlers go before the end is
    // told: the run waits for it holding whatever a handler holds.
    for (Host& host : m_Hosts)
        host.OnDevice = nullptr;
    ::SetEvent(m_ReaderDone.Get());
}

void CUpnpSearch::ReadAnswers()
{
    if (Stopped() || Ending() || m_Hosts.empty())
        return;
    const uint32_t ownAddress = m_Platform.OwnAddressFor ? m_Platform.OwnAddressFor(m_Hosts.front().Address) : 0;
    const std::unique_ptr<CSsdpSocket> socket =
        m_Platform.OpenSearchSocket ? m_Platform.OpenSearchSocket(ownAddress) : nullptr;
    if (!socket)
        return;
    const DWORD start = m_BeganAt;
    if (ownAddress != 0)
        socket->Send(kSsdpGroup, kSsdpPort, SsdpSearchRequest("239.255.255.250:1900", UpnpUserAgent()));
    for (;;) {
        SendSearches(*socket);
        const DWORD elapsed = m_Platform.GetTickCount() - start;
        if (elapsed >= UpnpTiming::kAnswerWindowMs || Stopped() || Ending())
            return;
        SsdpDatagram datagram;
        const int result =
            socket->Receive(std::min(UpnpTiming::kReadSliceMs, UpnpTiming::kAnswerWindowMs - elapsed), datagram);
        if (result == 0)
            TakeAnswer(datagram);
        else if (result != WSAETIMEDOUT && result != WSAECONNRESET && result != WSAEMSGSIZE)
            return;  // the socket fails: the answers so far are all there is
    }
}

void CUpnpSearch::SendSearches(CSsdpSocket& socket)
{
    std::vector<uint32_t> searches;
    {
        const CSingleLock lock(m_Lock);
        searches.swap(m_SearchesToSend);
    }
    for (uint32_t address : searches) {
        if (Stopped())
            return;
        socket.Send(address, kSsdpPort, SsdpSearchRequest(DottedAddress(address) + ":1900", UpnpUserAgent()));
    }
}

void CUpnpSearch::TakeAnswer(const SsdpDatagram& datagram)
{
    std::string location;
    DescriptionUrl url;
    // Only a LOCATION on the answering host itself: a device must not send us elsewhere.
    if (!ParseSsdpAnswer(datagram.Bytes.data(), datagram.Bytes.size(), location) ||
        !ParseDescriptionLocation(location, datagram.From, url))
        return;
    DeviceHandler onDevice;
    {
        const CSingleLock lock(m_Lock);
        Host* host = FindHost(datagram.From);
        if (!host || host->Answered)
            return;
        host->Answered = true;
        host->Url = url;
        onDevice = std::move(host->OnDevice);
    }
    if (onDevice)
        StartDescription(datagram.From, url, std::move(onDevice));
}

void CUpnpSearch::StartDescription(uint32_t address, DescriptionUrl url, DeviceHandler onDevice)
{
    const auto handler = std::make_shared<const DeviceHandler>(std::move(onDevice));
    CHandle read = StartThread(
        [this, address, url, handler] {
            try {
                Describe(address, url, *handler);
            } catch (const std::exception&) {
                // The host keeps what its probe reported.
            }
        },
        kReaderStackReserve);
    if (read) {
        const CSingleLock lock(m_Lock);
        m_Reads.push_back(std::move(read));  // reserved in Begin
        return;
    }
    // No thread: read here, holding the other answers up for one fetch's deadline at most.
    try {
        Describe(address, url, *handler);
    } catch (const std::exception&) {
        // As on a thread of its own.
    }
}

void CUpnpSearch::Describe(uint32_t address, const DescriptionUrl& url, const DeviceHandler& onDevice) const
{
    std::string body;
    UpnpDevice device;
    if (FetchDescription(m_Platform, address, url, m_Stop.Get(), body) != FetchOutcome::Fetched ||
        !ReadUpnpDescription(body.data(), body.size(), device) || Stopped())
        return;
    onDevice(device);
}

CUpnpSearch::Host* CUpnpSearch::FindHost(uint32_t address)
{
    const auto at = std::lower_bound(m_Hosts.begin(), m_Hosts.end(), address,
                                     [](const Host& host, uint32_t value) { return host.Address < value; });
    return at != m_Hosts.end() && at->Address == address ? &*at : nullptr;
}

bool CUpnpSearch::Stopped() const
{
    return IsSet(m_Stop.Get());
}

bool CUpnpSearch::Ending() const
{
    return IsSet(m_End.Get());
}

void CUpnpSearch::SearchHost(uint32_t address)
{
    if (Stopped())
        return;
    const CSingleLock lock(m_Lock);
    try {
        if (!m_ReaderEnded && FindHost(address))
            m_SearchesToSend.push_back(address);
    } catch (const std::bad_alloc&) {
        // The group search still reaches the host.
    }
}

void CUpnpSearch::DescribeDevice(uint32_t address, DeviceHandler onDevice)
{
    if (Stopped() || !onDevice)
        return;
    DescriptionUrl url;
    {
        const CSingleLock lock(m_Lock);
        Host* host = FindHost(address);
        if (!host)
            return;
        if (!host->Answered) {
            // The reader reads it when the answer comes; once it has ended, none will.
            if (!m_ReaderEnded)
                host->OnDevice = std::move(onDevice);
            return;
        }
        url = host->Url;
    }
    Describe(address, url, onDevice);
}

bool CUpnpSearch::WaitForDescriptions(DWORD ms) const
{
    {
        const CSingleLock lock(m_Lock);
        if (!m_Begun)
            return true;
    }
    const DWORD start = ::GetTickCount();
    const auto left = [start, ms] {
        const DWORD elapsed = ::GetTickCount() - start;
        return elapsed < ms ? ms - elapsed : 0;
    };
    if (!WaitForReaderEnd(ms))
        return false;
    // Final now: only the reader starts reads.
    for (const CHandle& read : m_Reads) {
        if (::WaitForSingleObject(read.Get(), left()) != WAIT_OBJECT_0)
            return false;
    }
    return true;
}

bool CUpnpSearch::WaitForReaderEnd(DWORD ms) const
{
    return ::WaitForSingleObject(m_ReaderDone.Get(), ms) == WAIT_OBJECT_0;
}

std::string ApplyUpnpDevice(const UpnpDevice& device, char* name, size_t size)
{
    // The description's texts are UTF-8; the list shows the system's code page, as for every name.
    if (name && size > 0 && name[0] == '\0' && !device.FriendlyName.empty()) {
        const std::string shown = FromWide(ToWide(device.FriendlyName, CP_UTF8), CP_ACP);
        std::snprintf(name, size, "%s", shown.c_str());
        CapitalizeFirstLetter(name);
    }
    const std::string description = UpnpDeviceDescription(device);
    return description.empty() ? std::string() : FromWide(ToWide(description, CP_UTF8), CP_ACP);
}

std::shared_ptr<CUpnpSearch> MakeSystemUpnpSearch(HANDLE stop)
{
    return std::make_shared<CUpnpSearch>(SystemUpnpPlatform(), stop);
}
