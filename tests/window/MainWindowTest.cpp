// The main window starts from its template with every control in place and ends on
// Escape and on the caption's close box.
#include "ui/CorvaleDlg.h"
#include "res/resource.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

struct TemplateControl {
    int id;
    const char* windowClass;
    int x, y, w, h;  // dialog units
    bool visible;
};

// The main window's controls as its template places them.
const TemplateControl kMainControls[] = {
    {IDC_EXPORT, "Button", 400, 310, 64, 21, true},
    {IDC_AUTOMATIC, "Button", 183, 73, 9, 8, true},
    {IDC_MANUAL, "Button", 244, 73, 9, 8, true},
    {IDC_RANGE_LABEL, "Static", 55, 90, 111, 9, true},
    {IDC_UNUSED_EDIT1, "Edit", 378, 114, 48, 12, false},
    {IDC_UNUSED_EDIT2, "Edit", 384, 126, 48, 12, false},
    {IDC_RESULTS_LIST, "SysListView32", 7, 154, 456, 146, true},
    {IDC_MODE_LABEL, "Static", 73, 73, 93, 8, true},
    {IDC_SCAN_GROUP, "Button", 6, 61, 456, 87, true},
    {IDC_PING_LABEL, "Static", 95, 300, 184, 8, false},
    {IDC_HELP_LINK, "Static", 388, 48, 46, 9, true},
    {IDC_ABOUT_LINK, "Static", 439, 48, 23, 9, true},
    {IDC_VERSION_LINK, "Static", 7, 51, 231, 9, true},
    {IDC_PING_CHECK, "Button", 84, 300, 10, 9, false},
    {IDC_START_SCAN, "Button", 188, 118, 94, 24, true},
    {IDC_CLOSE, "Button", 397, 85, 57, 18, false},
    {IDC_COMPANION_LINK, "Static", 7, 317, 375, 8, true},
    {IDC_AUTOMATIC_LABEL, "Static", 195, 73, 33, 8, true},
    {IDC_MANUAL_LABEL, "Static", 256, 73, 29, 8, true},
    {IDC_START_ADDRESS, "SysIPAddress32", 183, 88, 81, 13, true},
    {IDC_END_ADDRESS, "SysIPAddress32", 282, 88, 81, 13, true},
};

std::string ClassOf(HWND hwnd)
{
    char name[64] = "";
    ::GetClassNameA(hwnd, name, sizeof(name));
    return name;
}

TEST(MainWindow, ShowsItsTemplateWithEveryControlInPlace)
{
    CCorvaleDlg dialog;
    std::string caption;
    RECT client{}, expectedClient{0, 0, 469, 338};
    WhenDialogShows("Vantrel", [&](HWND hwnd) {
        char text[64] = "";
        ::GetWindowTextA(hwnd, text, sizeof(text));
        caption = text;
        ::GetClientRect(hwnd, &client);
        ::MapDialogRect(hwnd, &expectedClient);
        for (const TemplateControl& c : kMainControls) {
            SCOPED_TRACE(c.id);
            HWND control = ::GetDlgItem(hwnd, c.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(ClassOf(control), c.windowClass);
            EXPECT_EQ(::IsWindowVisible(control) != FALSE, c.visible);
            // The dialog manager converts position and size separately.
            RECT expected{c.x, c.y, c.w, c.h};
            ::MapDialogRect(hwnd, &expected);
            const RECT actual = ChildRect(hwnd, c.id);
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
            EXPECT_EQ(actual.right - actual.left, expected.right);
            EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
        }
        // The banner sizes itself to its bitmap, placed at the top-left corner.
        const RECT banner = ChildRect(hwnd, IDC_BANNER);
        EXPECT_EQ(banner.left, 0);
        EXPECT_EQ(banner.top, 0);
        EXPECT_GT(banner.right - banner.left, 0);

        char version[64] = "";
        ::GetDlgItemTextA(hwnd, IDC_VERSION_LINK, version, sizeof(version));
        EXPECT_STREQ(version, "Get New Version");
        EXPECT_TRUE(::SendDlgItemMessageA(hwnd, IDC_START_SCAN, BM_GETSTATE, 0, 0) >= 0);
        ::SetForegroundWindow(hwnd);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(caption, "Vantrel");
    EXPECT_EQ(client.right, expectedClient.right);
    EXPECT_EQ(client.bottom, expectedClient.bottom);
}

BOOL CALLBACK MatchOwned(HWND hwnd, LPARAM param)
{
    auto& search = *reinterpret_cast<std::pair<HWND, HWND>*>(param);
    if (::GetWindow(hwnd, GW_OWNER) != search.first || !::IsWindowVisible(hwnd))
        return TRUE;
    search.second = hwnd;
    return FALSE;
}

// The window `owner` owns, shown by any thread.
HWND OwnedWindow(HWND owner)
{
    std::pair<HWND, HWND> search{owner, nullptr};
    ::EnumWindows(MatchOwned, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

BOOL CALLBACK KeepLongestText(HWND child, LPARAM longest)
{
    char line[256] = "";
    ::GetWindowTextA(child, line, sizeof(line));
    auto& text = *reinterpret_cast<std::string*>(longest);
    if (std::strlen(line) > text.size())
        text = line;
    return TRUE;
}

// Enter starts a scan. The range holds no address, so this machine's own network is never
// probed; the run still ends with its summary, owned by the window, which stays open.
TEST(MainWindow, EnterStartsAScanAndDoesNotEndTheWindowButTheCloseBoxDoes)
{
    CCorvaleDlg dialog;
    bool stillOpenAfterEnter = false;
    std::string summary;
    WhenDialogShows("Vantrel", [&](HWND hwnd) {
        ::SendDlgItemMessageA(hwnd, IDC_AUTOMATIC, BM_SETCHECK, BST_UNCHECKED, 0);
        ::SendDlgItemMessageA(hwnd, IDC_MANUAL, BM_SETCHECK, BST_CHECKED, 0);
        ::SendDlgItemMessageA(hwnd, IDC_START_ADDRESS, IPM_SETADDRESS, 0, 0xC00002FF);  // 192.0.2.255
        ::SendDlgItemMessageA(hwnd, IDC_END_ADDRESS, IPM_SETADDRESS, 0, 0xC00002FF);
        // The key as the window's modal loop hands it to the dialog manager.
        MSG enter{hwnd, WM_KEYDOWN, VK_RETURN, 0x001C0001, static_cast<DWORD>(::GetMessageTime()), {}};
        ::IsDialogMessageA(hwnd, &enter);
        HWND box = nullptr;
        for (int i = 0; i < 400 && !box; ++i) {
            PumpMessages(25);
            box = OwnedWindow(hwnd);
        }
        if (box) {
            ::EnumChildWindows(box, KeepLongestText, reinterpret_cast<LPARAM>(&summary));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        PumpMessages(200);
        stillOpenAfterEnter = ::IsWindow(hwnd) && ::IsWindowVisible(hwnd);
        ::PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_EQ(summary, "Scanning is finished. No system is currently connected to your Network");
}

TEST(MainWindow, SystemMenuEndsWithTheAboutEntry)
{
    CCorvaleDlg dialog;
    std::string last;
    UINT lastId = 0;
    UINT separatorType = 0;
    WhenDialogShows("Vantrel", [&](HWND hwnd) {
        HMENU menu = ::GetSystemMenu(hwnd, FALSE);
        const int count = ::GetMenuItemCount(menu);
        char text[64] = "";
        ::GetMenuStringA(menu, static_cast<UINT>(count - 1), text, sizeof(text), MF_BYPOSITION);
        last = text;
        lastId = ::GetMenuItemID(menu, count - 1);
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoA(menu, static_cast<UINT>(count - 2), TRUE, &info);
        separatorType = info.fType;
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    dialog.DoModal();
    EXPECT_EQ(last, "&About Vantrel");
    EXPECT_EQ(lastId, static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_TRUE(separatorType & MFT_SEPARATOR);
}

}  // namespace
