// The program itself (vantrel.exe) started inside the virtual LAN: the window it shows
// with the LAN's range, the stored settings of the LAN prefix's registry, and the
// operating-system test with Wine reporting Windows XP for the program.
#include "SettingsKey.h"
#include "res/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

const char kExeName[] = "vantrel.exe";
const char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\vantrel.exe";

std::string Lan(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The build's program as a Windows path (Wine shows the Unix root as Z:).
std::string ProgramPath()
{
    std::string path = "Z:" VANTREL_EXE;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// The program as a child process; ended by force if a test leaves it running.
class CProgram {
public:
    CProgram()
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        std::string command = "\"" + ProgramPath() + "\"";
        m_started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &m_process) != FALSE;
    }
    ~CProgram()
    {
        if (!m_started)
            return;
        if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_process.hProcess, 99);
        ::WaitForSingleObject(m_process.hProcess, 10000);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;

    bool Started() const { return m_started; }

    // Waits for the process to end; its exit code, or -1 if it did not end in time.
    long WaitForExit(DWORD ms = 20000) const
    {
        DWORD code = 0;
        if (::WaitForSingleObject(m_process.hProcess, ms) != WAIT_OBJECT_0 || !::GetExitCodeProcess(m_process.hProcess, &code))
            return -1;
        return static_cast<long>(code);
    }

    // The first visible top-level window of the process that `match` accepts, polled for
    // up to 30 s; null if none came.
    HWND WaitForWindow(const std::function<bool(HWND)>& match) const
    {
        for (int i = 0; i < 600; ++i) {
            for (HWND hwnd : VisibleWindows())
                if (match(hwnd))
                    return hwnd;
            if (::WaitForSingleObject(m_process.hProcess, 50) == WAIT_OBJECT_0)
                return nullptr;
        }
        return nullptr;
    }

    std::vector<HWND> VisibleWindows() const
    {
        Search search{m_process.dwProcessId, {}};
        ::EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

private:
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    };

    static BOOL CALLBACK CollectVisible(HWND hwnd, LPARAM lp)
    {
        auto* search = reinterpret_cast<Search*>(lp);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == search->pid && ::IsWindowVisible(hwnd))
            search->found.push_back(hwnd);
        return TRUE;
    }

    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

bool IsMainWindow(HWND hwnd)
{
    return ::GetDlgItem(hwnd, IDC_RESULTS_LIST) != nullptr;
}

// Asked with WM_GETTEXT, the one of these messages carried across processes.
std::string TextOf(HWND hwnd)
{
    char text[512] = "";
    ::SendMessageA(hwnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

// An address control's window text is its four fields, dotted.
std::string AddressOf(HWND dialog, int id)
{
    return TextOf(::GetDlgItem(dialog, id));
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
    shown.versionLink = TextOf(::GetDlgItem(dialog, IDC_VERSION_LINK));
    return shown;
}

class LanProgramStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Lan("LAN_FIRST_HOST").empty()) << "run inside the virtual LAN (tools/virtual-lan.sh exec)";
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaultsKey);
    }
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaultsKey); }

    // Starts the program, reads what its window shows and closes it; the program must then
    // end with exit code 0.
    static Shown ShowAndClose()
    {
        Shown shown;
        CProgram program;
        EXPECT_TRUE(program.Started()) << ProgramPath();
        HWND dialog = program.WaitForWindow(IsMainWindow);
        EXPECT_NE(dialog, nullptr);
        if (dialog) {
            shown = ReadShown(dialog);
            ::PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
        EXPECT_EQ(program.WaitForExit(), 0);
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

    CProgram program;
    ASSERT_TRUE(program.Started());
    HWND box = program.WaitForWindow([](HWND hwnd) { return !IsMainWindow(hwnd); });
    ASSERT_NE(box, nullptr);
    const std::string caption = TextOf(box);
    const std::string message = TextOf(::GetDlgItem(box, 0xFFFF));  // a message box's text
    bool mainWindowShown = false;
    for (HWND hwnd : program.VisibleWindows())
        mainWindowShown |= IsMainWindow(hwnd);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    const long exitCode = program.WaitForExit();

    EXPECT_EQ(caption, "Vantrel");
    EXPECT_EQ(message, "Sorry!!! This software works on Vista and higher Windows versions only.");
    EXPECT_FALSE(mainWindowShown);
    EXPECT_EQ(exitCode, 0);
}

}  // namespace
