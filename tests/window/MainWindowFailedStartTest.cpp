// A scan that cannot start (the system gives its run no thread): the window keeps the last
// run's rows and Export, says why in a message box, and scans again once a thread is had.
// The runs go to a made-up network (CFakeScanNetwork): no socket, no traffic.
#include "ui/CorvaleDlg.h"

#include "FakeScanNetwork.h"
#include "MainWindowSupport.h"
#include "TestMainWindow.h"
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

HWND WaitForOwnedBox(HWND dialog)
{
    HWND box = nullptr;
    PumpUntil([&] { return (box = FindOwnedBox(dialog)) != nullptr; }, kDeadlineMs);
    return box;
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
        [&] { return StartCaption(dialog) == "Start Scan" && IsControlEnabled(dialog, IDC_START_SCAN) && IsControlEnabled(dialog, IDC_EXPORT); },
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
        CTestMainWindow dialog(LanDiscovery());
        dialog.SetScanPlatforms(network.PlatformsForEachRun());
        dialog.SetRunThreadStart([&noThread](std::function<void()> body) {
            if (noThread) {
                ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return CHandle();
            }
            return StartRunThread(std::move(body));
        });
        DriveWindow(dialog, [&](HWND window) {
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
                seen.exportAfter = IsControlEnabled(window, IDC_EXPORT);
                seen.startAfter = IsControlEnabled(window, IDC_START_SCAN);
                seen.captionAfter = StartCaption(window);
                seen.modesAfter = IsControlEnabled(window, IDC_AUTOMATIC) && IsControlEnabled(window, IDC_MANUAL);
                noThread = false;
                seen.scannedAgain = ScanToTheEnd(window);
            }
        });
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
