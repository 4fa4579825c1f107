#include "ui/WebAddresses.h"

#include "controls/StaticHyperLink.h"
#include "winlib/Launch.h"

const char kProductPageAddress[] = VANTREL_PRODUCT_PAGE;
const char kCompanionDownloadAddress[] = VANTREL_COMPANION_PAGE;

HyperLinkPlatform BrowserLinkPlatform()
{
    return HyperLinkPlatform{[](const char* address) { LaunchInternetExplorer(address); }};
}
