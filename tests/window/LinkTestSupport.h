// Helpers for tests of the hyperlinks: what they open and what their tips say.
#pragma once

#include "controls/StaticHyperLink.h"

#include <string>
#include <utility>
#include <vector>

// Records what links open instead of starting a browser, for as long as it lives.
class CRecordedLaunches {
public:
    CRecordedLaunches()
    {
        m_Previous = CStaticHyperLink::SetLaunchFunction([this](const char* address) { m_Opened.push_back(address); });
    }
    ~CRecordedLaunches() { CStaticHyperLink::SetLaunchFunction(std::move(m_Previous)); }
    CRecordedLaunches(const CRecordedLaunches&) = delete;
    CRecordedLaunches& operator=(const CRecordedLaunches&) = delete;

    std::vector<std::string> m_Opened;

private:
    CStaticHyperLink::LaunchFunction m_Previous;
};

// The text of a link's tip, as its tooltip window holds it.
std::string LinkTipText(HWND tip, HWND link);
