#include "scan/KernelNeighbourTable.h"

#include "winlib/Thread.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Wine maps this prefix to the host's own file system; on Windows there is no such path.
constexpr char kTablePath[] = "\\\\?\\unix\\proc\\net\\arp";
constexpr char kHeading[] = "IP address";
constexpr size_t kMaxTableBytes = 4 << 20;  // tens of thousands of entries
constexpr unsigned long kCompleteFlag = 0x2;
constexpr unsigned long kPermanentFlag = 0x4;
constexpr size_t kFieldCount = 6;
constexpr size_t kFieldCapacity = 64;

// The line's first kFieldCount blank-separated fields; false when it has fewer or one is
// too long to be what the kernel writes.
bool SplitFields(const std::string& line, char (&fields)[kFieldCount][kFieldCapacity])
{
    size_t at = 0;
    for (size_t field = 0; field < kFieldCount; ++field) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string::npos)
            return false;
        const size_t end = std::min(line.find_first_of(" \t", at), line.size());
        if (end - at >= kFieldCapacity)
            return false;
        line.copy(fields[field], end - at, at);
        fields[field][end - at] = '\0';
        at = end;
    }
    return true;
}

bool ParseHex(const char* text, unsigned long& value)
{
    char* end = nullptr;
    value = std::strtoul(text, &end, 16);
    return end != text && *end == '\0';
}

// "02:5a:00:00:00:01": one to MAXLEN_PHYSADDR bytes of two hex digits each.
bool ParseHardwareAddress(const char* text, MIB_IPNETROW& row)
{
    DWORD length = 0;
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (const char* p = text;; p += 3) {
        if (!isHex(p[0]) || !isHex(p[1]) || length == MAXLEN_PHYSADDR)
            return false;
        const char digits[3] = {p[0], p[1], '\0'};
        row.bPhysAddr[length++] = static_cast<BYTE>(std::strtoul(digits, nullptr, 16));
        if (p[2] == '\0')
            break;
        if (p[2] != ':')
            return false;
    }
    row.dwPhysAddrLen = length;
    return true;
}

bool ParseLine(const std::string& line, MIB_IPNETROW& row)
{
    char fields[kFieldCount][kFieldCapacity];
    unsigned long flags = 0;
    IN_ADDR address{};
    if (!SplitFields(line, fields) || ::inet_pton(AF_INET, fields[0], &address) != 1 || !ParseHex(fields[2], flags))
        return false;
    row = MIB_IPNETROW{};
    if (!ParseHardwareAddress(fields[3], row))
        return false;
    row.dwAddr = address.S_un.S_addr;
    if (!(flags & kCompleteFlag))
        row.dwType = MIB_IPNET_TYPE_INVALID;
    else
        row.dwType = flags & kPermanentFlag ? MIB_IPNET_TYPE_STATIC : MIB_IPNET_TYPE_DYNAMIC;
    return true;
}

// The whole file, or false when it cannot be opened or read (or is implausibly large).
bool ReadTableFile(std::string& text)
{
    const CHandle file(::CreateFileA(kTablePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return false;
    // The kernel's files give no size: read until the end.
    text.clear();
    char chunk[16384];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (text.size() + got > kMaxTableBytes)
            return false;
        text.append(chunk, got);
    }
}

}  // namespace

bool ParseKernelNeighbourTable(const char* text, size_t length, std::vector<MIB_IPNETROW>& rows)
{
    rows.clear();
    if (!text || length < sizeof(kHeading) - 1 || std::strncmp(text, kHeading, sizeof(kHeading) - 1) != 0)
        return false;
    const std::string all(text, length);
    size_t at = all.find('\n');
    while (at != std::string::npos && at + 1 < all.size()) {
        const size_t end = all.find('\n', at + 1);
        MIB_IPNETROW row;
        if (ParseLine(all.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1), row))
            rows.push_back(row);
        at = end;
    }
    return true;
}

DWORD ReadKernelNeighbourTable(MIB_IPNETTABLE* table, ULONG* size)
{
    if (!size)
        return ERROR_INVALID_PARAMETER;
    std::string text;
    std::vector<MIB_IPNETROW> rows;
    if (!ReadTableFile(text) || !ParseKernelNeighbourTable(text.data(), text.size(), rows))
        return ERROR_NOT_SUPPORTED;
    // The file's cap keeps this far below what a ULONG holds.
    const size_t needed = offsetof(MIB_IPNETTABLE, table) + rows.size() * sizeof(MIB_IPNETROW);
    if (!table || *size < needed) {
        *size = static_cast<ULONG>(needed);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    table->dwNumEntries = static_cast<DWORD>(rows.size());
    if (!rows.empty())
        std::memcpy(table->table, rows.data(), rows.size() * sizeof(MIB_IPNETROW));
    *size = static_cast<ULONG>(needed);
    return rows.empty() ? ERROR_NO_DATA : NO_ERROR;
}
