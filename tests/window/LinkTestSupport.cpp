#include "LinkTestSupport.h"

CStaticHyperLink* LinkOf(HWND dialog, int id)
{
    return dynamic_cast<CStaticHyperLink*>(CWnd::FromHandle(::GetDlgItem(dialog, id)));
}

void RecordOpenedAddresses(CStaticHyperLink& link, std::vector<std::string>& opened)
{
    link.SetPlatform({[&opened](const char* address) { opened.push_back(address); }});
}
