// Probe threads as a scan runs them, for the tests that drive the host probe.
#pragma once

#include "scan/HostProbe.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CEnhancedListCtrl;

// Starts one thread per address, all before any has ended, each running `probe` with its
// task (the address, a queue of the run's results, the run's `stop` event, this computer as
// `local` tells, no probe calls: `probe` brings its own). This thread writes the queued
// results into `list` as the main window does and calls `betweenRounds` between rounds of
// them until every probe has ended and the list holds all their rows. Returns how many
// milliseconds that took.
DWORD RunProbeThreads(CEnhancedListCtrl& list, const std::vector<std::string>& addresses,
                      const std::function<void(HostProbeTask& task)>& probe,
                      const std::function<void()>& betweenRounds = nullptr, DWORD idleWaitMs = 5,
                      HANDLE stop = nullptr, const LocalHostFacts* local = nullptr);
