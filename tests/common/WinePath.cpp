#include "WinePath.h"

#include <algorithm>

std::string WindowsPathOf(std::string path)
{
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}
