#include "winlib/Socket.h"

int ReceiveDatagram(SOCKET socket, size_t capacity, std::vector<uint8_t>& bytes, uint32_t& from, uint16_t& fromPort)
{
    bytes.resize(capacity);
    sockaddr_in sender{};
    int senderLength = sizeof(sender);
    const int received = ::recvfrom(socket, reinterpret_cast<char*>(bytes.data()), static_cast<int>(capacity), 0,
                                    reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (received < 0) {
        bytes.clear();
        return ::WSAGetLastError();
    }
    bytes.resize(static_cast<size_t>(received));
    from = ::ntohl(sender.sin_addr.S_un.S_addr);
    fromPort = ::ntohs(sender.sin_port);
    return 0;
}
