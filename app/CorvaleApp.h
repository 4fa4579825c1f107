// CCorvaleApp: runs the main window modally; the process ends when it closes.
#pragma once

#include "winlib/WinApp.h"

class CCorvaleApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
