// Another program reading the clipboard, for the copy tests: prints the CF_TEXT block's
// bytes as hex pairs. Exit 0 with the text, 1 when the clipboard holds none, 2 when it
// cannot be opened.
#include <windows.h>

#include <cstdio>

int main()
{
    if (!::OpenClipboard(nullptr))
        return 2;
    int status = 1;
    if (HANDLE block = ::GetClipboardData(CF_TEXT)) {
        const SIZE_T size = ::GlobalSize(block);
        if (const auto* bytes = static_cast<const unsigned char*>(::GlobalLock(block))) {
            for (SIZE_T i = 0; i < size; ++i)
                std::printf("%02x", bytes[i]);
            ::GlobalUnlock(block);
            status = 0;
        }
    }
    ::CloseClipboard();
    std::fflush(stdout);
    return status;
}
