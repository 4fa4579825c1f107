// NetBIOS node status (UDP 137): the request for a host's name table, and the host's own name
// read from the answer. Plain bytes in, plain bytes out: the answer is untrusted input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t kNetBiosNamePort = 137;

// The wildcard name "*", question type NBSTAT, class IN, with transaction id `id`.
std::vector<uint8_t> BuildNodeStatusRequest(uint16_t id);

// The host's own name from an answer to the request with `id`: the first unique name with
// suffix 0x00 (the workstation), else with suffix 0x20 (the server), its padding removed; never
// a group name, one in conflict or being deregistered, an empty one or one with a control
// byte (a later entry may still give a name). Empty for any other packet or a malformed one.
// The bytes are in an OEM code page (this computer's is the best guess).
std::string ReadNodeStatusName(const uint8_t* data, size_t size, uint16_t id);
