#include "ClipboardTestSupport.h"

#include <cstring>
#include <string>

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

namespace {

// The full path of a program in the test program's own folder.
std::string BesideThisProgram(const char* name)
{
    char path[MAX_PATH] = "";
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, length < sizeof(path) ? length : 0);
    const size_t slash = folder.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : folder.substr(0, slash + 1)) + name;
}

std::vector<char> FromHexPairs(const std::string& hex)
{
    std::vector<char> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

}  // namespace

std::optional<std::vector<char>> ReadClipboardTextInAnotherProgram()
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return std::nullopt;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + BesideThisProgram("clipboard_reader.exe") + "\"";
    const bool started = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                          nullptr, nullptr, &startup, &process) != FALSE;
    ::CloseHandle(writeEnd);  // so that the read ends when the reader does
    std::string output;
    DWORD exitCode = 1;
    if (started) {
        char chunk[256];
        DWORD got = 0;
        while (::ReadFile(readEnd, chunk, sizeof(chunk), &got, nullptr) && got > 0)
            output.append(chunk, got);
        ::WaitForSingleObject(process.hProcess, 10000);
        ::GetExitCodeProcess(process.hProcess, &exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(readEnd);
    if (exitCode != 0)
        return std::nullopt;
    return FromHexPairs(output);
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
