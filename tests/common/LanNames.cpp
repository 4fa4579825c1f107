#include "LanNames.h"

#include "Environment.h"

#include <cstdlib>

std::string Lan(const std::string& figure)
{
    return Env(figure);
}

std::string LanHostField(int host, const char* field)
{
    return Lan("LAN_HOST_" + std::to_string(host) + "_" + field);
}

int LanHostCount()
{
    return std::atoi(Lan("LAN_HOST_COUNT").c_str());
}

namespace {
// The LAN's own devices; a hostile one gives nothing that may be shown.
bool RunsRealDevice(int host)
{
    const std::string kind = LanHostField(host, "UPNP");
    return kind == "media" || kind == "gateway";
}
}  // namespace

std::string ExpectedLanHostName(int host, bool upnpAsked)
{
    std::string name = LanHostField(host, "NAME");
    if (name.empty())
        name = LanHostField(host, "MDNS");
    if (name.empty())
        name = LanHostField(host, "NETBIOS");
    if (name.empty() && upnpAsked && RunsRealDevice(host))
        name = LanHostField(host, "UPNP_NAME");
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z')
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

std::string ExpectedUpnpDescription(int host)
{
    if (!RunsRealDevice(host))
        return std::string();
    std::string model = LanHostField(host, "UPNP_MODEL").substr(0, 32);
    while (!model.empty() && model.back() == ' ')
        model.pop_back();
    const std::string maker = LanHostField(host, "UPNP_MAKER");
    return maker.empty() ? model : model.empty() ? maker : maker + " " + model;
}
