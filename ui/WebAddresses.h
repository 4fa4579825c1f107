// The web pages the program's links open. The product has no site of its own yet, so these
// sit under the domain reserved for documentation.
#pragma once

constexpr char kProductPageAddress[] = "https://www.example.com/vantrel/";
constexpr char kCompanionDownloadAddress[] = "https://www.example.com/keyharbor/download/";

struct HyperLinkPlatform;

// Links of the program's windows open their addresses in the system's browser.
HyperLinkPlatform BrowserLinkPlatform();
