// CListResultsSink: a run's results as rows of the results list. A found host's row comes at
// once in red with the interim text; its name and description turn it black. The list
// queues what other threads write and applies it on its own thread, so a probe never waits
// for the window.
#pragma once

#include "scan/HostProbe.h"
#include "winlib/Thread.h"

class CEnhancedListCtrl;

class CListResultsSink : public CScanResultsSink {
public:
    explicit CListResultsSink(CEnhancedListCtrl& list) : m_List(&list) {}

    void OnHostFound(const char* address, const BYTE* mac, ULONG macLength) override;
    void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac,
                     ULONG macLength) override;

    // From the list's owner before the list goes: later reports are dropped. Returns once
    // no probe writes to the list any more.
    void Detach();

private:
    // Makes a probe's check of the list and its write one step against Detach.
    CCriticalSection m_Lock{1024};
    CEnhancedListCtrl* m_List;
};
