#include "settings/DeviceNames.h"

#include "winlib/UniqueHandle.h"

#include <windows.h>

#include <cstring>
#include <vector>

const char kDeviceNamesKey[] = "Software\\Vantrel\\Device Names";

namespace {
// "00-1B-21-00-00-0A" and its terminator; a longer value name is no MAC address.
constexpr DWORD kValueNameCapacity = 18;
// A stored text may carry spaces that trimming drops; anything longer is not read.
constexpr DWORD kDataCapacity = 1024;

struct RegKeyTraits : NullInvalidTraits<HKEY> {
    static void Close(HKEY key) noexcept { ::RegCloseKey(key); }
};
using CRegKey = CUniqueHandle<RegKeyTraits>;

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The usable own name a value's data gives, or empty.
std::string NameOfData(DWORD type, const std::vector<char>& data, DWORD size)
{
    if (type != REG_SZ)
        return std::string();
    // The text ends at its first zero byte, or where the data ends.
    const size_t length = ::strnlen(data.data(), size);
    const std::string name = TrimDeviceName(std::string(data.data(), length));
    return CheckDeviceName(name) == DeviceNameFault::None ? name : std::string();
}
}  // namespace

bool NormalizeDeviceMac(const std::string& text, std::string& mac)
{
    if (text.size() != 17)
        return false;
    std::string upper(text);
    for (size_t i = 0; i < upper.size(); ++i) {
        if (i % 3 == 2) {
            if (upper[i] != '-')
                return false;
            continue;
        }
        if (HexValue(upper[i]) < 0)
            return false;
        if (upper[i] >= 'a' && upper[i] <= 'f')
            upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
    }
    mac = upper;
    return true;
}

std::string TrimDeviceName(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

DeviceNameFault CheckDeviceName(const std::string& name)
{
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return DeviceNameFault::ControlCharacter;
    }
    if (TrimDeviceName(name).size() > kMaxDeviceNameLength)
        return DeviceNameFault::TooLong;
    return DeviceNameFault::None;
}

DeviceNameMap ReadDeviceNames()
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kDeviceNamesKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return DeviceNameMap();
    const CRegKey key(opened);
    return ReadDeviceNames(key.Get());
}

DeviceNameMap ReadDeviceNames(HKEY key)
{
    DeviceNameMap names;
    std::vector<char> data(kDataCapacity);
    for (DWORD index = 0;; ++index) {
        char valueName[kValueNameCapacity] = "";
        DWORD nameSize = sizeof(valueName);
        DWORD type = REG_NONE;
        DWORD size = kDataCapacity;
        const LONG status = ::RegEnumValueA(key, index, valueName, &nameSize, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &size);
        // A name or data too long for the buffers is no MAC address or no usable name.
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        std::string mac;
        if (!NormalizeDeviceMac(std::string(valueName, nameSize), mac))
            continue;
        std::string name = NameOfData(type, data, size);
        if (!name.empty())
            names[mac] = std::move(name);
    }
    return names;
}

LONG WriteDeviceName(const std::string& mac, const std::string& name)
{
    std::string valueName;
    const std::string trimmed = TrimDeviceName(name);
    if (!NormalizeDeviceMac(mac, valueName) || CheckDeviceName(trimmed) != DeviceNameFault::None)
        return ERROR_INVALID_PARAMETER;
    HKEY created = nullptr;
    LONG status = ::RegCreateKeyExA(HKEY_CURRENT_USER, kDeviceNamesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                    &created, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    const CRegKey key(created);
    if (trimmed.empty()) {
        status = ::RegDeleteValueA(key.Get(), valueName.c_str());
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    return ::RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(trimmed.c_str()),
                            static_cast<DWORD>(trimmed.size() + 1));
}
