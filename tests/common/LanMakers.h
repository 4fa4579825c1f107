// What the program must show in the Description column for a host of the virtual LAN that
// is neither the scanner nor the router, worked out from the host's MAC address alone.
#pragma once

#include <string>

// `mac` as the LAN lists it ("B0-BE-76-00-00-01"). Makers are known for the prefixes that
// tools/virtual-lan.sh hands out; any other global prefix fails the calling test.
std::string ExpectedLanHostDescription(const std::string& mac);
