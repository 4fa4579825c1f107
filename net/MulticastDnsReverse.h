// Multicast DNS reverse look-up by legacy unicast (UDP 5353): the PTR query for
// d.c.b.a.in-addr.arpa sent straight to the host, and the name read from its answer. Plain
// bytes in, plain bytes out: the answer is untrusted input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t kMulticastDnsPort = 5353;

// `address` in host order, first octet most significant.
std::string ReversePointerName(uint32_t address);
std::vector<uint8_t> BuildReversePointerQuery(uint16_t id, uint32_t address);

// The name published for `address` in an answer to the query with `id`, as its labels joined
// by '.' (e.g. "kitchen-pi.local"). Empty for any other packet, a malformed one, or a name
// with control bytes. The bytes are UTF-8 as the responder sent them.
std::string ReadReversePointerName(const uint8_t* data, size_t size, uint16_t id, uint32_t address);
