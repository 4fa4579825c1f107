#include "Ipv4Address.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>

void FormatAddress(uint32_t address, char* buffer, size_t size)
{
    std::snprintf(buffer, size, "%d.%d.%d.%d", static_cast<int>((address >> 24) & 0xFF),
                  static_cast<int>((address >> 16) & 0xFF), static_cast<int>((address >> 8) & 0xFF),
                  static_cast<int>(address & 0xFF));
}

bool ParseAddress(const char* text, uint32_t& address)
{
    IN_ADDR parsed{};
    if (!text || ::inet_pton(AF_INET, text, &parsed) != 1)
        return false;
    address = ntohl(parsed.S_un.S_addr);
    return true;
}
