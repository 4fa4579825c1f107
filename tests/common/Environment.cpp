#include "Environment.h"

#include <cstdlib>

std::string Env(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}
