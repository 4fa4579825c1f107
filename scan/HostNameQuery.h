// Asking a host itself for its name, for hosts DNS has no name for: a multicast-DNS reverse
// look-up sent unicast to its port 5353 and a NetBIOS node-status request to its port 137,
// both at once, each from an ephemeral port of its own (Windows' DNS client holds 5353, its
// NetBIOS service 137). Answers count only from the host's address and port, with the id
// asked with.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class NameProtocol { MulticastDns, NetBios };

struct NameDatagram {
    NameProtocol Protocol = NameProtocol::MulticastDns;  // whose socket it came in on
    uint32_t From = 0;  // host order
    uint16_t FromPort = 0;
    std::vector<uint8_t> Bytes;
};

// The two sockets of one host's look-ups; tests put a made-up network behind them.
class CNameQuerySockets {
public:
    virtual ~CNameQuerySockets() = default;
    // `address` in host order.
    virtual bool Send(NameProtocol protocol, uint32_t address, uint16_t port, const std::vector<uint8_t>& packet) = 0;
    // Waits up to `ms` for a datagram on either socket: 0 with the datagram, WSAETIMEDOUT when
    // none came, else the Winsock error of the socket named in `datagram.Protocol`.
    virtual int Receive(DWORD ms, NameDatagram& datagram) = 0;
};

struct NameQueryPlatform {
    std::function<std::unique_ptr<CNameQuerySockets>()> OpenSockets;  // null when they cannot be had
    std::function<DWORD()> GetTickCount;
    std::function<uint16_t()> NewTransactionId;  // never 0
};
NameQueryPlatform SystemNameQueryPlatform();

// Each try waits at most this long for the answers. Unless the first brought a multicast-DNS
// name (or both protocols are done), the queries still unanswered are sent once more: a host
// that answers neither, and one that answers only NetBIOS, costs kTries * kTryMs.
struct NameQueryTiming {
    static constexpr DWORD kTryMs = 50;
    static constexpr int kTries = 2;
};

// The host's own name in the system's code page: the multicast-DNS name, else the NetBIOS
// name; empty when neither came. `address` in host order.
std::string AskHostForName(const NameQueryPlatform& platform, uint32_t address);
