// How a run's results look in the window: the rows' texts and colours, the Description
// column's width and the summary at the end.
#pragma once

#include "scan/HostProbe.h"

#include <windows.h>

#include <cstddef>
#include <string>

constexpr COLORREF kFoundRowTextColor = 255;  // red while the name is looked up
constexpr COLORREF kDoneRowTextColor = 0;
extern const char kFoundDescription[];
extern const char kOwnSystemDescription[];
extern const char kRouterDescription[];
extern const char kPrivateMacDescription[];

constexpr size_t kScanSummaryCapacity = 1024;
constexpr int kDescriptionWidthFewRows = 180;
constexpr int kDescriptionWidthManyRows = 163;  // a vertical scroll bar takes the rest
constexpr int kManyRows = 10;

// The description of a host that is neither this computer nor the router, in the list's code
// page: the maker of its network adapter, or kPrivateMacDescription for a locally
// administered address; empty when the address says nothing (not 6 bytes, no known maker).
std::string MakerDescription(const BYTE* mac, ULONG length);

// The Description column's text of a named host: this computer's and the router's own, else
// `device`, the maker and model its UPnP description gives (at most 97 characters), else the
// maker of its adapter.
std::string HostDescription(HostRole role, const BYTE* mac, ULONG length, const char* device);

// What the run tells the user at its end, for `rows` hosts found.
void FormatScanSummary(int rows, char* text, size_t size);

// The Description column's width once the run has listed `rows` hosts.
int DescriptionColumnWidth(int rows);
