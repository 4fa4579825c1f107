#include "LinkTestSupport.h"

CStaticHyperLink* LinkOf(HWND dialog, int id)
{
    return dynamic_cast<CStaticHyperLink*>(CWnd::FromHandle(::GetDlgItem(dialog, id)));
}

void RecordOpenedAddresses(CStaticHyperLink& link, std::vector<std::string>& opened)
{
    link.SetPlatform({[&opened](const char* address) { opened.push_back(address); }});
}

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
