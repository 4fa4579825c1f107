// Helpers for the main window's tests: made-up discovery results and what the range
// controls show.
#pragma once

#include "scan/LocalNetwork.h"

#include <windows.h>

#include <functional>
#include <ostream>
#include <string>

// One adapter, 10.20.30.40/24 behind the router 10.20.30.1: the range 10.20.30.1 to 10.20.30.254.
const DiscoveryPlatform& LanDiscovery();
// No adapter at all.
const DiscoveryPlatform& NoNetworkDiscovery();

// What the mode radios and address controls show.
struct RangeState {
    bool automatic = false;
    bool manual = false;
    bool startEnabled = false;
    bool endEnabled = false;
    std::string start;  // dotted, empty when every field is blank
    std::string end;

    bool operator==(const RangeState& other) const
    {
        return automatic == other.automatic && manual == other.manual && startEnabled == other.startEnabled
            && endEnabled == other.endEnabled && start == other.start && end == other.end;
    }
};
std::ostream& operator<<(std::ostream& out, const RangeState& state);

RangeState ReadRangeState(HWND dialog);
// The dotted text of an address control, empty when blank.
std::string AddressOf(HWND dialog, int id);
void SetAddress(HWND dialog, int id, DWORD address);

// The results list and its rows as the tests read and pick them.
HWND ResultsList(HWND dialog);
std::string CellText(HWND list, int row, int column);
// Selects and focuses `row`; -1 takes the selection from every row.
void SelectRow(HWND list, int row);
// A screen point on the address of a row.
POINT OnRow(HWND list, int row);

// Presses Start Scan as a click does, without waiting for the window.
void ClickStart(HWND dialog);
// What the Start Scan button says.
std::string StartCaption(HWND dialog);
bool IsControlEnabled(HWND dialog, int id);
// A visible dialog of the window's thread that the window owns (a message box), or null.
HWND FindOwnedBox(HWND dialog);

// Runs the main window with `discovery`; `action` gets it once it shows and must end it
// (the dialog is closed after 20 s otherwise). Returns what DoModal returned.
INT_PTR RunMainWindow(const DiscoveryPlatform& discovery, std::function<void(HWND)> action);
