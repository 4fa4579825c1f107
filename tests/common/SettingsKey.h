// The program's settings key in the test prefix's HKEY_CURRENT_USER, written and read with
// the bare registry calls. Deleted with its subkeys (the device names) when the object is made
// and again when it goes, so every test starts as a first run.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

class CSettingsKey {
public:
    CSettingsKey();
    ~CSettingsKey();
    CSettingsKey(const CSettingsKey&) = delete;
    CSettingsKey& operator=(const CSettingsKey&) = delete;

    static void Delete();
    static bool Exists();

    // The own names of devices, a subkey of the settings key.
    static constexpr const char* kDeviceNames = "Device Names";

    // In the settings key, or in its `subkey`.
    void SetValue(const char* name, DWORD type, const void* data, DWORD size, const char* subkey = nullptr) const;
    void SetDword(const char* name, DWORD value) const { SetValue(name, REG_DWORD, &value, sizeof(value)); }
    // Stored without its terminator, as some writers do, unless `terminated`.
    void SetText(const char* name, const std::string& text, bool terminated = true, const char* subkey = nullptr) const
    {
        SetValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + (terminated ? 1 : 0)), subkey);
    }

    struct Value {
        DWORD type = REG_NONE;
        std::string bytes;  // exactly as stored
    };
    static std::optional<Value> Read(const char* name, const char* subkey = nullptr);
    // Every value of `subkey` by name; empty when it does not exist.
    static std::map<std::string, Value> ReadAll(const char* subkey);
};
