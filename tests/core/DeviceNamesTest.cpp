// The store of the user's own device names against the test prefix's registry: which values
// written by hand it takes, and what it writes and removes.
#include "settings/DeviceNames.h"
#include "settings/Settings.h"
#include "SettingsKey.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kNames = CSettingsKey::kDeviceNames;

std::string Text(const char* text) { return std::string(text) + '\0'; }

TEST(DeviceNameStore, TakesOnlyValuesNamedByAMacWithAUsableName)
{
    struct Case {
        const char* what;
        std::string valueName;
        DWORD type;
        std::string bytes;
        DeviceNameMap expected;
    };
    const std::string longest(63, 'n');
    const Case cases[] = {
        {"a name", "00-1B-21-00-00-0A", REG_SZ, Text("Den TV"), {{"00-1B-21-00-00-0A", "Den TV"}}},
        {"unterminated", "00-1B-21-00-00-0A", REG_SZ, "Den TV", {{"00-1B-21-00-00-0A", "Den TV"}}},
        {"text after the terminator", "02-5A-00-00-00-0E", REG_SZ, std::string("Laptop\0junk", 11),
         {{"02-5A-00-00-00-0E", "Laptop"}}},
        {"spaces around it are dropped", "02-5A-00-00-00-0E", REG_SZ, Text("  My laptop "),
         {{"02-5A-00-00-00-0E", "My laptop"}}},
        {"markup kept as text", "02-5A-00-00-00-0E", REG_SZ, Text("<b>Tom & \"Jerry\"</b>"),
         {{"02-5A-00-00-00-0E", "<b>Tom & \"Jerry\"</b>"}}},
        {"code page letters", "02-5A-00-00-00-0E", REG_SZ, Text("K\xFC" "che"), {{"02-5A-00-00-00-0E", "K\xFC" "che"}}},
        {"63 characters", "02-5A-00-00-00-0E", REG_SZ, Text(longest.c_str()), {{"02-5A-00-00-00-0E", longest}}},
        {"63 characters and spaces", "02-5A-00-00-00-0E", REG_SZ, Text((" " + longest + "  ").c_str()),
         {{"02-5A-00-00-00-0E", longest}}},
        // Value names are case-blind in the registry: a hand-written lower-case one is the same device.
        {"lower-case MAC", "02-5a-00-00-00-0e", REG_SZ, Text("Laptop"), {{"02-5A-00-00-00-0E", "Laptop"}}},
        {"64 characters", "02-5A-00-00-00-0E", REG_SZ, Text((longest + "x").c_str()), {}},
        {"2000 characters", "02-5A-00-00-00-0E", REG_SZ, Text(std::string(2000, 'x').c_str()), {}},
        {"empty", "02-5A-00-00-00-0E", REG_SZ, Text(""), {}},
        {"no bytes", "02-5A-00-00-00-0E", REG_SZ, std::string(), {}},
        {"spaces only", "02-5A-00-00-00-0E", REG_SZ, Text("   "), {}},
        {"a tab", "02-5A-00-00-00-0E", REG_SZ, Text("Den\tTV"), {}},
        {"a line break", "02-5A-00-00-00-0E", REG_SZ, Text("Den\r\nTV"), {}},
        {"an escape sequence", "02-5A-00-00-00-0E", REG_SZ, Text("\x1b[31mRed"), {}},
        {"DEL", "02-5A-00-00-00-0E", REG_SZ, Text("Den\x7FTV"), {}},
        {"expandable text", "02-5A-00-00-00-0E", REG_EXPAND_SZ, Text("Laptop"), {}},
        {"a number", "02-5A-00-00-00-0E", REG_DWORD, std::string("\1\0\0\0", 4), {}},
        {"colons", "02:5A:00:00:00:0E", REG_SZ, Text("Laptop"), {}},
        {"no separators", "025A0000000E", REG_SZ, Text("Laptop"), {}},
        {"five bytes", "02-5A-00-00-00", REG_SZ, Text("Laptop"), {}},
        {"seven bytes", "02-5A-00-00-00-0E-01", REG_SZ, Text("Laptop"), {}},
        {"not hex", "02-5A-00-00-00-0G", REG_SZ, Text("Laptop"), {}},
        {"an IP address", "10.77.0.14", REG_SZ, Text("Laptop"), {}},
        {"the default value", "", REG_SZ, Text("Laptop"), {}},
        {"a long value name", std::string(300, 'A'), REG_SZ, Text("Laptop"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSettingsKey key;
        key.SetValue(c.valueName.c_str(), c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()), kNames);
        EXPECT_EQ(ReadDeviceNames(), c.expected);
    }
}

TEST(DeviceNameStore, AMissingKeyOrAnEmptyOneHoldsNoNames)
{
    CSettingsKey key;
    EXPECT_TRUE(ReadDeviceNames().empty());
    key.SetDword("Automatic", 1);  // the settings alone
    EXPECT_TRUE(ReadDeviceNames().empty());
}

// Good and bad values side by side: the bad ones cost the good ones nothing. The values too
// long for the reader's buffers come first, whether the registry lists values as written or
// sorted by name.
TEST(DeviceNameStore, ReadsEveryGoodValueBesideBadOnes)
{
    CSettingsKey key;
    key.SetText("00-00-00-00-00-01", std::string(2000, 'x'), true, kNames);
    key.SetText(("00-0" + std::string(300, '0')).c_str(), "Ignored", true, kNames);
    key.SetText("00-1B-21-00-00-0A", "Desk", true, kNames);
    key.SetText("nonsense", "Ignored", true, kNames);
    key.SetText("02-5A-00-00-00-0E", "Bad\tname", true, kNames);
    key.SetText(std::string(300, 'x').c_str(), "Ignored", true, kNames);
    key.SetText("B0-BE-76-00-00-01", "Router upstairs", false, kNames);
    EXPECT_EQ(ReadDeviceNames(), (DeviceNameMap{{"00-1B-21-00-00-0A", "Desk"}, {"B0-BE-76-00-00-01", "Router upstairs"}}));
}

TEST(DeviceNameStore, WritesTrimmedTextAndRemovesWithAnEmptyName)
{
    CSettingsKey key;
    key.SetDword("Automatic", 0);
    ASSERT_EQ(WriteDeviceName("02-5a-00-00-00-0e", "  Laptop <Anna> "), ERROR_SUCCESS);
    ASSERT_EQ(WriteDeviceName("00-1B-21-00-00-0A", "Desk"), ERROR_SUCCESS);
    auto stored = CSettingsKey::ReadAll(kNames);
    ASSERT_EQ(stored.size(), 2u);
    // Upper case, as the list shows it, and terminated.
    ASSERT_EQ(stored.count("02-5A-00-00-00-0E"), 1u);
    EXPECT_EQ(stored["02-5A-00-00-00-0E"].type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored["02-5A-00-00-00-0E"].bytes, Text("Laptop <Anna>"));
    EXPECT_EQ(stored["00-1B-21-00-00-0A"].bytes, Text("Desk"));

    // A new name replaces the old; an empty one, or spaces, removes it; removing twice is fine.
    ASSERT_EQ(WriteDeviceName("00-1B-21-00-00-0A", "Office desk"), ERROR_SUCCESS);
    EXPECT_EQ(CSettingsKey::Read("00-1B-21-00-00-0A", kNames)->bytes, Text("Office desk"));
    ASSERT_EQ(WriteDeviceName("02-5A-00-00-00-0E", "   "), ERROR_SUCCESS);
    ASSERT_EQ(WriteDeviceName("02-5A-00-00-00-0E", ""), ERROR_SUCCESS);
    EXPECT_EQ(ReadDeviceNames(), (DeviceNameMap{{"00-1B-21-00-00-0A", "Office desk"}}));
    // The three settings are left alone.
    EXPECT_EQ(CSettingsKey::Read("Automatic")->bytes, std::string(4, '\0'));
    EXPECT_EQ(ReadStoredSettings().Automatic, false);
}

TEST(DeviceNameStore, RefusesToWriteWhatItWouldNotRead)
{
    CSettingsKey key;
    EXPECT_NE(WriteDeviceName("02-5A-00-00-00", "Laptop"), ERROR_SUCCESS);
    EXPECT_NE(WriteDeviceName("02-5A-00-00-00-0E", "Lap\ttop"), ERROR_SUCCESS);
    EXPECT_NE(WriteDeviceName("02-5A-00-00-00-0E", std::string(64, 'x')), ERROR_SUCCESS);
    EXPECT_TRUE(CSettingsKey::ReadAll(kNames).empty());
}

// The registry keeps no lasting key below a volatile one: the name's key cannot be made and
// the write says so.
TEST(DeviceNameStore, AKeyThatCannotBeMadeIsReported)
{
    CSettingsKey key;
    HKEY settings = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &settings, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(settings);
    EXPECT_NE(WriteDeviceName("02-5A-00-00-00-0E", "Laptop"), ERROR_SUCCESS);
    EXPECT_TRUE(ReadDeviceNames().empty());
}

TEST(DeviceNameStore, NamesAreCheckedOnceTrimmed)
{
    struct Case {
        const char* name;
        DeviceNameFault expected;
    };
    const std::string longest(63, 'n');
    const Case cases[] = {
        {"Den TV", DeviceNameFault::None},
        {"", DeviceNameFault::None},
        {"   ", DeviceNameFault::None},
        {"<script>&amp;", DeviceNameFault::None},
        {"\x80\xFF", DeviceNameFault::None},
        {"Den\tTV", DeviceNameFault::ControlCharacter},
        {"Den\nTV", DeviceNameFault::ControlCharacter},
        {"\x1b", DeviceNameFault::ControlCharacter},
        {"\x7F", DeviceNameFault::ControlCharacter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckDeviceName(c.name), c.expected);
    }
    EXPECT_EQ(CheckDeviceName(longest), DeviceNameFault::None);
    EXPECT_EQ(CheckDeviceName("  " + longest + "  "), DeviceNameFault::None);
    EXPECT_EQ(CheckDeviceName(longest + "x"), DeviceNameFault::TooLong);
    EXPECT_EQ(TrimDeviceName("  a b  "), "a b");
}

}  // namespace
