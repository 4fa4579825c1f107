#include "TempFolder.h"

#include <windows.h>

std::string TempFolderFromEnvironment()
{
    for (const char* name : {"TMP", "TEMP"}) {
        char value[MAX_PATH + 1] = "";
        const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof(value));
        if (length == 0 || length >= sizeof(value))
            continue;
        std::string folder(value, length);
        if (folder.back() != '\\')
            folder += '\\';
        return folder;
    }
    return std::string();
}
