// CSocket: a Winsock socket closed with its owner.
#pragma once

#include "winlib/UniqueHandle.h"

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct SocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() noexcept { return INVALID_SOCKET; }
    static bool IsValid(Handle socket) noexcept { return socket != INVALID_SOCKET; }
    static void Close(Handle socket) noexcept { ::closesocket(socket); }
};

class CSocket : public CUniqueHandle<SocketTraits> {
public:
    CSocket() = default;
    CSocket(int family, int type, int protocol) : CUniqueHandle(::socket(family, type, protocol)) {}
};

// One IPv4 datagram from `socket` into `bytes` (at most `capacity` of them), its sender's
// address and port in host order: 0, or the Winsock error with `bytes` empty.
int ReceiveDatagram(SOCKET socket, size_t capacity, std::vector<uint8_t>& bytes, uint32_t& from, uint16_t& fromPort);
