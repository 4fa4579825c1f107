// Paths of this machine as the Windows programs under Wine see them.
#pragma once

#include <string>

// A Unix path as a Windows path through the drive Wine maps to the Unix root (Z:); any other
// path comes back with its slashes turned round.
std::string WindowsPathOf(std::string path);
