#include "TestMainWindow.h"

#include "JoinedThread.h"
#include "PointerSupport.h"
#include "VantrelDriver.h"
#include "WindowTestSupport.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <utility>

ScanPlatformsFactory RecordingScanPlatforms(std::shared_ptr<std::atomic<int>> attempts)
{
    return [attempts](HANDLE) {
        ++*attempts;
        ScanPlatforms platforms;
        platforms.Run.SendArpRequestsAhead = [attempts](const std::vector<IPAddr>&) { ++*attempts; };
        platforms.Run.StartProbe = [attempts](const std::shared_ptr<const HostProbeTask>&) {
            ++*attempts;
            return CHandle();
        };
        platforms.Run.WaitForAll = [](DWORD, const HANDLE*, DWORD) -> DWORD { return WAIT_FAILED; };
        platforms.Probes.SendARP = [attempts](IPAddr, IPAddr, void*, ULONG*) -> DWORD {
            ++*attempts;
            return ERROR_NOT_SUPPORTED;
        };
        platforms.Probes.LookUpName = [attempts](const sockaddr*, int, char*, DWORD, int) -> int {
            ++*attempts;
            return EAI_FAIL;
        };
        platforms.Probes.AskHostName = [attempts](uint32_t) {
            ++*attempts;
            return std::string();
        };
        return platforms;
    };
}

CTestMainWindow::CTestMainWindow(const DiscoveryPlatform& discovery) : CCorvaleDlg(discovery)
{
    SetScanPlatforms(RecordingScanPlatforms(m_Attempts));
}

namespace {
const UINT kRunActionMessage = ::RegisterWindowMessageA("Vantrel test: run on the window's thread");
}

void RunOnWindowThread(HWND window, const std::function<void()>& action)
{
    ::SendMessageA(window, kRunActionMessage, 0, reinterpret_cast<LPARAM>(&action));
}

bool CTestMainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    if (msg == kRunActionMessage && lp) {
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        result = 0;
        return true;
    }
    return CCorvaleDlg::OnMessage(msg, wp, lp, result);
}

CTestMainWindow::~CTestMainWindow()
{
    EXPECT_EQ(m_Attempts->load(), 0) << "the window tried to scan, and the test did not expect it";
}

void DriveWindow(CTestMainWindow& dialog, const std::function<void(HWND dialog)>& drive)
{
    std::atomic<HWND> shown{nullptr};
    CJoinedThread driver([&] {
        if (!PumpUntil([&] { return shown.load() != nullptr; }, kWaitMs * 2))
            return;
        // Real input goes to the foreground window; the pointer goes out of the way after.
        ::SetForegroundWindow(shown);
        drive(shown);
        ParkPointer();
        if (::IsWindow(shown))
            ::PostMessageA(shown, WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(driver.Started());
    WhenDialogShows("Vantrel", [&shown](HWND hwnd) { shown = hwnd; });
    dialog.DoModal();
    driver.Join();
}

std::string AnswerMessageBox(HWND dialog)
{
    HWND box = nullptr;
    if (!PumpUntil([&] { return (box = FindOwnedBox(dialog)) != nullptr; }, kWaitMs * 2))
        return std::string();
    const std::string text = CVantrelProcess::MessageBoxText(box);
    CVantrelProcess::PressOk(box);
    return text;
}
