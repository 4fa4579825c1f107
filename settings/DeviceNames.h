// The user's own names for devices, kept by MAC address under
// HKEY_CURRENT_USER\Software\Vantrel\Device Names: one REG_SZ value per device, named by the
// MAC address as the list shows it (00-1B-21-00-00-0A), holding the name. Registry only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>

extern const char kDeviceNamesKey[];

// Bytes of a name in the system's code page; the dialog's box holds no more.
constexpr size_t kMaxDeviceNameLength = 63;

// MAC text (upper-case hex, as the list shows it) -> own name.
using DeviceNameMap = std::map<std::string, std::string>;

// `text` as the list shows a MAC address: six pairs of hex digits joined by '-', upper or
// lower case (the registry does not tell value names apart by case); upper case in `mac`.
// False for anything else.
bool NormalizeDeviceMac(const std::string& text, std::string& mac);

// `text` without leading and trailing spaces.
std::string TrimDeviceName(const std::string& text);

enum class DeviceNameFault {
    None,
    ControlCharacter,  // a byte below 0x20, or 0x7F
    TooLong,           // more than kMaxDeviceNameLength bytes once trimmed
};
// What is wrong with `name` as an own name, once trimmed; an empty name has no fault (it
// means "no own name").
DeviceNameFault CheckDeviceName(const std::string& name);

// Every usable name the key holds; empty when it cannot be opened. A value whose name is not
// a MAC address, which is not REG_SZ, or whose text is empty, too long or holds a control
// character once trimmed is left out. Names come back trimmed.
DeviceNameMap ReadDeviceNames();
DeviceNameMap ReadDeviceNames(HKEY key);

// Stores `name` (trimmed) for `mac`, the key created if need be; an empty name removes the
// value. `mac` must pass NormalizeDeviceMac and the name CheckDeviceName. ERROR_SUCCESS or
// the system's error code; nothing changes on failure.
LONG WriteDeviceName(const std::string& mac, const std::string& name);
