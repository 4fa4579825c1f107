#include "ClipboardTestSupport.h"

#include <cstring>

namespace {

// A window of its own for a thread that opens the clipboard.
HWND CreateHelperWindow()
{
    return ::CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ::GetModuleHandleA(nullptr),
                             nullptr);
}

}  // namespace

std::optional<std::vector<char>> ReadClipboardText()
{
    std::optional<std::vector<char>> text;
    std::thread reader([&text] {
        if (!::OpenClipboard(nullptr))
            return;
        if (HANDLE block = ::GetClipboardData(CF_TEXT)) {
            const SIZE_T size = ::GlobalSize(block);
            if (const void* bytes = ::GlobalLock(block)) {
                const char* begin = static_cast<const char*>(bytes);
                text.emplace(begin, begin + size);
                ::GlobalUnlock(block);
            }
        }
        ::CloseClipboard();
    });
    reader.join();
    return text;
}

void SeedClipboardText(const std::vector<char>& bytes)
{
    std::thread writer([&bytes] {
        HWND window = CreateHelperWindow();
        if (::OpenClipboard(window)) {
            ::EmptyClipboard();
            if (HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size())) {
                std::memcpy(::GlobalLock(block), bytes.data(), bytes.size());
                ::GlobalUnlock(block);
                if (!::SetClipboardData(CF_TEXT, block))
                    ::GlobalFree(block);
            }
            ::CloseClipboard();
        }
        ::DestroyWindow(window);
    });
    writer.join();
}

std::vector<char> TextBytes(const char* text)
{
    return std::vector<char>(text, text + std::strlen(text) + 1);
}

CClipboardHolder::CClipboardHolder()
    : m_Opened(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_Release(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    m_Thread = std::thread([this] {
        HWND window = CreateHelperWindow();
        m_Holding = ::OpenClipboard(window) != FALSE;
        ::SetEvent(m_Opened);
        if (m_Holding) {
            ::WaitForSingleObject(m_Release, INFINITE);
            ::CloseClipboard();
        }
        ::DestroyWindow(window);
    });
    ::WaitForSingleObject(m_Opened, INFINITE);
}

CClipboardHolder::~CClipboardHolder()
{
    ::SetEvent(m_Release);
    m_Thread.join();
    ::CloseHandle(m_Opened);
    ::CloseHandle(m_Release);
}
