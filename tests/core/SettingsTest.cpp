// The settings store against the test prefix's registry: what it accepts from values
// written by hand, and what it leaves there.
#include "settings/Settings.h"
#include "SettingsKey.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

namespace {

TEST(SettingsStore, FirstRunFindsNothing)
{
    CSettingsKey key;
    const StoredSettings settings = ReadStoredSettings();
    EXPECT_FALSE(settings.Automatic);
    EXPECT_FALSE(settings.StartAddress);
    EXPECT_FALSE(settings.EndAddress);
}

TEST(SettingsStore, ModeIsAutomaticOnlyForADwordOfOne)
{
    struct Case {
        const char* what;
        DWORD type;
        std::string bytes;
        std::optional<bool> expected;
    };
    const auto dword = [](DWORD v) { return std::string(reinterpret_cast<const char*>(&v), sizeof(v)); };
    const Case cases[] = {
        {"one", REG_DWORD, dword(1), true},
        {"zero", REG_DWORD, dword(0), false},
        {"two", REG_DWORD, dword(2), false},
        {"all bits", REG_DWORD, dword(0xFFFFFFFF), false},
        {"text \"1\"", REG_SZ, std::string("1\0", 2), std::nullopt},
        {"two bytes", REG_DWORD, std::string("\1\0", 2), std::nullopt},
        {"eight bytes", REG_BINARY, dword(1) + dword(0), std::nullopt},
        {"empty", REG_DWORD, std::string(), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsKey key;
        key.SetValue("Automatic", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        EXPECT_EQ(ReadStoredSettings().Automatic, c.expected);
    }
}

TEST(SettingsStore, AddressesAreTakenOnlyWhenTheyAreDottedAddresses)
{
    struct Case {
        const char* what;
        DWORD type;
        std::string bytes;
        std::optional<uint32_t> expected;
    };
    const std::string padded = std::string("10.0.0.1") + std::string(992, '\0');  // 1000 bytes
    const Case cases[] = {
        {"terminated", REG_SZ, std::string("192.168.1.10\0", 13), 0xC0A8010A},
        {"unterminated", REG_SZ, "192.168.1.10", 0xC0A8010A},
        {"text after the terminator", REG_SZ, std::string("10.77.0.254\0junk", 16), 0x0A4D00FE},
        {"1000 bytes", REG_SZ, padded, 0x0A000001},
        {"1001 bytes", REG_SZ, padded + '\0', std::nullopt},
        {"empty", REG_SZ, std::string("\0", 1), std::nullopt},
        {"no bytes", REG_SZ, std::string(), std::nullopt},
        {"garbage", REG_SZ, std::string("not an address\0", 15), std::nullopt},
        {"three octets", REG_SZ, std::string("192.168.1\0", 10), std::nullopt},
        {"octet over 255", REG_SZ, std::string("192.168.1.256\0", 14), std::nullopt},
        {"trailing space", REG_SZ, std::string("192.168.1.10 \0", 14), std::nullopt},
        {"long unterminated", REG_SZ, std::string(1000, '7'), std::nullopt},
        {"a number", REG_DWORD, std::string("\x0A\x01\xA8\xC0", 4), std::nullopt},
        {"expandable text", REG_EXPAND_SZ, std::string("192.168.1.10\0", 13), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsKey key;
        key.SetValue("StartHostAddress", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        key.SetValue("EndHostAddress", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        const StoredSettings settings = ReadStoredSettings();
        EXPECT_EQ(settings.StartAddress, c.expected);
        EXPECT_EQ(settings.EndAddress, c.expected);
        EXPECT_FALSE(settings.Automatic);
    }
}

TEST(SettingsStore, WritesAllThreeValuesAsTheyAreReadBack)
{
    CSettingsKey key;
    ASSERT_TRUE(WriteStoredSettings(true, "10.77.0.1", "10.77.0.254"));
    const auto mode = CSettingsKey::Read("Automatic");
    const auto start = CSettingsKey::Read("StartHostAddress");
    const auto end = CSettingsKey::Read("EndHostAddress");
    ASSERT_TRUE(mode && start && end);
    EXPECT_EQ(mode->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(mode->bytes, std::string("\1\0\0\0", 4));
    EXPECT_EQ(start->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(start->bytes, std::string("10.77.0.1\0", 10));
    EXPECT_EQ(end->bytes, std::string("10.77.0.254\0", 12));

    const StoredSettings settings = ReadStoredSettings();
    EXPECT_EQ(settings.Automatic, true);
    EXPECT_EQ(settings.StartAddress, 0x0A4D0001u);
    EXPECT_EQ(settings.EndAddress, 0x0A4D00FEu);

    // A second write replaces all three; blank controls store empty texts, read as absent.
    ASSERT_TRUE(WriteStoredSettings(false, "", ""));
    EXPECT_EQ(CSettingsKey::Read("Automatic")->bytes, std::string(4, '\0'));
    EXPECT_EQ(CSettingsKey::Read("StartHostAddress")->bytes, std::string(1, '\0'));
    const StoredSettings cleared = ReadStoredSettings();
    EXPECT_EQ(cleared.Automatic, false);
    EXPECT_FALSE(cleared.StartAddress);
    EXPECT_FALSE(cleared.EndAddress);
}

TEST(SettingsStore, AWrittenTextStopsAt999Characters)
{
    CSettingsKey key;
    const std::string longText(1500, '9');
    ASSERT_TRUE(WriteStoredSettings(false, longText.c_str(), "1.2.3.4"));
    EXPECT_EQ(CSettingsKey::Read("StartHostAddress")->bytes, std::string(999, '9') + '\0');
    EXPECT_EQ(CSettingsKey::Read("EndHostAddress")->bytes, std::string("1.2.3.4\0", 8));
}

// The registry refuses every value of a key opened only for reading: the write says so and
// leaves what was stored.
TEST(SettingsStore, AWriteTheKeyRefusesIsReported)
{
    CSettingsKey key;
    key.SetDword("Automatic", 0);
    HKEY opened = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &opened), ERROR_SUCCESS);
    const std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&::RegCloseKey)> readOnly(opened, &::RegCloseKey);
    EXPECT_FALSE(WriteStoredSettings(readOnly.get(), true, "10.77.0.1", "10.77.0.254"));
    EXPECT_EQ(CSettingsKey::Read("Automatic")->bytes, std::string(4, '\0'));
    EXPECT_FALSE(CSettingsKey::Read("StartHostAddress"));
    EXPECT_FALSE(CSettingsKey::Read("EndHostAddress"));
}

}  // namespace
