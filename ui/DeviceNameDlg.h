// CDeviceNameDlg: the user's own name for one device of the results list, by its MAC address.
// Shows the row's IP and MAC address and one box, prefilled; OK with an empty box means "no own
// name". A name with control characters, or too long, is refused and the box stays open.
#pragma once

#include "controls/PaletteDib.h"
#include "winlib/Dialog.h"

#include <string>

class CDeviceNameDlg : public CDialog {
public:
    CDeviceNameDlg(CWnd* parent, std::string address, std::string mac, std::string name);

    // What OK accepted, trimmed; empty to remove the own name.
    const std::string& Name() const { return m_Name; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void OnPaint();
    void Refuse(const char* why);

    std::string m_Address;
    std::string m_Mac;
    std::string m_Name;
    CPaletteDib m_Background;
};
