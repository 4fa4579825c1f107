// The name a scan must show for a host of the virtual LAN, from the names tools/virtual-lan.sh
// gave it (LAN_HOST_<n>_NAME, _MDNS, _NETBIOS, _UPNP_NAME): DNS first, then multicast DNS, then
// NetBIOS, then a UPnP device's own name where the whole run asks devices.
#pragma once

#include <string>

// Host number `host` (1-based, as LAN_HOST_<n>_*). The LAN's names are plain ASCII: a leading
// lower-case letter is shown in capitals.
std::string ExpectedLanHostName(int host, bool upnpAsked = false);
// What the Description column shows of a host's UPnP device (not this computer's or the
// router's): its maker and model as the LAN configured them, the model cut to the 32
// characters a description holds; empty where the host runs no device or only a hostile one.
std::string ExpectedUpnpDescription(int host);
// A figure of the LAN as tools/lan-env.sh puts `virtual-lan.sh info` in the environment
// (LAN_SCANNER_ADDR, ...), and one of host number `host` (LAN_HOST_<n>_<field>); empty when
// not set.
std::string Lan(const std::string& figure);
std::string LanHostField(int host, const char* field);
// How many hosts P-h1..P-hN the LAN has (LAN_HOST_COUNT); 0 when not set.
int LanHostCount();
