#include "ui/HelpPage.h"

#include "controls/StaticHyperLink.h"
#include "res/resource.h"
#include "winlib/Launch.h"
#include "winlib/Thread.h"

#include <cstdio>

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

// Creates a file no one else has made: CREATE_NEW fails on any name already taken, a link
// included, so a name another user planted is never opened. Retries a few fresh names.
CHandle CreateUniqueFile(const std::string& folder, std::string& created)
{
    static LONG counter = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof(name), "vantrel-help-%lu-%lu-%ld.tmp", ::GetCurrentProcessId(), ::GetTickCount(),
                      ::InterlockedIncrement(&counter));
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
    if (::MoveFileExA(created.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        return path;
    return created;
}

HyperLinkPlatform HelpPageLinkPlatform()
{
    return HyperLinkPlatform{[](const char* address) {
        const std::string written = WriteHelpPage(address ? address : "");
        if (!written.empty())
            LaunchInternetExplorer(written.c_str());
    }};
}
