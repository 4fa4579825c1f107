// The user's temporary folder as the environment names it, read without GetTempPath, so a
// test can check a path the program builds with it.
#pragma once

#include <string>

// %TMP%, else %TEMP%, with a final backslash; empty when neither is set.
std::string TempFolderFromEnvironment();
