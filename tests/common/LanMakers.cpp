#include "LanMakers.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct LanMaker {
    const char* prefix;
    const char* maker;
};

// Typed from ieee-data's oui.csv.
const LanMaker kLanMakers[] = {
    {"B0-BE-76", "TP-LINK TECHNOLOGIES CO.,LTD."},  // MA-L,B0BE76,"TP-LINK TECHNOLOGIES CO.,LTD.",...
    {"00-1B-21", "Intel Corporate"},                // MA-L,001B21,Intel Corporate,...
    {"00-11-32", "Synology Incorporated"},          // MA-L,001132,Synology Incorporated,...
    {"3C-2A-F4", "Brother Industries, LTD."},       // MA-L,3C2AF4,"Brother Industries, LTD.",...
};

}  // namespace

std::string ExpectedLanHostDescription(const std::string& mac)
{
    // The second bit of the first byte: set by whoever gave the address, not a maker.
    if (mac.size() >= 2 && (std::strtoul(mac.substr(0, 2).c_str(), nullptr, 16) & 0x02) != 0)
        return "Private MAC (randomised)";
    for (const LanMaker& known : kLanMakers) {
        if (mac.compare(0, 8, known.prefix) == 0)
            return known.maker;
    }
    ADD_FAILURE() << "no maker typed for the LAN's MAC " << mac << " in tests/common/LanMakers.cpp";
    return "";
}
