// CListResultsSink: a run's results as rows of the results list, on the list's own thread. A
// found host's row comes at once in red with the interim text; its name and description turn
// it black. The Name column shows the user's own name for the host's MAC where there is one.
#pragma once

#include "scan/HostProbe.h"

class CEnhancedListCtrl;
class CShownNames;

class CListResultsSink : public CScanResultsSink {
public:
    explicit CListResultsSink(CEnhancedListCtrl& list, CShownNames* names = nullptr) : m_List(list), m_Names(names) {}

    void OnHostFound(const char* address, const BYTE* mac, ULONG macLength) override;
    void OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac,
                     ULONG macLength, const char* device) override;

private:
    CEnhancedListCtrl& m_List;
    CShownNames* m_Names;  // null: the found names as they are
};
