// Who made a network adapter, from the block its MAC address belongs to in the IEEE
// registries compiled into the program (MA-L, MA-M, MA-S).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

constexpr size_t kMacAddressLength = 6;

// The maker of the adapter with this 6-byte MAC address, as registered, in UTF-8: the
// longest registered block wins (MA-S over MA-M over MA-L). Empty for an address of no
// registered block and for a block registered as "Private". Points into read-only data.
std::string_view MacMaker(const uint8_t* mac);

// Set by whoever gave the address rather than by its maker: the randomised addresses of
// phones and laptops have it.
bool IsLocallyAdministered(const uint8_t* mac);
