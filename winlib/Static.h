// CStatic: the system static control.
#pragma once

#include "Wnd.h"

class CStatic : public CWnd {
};
