#include "LinkTestSupport.h"

std::string LinkTipText(HWND tip, HWND link)
{
    char text[256] = "";
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = link;
    tool.uId = CStaticHyperLink::kToolId;
    tool.lpszText = text;
    ::SendMessageA(tip, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
    return text;
}
