// The three settings kept between runs under HKEY_CURRENT_USER\Software\Vantrel: the scan
// mode and the two ends of the range. Registry only; the main window puts them into its
// controls and takes them out again.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

extern const char kSettingsKey[];

struct StoredSettings {
    // Each is absent when not stored or not usable (wrong type, wrong size, not an address).
    std::optional<bool> Automatic;
    std::optional<uint32_t> StartAddress;  // host order, first octet most significant
    std::optional<uint32_t> EndAddress;
};

// What the key holds now; everything absent when the key cannot be opened.
StoredSettings ReadStoredSettings();

// Writes all three values into the settings key, created if need be; an empty text is stored
// as an empty value. A value that cannot be written does not keep the others from being
// written. False when the key cannot be created or a value not written.
bool WriteStoredSettings(bool automatic, const char* startText, const char* endText);
// The same into a key the caller has opened.
bool WriteStoredSettings(HKEY key, bool automatic, const char* startText, const char* endText);
