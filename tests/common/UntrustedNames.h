// Host names as a careless or hostile network may answer them, with what the program keeps of
// each: the first letter capitalised, cut to the name buffer, every other byte as it came.
#pragma once

#include "scan/HostProbe.h"

#include <string>
#include <vector>

struct UntrustedName {
    const char* what;
    std::string name;
    std::string kept;
};

inline std::vector<UntrustedName> UntrustedNames()
{
    const std::string markup = "x<script>alert(\"&amp;\")</script>'; <b>Bob's \"PC\"</b> DROP TABLE hosts;--";
    const std::string nonAscii = "\xE9t\xE9-\xC3\xA9\xC3\xA8-pc \x01\x7F\xA9\xFF";
    return {
        {"2000 characters", std::string(2000, 'h'), "H" + std::string(kHostNameCapacity - 2, 'h')},
        {"markup, quotes and ampersands", markup, "X" + markup.substr(1)},
        {"bytes past ASCII", nonAscii, nonAscii},
        {"already capitalised", "Desktop-pc", "Desktop-pc"},
        {"starts with a digit", "1host", "1host"},
    };
}
