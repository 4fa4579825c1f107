#include "LanNames.h"

#include <cstdlib>

std::string LanHostField(int host, const char* field)
{
    const std::string name = "LAN_HOST_" + std::to_string(host) + "_" + field;
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

std::string ExpectedLanHostName(int host)
{
    std::string name = LanHostField(host, "NAME");
    if (name.empty())
        name = LanHostField(host, "MDNS");
    if (name.empty())
        name = LanHostField(host, "NETBIOS");
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z')
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}
