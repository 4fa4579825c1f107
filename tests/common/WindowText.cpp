#include "WindowText.h"

std::string ClassOf(HWND hwnd)
{
    char name[64] = "";
    ::GetClassNameA(hwnd, name, sizeof(name));
    return name;
}

std::string TextOf(HWND hwnd)
{
    char text[1024] = "";
    ::GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

std::string SentTextOf(HWND hwnd)
{
    char text[1024] = "";
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                               &copied))
        return {};
    text[sizeof(text) - 1] = '\0';
    return text;
}
