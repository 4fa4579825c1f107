#include "VantrelDriver.h"

#include "SaveDialog.h"
#include "WindowText.h"
#include "res/resource.h"

#include <commctrl.h>

#include <cstring>

namespace {

constexpr char kCaption[] = "Vantrel";
constexpr char kDialogClass[] = "#32770";
constexpr int kCellCapacity = 1024;
constexpr int kListedColumns = 4;
constexpr int kCsvReportType = 3;  // the Save dialog's fourth type
constexpr char kViewerClass[] = "Notepad";

struct WindowSearch {
    DWORD processId;
    HWND owner;  // null: a top-level window without owner
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search.processId || ClassOf(hwnd) != kDialogClass || TextOf(hwnd) != search.caption ||
        ::GetWindow(hwnd, GW_OWNER) != search.owner || !::IsWindowVisible(hwnd))
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

HWND FindDialog(DWORD processId, HWND owner, const char* caption = kCaption)
{
    WindowSearch search{processId, owner, caption, nullptr};
    ::EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectLongestStatic(HWND hwnd, LPARAM param)
{
    auto& longest = *reinterpret_cast<std::string*>(param);
    if (ClassOf(hwnd) == "Static") {
        const std::string text = TextOf(hwnd);
        if (text.size() > longest.size())
            longest = text;
    }
    return TRUE;
}

struct VisibleSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisible(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<VisibleSearch*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    if (processId == search.processId && ::IsWindowVisible(hwnd))
        search.found.push_back(hwnd);
    return TRUE;
}

// Memory in another process, freed with its owner.
class CRemoteBuffer {
public:
    CRemoteBuffer(HANDLE process, size_t size)
        : m_Process(process),
          m_Address(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
    {
    }
    ~CRemoteBuffer()
    {
        if (m_Address)
            ::VirtualFreeEx(m_Process, m_Address, 0, MEM_RELEASE);
    }
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;
    void* Get() const { return m_Address; }

private:
    HANDLE m_Process;
    void* m_Address;
};

}  // namespace

CVantrelProcess::~CVantrelProcess()
{
    if (m_Process.hProcess) {
        if (::WaitForSingleObject(m_Process.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_Process.hProcess, 1);
        // Gone before the next test starts another.
        ::WaitForSingleObject(m_Process.hProcess, 10000);
        ::CloseHandle(m_Process.hProcess);
        ::CloseHandle(m_Process.hThread);
    }
}

bool CVantrelProcess::Launch(const std::string& exePath, std::string& error)
{
    if (!Start(exePath, error))
        return false;
    if (!PumpUntil([this] { return (m_Main = FindDialog(m_Process.dwProcessId, nullptr)) != nullptr; },
                   kDefaultTimeoutMs)) {
        error = "the main window did not show";
        return false;
    }
    return true;
}

bool CVantrelProcess::Start(const std::string& exePath, std::string& error)
{
    std::vector<char> commandLine(exePath.begin(), exePath.end());
    commandLine.insert(commandLine.begin(), '"');
    commandLine.push_back('"');
    commandLine.push_back('\0');
    // The program's own output (and a crash report) lands in the driver's.
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    if (!::CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &m_Process)) {
        error = "cannot start " + exePath + " (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    // The list's item records are written into the program's memory as this driver lays them
    // out: a 32-bit and a 64-bit LVITEM differ.
    BOOL programIsWow64 = FALSE;
    BOOL driverIsWow64 = FALSE;
    if (::IsWow64Process(m_Process.hProcess, &programIsWow64) && ::IsWow64Process(::GetCurrentProcess(), &driverIsWow64) &&
        programIsWow64 != driverIsWow64) {
        error = exePath + " is not of the driver's architecture; use the driver of its build";
        return false;
    }
    return true;
}

void CVantrelProcess::ChooseAutomatic() const
{
    ::SendMessageA(Control(IDC_MANUAL), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageA(Control(IDC_AUTOMATIC), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageA(m_Main, WM_COMMAND, MAKEWPARAM(IDC_AUTOMATIC, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(IDC_AUTOMATIC)));
}

void CVantrelProcess::ChooseManual(uint32_t start, uint32_t end) const
{
    ::SendMessageA(Control(IDC_AUTOMATIC), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageA(Control(IDC_MANUAL), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageA(m_Main, WM_COMMAND, MAKEWPARAM(IDC_MANUAL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(IDC_MANUAL)));
    ::SendMessageA(Control(IDC_START_ADDRESS), IPM_SETADDRESS, 0, static_cast<LPARAM>(start));
    ::SendMessageA(Control(IDC_END_ADDRESS), IPM_SETADDRESS, 0, static_cast<LPARAM>(end));
}

void CVantrelProcess::ClickStartStop() const
{
    ::PostMessageA(m_Main, WM_COMMAND, MAKEWPARAM(IDC_START_SCAN, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(IDC_START_SCAN)));
}

void CVantrelProcess::PressEnter() const
{
    ::PostMessageA(m_Main, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ::PostMessageA(m_Main, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001));
}

void CVantrelProcess::Close() const
{
    ::PostMessageA(m_Main, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CVantrelProcess::RequestClose() const
{
    ::PostMessageA(m_Main, WM_CLOSE, 0, 0);
}

std::string CVantrelProcess::ButtonCaption() const
{
    return TextOf(Control(IDC_START_SCAN));
}

std::string CVantrelProcess::AddressText(int id) const
{
    // An address control's text is its fields, which only the control itself knows.
    return SentTextOf(Control(id));
}

HWND CVantrelProcess::FindSummaryBox() const
{
    return FindDialog(m_Process.dwProcessId, m_Main);
}

HWND CVantrelProcess::WaitForSummaryBox(DWORD timeoutMs) const
{
    HWND box = nullptr;
    PumpUntil([&] { return (box = FindSummaryBox()) != nullptr; }, timeoutMs);
    return box;
}

std::string CVantrelProcess::MessageBoxText(HWND box)
{
    std::string text;
    ::EnumChildWindows(box, CollectLongestStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

void CVantrelProcess::PressOk(HWND box)
{
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
}

bool CVantrelProcess::WaitForCaption(const char* caption, DWORD timeoutMs) const
{
    return PumpUntil([&] { return ButtonCaption() == caption; }, timeoutMs);
}

bool CVantrelProcess::WaitForIdle(DWORD timeoutMs) const
{
    const DWORD start = ::GetTickCount();
    if (!PumpUntil([&] { return ButtonCaption() == "Start Scan" && IsEnabled(IDC_START_SCAN); }, timeoutMs))
        return false;
    const DWORD left = timeoutMs - (::GetTickCount() - start);
    return RowCount() == 0 || PumpUntil([&] { return IsEnabled(IDC_EXPORT); }, left);
}

bool CVantrelProcess::ExportCsv(const std::string& path, std::string& error) const
{
    ::PostMessageA(m_Main, WM_COMMAND, MAKEWPARAM(IDC_EXPORT, BN_CLICKED), reinterpret_cast<LPARAM>(Control(IDC_EXPORT)));
    HWND dialog = nullptr;
    if (!PumpUntil([&] { return (dialog = FindDialog(m_Process.dwProcessId, m_Main, kSaveDialogCaption)) != nullptr; },
                   kDefaultTimeoutMs)) {
        error = "no Save dialog over the main window";
        return false;
    }
    SaveThroughDialog(dialog, path, kCsvReportType);
    // The program opens a text report in Notepad once it is written.
    HWND viewer = nullptr;
    if (!PumpUntil([&] { return (viewer = ::FindWindowA(kViewerClass, nullptr)) != nullptr; }, kDefaultTimeoutMs)) {
        error = "the report was not opened";
        return false;
    }
    ::PostMessageA(viewer, WM_CLOSE, 0, 0);
    if (!PumpUntil([&] { return !::IsWindow(viewer); }, kDefaultTimeoutMs)) {
        error = "the report's viewer did not close";
        return false;
    }
    return true;
}

namespace {
void SendKey(WORD key)
{
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, input, sizeof(INPUT));
}

void SendMouseButtons(DWORD down, DWORD up)
{
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = down;
    input[1].mi.dwFlags = up;
    ::SendInput(2, input, sizeof(INPUT));
}
}  // namespace

bool CVantrelProcess::NameDevice(const std::string& address, const std::string& name, NameDialogSeen& seen,
                                 std::string& error) const
{
    const std::vector<ListedHost> rows = ReadRows();
    int row = -1;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].address == address)
            row = static_cast<int>(i);
    if (row < 0) {
        error = "no row for " + address;
        return false;
    }
    // Scrolled into view as a user would, then its place on the screen, asked in the
    // program's own memory.
    HWND list = Control(IDC_RESULTS_LIST);
    ::SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    const CRemoteBuffer remote(m_Process.hProcess, sizeof(RECT));
    RECT rect{LVIR_LABEL, 0, 0, 0};
    SIZE_T done = 0;
    if (!remote.Get() || !::WriteProcessMemory(m_Process.hProcess, remote.Get(), &rect, sizeof(rect), &done)
        || !::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.Get()))
        || !::ReadProcessMemory(m_Process.hProcess, remote.Get(), &rect, sizeof(rect), &done)) {
        error = "the row's place could not be read";
        return false;
    }
    POINT point{rect.left + 20, (rect.top + rect.bottom) / 2};
    ::ClientToScreen(list, &point);
    ::SetForegroundWindow(m_Main);
    ::SetCursorPos(point.x, point.y);
    SendMouseButtons(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    if (!WaitForWindow([](HWND hwnd) { return ClassOf(hwnd) == "#32768"; }, kDefaultTimeoutMs)) {
        error = "no menu came";
        return false;
    }
    // The second item: nothing is highlighted when the menu opens.
    SendKey(VK_DOWN);
    SendKey(VK_DOWN);
    SendKey(VK_RETURN);
    HWND dialog = nullptr;
    if (!PumpUntil([&] { return (dialog = FindDialog(m_Process.dwProcessId, m_Main, "Name This Device")) != nullptr; },
                   kDefaultTimeoutMs)) {
        error = "no Name This Device dialog over the main window";
        return false;
    }
    seen.address = SentTextOf(::GetDlgItem(dialog, IDC_DEVICE_ADDRESS));
    seen.mac = SentTextOf(::GetDlgItem(dialog, IDC_DEVICE_MAC));
    seen.name = SentTextOf(::GetDlgItem(dialog, IDC_DEVICE_NAME));
    ::SendMessageA(::GetDlgItem(dialog, IDC_DEVICE_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    if (!PumpUntil([&] { return !::IsWindow(dialog); }, kDefaultTimeoutMs)) {
        error = "the dialog stayed open";
        return false;
    }
    return true;
}

int CVantrelProcess::ColumnWidth(int column) const
{
    return static_cast<int>(::SendMessageA(Control(IDC_RESULTS_LIST), LVM_GETCOLUMNWIDTH, column, 0));
}

int CVantrelProcess::RowCount() const
{
    return static_cast<int>(::SendMessageA(Control(IDC_RESULTS_LIST), LVM_GETITEMCOUNT, 0, 0));
}

std::string CVantrelProcess::CellText(HWND list, int row, int column, void* remote) const
{
    // The item record first, the text buffer after it, both in the program's memory.
    LVITEMA item{};
    item.iSubItem = column;
    item.cchTextMax = kCellCapacity;
    item.pszText = static_cast<char*>(remote) + sizeof(LVITEMA);
    SIZE_T done = 0;
    if (!::WriteProcessMemory(m_Process.hProcess, remote, &item, sizeof(item), &done))
        return "<unwritable>";
    const auto length = ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    char text[kCellCapacity] = "";
    if (!::ReadProcessMemory(m_Process.hProcess, item.pszText, text, sizeof(text), &done))
        return "<unreadable>";
    text[sizeof(text) - 1] = '\0';
    return std::string(text, static_cast<size_t>(length) < sizeof(text) ? static_cast<size_t>(length) : std::strlen(text));
}

std::vector<ListedHost> CVantrelProcess::ReadRows() const
{
    std::vector<ListedHost> rows;
    HWND list = Control(IDC_RESULTS_LIST);
    const CRemoteBuffer remote(m_Process.hProcess, sizeof(LVITEMA) + kCellCapacity);
    if (!remote.Get())
        return rows;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        std::string cells[kListedColumns];
        for (int column = 0; column < kListedColumns; ++column)
            cells[column] = CellText(list, row, column, remote.Get());
        rows.push_back(ListedHost{cells[0], cells[1], cells[2], cells[3]});
    }
    return rows;
}

std::vector<HWND> CVantrelProcess::VisibleWindows() const
{
    VisibleSearch search{m_Process.dwProcessId, {}};
    ::EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND CVantrelProcess::WaitForWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs) const
{
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND hwnd : VisibleWindows()) {
                if (match(hwnd)) {
                    found = hwnd;
                    return true;
                }
            }
            return HasEnded(m_Process.hProcess);
        },
        timeoutMs);
    return found;
}

bool CVantrelProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) const
{
    if (::WaitForSingleObject(m_Process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    return ::GetExitCodeProcess(m_Process.hProcess, &exitCode) != FALSE;
}
