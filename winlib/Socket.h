// CSocket: a Winsock socket closed with its owner.
#pragma once

#include "winlib/UniqueHandle.h"

#include <winsock2.h>

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
