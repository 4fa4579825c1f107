#include "ReportFixtures.h"
#include "WinePath.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>

const std::vector<ReportRow>& ReportTable(const std::string& name)
{
    static const std::map<std::string, std::vector<ReportRow>> tables = {
        {"empty", {}},
        {"one-row", {{"192.168.1.1", "Router", "00:11:22:33:44:55", "This is your Router"}}},
        {"three-rows",
         {{"192.168.1.1", "Gateway.lan", "00:1A:2B:3C:4D:5E", "This is your Router"},
          {"192.168.1.7", "Desktop-7", "08:00:27:AB:CD:EF", "This is your Computer"},
          {"192.168.1.20", "", "B8:27:EB:00:00:14", ""}}},
    };
    return tables.at(name);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ExpectedReport(const std::string& fileName)
{
    // The source tree, through the drive Wine maps to the Linux root.
    return ReadFileBytes(WindowsPathOf(std::string(VANTREL_EXPECTED_REPORTS) + "/" + fileName));
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE first = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (first == INVALID_HANDLE_VALUE)
        return names;
    const std::unique_ptr<void, decltype(&::FindClose)> search(first, &::FindClose);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (::FindNextFileA(search.get(), &found));
    return names;
}

std::string MakeTestFolder(const char* name)
{
    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof(temp), temp);
    const std::string folder = std::string(temp) + name + "\\";
    // Left over from an earlier run: its files go first.
    for (const std::string& file : FilesIn(folder))
        ::DeleteFileA((folder + file).c_str());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string CReportTestRows::GetCellText(int row, int column, size_t capacity) const
{
    const std::string& text = m_Rows.at(static_cast<size_t>(row)).at(static_cast<size_t>(column));
    return capacity == 0 ? text : text.substr(0, capacity - 1);
}
