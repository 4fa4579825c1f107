// CIPAddressCtrl: the four-field address control. Addresses are host order, first octet
// in the most significant byte.
#pragma once

#include "Wnd.h"

#include <commctrl.h>

class CIPAddressCtrl : public CWnd {
public:
    DWORD GetAddress() const
    {
        DWORD address = 0;
        SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        return address;
    }
    void SetAddress(DWORD address) const { SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(address)); }
};
