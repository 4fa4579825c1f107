#include "net/TextConversion.h"

std::wstring ToWide(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
    return wide;
}

std::string FromWide(const std::wstring& text, UINT codePage, DWORD flags)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, flags, text.data(), size, &narrow[0], length, nullptr, nullptr);
    return narrow;
}
