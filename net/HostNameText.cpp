#include "net/HostNameText.h"

#include "net/TextConversion.h"

std::string NameInSystemCodePage(const std::string& name, UINT codePage)
{
    return FromWide(ToWide(name, codePage), CP_ACP);
}

void CapitalizeFirstLetter(char* text)
{
    if (text && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
}
