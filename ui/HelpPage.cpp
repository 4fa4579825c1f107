#include "ui/HelpPage.h"

#include "controls/StaticHyperLink.h"
#include "res/resource.h"
#include "winlib/Launch.h"
#include "winlib/Thread.h"
#include "winlib/UniqueHandle.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// The page as the program carries it: a view of the resource, valid for the process's life.
bool LoadHelpPage(const char*& data, DWORD& size)
{
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(IDR_HELP_PAGE), RT_HTML);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    size = found ? ::SizeofResource(module, found) : 0;
    return data && size > 0;
}

// The folder part of a path, with its final backslash; empty when it has none.
std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

constexpr char kOwnFilePrefix[] = "vantrel-help-";

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) noexcept { return handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::FindClose(handle); }
};
using CFindHandle = CUniqueHandle<FindHandleTraits>;

// "vantrel-help-" and numbers joined by '-', then ".html" (or ".tmp", as earlier versions
// named them): a page file of this program's own, not the page's fixed name.
bool IsOwnPageFile(const char* name)
{
    const size_t prefix = sizeof(kOwnFilePrefix) - 1;
    if (std::strncmp(name, kOwnFilePrefix, prefix) != 0)
        return false;
    const char* rest = name + prefix;
    const size_t numbers = std::strspn(rest, "0123456789-");
    return numbers > 0 && std::isdigit(static_cast<unsigned char>(rest[0])) &&
           (std::strcmp(rest + numbers, ".html") == 0 || std::strcmp(rest + numbers, ".tmp") == 0);
}

// The page's own files of earlier shows (where the name could not be taken, a browser holding
// the page, for example) go, but for `keep`; one a browser still holds stays until next time.
void DeleteEarlierPageFiles(const std::string& folder, const std::string& keep)
{
    WIN32_FIND_DATAA found{};
    const std::string pattern = folder + kOwnFilePrefix + "*";
    const CFindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search)
        return;
    do {
        const std::string path = folder + found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsOwnPageFile(found.cFileName) && path != keep)
            ::DeleteFileA(path.c_str());
    } while (::FindNextFileA(search.Get(), &found));
}

// Creates a file no one else has made: CREATE_NEW fails on any name already taken, a link
// included, so a name another user planted is never opened. Retries a few fresh names. An
// HTML name: where the page's own name cannot be taken, a browser opens this one.
CHandle CreateUniqueFile(const std::string& folder, std::string& created)
{
    static LONG counter = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof(name), "%s%lu-%lu-%ld.html", kOwnFilePrefix, ::GetCurrentProcessId(),
                      ::GetTickCount(), ::InterlockedIncrement(&counter));
        created = folder + name;
        CHandle file(::CreateFileA(created.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (file)
            return file;
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    created.clear();
    return CHandle();
}

bool WriteWhole(HANDLE file, const char* data, DWORD size)
{
    DWORD written = 0;
    return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}

}  // namespace

std::string HelpPagePath()
{
    char folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder))
        return std::string();
    std::string path(folder, length);
    if (path.back() != '\\')
        path += '\\';
    return path + kHelpPageFileName;
}

std::string WriteHelpPage(const std::string& path)
{
    const char* data = nullptr;
    DWORD size = 0;
    const std::string folder = FolderOf(path);
    if (folder.empty() || !LoadHelpPage(data, size))
        return std::string();

    std::string created;
    {
        CHandle file = CreateUniqueFile(folder, created);
        if (!file)
            return std::string();
        if (!WriteWhole(file.Get(), data, size)) {
            file.Close();
            ::DeleteFileA(created.c_str());
            return std::string();
        }
    }
    // A rename replaces the name itself: a link planted there goes, its target stays as it was.
    const std::string written =
        ::MoveFileExA(created.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? path : created;
    DeleteEarlierPageFiles(folder, written);
    return written;
}

HyperLinkPlatform HelpPageLinkPlatform()
{
    return HyperLinkPlatform{[](const char* address) {
        const std::string written = WriteHelpPage(address ? address : "");
        if (!written.empty())
            LaunchInternetExplorer(written.c_str());
    }};
}
