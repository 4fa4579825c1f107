#include "SettingsKey.h"

#include <vector>

namespace {
const char kKey[] = "Software\\Vantrel";

std::string PathOf(const char* subkey)
{
    return subkey ? std::string(kKey) + "\\" + subkey : std::string(kKey);
}
}  // namespace

CSettingsKey::CSettingsKey() { Delete(); }

CSettingsKey::~CSettingsKey() { Delete(); }

void CSettingsKey::Delete()
{
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

bool CSettingsKey::Exists()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

void CSettingsKey::SetValue(const char* name, DWORD type, const void* data, DWORD size, const char* subkey) const
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, PathOf(subkey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

std::optional<CSettingsKey::Value> CSettingsKey::Read(const char* name, const char* subkey)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, PathOf(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    Value value;
    DWORD size = 0;
    std::optional<Value> result;
    if (::RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<BYTE> bytes(size + 1);
        if (::RegQueryValueExA(key, name, nullptr, &value.type, bytes.data(), &size) == ERROR_SUCCESS) {
            value.bytes.assign(reinterpret_cast<const char*>(bytes.data()), size);
            result = value;
        }
    }
    ::RegCloseKey(key);
    return result;
}

std::map<std::string, CSettingsKey::Value> CSettingsKey::ReadAll(const char* subkey)
{
    std::map<std::string, Value> values;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, PathOf(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[256] = "";
        DWORD nameSize = sizeof(name);
        if (::RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (const auto value = Read(name, subkey))
            values[name] = *value;
    }
    ::RegCloseKey(key);
    return values;
}
