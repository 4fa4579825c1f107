// Helpers for tests of the hyperlinks: which object serves a link and what it opens.
#pragma once

#include "controls/StaticHyperLink.h"

#include <string>
#include <vector>

// The hyperlink object attached to control `id` of a dialog, or null.
CStaticHyperLink* LinkOf(HWND dialog, int id);

// From now on the link appends what it opens to `opened` instead of starting a browser.
void RecordOpenedAddresses(CStaticHyperLink& link, std::vector<std::string>& opened);
