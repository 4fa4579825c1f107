// The name a scan must show for a host of the virtual LAN, from the names tools/virtual-lan.sh
// gave it (LAN_HOST_<n>_NAME, _MDNS, _NETBIOS): DNS first, then multicast DNS, then NetBIOS.
#pragma once

#include <string>

// Host number `host` (1-based, as LAN_HOST_<n>_*). The LAN's names are plain ASCII: a leading
// lower-case letter is shown in capitals.
std::string ExpectedLanHostName(int host);
std::string LanHostField(int host, const char* field);
