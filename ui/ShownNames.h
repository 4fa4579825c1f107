// Which name each row of the results list shows: the user's own name for the row's MAC
// address where there is one, else the name found on the network. The found names are kept
// here by the row's address, so that a removed own name gives the found one back without a
// scan. No window: the main window and the list's sink write what this says.
#pragma once

#include "settings/DeviceNames.h"

#include <map>
#include <string>
#include <utility>

class CShownNames {
public:
    // The own names as the store holds them now.
    void SetOwnNames(DeviceNameMap names) { m_OwnNames = std::move(names); }
    // The own name of `mac`, or null.
    const std::string* OwnName(const std::string& mac) const;

    // A new run: the rows go, and with them their found names.
    void ForgetRows() { m_FoundNames.clear(); }

    // Keeps what the network gave the row of `address` (empty while it is looked up) and
    // says what the row shows.
    std::string OnFound(const std::string& address, const std::string& mac, const std::string& found);

    // What the row of `address` and `mac` shows now. `current` is its cell, taken as its found
    // name when none is kept (a row written before any own name touched it).
    std::string ShownName(const std::string& address, const std::string& mac, const std::string& current);

private:
    DeviceNameMap m_OwnNames;
    std::map<std::string, std::string> m_FoundNames;  // by address
};
