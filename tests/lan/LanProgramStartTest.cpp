// The program itself (vantrel.exe) started inside the virtual LAN: the window it shows
// with the LAN's range, the stored settings of the LAN prefix's registry, and the
// operating-system test with Wine reporting Windows XP for the program.
#include "LanNames.h"
#include "SettingsKey.h"
#include "VantrelDriver.h"
#include "WindowText.h"
#include "WinePath.h"
#include "res/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\vantrel.exe";
constexpr DWORD kExitWithinMs = 20000;

std::string ProgramPath() { return WindowsPathOf(VANTREL_EXE); }

bool IsMainWindow(HWND hwnd)
{
    return ::GetDlgItem(hwnd, IDC_RESULTS_LIST) != nullptr;
}

// An address control's window text is its four fields, dotted.
std::string AddressOf(HWND dialog, int id)
{
    return SentTextOf(::GetDlgItem(dialog, id));
}

struct Shown {
    bool automatic = false;
    bool startEnabled = false;
    std::string start, end, versionLink;
};

Shown ReadShown(HWND dialog)
{
    Shown shown;
    shown.automatic = ::IsDlgButtonChecked(dialog, IDC_AUTOMATIC) == BST_CHECKED
        && ::IsDlgButtonChecked(dialog, IDC_MANUAL) == BST_UNCHECKED;
    shown.startEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDC_START_ADDRESS)) != FALSE;
    shown.start = AddressOf(dialog, IDC_START_ADDRESS);
    shown.end = AddressOf(dialog, IDC_END_ADDRESS);
    shown.versionLink = SentTextOf(::GetDlgItem(dialog, IDC_VERSION_LINK));
    return shown;
}

class LanProgramStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Lan("LAN_FIRST_HOST").empty()) << "run inside the virtual LAN (tools/virtual-lan.sh exec)";
        ForgetWindowsXp();
    }
    void TearDown() override { ForgetWindowsXp(); }

    // Only the value this test sets: the key may hold other settings for the program (and a
    // key with subkeys cannot be deleted as a whole).
    static void ForgetWindowsXp() { ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kAppDefaultsKey, "Version"); }

    // Starts the program, reads what its window shows and closes it; the program must then
    // end with exit code 0.
    static Shown ShowAndClose()
    {
        Shown shown;
        CVantrelProcess program;
        std::string error;
        EXPECT_TRUE(program.Start(ProgramPath(), error)) << error;
        HWND dialog = program.WaitForWindow(IsMainWindow);
        EXPECT_NE(dialog, nullptr);
        if (dialog) {
            shown = ReadShown(dialog);
            ::PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
        DWORD exitCode = 1;
        EXPECT_TRUE(program.WaitForExit(kExitWithinMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
        return shown;
    }

    CSettingsKey m_Settings;
};

TEST_F(LanProgramStart, ShowsTheLansRangeInAutomaticMode)
{
    const Shown shown = ShowAndClose();
    EXPECT_TRUE(shown.automatic);
    EXPECT_FALSE(shown.startEnabled);
    EXPECT_EQ(shown.start, Lan("LAN_FIRST_HOST"));
    EXPECT_EQ(shown.end, Lan("LAN_LAST_HOST"));
    EXPECT_EQ(shown.versionLink, "Get New Version");
}

TEST_F(LanProgramStart, StoredManualRangeWinsOverTheLan)
{
    m_Settings.SetDword("Automatic", 0);
    m_Settings.SetText("StartHostAddress", "192.168.44.10", false);
    m_Settings.SetText("EndHostAddress", "192.168.44.20", false);
    const Shown shown = ShowAndClose();
    EXPECT_FALSE(shown.automatic);
    EXPECT_TRUE(shown.startEnabled);
    EXPECT_EQ(shown.start, "192.168.44.10");
    EXPECT_EQ(shown.end, "192.168.44.20");
}

TEST_F(LanProgramStart, OnWindowsXpOnlyTheWarningShowsAndTheProgramEndsWithZero)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaultsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("winxp"), 6);
    ::RegCloseKey(key);

    CVantrelProcess program;
    std::string error;
    ASSERT_TRUE(program.Start(ProgramPath(), error)) << error;
    HWND box = program.WaitForWindow([](HWND hwnd) { return !IsMainWindow(hwnd); });
    ASSERT_NE(box, nullptr);
    const std::string caption = SentTextOf(box);
    const std::string message = SentTextOf(::GetDlgItem(box, 0xFFFF));  // a message box's text
    bool mainWindowShown = false;
    for (HWND hwnd : program.VisibleWindows())
        mainWindowShown |= IsMainWindow(hwnd);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(program.WaitForExit(kExitWithinMs, exitCode));

    EXPECT_EQ(caption, "Vantrel");
    EXPECT_EQ(message, "Sorry!!! This software works on Vista and higher Windows versions only.");
    EXPECT_FALSE(mainWindowShown);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
