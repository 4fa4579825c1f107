// A scan that cannot start (the system gives its run no thread): the window keeps the last
// run's rows and Export, says why in a message box, and scans again once a thread is had.
// The runs go to a made-up network (CFakeScanNetwork): no socket, no traffic.
#include "ui/CorvaleDlg.h"

#include "FakeScanNetwork.h"
#include "JoinedThread.h"
#include "MainWindowSupport.h"
#include "SettingsKey.h"
#include "VantrelDriver.h"
#include "WindowTestSupport.h"
#include "res/resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kDeadlineMs = CFakeScanNetwork::kDeadlineMs;

struct BoxSearch {
    HWND owner;
    HWND box;
};

BOOL CALLBACK MatchOwnedBox(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<BoxSearch*>(param);
    char name[16] = "";
    ::GetClassNameA(hwnd, name, sizeof(name));
    if (std::strcmp(name, "#32770") == 0 && ::GetWindow(hwnd, GW_OWNER) == search.owner && ::IsWindowVisible(hwnd))
        search.box = hwnd;
    return search.box == nullptr;
}

// A message box the main window owns, or null.
HWND FindOwnedBox(HWND dialog)
{
    BoxSearch search{dialog, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(dialog, nullptr), MatchOwnedBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

HWND WaitForOwnedBox(HWND dialog)
{
    HWND box = nullptr;
    PumpUntil([&] { return (box = FindOwnedBox(dialog)) != nullptr; }, kDeadlineMs);
    return box;
}

void ClickStart(HWND dialog)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_SCAN, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_START_SCAN)));
}

bool IsEnabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

std::string Caption(HWND dialog)
{
    char text[64] = "";
    ::GetDlgItemTextA(dialog, IDC_START_SCAN, text, sizeof(text));
    return text;
}

int RowCount(HWND dialog)
{
    return static_cast<int>(::SendDlgItemMessageA(dialog, IDC_RESULTS_LIST, LVM_GETITEMCOUNT, 0, 0));
}

// The first line of the system's own text for `error`, asked of the system here.
std::string SystemTextStart(DWORD error)
{
    char text[512] = "";
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof(text),
                     nullptr);
    return std::string(text, std::strcspn(text, "\r\n"));
}

// A run to its summary, pressed away, until the window is idle with Export on.
bool ScanToTheEnd(HWND dialog)
{
    ClickStart(dialog);
    const HWND summary = WaitForOwnedBox(dialog);
    if (!summary)
        return false;
    CVantrelProcess::PressOk(summary);
    return PumpUntil(
        [&] { return Caption(dialog) == "Start Scan" && IsEnabled(dialog, IDC_START_SCAN) && IsEnabled(dialog, IDC_EXPORT); },
        kDeadlineMs);
}

struct Observed {
    bool firstScan = false;
    int rowsBefore = -1;
    std::string message;
    bool boxGone = false;
    int rowsAfter = -1;
    bool exportAfter = false;
    bool startAfter = false;
    std::string captionAfter;
    bool modesAfter = false;
    bool scannedAgain = false;
};

TEST(MainWindowFailedStart, KeepsTheLastListAndSaysWhy)
{
    CSettingsKey settings;  // a first start: Automatic, the adapter's range
    CFakeScanNetwork network;
    network.ReleaseLookups();
    std::atomic<bool> noThread{false};
    Observed seen;
    {
        CCorvaleDlg dialog(LanDiscovery());
        dialog.SetScanPlatforms(network.PlatformsForEachRun());
        dialog.SetRunThreadStart([&noThread](std::function<void()> body) {
            if (noThread) {
                ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return CHandle();
            }
            return StartRunThread(std::move(body));
        });
        std::atomic<HWND> shown{nullptr};
        CJoinedThread driver([&] {
            if (!PumpUntil([&] { return shown.load() != nullptr; }, kDeadlineMs))
                return;
            const HWND window = shown;
            seen.firstScan = ScanToTheEnd(window);
            seen.rowsBefore = RowCount(window);
            if (seen.firstScan) {
                noThread = true;
                ClickStart(window);
                if (const HWND box = WaitForOwnedBox(window)) {
                    seen.message = CVantrelProcess::MessageBoxText(box);
                    CVantrelProcess::PressOk(box);
                    seen.boxGone = PumpUntil([&] { return FindOwnedBox(window) == nullptr; }, kDeadlineMs);
                }
                seen.rowsAfter = RowCount(window);
                seen.exportAfter = IsEnabled(window, IDC_EXPORT);
                seen.startAfter = IsEnabled(window, IDC_START_SCAN);
                seen.captionAfter = Caption(window);
                seen.modesAfter = IsEnabled(window, IDC_AUTOMATIC) && IsEnabled(window, IDC_MANUAL);
                noThread = false;
                seen.scannedAgain = ScanToTheEnd(window);
            }
            ::PostMessageA(window, WM_CLOSE, 0, 0);
        });
        ASSERT_TRUE(driver.Started());
        WhenDialogShows("Vantrel", [&shown](HWND hwnd) { shown = hwnd; });
        dialog.DoModal();
        driver.Join();
    }
    ASSERT_TRUE(network.JoinAll(kDeadlineMs));
    ASSERT_TRUE(seen.firstScan);
    EXPECT_EQ(seen.rowsBefore, 4);
    EXPECT_EQ(seen.message.rfind("The scan could not start: ", 0), 0u) << seen.message;
    const std::string reason = SystemTextStart(ERROR_NOT_ENOUGH_MEMORY);
    ASSERT_FALSE(reason.empty());
    EXPECT_NE(seen.message.find(reason), std::string::npos) << seen.message;
    EXPECT_TRUE(seen.boxGone);
    EXPECT_EQ(seen.rowsAfter, 4) << "the last run's rows went";
    EXPECT_TRUE(seen.exportAfter);
    EXPECT_TRUE(seen.startAfter);
    EXPECT_EQ(seen.captionAfter, "Start Scan");
    EXPECT_TRUE(seen.modesAfter);
    EXPECT_TRUE(seen.scannedAgain) << "the window did not scan again once a thread was had";
}

}  // namespace
