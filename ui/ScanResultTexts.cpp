#include "ui/ScanResultTexts.h"

#include "net/MacMakers.h"
#include "net/TextConversion.h"

#include <cstdio>

const char kFoundDescription[] = "Found! Getting Host Name Now....";
const char kOwnSystemDescription[] = "This is your current system";
const char kRouterDescription[] = "This is your Router";
const char kPrivateMacDescription[] = "Private MAC (randomised)";

std::string MakerDescription(const BYTE* mac, ULONG length)
{
    if (!mac || length != kMacAddressLength)
        return std::string();
    if (IsLocallyAdministered(mac))
        return kPrivateMacDescription;
    // The registries' names are UTF-8; the list shows the system's code page.
    return FromWide(ToWide(std::string(MacMaker(mac)), CP_UTF8), CP_ACP);
}

std::string HostDescription(HostRole role, const BYTE* mac, ULONG length, const char* device)
{
    switch (role) {
    case HostRole::OwnSystem:
        return kOwnSystemDescription;
    case HostRole::Router:
        return kRouterDescription;
    case HostRole::Other:
        break;
    }
    if (device && device[0])
        return device;
    return MakerDescription(mac, length);
}

void FormatScanSummary(int rows, char* text, size_t size)
{
    if (!text || size == 0)
        return;
    if (rows > 0)
        std::snprintf(text, size, "Scanning is finished. Currently %d %s are connected to your network.", rows,
                      rows == 1 ? "system" : "systems");
    else
        std::snprintf(text, size, "Scanning is finished. No system is currently connected to your Network");
}

int DescriptionColumnWidth(int rows)
{
    return rows >= kManyRows ? kDescriptionWidthManyRows : kDescriptionWidthFewRows;
}
