// IPv4 addresses as the address controls hold them (host order, first octet most significant)
// and as dotted texts.
#pragma once

#include <cstddef>
#include <cstdint>

// Dotted text of a host-order address into a buffer of `size` bytes.
void FormatAddress(uint32_t address, char* buffer, size_t size);
// Dotted text to a host-order address; false when the text is not an IPv4 address.
bool ParseAddress(const char* text, uint32_t& address);
