// The results list as the main window sets it up (styles, columns, header and its font,
// colour columns, sort kinds and mark, row tip, row icon), in the shared test host window.
#pragma once

#include "ListTestHost.h"
#include "controls/EnhancedListCtrl.h"
#include "winlib/GdiObject.h"

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
    HWND HostWindow() const;

private:
    CFont m_HeaderFont;
    CListTestHost m_Host;
    CEnhancedListCtrl m_List;
};
