#include "ui/WebAddresses.h"

#include "controls/StaticHyperLink.h"
#include "winlib/Launch.h"

HyperLinkPlatform BrowserLinkPlatform()
{
    return HyperLinkPlatform{[](const char* address) { LaunchInternetExplorer(address); }};
}
