// The results list as the main window sets it up (columns, header, colour columns, sort
// kinds, row icon), in the shared test host window.
#pragma once

#include "ListTestHost.h"
#include "controls/EnhancedListCtrl.h"

class CTestResultsList {
public:
    CTestResultsList();
    ~CTestResultsList();
    CTestResultsList(const CTestResultsList&) = delete;
    CTestResultsList& operator=(const CTestResultsList&) = delete;

    bool IsCreated() const { return m_List.m_hWnd != nullptr; }
    CEnhancedListCtrl& List() { return m_List; }

    // What a click on a column heading makes the list do; callable from any thread.
    void ClickHeading(int column) const;

private:
    CListTestHost m_Host;
    CEnhancedListCtrl m_List;
};
