#include "scan/HostNameQuery.h"

#include "net/MulticastDnsReverse.h"
#include "net/NetBiosNodeStatus.h"
#include "net/HostNameText.h"
#include "winlib/Socket.h"

#include <ws2tcpip.h>

#include <random>

namespace {

// Windows reports an ICMP port unreachable from an earlier send as WSAECONNRESET on the next
// receive unless this is switched off (<mstcpip.h>; not in every mingw-w64).
constexpr DWORD kUdpConnectionReset = _WSAIOW(IOC_VENDOR, 12);
// Larger than any answer of ours; a larger datagram is dropped with WSAEMSGSIZE.
constexpr size_t kDatagramCapacity = 2048;

class CSystemNameQuerySockets : public CNameQuerySockets {
public:
    CSystemNameQuerySockets()
    {
        for (CSocket* socket : {&m_MulticastDns, &m_NetBios}) {
            sockaddr_in any{};
            any.sin_family = AF_INET;  // port 0: an ephemeral one
            if (!*socket || ::bind(socket->Get(), reinterpret_cast<const sockaddr*>(&any), sizeof(any)) != 0) {
                m_Ready = false;
                return;
            }
            BOOL report = FALSE;
            DWORD returned = 0;
            // Wine ignores it; its receive never reports such errors anyway.
            ::WSAIoctl(socket->Get(), kUdpConnectionReset, &report, sizeof(report), nullptr, 0, &returned, nullptr, nullptr);
        }
    }
    bool Ready() const { return m_Ready; }

    bool Send(NameProtocol protocol, uint32_t address, uint16_t port, const std::vector<uint8_t>& packet) override
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = ::htons(port);
        to.sin_addr.S_un.S_addr = ::htonl(address);
        const int sent = ::sendto(SocketOf(protocol), reinterpret_cast<const char*>(packet.data()),
                                  static_cast<int>(packet.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        return sent == static_cast<int>(packet.size());
    }

    int Receive(DWORD ms, NameDatagram& datagram) override
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_MulticastDns.Get(), &readable);
        FD_SET(m_NetBios.Get(), &readable);
        timeval timeout{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
        const int ready = ::select(0, &readable, nullptr, nullptr, &timeout);
        if (ready == 0)
            return WSAETIMEDOUT;
        if (ready < 0) {
            datagram.Protocol = NameProtocol::MulticastDns;
            return ::WSAGetLastError();
        }
        datagram.Protocol = FD_ISSET(m_MulticastDns.Get(), &readable) ? NameProtocol::MulticastDns : NameProtocol::NetBios;
        return ReceiveDatagram(SocketOf(datagram.Protocol), kDatagramCapacity, datagram.Bytes, datagram.From, datagram.FromPort);
    }

private:
    SOCKET SocketOf(NameProtocol protocol) const
    {
        return protocol == NameProtocol::MulticastDns ? m_MulticastDns.Get() : m_NetBios.Get();
    }

    CSocket m_MulticastDns{AF_INET, SOCK_DGRAM, IPPROTO_UDP};
    CSocket m_NetBios{AF_INET, SOCK_DGRAM, IPPROTO_UDP};
    bool m_Ready = true;
};

// One protocol's question to the host and what came of it.
struct NameQuery {
    NameProtocol Protocol;
    uint16_t Port;
    uint16_t Id;
    std::vector<uint8_t> Packet;
    bool Done = false;  // answered with a name, or the host has no such service
    std::string Name;
};

std::string ReadName(const NameQuery& query, const NameDatagram& datagram, uint32_t address)
{
    const uint8_t* bytes = datagram.Bytes.data();
    const size_t size = datagram.Bytes.size();
    return query.Protocol == NameProtocol::MulticastDns ? ReadReversePointerName(bytes, size, query.Id, address)
                                                        : ReadNodeStatusName(bytes, size, query.Id);
}

// Takes the datagrams of one try until it ends, both queries are done, or mDNS has a name
// (it wins, so NetBIOS need not be waited for).
void ReceiveAnswers(const NameQueryPlatform& platform, CNameQuerySockets& sockets, uint32_t address, NameQuery (&queries)[2])
{
    NameQuery& multicastDns = queries[0];
    const DWORD start = platform.GetTickCount();
    while (!(queries[0].Done && queries[1].Done) && multicastDns.Name.empty()) {
        const DWORD elapsed = platform.GetTickCount() - start;
        if (elapsed >= NameQueryTiming::kTryMs)
            return;
        NameDatagram datagram;
        const int result = sockets.Receive(NameQueryTiming::kTryMs - elapsed, datagram);
        if (result == WSAETIMEDOUT)
            return;
        NameQuery& query = datagram.Protocol == NameProtocol::MulticastDns ? queries[0] : queries[1];
        if (result == WSAECONNRESET) {
            query.Done = true;  // an ICMP port unreachable: the host has no such service
            continue;
        }
        if (result == WSAEMSGSIZE || (result == 0 && query.Done))
            continue;  // no answer of ours
        if (result != 0)
            return;  // the sockets fail: no use waiting out the try
        if (datagram.From != address || datagram.FromPort != query.Port)
            continue;
        query.Name = ReadName(query, datagram, address);
        query.Done = !query.Name.empty();  // a malformed or foreign answer is none
    }
}

}  // namespace

NameQueryPlatform SystemNameQueryPlatform()
{
    return NameQueryPlatform{
        []() -> std::unique_ptr<CNameQuerySockets> {
            auto sockets = std::make_unique<CSystemNameQuerySockets>();
            if (!sockets->Ready())
                return nullptr;
            return sockets;
        },
        [] { return ::GetTickCount(); },
        [] {
            std::random_device random;
            return static_cast<uint16_t>(1 + random() % 0xFFFF);
        },
    };
}

std::string AskHostForName(const NameQueryPlatform& platform, uint32_t address)
{
    const std::unique_ptr<CNameQuerySockets> sockets = platform.OpenSockets ? platform.OpenSockets() : nullptr;
    if (!sockets)
        return std::string();
    const uint16_t dnsId = platform.NewTransactionId();
    const uint16_t netBiosId = platform.NewTransactionId();
    NameQuery queries[2] = {
        {NameProtocol::MulticastDns, kMulticastDnsPort, dnsId, BuildReversePointerQuery(dnsId, address), false, {}},
        {NameProtocol::NetBios, kNetBiosNamePort, netBiosId, BuildNodeStatusRequest(netBiosId), false, {}},
    };
    for (int attempt = 0; attempt < NameQueryTiming::kTries; ++attempt) {
        for (NameQuery& query : queries) {
            if (!query.Done && !sockets->Send(query.Protocol, address, query.Port, query.Packet))
                query.Done = true;
        }
        ReceiveAnswers(platform, *sockets, address, queries);
        if ((queries[0].Done && queries[1].Done) || !queries[0].Name.empty())
            break;
    }
    // Multicast DNS names are UTF-8; a NetBIOS name does not say its code page: this computer's
    // OEM code page is the best guess.
    if (!queries[0].Name.empty())
        return NameInSystemCodePage(queries[0].Name, CP_UTF8);
    return NameInSystemCodePage(queries[1].Name, CP_OEMCP);
}
