// The main window as the window tests build it. Behind Start Scan sits a scan platform that
// sends nothing and records every call made of it, unless the test gives its own: a press
// that reaches Start Scan by mistake never sends a packet, and the test that made it fails
// when its window goes.
#pragma once

#include "MainWindowSupport.h"
#include "ui/CorvaleDlg.h"

#include <atomic>
#include <functional>
#include <memory>

class CTestMainWindow : public CCorvaleDlg {
public:
    explicit CTestMainWindow(const DiscoveryPlatform& discovery = LanDiscovery());
    ~CTestMainWindow() override;

    // Calls made of the recording platform so far (each run asks for its platform once, then
    // its requests and look-ups go through it); they are no longer held against the test.
    int TakeScanAttempts() { return m_Attempts->exchange(0); }

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    std::shared_ptr<std::atomic<int>> m_Attempts = std::make_shared<std::atomic<int>>(0);
};

// Runs `action` on the thread of `window` (a CTestMainWindow) between two of its messages, and
// returns once it has run: what it posts comes before anything another thread posts later.
void RunOnWindowThread(HWND window, const std::function<void()>& action);

// The platform behind a test window's Start Scan: every call counts into `attempts` and
// fails; no thread is started, no request sent, no name asked.
ScanPlatformsFactory RecordingScanPlatforms(std::shared_ptr<std::atomic<int>> attempts);
