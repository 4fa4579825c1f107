#include "ui/DeviceNameDlg.h"

#include "res/resource.h"
#include "settings/DeviceNames.h"
#include "ui/ShadedBackground.h"
#include "winlib/DC.h"

#include <utility>
#include <vector>

namespace {
const char kCaption[] = "Vantrel";
const char kControlCharacterText[] =
    "A device name cannot contain control characters such as tabs or line breaks.";
const char kTooLongText[] = "A device name can have at most 63 characters.";
}  // namespace

CDeviceNameDlg::CDeviceNameDlg(CWnd* parent, std::string address, std::string mac, std::string name)
    : CDialog(IDD_DEVICE_NAME, parent), m_Address(std::move(address)), m_Mac(std::move(mac)), m_Name(std::move(name))
{
}

BOOL CDeviceNameDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetDlgItemTextA(m_hWnd, IDC_DEVICE_ADDRESS, m_Address.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_DEVICE_MAC, m_Mac.c_str());
    // A name found on the network may be longer than an own name can be.
    if (m_Name.size() > kMaxDeviceNameLength)
        m_Name.resize(kMaxDeviceNameLength);
    HWND box = GetDlgItem(IDC_DEVICE_NAME);
    ::SendMessageA(box, EM_LIMITTEXT, kMaxDeviceNameLength, 0);
    ::SetWindowTextA(box, m_Name.c_str());
    ::SendMessageA(box, EM_SETSEL, 0, -1);
    ::SetFocus(box);
    return FALSE;  // the focus is set
}

void CDeviceNameDlg::OnOK()
{
    HWND box = GetDlgItem(IDC_DEVICE_NAME);
    std::vector<char> text(static_cast<size_t>(::GetWindowTextLengthA(box)) + 1);
    ::GetWindowTextA(box, text.data(), static_cast<int>(text.size()));
    const std::string name = TrimDeviceName(text.data());
    switch (CheckDeviceName(name)) {
    case DeviceNameFault::ControlCharacter:
        Refuse(kControlCharacterText);
        return;
    case DeviceNameFault::TooLong:
        Refuse(kTooLongText);
        return;
    case DeviceNameFault::None:
        break;
    }
    m_Name = name;
    EndDialog(IDOK);
}

void CDeviceNameDlg::Refuse(const char* why)
{
    ::MessageBoxA(m_hWnd, why, kCaption, MB_OK | MB_ICONERROR);
    HWND box = GetDlgItem(IDC_DEVICE_NAME);
    ::SetFocus(box);
    ::SendMessageA(box, EM_SETSEL, 0, -1);
}

bool CDeviceNameDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_CTLCOLORSTATIC:
        // The labels are drawn straight onto the generated background.
        DefaultCtlColor(msg, wp, lp);
        ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    default:
        return false;
    }
}

void CDeviceNameDlg::OnPaint()
{
    const CPaintDC dc(m_hWnd);
    const RECT client = GetClientRect();
    PaintShadedBackground(dc, m_Background, client.right, client.bottom);
}
