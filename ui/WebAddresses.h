// The web pages the program's links open, set by the build (CMake cache variables
// VANTREL_PRODUCT_PAGE and VANTREL_COMPANION_PAGE; README, "Building and testing").
#pragma once

extern const char kProductPageAddress[];
extern const char kCompanionDownloadAddress[];

struct HyperLinkPlatform;

// Links of the program's windows open their addresses in the system's browser.
HyperLinkPlatform BrowserLinkPlatform();
