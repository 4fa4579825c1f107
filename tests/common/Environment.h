// This process's environment, as the scripts that start the test programs set it.
#pragma once

#include <string>

// The value of variable `name`; empty when it is not set.
std::string Env(const std::string& name);
