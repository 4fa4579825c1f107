// CSocket: a Winsock socket closed with its owner.
#pragma once

#include <winsock2.h>

#include <utility>

class CSocket {
public:
    CSocket(int family, int type, int protocol) : m_Socket(::socket(family, type, protocol)) {}
    ~CSocket()
    {
        if (m_Socket != INVALID_SOCKET)
            ::closesocket(m_Socket);
    }
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    explicit operator bool() const { return m_Socket != INVALID_SOCKET; }
    SOCKET Get() const { return m_Socket; }

private:
    SOCKET m_Socket;
};
