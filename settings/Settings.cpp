#include "settings/Settings.h"

#include "net/Ipv4Address.h"
#include "winlib/UniqueHandle.h"

#include <windows.h>

#include <cstring>
#include <string>

const char kSettingsKey[] = "Software\\Vantrel";

namespace {
const char kAutomaticValue[] = "Automatic";
const char kStartValue[] = "StartHostAddress";
const char kEndValue[] = "EndHostAddress";
constexpr DWORD kTextCapacity = 1000;  // bytes of a stored text, terminator included

struct RegKeyTraits : NullInvalidTraits<HKEY> {
    static void Close(HKEY key) noexcept { ::RegCloseKey(key); }
};

class CRegKey : public CUniqueHandle<RegKeyTraits> {
public:
    bool Open(HKEY root, const char* path, REGSAM access)
    {
        HKEY key = nullptr;
        const bool opened = ::RegOpenKeyExA(root, path, 0, access, &key) == ERROR_SUCCESS;
        Attach(opened ? key : nullptr);
        return opened;
    }
    bool Create(HKEY root, const char* path)
    {
        HKEY key = nullptr;
        const bool created =
            ::RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS;
        Attach(created ? key : nullptr);
        return created;
    }
};

std::optional<bool> ReadMode(HKEY key)
{
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExA(key, kAutomaticValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof(value))
        return std::nullopt;
    return value == 1;
}

std::optional<uint32_t> ReadAddress(HKEY key, const char* name)
{
    // One byte beyond the capacity, so that a value stored without its terminator still ends.
    char text[kTextCapacity + 1] = {};
    DWORD type = 0;
    DWORD size = kTextCapacity;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS
        || type != REG_SZ)
        return std::nullopt;
    text[size < kTextCapacity ? size : kTextCapacity] = '\0';
    uint32_t address = 0;
    if (text[0] == '\0' || !ParseAddress(text, address))
        return std::nullopt;
    return address;
}

bool WriteText(HKEY key, const char* name, const char* text)
{
    const size_t length = text ? ::strnlen(text, kTextCapacity - 1) : 0;
    // Stored with its terminator, as the registry expects of REG_SZ.
    std::string stored(text ? text : "", length);
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                            static_cast<DWORD>(length + 1)) == ERROR_SUCCESS;
}
}  // namespace

StoredSettings ReadStoredSettings()
{
    StoredSettings settings;
    CRegKey key;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ))
        return settings;
    settings.Automatic = ReadMode(key.Get());
    settings.StartAddress = ReadAddress(key.Get(), kStartValue);
    settings.EndAddress = ReadAddress(key.Get(), kEndValue);
    return settings;
}

bool WriteStoredSettings(bool automatic, const char* startText, const char* endText)
{
    CRegKey key;
    if (!key.Create(HKEY_CURRENT_USER, kSettingsKey))
        return false;
    return WriteStoredSettings(key.Get(), automatic, startText, endText);
}

bool WriteStoredSettings(HKEY key, bool automatic, const char* startText, const char* endText)
{
    const DWORD mode = automatic ? 1 : 0;
    const bool modeWritten = ::RegSetValueExA(key, kAutomaticValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode),
                                              sizeof(mode)) == ERROR_SUCCESS;
    const bool startWritten = WriteText(key, kStartValue, startText);
    const bool endWritten = WriteText(key, kEndValue, endText);
    return modeWritten && startWritten && endWritten;
}
